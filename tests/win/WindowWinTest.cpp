#include "win/ErrorReport_win.h"
#include "win/MessagePump_win.h"
#include "win/Window_win.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace vardex {
namespace {

class RecordingSink final : public ErrorSink {
public:
    std::vector<std::string> texts;
    void Submit(Report report) override { texts.push_back(report.text); }
};

// A window whose handler fails on WM_APP.
class FailingWindow final : public Window {
public:
    FailingWindow()
    {
        CreateParams params;
        params.className = L"VardexFailingWindow";
        params.style = WS_POPUP;
        Create(params);
    }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_APP)
            throw std::runtime_error("Disk full");
        return Window::HandleMessage(message, wParam, lParam);
    }
};

TEST(WindowWin, AnErrorInAHandlerGoesToTheErrorSinkAndNoBoxIsShown)
{
    RecordingSink sink;
    SetErrorSink(&sink);
    {
        FailingWindow window;
        // A message box here would wait for a click that never comes: the test would hang.
        EXPECT_EQ(SendMessageW(window.Handle(), WM_APP, 0, 0), 0);
        PostMessageW(window.Handle(), WM_APP, 0, 0);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    EXPECT_EQ(sink.texts, (std::vector<std::string>{"Disk full", "Disk full"}));
    // A window of another thread (a prompt on its own desktop) reports through the sink's thread.
    std::thread([] {
        FailingWindow window;
        SendMessageW(window.Handle(), WM_APP, 0, 0);
    }).join();
    EXPECT_EQ(sink.texts.size(), 2u) << "not from the other thread itself";
    SubmitOtherThreadsErrors();
    SetErrorSink(nullptr);
    EXPECT_EQ(sink.texts, (std::vector<std::string>{"Disk full", "Disk full", "Disk full"}));
}

TEST(WindowWin, AModalLoopEnablesItsOwnerAgainHoweverItEnds)
{
    MessagePump pump;
    FailingWindow owner, modal;
    for (const bool throws : {false, true}) {
        PostMessageW(modal.Handle(), WM_APP + 1, 0, 0);
        bool done = false;
        const auto run = [&] {
            return pump.RunModal(
                owner.Handle(), modal.Handle(),
                [&](const MSG& msg) {
                    EXPECT_FALSE(IsWindowEnabled(owner.Handle())) << "disabled while the loop runs";
                    if (msg.message == WM_APP + 1 && throws)
                        throw std::runtime_error("a key handler failed");
                    done = msg.message == WM_APP + 1;
                    return done;
                },
                [&] { return done; });
        };
        if (throws)
            EXPECT_THROW(run(), std::runtime_error);
        else
            EXPECT_TRUE(run());
        EXPECT_TRUE(IsWindowEnabled(owner.Handle())) << throws;
    }
}

}  // namespace
}  // namespace vardex
