#pragma once
// Times one password check against a stored hash: [runs] [iterations] from the command line
// (default 5 runs of kPasswordHashIterations); shared by the native (library) and the system's benchmark.
#include "common/CodeSecret.h"
#include "common/OneTimeCode.h"
#include "common/PasswordHash.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace vardex {

// The codes' secret in memory, and the wall clock: what a code's check costs beyond the store.
class BenchSecrets final : public SecretStore {
public:
    std::map<std::string, std::string, std::less<>> values;
    std::optional<std::string> Read(std::string_view name) override
    {
        const auto found = values.find(name);
        return found == values.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    void Write(std::string_view name, const std::string& text) override { values[std::string(name)] = text; }
};

class BenchClock final : public Clock {
public:
    LocalTime Now() override { return {}; }
    std::int64_t UtcNow() override
    {
        const auto since1970 = std::chrono::system_clock::now().time_since_epoch();
        return std::chrono::duration_cast<std::chrono::milliseconds>(since1970).count() + 11644473600000;
    }
    std::int64_t ElapsedMs() override { return 0; }
    TimeZoneRules Zone() override { return {}; }
};

// Times the check of a right one-time code (the three steps of its window worked out, the step
// taken), the store's reading and writing included, median of 1000.
inline int TimeCodeChecks(PasswordCrypto& crypto, const char* implementation)
{
    BenchSecrets store;
    BenchClock clock;
    CodeSecret codes(store, crypto, clock);
    const std::vector<std::uint8_t> secret = codes.MakeNew();
    std::vector<double> seconds;
    for (int run = 0; run < 1000; ++run) {
        store.values.erase(kCodeLastStepName);  // each run a code not yet taken
        const std::optional<std::string> code = CodeAt(crypto, secret, CodeStepAtUtcMs(clock.UtcNow()));
        const auto start = std::chrono::steady_clock::now();
        const bool taken = code && codes.Take(*code);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (!taken)
            return 1;
        seconds.push_back(elapsed.count());
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("%s one-time code (HMAC-SHA1, three steps): median %.1f us a check\n", implementation,
                seconds[seconds.size() / 2] * 1e6);
    return 0;
}

inline int TimePasswordChecks(PasswordCrypto& crypto, const char* implementation, int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const auto iterations = argc > 2 ? static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10))
                                     : kPasswordHashIterations;
    const std::string stored = HashPassword("Correct horse", crypto, iterations);
    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const bool accepted = VerifyPassword("Correct horse", stored, crypto);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (!accepted)
            return 1;
        seconds.push_back(elapsed.count());
        std::printf("run %d: %.3f s\n", run + 1, elapsed.count());
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("%s PBKDF2-HMAC-SHA256, %u iterations: median %.3f s a check\n", implementation, iterations,
                seconds[seconds.size() / 2]);
    return TimeCodeChecks(crypto, implementation);
}

}  // namespace vardex
