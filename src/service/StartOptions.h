#pragma once
// What the lock service is asked to do by its command line: the guardian starts it again with
// a lock or an expiry to go on with, and the logon entry starts it only where no guardian does.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vardex {

struct StartOptions {
    bool lock = false;                         // "/lock": lock at once
    std::optional<std::uint32_t> graceLeftMs;  // "/grace N": an expiry with N ms of grace left
    bool atLogon = false;                      // "/logon": leave it to the guardian when one runs
    // "/channel N": the handle of the channel that the guardian gave this process at its start
    // (only a hint: the channel is checked before it is believed).
    std::optional<std::uint64_t> channel;
};

// Letter case is ignored; what is not understood is left alone.
StartOptions ParseStartOptions(const std::vector<std::string>& arguments);

}  // namespace vardex
