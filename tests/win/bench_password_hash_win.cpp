// Times one password check against a stored hash through the system's PBKDF2 (CNG); run by hand
// under Wine or on Windows: bench_password_hash_win [runs] [iterations].
#include "PasswordCheckTiming.h"
#include "win/PasswordCrypto_win.h"

int main(int argc, char** argv)
{
    vardex::Win32PasswordCrypto crypto;
    return vardex::TimePasswordChecks(crypto, "CNG", argc, argv);
}
