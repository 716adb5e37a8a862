// Times one password check against a stored hash through the portable PBKDF2:
// bench_password_hash [runs] [iterations].
#include "PasswordCheckTiming.h"
#include "common/Sha256.h"

int main(int argc, char** argv)
{
    vardex::PortablePasswordCrypto crypto;
    return vardex::TimePasswordChecks(crypto, "portable", argc, argv);
}
