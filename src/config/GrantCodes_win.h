#pragma once
// "Grant codes": what an administrator's phone needs to make the one-time codes that give a
// locked-out user more time: the QR code of the secret's otpauth address for an authenticator app
// to scan, the address and the secret as text, and a new secret in place of the old one.
#include "common/PasswordHash.h"
#include "common/Texts.h"
#include "win/MessagePump_win.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace vardex {

// The codes' secret: the one there is (made when there is none), or a new one when makeNew.
// Error with the reason when it cannot be had.
using CodeSecretSource = std::function<std::vector<std::uint8_t>(bool makeNew)>;

// The secret kept by this process itself in the codes' private key: where its user is an
// administrator (no guardian service to ask).
CodeSecretSource OwnCodeSecret(PasswordCrypto& crypto);

class GrantCodesDialog;

// The dialog, as the Settings page opens it.
class GrantCodes {
public:
    GrantCodes(MessagePump& pump, CodeSecretSource source) : pump_(pump), source_(std::move(source)) {}
    GrantCodes(const GrantCodes&) = delete;
    GrantCodes& operator=(const GrantCodes&) = delete;

    // Shows the dialog modally until it is closed; Error when there is no secret to show.
    void Show(HWND owner, const Texts& texts);
    // A lock starts: what the dialog shows is for the administrator alone, so it goes at once.
    void Dismiss() noexcept;

private:
    MessagePump& pump_;
    CodeSecretSource source_;
    GrantCodesDialog* shown_ = nullptr;
};

}  // namespace vardex
