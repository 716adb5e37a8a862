#include "CodeSecret.h"

#include "Errors.h"
#include "Texts.h"
#include "OneTimeCode.h"
#include "WipedString.h"

#include <charconv>

namespace vardex {

std::optional<std::vector<std::uint8_t>> CodeSecret::Secret()
{
    std::optional<std::string> text = store_.Read(kCodeSecretName);
    if (!text)
        return std::nullopt;
    std::optional<std::vector<std::uint8_t>> secret = DecodeBase32(*text);
    WipeText(*text);
    if (!secret || secret->size() != kCodeSecretBytes)
        return std::nullopt;
    return secret;
}

std::vector<std::uint8_t> CodeSecret::MakeNew()
{
    std::vector<std::uint8_t> secret(kCodeSecretBytes);
    if (!crypto_.FillRandom(secret))
        throw Error(EnglishText(TextId::MessageSecretNoRandom));
    std::string text = EncodeBase32(secret);
    store_.Write(kCodeSecretName, text);
    WipeText(text);
    // The last step taken stays: steps only go forward, whatever the secret.
    return secret;
}

std::int64_t CodeSecret::LastStep()
{
    const std::optional<std::string> text = store_.Read(kCodeLastStepName);
    std::int64_t step = 0;
    if (!text || std::from_chars(text->data(), text->data() + text->size(), step).ec != std::errc())
        return 0;
    return step;
}

bool CodeSecret::Take(std::string_view code)
{
    if (!IsCodeText(code))
        return false;
    const std::optional<std::vector<std::uint8_t>> secret = Secret();
    if (!secret)
        return false;
    const std::optional<std::int64_t> step =
        MatchCode(crypto_, *secret, code, CodeStepAtUtcMs(clock_.UtcNow()), LastStep());
    if (!step)
        return false;
    store_.Write(kCodeLastStepName, std::to_string(*step));
    return true;
}

}  // namespace vardex
