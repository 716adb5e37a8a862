#include "common/Reports.h"

#include <gtest/gtest.h>

#include <functional>

namespace vardex {
namespace {

// Records what it shows; a report may run a nested step while it is on screen, as a message
// box's own loop does.
class RecordingDisplay final : public ReportDisplay {
public:
    std::vector<std::string> shown;
    std::function<void(const Report&)> whileOnScreen;

    void Show(const Report& report) override
    {
        shown.push_back(report.text);
        if (whileOnScreen)
            whileOnScreen(report);
    }
};

TEST(ReportQueue, HeldReportsWaitUntilEveryHoldEndsAndEachTextComesOnce)
{
    RecordingDisplay display;
    ReportQueue queue(display);
    {
        ReportHold session(queue);
        ReportHold nested(queue);
        for (const char* text : {"File access denied", "Invalid data type for 'PLHK'", "File access denied"})
            queue.ReportError(text);
    }
    EXPECT_TRUE(display.shown.empty()) << "releasing does not show by itself";
    queue.ShowPending();
    EXPECT_EQ(display.shown, (std::vector<std::string>{"File access denied", "Invalid data type for 'PLHK'"}));

    queue.ReportError("Disk full");  // nothing holds it now
    EXPECT_EQ(display.shown.back(), "Disk full");
}

TEST(ReportQueue, ASessionInsideAShownReportHoldsTheRestAndARepeatOfTheOneOnScreenIsDropped)
{
    RecordingDisplay display;
    ReportQueue queue(display);
    std::vector<std::string> events;
    display.whileOnScreen = [&](const Report& report) {
        if (report.text != "first")
            return;
        ReportHold session(queue);  // a lock starts while the first box is open
        queue.ReportError("first");
        queue.ReportError("during the lock");
        EXPECT_EQ(display.shown.size(), 1u);
    };
    queue.Submit({"first", ReportKind::Information, [&] { events.push_back("after first"); }});
    queue.ReportError("second");
    EXPECT_EQ(display.shown, (std::vector<std::string>{"first", "during the lock", "second"}));
    EXPECT_EQ(events, (std::vector<std::string>{"after first"}));
}

}  // namespace
}  // namespace vardex
