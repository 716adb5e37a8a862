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

// What the check asks of the windows.
class PasswordPromptHost {
public:
    virtual ~PasswordPromptHost() = default;
    // The masked input dialog: the text entered, or nothing when it was cancelled or confirmed
    // without any edit.
    virtual std::optional<WipedString> AskMaskedText(const std::string& caption, const std::string& prompt) = 0;
    // Why an entry was refused ("Incorrect Password", or why it could not be checked), captioned
    // "Error", until it is dismissed.
    virtual void ShowRefusal(const std::string& text) = 0;
    // Runs the password check, which takes up to seconds, and returns once it is done.
    virtual void RunPasswordCheck(const std::function<void()>& check) = 0;
};

// What the check of an entry says: accepted, or the refusal to show (nothing shown when empty).
struct PasswordVerdict {
    bool accepted = false;
    std::string refusal;
};
// Checks an entry (on the check's thread: it may take seconds).
using PasswordVerifier = std::function<PasswordVerdict(std::string_view entry)>;

class PasswordCheck {
public:
    PasswordCheck(PasswordPromptHost& host, PasswordCrypto& crypto) : host_(host), crypto_(crypto) {}

    // True when the entry matches expected. False at once while a prompt or a check of this one
    // is under way, false when the dialog is cancelled, and false after "Incorrect Password" for a
    // wrong entry.
    bool AskPassword(const std::string& caption, const std::string& prompt, const std::string& expected);
    // A prompt of this check is showing or its entry is being checked.
    bool Busy() const noexcept { return promptShowing_; }
    // The same with another judge of the entry (the guardian's check).
    bool AskPassword(const std::string& caption, const std::string& prompt, const PasswordVerifier& verify);

private:
    PasswordPromptHost& host_;
    PasswordCrypto& crypto_;
    bool promptShowing_ = false;
};

}  // namespace vardex
