#include "ProcessEndWatch_win.h"

namespace vardex {

ProcessEndWatch::~ProcessEndWatch()
{
    for (auto& [id, watched] : watched_)
        Unwatch(*watched);
}

void CALLBACK ProcessEndWatch::ProcessEnded(void* context, BOOLEAN) noexcept
{
    const auto* watched = static_cast<const Watched*>(context);
    PostQueuedCompletionStatus(watched->owner->port_, watched->id, watched->owner->key_, nullptr);
}

void ProcessEndWatch::Unwatch(Watched& watched) noexcept
{
    // Waits for a callback under way: after this, none comes for this entry.
    if (watched.wait)
        UnregisterWaitEx(watched.wait, INVALID_HANDLE_VALUE);
    watched.wait = nullptr;
}

bool ProcessEndWatch::Watch(std::uint32_t id, std::uint32_t tag, UniqueKernelHandle process)
{
    std::unique_ptr<Watched>& watched = watched_[id];
    if (watched)
        Unwatch(*watched);
    watched = std::make_unique<Watched>();
    watched->owner = this;
    watched->id = id;
    watched->tag = tag;
    watched->process = std::move(process);
    if (!RegisterWaitForSingleObject(&watched->wait, watched->process.Get(), ProcessEnded, watched.get(), INFINITE,
                                     WT_EXECUTEONLYONCE)) {
        watched->wait = nullptr;
        return false;
    }
    return true;
}

std::optional<std::uint32_t> ProcessEndWatch::Ended(std::uint32_t id)
{
    const auto found = watched_.find(id);
    if (found == watched_.end())
        return std::nullopt;
    Unwatch(*found->second);
    const std::uint32_t tag = found->second->tag;
    watched_.erase(found);
    return tag;
}

HANDLE ProcessEndWatch::Process(std::uint32_t id) const noexcept
{
    const auto found = watched_.find(id);
    return found == watched_.end() ? nullptr : found->second->process.Get();
}

}  // namespace vardex
