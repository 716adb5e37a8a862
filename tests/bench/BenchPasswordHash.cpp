// Times one password check against a stored hash through the portable PBKDF2:
// bench_password_hash [runs] [iterations] (default 5 runs of kPasswordHashIterations).
#include "common/PasswordHash.h"
#include "common/Sha256.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    using namespace vardex;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const auto iterations = argc > 2 ? static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10))
                                     : kPasswordHashIterations;
    PortablePasswordCrypto crypto;
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
    std::printf("portable PBKDF2-HMAC-SHA256, %u iterations: median %.3f s a check\n", iterations,
                seconds[seconds.size() / 2]);
    return 0;
}
