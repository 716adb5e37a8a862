#include "GuardianLink_win.h"

#include <windows.h>

namespace vardex {

namespace {
constexpr DWORD kAnswerTimeoutMs = 500;
}  // namespace

bool AskGuardian(const GuardRequest& request) noexcept
{
    try {
        const std::string message = EncodeGuardRequest(request);
        char answer[16] = {};
        DWORD answerSize = 0;
        // One message each way, connection and all; the pipe's instances may all be busy for a
        // moment, which the timeout covers.
        if (!CallNamedPipeW(kGuardianPipeName, const_cast<char*>(message.data()), static_cast<DWORD>(message.size()),
                            answer, sizeof answer, &answerSize, kAnswerTimeoutMs))
            return false;
        return std::string_view(answer, answerSize) == kGuardAccepted;
    } catch (...) {
        return false;
    }
}

}  // namespace vardex
