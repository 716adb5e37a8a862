#include "CheapCrypto.h"
#include "common/PasswordCheck.h"
#include "common/Texts.h"

#include <gtest/gtest.h>

#include <functional>

namespace vardex {
namespace {

class ScriptedPromptHost final : public PasswordPromptHost {
public:
    std::optional<std::string> answer;  // nothing: the dialog is cancelled
    std::function<void()> whileShown;   // runs while the dialog is on screen
    std::function<void()> whileChecked;  // runs while the entry is checked
    int dialogs = 0;
    int incorrect = 0;

    std::optional<WipedString> AskMaskedText(const std::string& caption, const std::string& prompt) override
    {
        EXPECT_EQ(caption, "PC Vardex");
        EXPECT_EQ(prompt, "Enter password:");
        ++dialogs;
        if (whileShown)
            whileShown();
        if (!answer)
            return std::nullopt;
        return WipedString(*answer);
    }
    void ShowRefusal(const std::string& text) override
    {
        EXPECT_EQ(text, EnglishText(TextId::MessageIncorrectPassword));
        ++incorrect;
    }
    void RunPasswordCheck(const std::function<void()>& check) override
    {
        if (whileChecked)
            whileChecked();
        check();
    }
};

TEST(PasswordCheck, OnlyTheExpectedPasswordPassesAndOnlyAWrongOneIsToldSo)
{
    test::CheapCrypto crypto;
    const std::string hashed = HashPassword("Admin 1", crypto);
    struct Case {
        std::optional<std::string> answer;
        bool accepted;
        int incorrect;
    };
    for (const std::string& stored : {std::string("Admin 1"), hashed})
        for (const Case& c : {Case{"Admin 1", true, 0}, Case{"admin 1", false, 1}, Case{"Admin 1 ", false, 1},
                              Case{"", false, 1}, Case{std::nullopt, false, 0}}) {
            ScriptedPromptHost host;
            host.answer = c.answer;
            PasswordCheck check(host, crypto);
            EXPECT_EQ(check.AskPassword("PC Vardex", "Enter password:", stored), c.accepted)
                << (c.answer ? *c.answer : "(cancelled)");
            EXPECT_EQ(host.incorrect, c.incorrect);
        }
}

TEST(PasswordCheck, ASecondRequestWhileThePromptShowsOrTheEntryIsCheckedIsRefusedAtOnce)
{
    test::CheapCrypto crypto;
    ScriptedPromptHost host;
    PasswordCheck check(host, crypto);
    host.answer = "right";
    std::string expected = "right";
    std::vector<bool> again;
    const auto askAgain = [&] { again.push_back(check.AskPassword("PC Vardex", "Enter password:", expected)); };
    host.whileShown = askAgain;
    host.whileChecked = [&] {
        askAgain();
        expected = "changed";  // a reload meanwhile: the check goes on with what was asked
    };
    EXPECT_TRUE(check.AskPassword("PC Vardex", "Enter password:", expected));
    EXPECT_EQ(again, (std::vector<bool>{false, false}));
    EXPECT_EQ(host.dialogs, 1);
    host.whileShown = host.whileChecked = nullptr;
    EXPECT_TRUE(check.AskPassword("PC Vardex", "Enter password:", "right")) << "the guard is lifted afterwards";
}

}  // namespace
}  // namespace vardex
