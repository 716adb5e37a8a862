#pragma once
// The slow-down for guesses at the unlock prompt. The first wrong entries in a row cost nothing
// (a user mistypes); from the fifth on, each makes the next entry wait: 1, 2, 4, 8 and 16 s, then
// 30 s after every further one, which leaves a guesser two tries a minute. A right password starts
// the count again. Judged on elapsed time, which the user cannot set (the wall clock they can).
#include "common/Texts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vardex {

// The wrong entries in a row that cost no wait.
inline constexpr std::uint32_t kFreeWrongEntries = 4;
inline constexpr std::int64_t kLongestEntryDelayMs = 30000;

// The wait after the count-th wrong entry in a row, in milliseconds.
std::int64_t EntryDelayAfter(std::uint32_t wrongInRow) noexcept;

class GuessDelay {
public:
    // A wrong entry, decided at nowMs of elapsed time.
    void WrongEntry(std::int64_t nowMs) noexcept;
    void RightEntry() noexcept;
    // How long until the next entry is taken; 0 when it is taken at once.
    std::int64_t WaitLeftMs(std::int64_t nowMs) const noexcept;

private:
    std::uint32_t wrongInRow_ = 0;
    std::int64_t nextEntryAtMs_ = 0;
};

// The unlock prompt's label: "Enter password", or while a wait lasts "Try again in N s", N the
// seconds left rounded up (in the texts' language).
std::string UnlockPromptLabel(std::int64_t waitLeftMs, const Texts& texts = EnglishTexts());
// Every label the prompt may show, so that it can be sized for the widest.
std::vector<std::string> EveryUnlockPromptLabel(const Texts& texts = EnglishTexts());

}  // namespace vardex
