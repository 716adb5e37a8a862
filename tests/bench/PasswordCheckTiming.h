#pragma once
// Times one password check against a stored hash: [runs] [iterations] from the command line
// (default 5 runs of kPasswordHashIterations); shared by the native (library) and the system's benchmark.
#include "common/PasswordHash.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vardex {

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
    return 0;
}

}  // namespace vardex
