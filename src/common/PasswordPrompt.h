#pragma once
// The administrator password check in front of the configuration: one masked input dialog at a
// time, and the entry checked against the stored password (a salted hash, or a plain text
// stored before hashes).
#include "PasswordHash.h"
#include "WipedString.h"

#include <functional>
#include <optional>
#include <string>

namespace vardex {

inline constexpr const char* kIncorrectPasswordMessage = "Incorrect Password";

// What the check asks of the windows.
class PasswordPromptHost {
public:
    virtual ~PasswordPromptHost() = default;
    // The masked input dialog: the text entered, or nothing when it was cancelled or confirmed
    // without any edit.
    virtual std::optional<WipedString> AskMaskedText(const std::string& caption, const std::string& prompt) = 0;
    // The message "Incorrect Password", captioned "Error", until it is dismissed.
    virtual void ShowIncorrectPassword() = 0;
    // Runs the password check, which takes up to seconds, and returns once it is done.
    virtual void RunPasswordCheck(const std::function<void()>& check) = 0;
};

class PasswordCheck {
public:
    PasswordCheck(PasswordPromptHost& host, PasswordCrypto& crypto) : host_(host), crypto_(crypto) {}

    // True when the entry matches expected. False at once while a prompt or a check of this one
    // is under way, false when the dialog is cancelled, and false after "Incorrect Password" for a
    // wrong entry.
    bool AskPassword(const std::string& caption, const std::string& prompt, const std::string& expected);

private:
    PasswordPromptHost& host_;
    PasswordCrypto& crypto_;
    bool promptShowing_ = false;
};

}  // namespace vardex
