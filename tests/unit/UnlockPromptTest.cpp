#include "service/UnlockPrompt.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vardex {
namespace {

// Orders given around the prompt's window: those before it attaches are taken at attach, those
// while attached are sent once per change, those after it detached go nowhere.
TEST(PromptOrders, OrdersBeforeTheWindowAreTakenAtAttachThenSentOnChangeAndNotAfterDetach)
{
    struct Case {
        const char* steps;  // "wait MS", "cancel", "attach", "detach"
        const char* sent;   // what reached the window
        const char* start;  // what attach found: "cancelled SECONDS" or "open SECONDS"
    };
    const Case cases[] = {
        {"wait 1500 attach", "", "open 2"},
        {"cancel wait 900 attach", "", "cancelled 1"},
        {"attach wait 2500 wait 2001 wait 1000 wait 0 wait -5", "wait 3;wait 1;wait 0;", "open 0"},
        {"attach cancel cancel wait 0", "cancel;", "open 0"},
        {"attach detach wait 4000 cancel", "", "open 0"},
    };
    for (const Case& c : cases) {
        std::string sent, start;
        int window = 0;
        PromptOrders orders([&](void* to, PromptOrder order, std::int64_t seconds) {
            EXPECT_EQ(to, &window);
            sent += order == PromptOrder::Cancel ? "cancel;" : "wait " + std::to_string(seconds) + ";";
        });
        std::istringstream steps(c.steps);
        for (std::string step; steps >> step;) {
            if (step == "wait") {
                std::int64_t ms = 0;
                steps >> ms;
                orders.ShowWait(ms);
            } else if (step == "cancel") {
                orders.Cancel();
            } else if (step == "attach") {
                const PromptOrders::Start found = orders.Attach(&window);
                start = (found.cancelled ? "cancelled " : "open ") + std::to_string(found.waitSeconds);
            } else {
                orders.Detach();
            }
        }
        EXPECT_EQ(sent, c.sent) << c.steps;
        EXPECT_EQ(start, c.start) << c.steps;
    }
    // A code that no prompt posts (any program may post one) names no input.
    EXPECT_EQ(PromptInputOf(static_cast<std::uintptr_t>(PromptInput::Closed)), PromptInput::Closed);
    EXPECT_EQ(PromptInputOf(static_cast<std::uintptr_t>(PromptInput::Closed) + 1), std::nullopt);
}

}  // namespace
}  // namespace vardex
