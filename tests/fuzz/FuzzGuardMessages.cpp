// Feeds arbitrary bytes to every parser of the guardian's messages and of its store: no crash, and
// whatever parses is written back to the very same text (one spelling per message), so that no
// two texts mean the same and nothing is read that would be written otherwise.
#include "guard/GuardProtocol.h"
#include "guard/GuardStore.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {
template <typename Parse, typename Encode>
void RoundTrip(std::string_view text, Parse parse, Encode encode)
{
    if (const auto parsed = parse(text); parsed && encode(*parsed) != text)
        __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vardex;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    RoundTrip(text, ParseGuardRequest, EncodeGuardRequest);
    RoundTrip(text, ParseBeatAnswer, EncodeBeatAnswer);
    RoundTrip(text, ParseHelloAnswer, EncodeHelloAnswer);
    RoundTrip(text, ParseWhoAnswer, EncodeWhoAnswer);
    RoundTrip(text, ParseChannelAnswer, EncodeChannelAnswer);
    RoundTrip(text, ParseZone, EncodeZone);
    RoundTrip(text, ParseCommitAnswer, EncodeCommitAnswer);
    RoundTrip(text, ParseAdminLoginAnswer, [](const AdminLoginAnswer& answer) {
        return !answer.ticket.empty() ? EncodeTicketAnswer(answer.ticket)
               : answer.wrong         ? std::string(kGuardWrongPassword)
                                      : EncodeWaitAnswer(answer.waitSeconds);
    });
    RoundTrip(text, ParseStoredSessions, [](const StoredSessions& stored) { return EncodeStoredSessions(stored); });
    return 0;
}
