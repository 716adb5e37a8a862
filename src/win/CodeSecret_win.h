#pragma once
// The one-time codes' secret in the registry: "SOFTWARE\QUORTEX\Guardian\Codes" under the local
// machine, a key whose protected access list lets SYSTEM and the administrators alone in, neither
// to read nor to write for anybody else (the guardian's key above it is readable by every user).
#include "common/CodeSecret.h"

namespace vardex {

inline constexpr const wchar_t* kCodeSecretKeyPath = L"SOFTWARE\\QUORTEX\\Guardian\\Codes";
// SYSTEM and the administrators: full control, inherited by nothing else; no other entry.
inline constexpr const wchar_t* kCodeSecretAccess = L"D:P(A;;KA;;;SY)(A;;KA;;;BA)";

class Win32SecretStore final : public SecretStore {
public:
    std::optional<std::string> Read(std::string_view name) override;
    // Creates the key with its access list, and puts the list on it again before each write,
    // so that a key made otherwise (by hand, by an older version) is closed too.
    void Write(std::string_view name, const std::string& text) override;
};

}  // namespace vardex
