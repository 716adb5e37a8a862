#pragma once
// The configuration window's way to the guardian, where one runs: the administrator password is
// checked there and answered with a ticket, and with the ticket the guardian writes what the
// window changed (the user's own token may not).
#include "config/SettingWrites.h"
#include "guard/GuardProtocol.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardex {

struct AdminTicketAnswer {
    enum class Kind { Ticket, Wrong, Wait, NoAnswer } kind = Kind::NoAnswer;
    std::string ticket;
    std::uint32_t waitSeconds = 0;
};

// The guardian's check of the password (empty: where none is set). Takes as long as the
// check of a stored hash.
AdminTicketAnswer AskAdminTicket(std::string_view password);

// What the guardian's answer means to the person at the window.
std::string AdminRefusalText(const AdminTicketAnswer& answer);

// Writes the values through the guardian. SaveError with the reason when it refused the ticket
// ("expired"), refused a value, failed to write one, or did not answer.
class TicketRefused : public SaveError {
public:
    using SaveError::SaveError;
};
void WriteThroughGuardian(const std::string& ticket, const std::vector<SettingWrite>& writes);

// Empties a user's statistics log through the guardian; TicketRefused or std::runtime_error.
void ClearLogThroughGuardian(const std::string& ticket, const std::string& userKey);

// The one-time codes' secret, read (made where there is none) or made anew by the guardian;
// TicketRefused or std::runtime_error.
std::vector<std::uint8_t> CodeSecretThroughGuardian(const std::string& ticket, bool makeNew);

// The window closes: its ticket ends now rather than with its time.
void EndAdminTicket(const std::string& ticket) noexcept;

}  // namespace vardex
