// Times one password check against a stored hash through the library's PBKDF2, and one check of a
// one-time code through its HMAC-SHA1: bench_password_hash [runs] [iterations].
#include "PasswordCheckTiming.h"
#include "common/NativeCrypto.h"

int main(int argc, char** argv)
{
    vardex::NativePasswordCrypto crypto;
    return vardex::TimePasswordChecks(crypto, "the library's", argc, argv);
}
