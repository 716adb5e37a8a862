#pragma once
// The PC's secret for the one-time codes: 20 random bytes, kept where only the system and
// administrators can read them (never in the settings key, which every user reads), with the
// step of the last code taken, so that no code works twice, even after a restart.
#include "Clock.h"
#include "PasswordHash.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardex {

// The private place: two texts by name. The Win32 one is a registry key whose access list
// lets only SYSTEM and the administrators in (CodeSecret_win.h).
class SecretStore {
public:
    virtual ~SecretStore() = default;
    // Nothing when absent; Error when the place cannot be read (a standard user's token).
    virtual std::optional<std::string> Read(std::string_view name) = 0;
    // Error when it cannot be written.
    virtual void Write(std::string_view name, const std::string& text) = 0;
};

inline constexpr const char* kCodeSecretName = "Secret";
inline constexpr const char* kCodeLastStepName = "LastStep";

class CodeSecret {
public:
    CodeSecret(SecretStore& store, PasswordCrypto& crypto, Clock& clock) : store_(store), crypto_(crypto), clock_(clock) {}

    // The secret; nothing when none was made (or the stored text is damaged). Error when it
    // cannot be read.
    std::optional<std::vector<std::uint8_t>> Secret();
    // A new secret, stored: the old one and its codes no longer work. Error when no random bytes
    // could be had or it cannot be stored.
    std::vector<std::uint8_t> MakeNew();
    // Whether the code is one of the secret's for the step before now, now or the next, and none
    // taken before it; a code that is, is taken (its step stored first, so that a failure to store
    // refuses it rather than leaving it open for another go).
    bool Take(std::string_view code);

private:
    std::int64_t LastStep();

    SecretStore& store_;
    PasswordCrypto& crypto_;
    Clock& clock_;
};

}  // namespace vardex
