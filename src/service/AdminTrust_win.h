#pragma once
// The trust the administrator password gives the configuration window, for as long as the window
// is open and no lock has started. Where the guardian runs, the password is proved to it and the
// trust is its ticket, with which it writes for the window; elsewhere the lock service checks the
// password itself and the window writes directly.
#include "common/PasswordCheck.h"
#include "config/SettingWrites.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vardex {

class AdminTrust {
public:
    // storedPassword: the administrator password the lock service holds now (for its own check).
    AdminTrust(PasswordCheck& check, std::function<std::string()> storedPassword)
        : check_(check), storedPassword_(std::move(storedPassword))
    {
    }
    AdminTrust(const AdminTrust&) = delete;
    AdminTrust& operator=(const AdminTrust&) = delete;
    ~AdminTrust() { Forget(); }

    // Asks for the administrator password (where one is set) and proves it: true when it was
    // given and accepted, and the trust is the new one. Whether the guardian runs is looked at
    // each time.
    bool Prove();
    // The trust ends (the window closed), in the guardian too.
    void Forget() noexcept;
    // A lock started: the guardian ends the ticket itself when it hears of the lock, so nothing
    // on the way to the lock waits for its pipe.
    void Drop() noexcept { ticket_.reset(); }
    bool ThroughGuardian() const noexcept { return ticket_.has_value(); }
    // A prompt of the password is still open (or closing): Prove would be refused now.
    bool Busy() const noexcept { return check_.Busy(); }

    // What the window writes with the trust; SaveError with what happened. A ticket the guardian
    // no longer takes (its time is over) is proved again once, with the prompt.
    void WriteSettings(const std::vector<SettingWrite>& writes);
    void ClearLog(const std::string& userKey);
    std::vector<std::uint8_t> CodeSecret(bool makeNew);

private:
    template <typename Work>
    void WithTicket(const Work& work);

    PasswordCheck& check_;
    std::function<std::string()> storedPassword_;
    std::optional<std::string> ticket_;
};

}  // namespace vardex
