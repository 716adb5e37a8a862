#include "AdminTrust_win.h"

#include "GuardianAdmin_win.h"
#include "GuardianLink_win.h"
#include "common/Application.h"
#include "common/Texts.h"

namespace vardex {

bool AdminTrust::Prove()
{
    const std::string stored = storedPassword_();
    if (!GuardianServiceRuns()) {
        Forget();
        return stored.empty() || check_.AskPassword(kApplicationTitle, EnglishText(TextId::MessageEnterPassword), stored);
    }
    std::optional<std::string> ticket;
    const auto verify = [&ticket](std::string_view entry) {
        const AdminTicketAnswer answer = AskAdminTicket(entry);
        if (answer.kind == AdminTicketAnswer::Kind::Ticket)
            ticket = answer.ticket;
        return PasswordVerdict{ticket.has_value(), AdminRefusalText(answer)};
    };
    // Where none is set, the guardian gives its ticket without one: no prompt. A trust given
    // before stays until the new one is there.
    if (!(stored.empty() && verify({}).accepted) && !check_.AskPassword(kApplicationTitle, EnglishText(TextId::MessageEnterPassword), verify))
        return false;
    Forget();
    ticket_ = std::move(ticket);
    return ticket_.has_value();
}

void AdminTrust::Forget() noexcept
{
    if (ticket_)
        EndAdminTicket(*ticket_);
    ticket_.reset();
}

template <typename Work>
void AdminTrust::WithTicket(const Work& work)
{
    try {
        work(*ticket_);
    } catch (const TicketRefused&) {
        if (!Prove())
            throw SaveError(EnglishText(TextId::MessageNotGivenAgain));
        work(*ticket_);
    }
}

void AdminTrust::WriteSettings(const std::vector<SettingWrite>& writes)
{
    if (!ticket_)
        throw SaveError(EnglishText(TextId::MessageNotProved));
    WithTicket([&writes](const std::string& ticket) { WriteThroughGuardian(ticket, writes); });
}

void AdminTrust::ClearLog(const std::string& userKey)
{
    if (!ticket_)
        throw SaveError(EnglishText(TextId::MessageLogNotProved));
    WithTicket([&userKey](const std::string& ticket) { ClearLogThroughGuardian(ticket, userKey); });
}

std::vector<std::uint8_t> AdminTrust::CodeSecret(bool makeNew)
{
    if (!ticket_)
        throw SaveError(EnglishText(TextId::MessagePasswordNotProved));
    std::vector<std::uint8_t> secret;
    WithTicket([&](const std::string& ticket) { secret = CodeSecretThroughGuardian(ticket, makeNew); });
    return secret;
}

}  // namespace vardex
