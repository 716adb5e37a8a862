#include "GuessDelay.h"

#include <algorithm>

namespace vardex {

std::int64_t EntryDelayAfter(std::uint32_t wrongInRow) noexcept
{
    if (wrongInRow <= kFreeWrongEntries)
        return 0;
    // Doubling from 1 s; the shift is bounded before it can overflow.
    const std::uint32_t doublings = std::min<std::uint32_t>(wrongInRow - kFreeWrongEntries - 1, 15);
    return std::min<std::int64_t>(std::int64_t{1000} << doublings, kLongestEntryDelayMs);
}

void GuessDelay::WrongEntry(std::int64_t nowMs) noexcept
{
    if (wrongInRow_ < UINT32_MAX)
        ++wrongInRow_;
    nextEntryAtMs_ = nowMs + EntryDelayAfter(wrongInRow_);
}

void GuessDelay::RightEntry() noexcept
{
    wrongInRow_ = 0;
    nextEntryAtMs_ = 0;
}

std::int64_t GuessDelay::WaitLeftMs(std::int64_t nowMs) const noexcept
{
    // Never more than the longest delay: elapsed time that went backwards cannot stretch a wait.
    return std::clamp<std::int64_t>(nextEntryAtMs_ - nowMs, 0, kLongestEntryDelayMs);
}

std::string UnlockPromptLabel(std::int64_t waitLeftMs, const Texts& texts)
{
    if (waitLeftMs <= 0)
        return texts.Get(TextId::PromptEnterPassword);
    return texts.Format(TextId::PromptTryAgain, {std::to_string((waitLeftMs + 999) / 1000)});
}

std::vector<std::string> EveryUnlockPromptLabel(const Texts& texts)
{
    std::vector<std::string> labels{UnlockPromptLabel(0, texts)};
    for (std::int64_t seconds = 1; seconds * 1000 <= kLongestEntryDelayMs; ++seconds)
        labels.push_back(UnlockPromptLabel(seconds * 1000, texts));
    return labels;
}

}  // namespace vardex
