#include "win/Clock_win.h"
#include "win/Controls_win.h"
#include "common/Errors.h"
#include "win/Files_win.h"
#include "win/TextConvert_win.h"
#include "service/KeyboardFilter_win.h"
#include "service/OrderWatch_win.h"
#include "service/SystemOps_win.h"
#include "common/PromptLayout.h"
#include "service/StatsLog.h"
#include "service/StatusBlock_win.h"
#include "service/TrayIcon_win.h"
#include "service/UnlockPrompt_win.h"
#include "ProcessHandles_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>

#include <cwctype>
#include <string>
#include <atomic>
#include <thread>
#include <utility>
#include <vector>

namespace vardex {
namespace {

class ServiceWinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(owner);
    }
    void TearDown() override { DestroyWindow(owner); }

    // The child's rectangle in its parent's client coordinates.
    static LayoutRect ChildRect(HWND child)
    {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
        return {r.left, r.top, r.right - r.left, r.bottom - r.top};
    }

    HWND owner = nullptr;
    Win32FileSystem files;
    Win32Clock clock;
    PromptOrders orders{[](void*, PromptOrder, std::int64_t) {}};
};

TEST_F(ServiceWinTest, UnlockPromptIsLaidOutFromItsFontsUnits)
{
    TPwdForm prompt(owner, owner, true, false, orders);
    HWND dialog = prompt.Handle();
    HWND edit = GetDlgItem(dialog, 100);
    HWND ok = GetDlgItem(dialog, IDOK);
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    HWND off = GetDlgItem(dialog, IDNO);
    ASSERT_TRUE(edit && ok && cancel && off);

    HWND label = FindWindowExW(dialog, nullptr, WC_STATICW, nullptr);
    ASSERT_TRUE(label);

    HDC dc = GetDC(dialog);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(ok, WM_GETFONT, 0, 0)));
    SIZE letters;
    GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
    // The label holds the countdown too, uncut.
    for (const std::string& text : EveryUnlockPromptLabel()) {
        const std::wstring wide = Widen(text);
        SIZE size;
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        EXPECT_LE(size.cx, ChildRect(label).width) << text;
        EXPECT_LE(size.cy, ChildRect(label).height) << text;
    }
    // The line of indicators is as tall as the warning's text.
    RECT warning{};
    DrawTextW(dc, L"Caps Lock is on", -1, &warning, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    const PromptLayout layout =
        ComputePromptLayout(LayoutUnitX(letters.cx), letters.cy, 0, 0, 0, PromptButtons::OkCancelOff,
                            PromptIndicatorLine{warning.bottom, warning.right, 0, 0});
    // The label is the edit's name for readers that take the static just before it.
    EXPECT_EQ(GetWindow(edit, GW_HWNDPREV), label);

    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, layout.clientWidth);
    EXPECT_EQ(client.bottom, layout.clientHeight);
    EXPECT_EQ(ChildRect(ok), layout.ok);
    EXPECT_EQ(ChildRect(cancel), layout.cancel);
    EXPECT_EQ(ChildRect(off), layout.off);
    const LayoutRect editRect = ChildRect(edit);
    EXPECT_EQ(editRect.left, layout.edit.left);
    EXPECT_EQ(editRect.top, layout.edit.top);
    EXPECT_EQ(editRect.width, layout.edit.width);

    EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 255);
    EXPECT_EQ(SendMessageW(edit, EM_GETPASSWORDCHAR, 0, 0), L'*');
    EXPECT_TRUE(IsWindowEnabled(off));
    EXPECT_TRUE(GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
    wchar_t caption[32];
    GetWindowTextW(dialog, caption, 32);
    EXPECT_STREQ(caption, L"PC Vardex");
}

// The prompt's shown static controls, in their order.
std::vector<HWND> VisibleStatics(HWND dialog)
{
    std::vector<HWND> statics;
    for (HWND child = FindWindowExW(dialog, nullptr, WC_STATICW, nullptr); child;
         child = FindWindowExW(dialog, child, WC_STATICW, nullptr))
        if (GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE)
            statics.push_back(child);
    return statics;
}

// What a screen reader reads as a control's name, through the system's accessibility layer.
std::wstring ReaderName(HWND control)
{
    IAccessible* accessible = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&accessible))))
        return L"(none)";
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::wstring text;
    if (accessible->get_accName(self, &name) == S_OK && name)
        text = name;
    SysFreeString(name);
    accessible->Release();
    return text;
}

TEST_F(ServiceWinTest, PromptShowsTheLayoutAndCapsLockAsTheyChangeToReadersToo)
{
    TPwdForm prompt(owner, owner, true, false, orders);
    HWND dialog = prompt.Handle();
    BYTE keys[256];
    ASSERT_TRUE(GetKeyboardState(keys));
    const BYTE capsLock = keys[VK_CAPITAL];
    for (const bool on : {true, false, true}) {
        keys[VK_CAPITAL] = static_cast<BYTE>(on ? capsLock | 1 : capsLock & ~1);
        SetKeyboardState(keys);
        SendMessageW(dialog, WM_INPUTLANGCHANGE, 0, reinterpret_cast<LPARAM>(GetKeyboardLayout(0)));
        // The label, the warning while Caps Lock is on, the layout's short name; read as named.
        const std::vector<HWND> statics = VisibleStatics(dialog);
        ASSERT_EQ(statics.size(), on ? 3u : 2u) << on;
        EXPECT_EQ(ReaderName(statics[0]), L"Enter password");
        if (on) {
            EXPECT_EQ(ReaderName(statics[1]), L"Caps Lock is on");
        }
        const std::wstring layout = WindowText(statics.back()), layoutName = ReaderName(statics.back());
        EXPECT_TRUE(layout.size() >= 2 && layout.size() <= 3 && iswupper(layout[0])) << layout;
        EXPECT_TRUE(layoutName == L"Keyboard layout " + layout || layoutName == layout) << layoutName;
    }
    keys[VK_CAPITAL] = capsLock;
    SetKeyboardState(keys);
    // The edit by the name given to it where the system's annotation service took one (Wine has
    // a stub of it), else by the label just before it; the buttons by their texts.
    const std::wstring edit = ReaderName(GetDlgItem(dialog, 100));
    EXPECT_TRUE(edit == L"Password" || edit == L"Enter password") << edit;
    for (const auto& [id, name] : {std::pair{IDOK, L"OK"}, {IDCANCEL, L"Cancel"}, {IDNO, L"Off"}})
        EXPECT_EQ(ReaderName(GetDlgItem(dialog, id)), name);
}

TEST_F(ServiceWinTest, StatusBlockIsNamedByItsLinesSizedToThemAndRefusesOtherThreadsWords)
{
    TStatusBlock block(owner, [](UINT) {}, [](HDC dc, const RECT& area) {
        const RECT all{0, 0, area.right - area.left, area.bottom - area.top};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    });
    StatusLines lines;
    lines.clock = "14:02";
    lines.date = "10/12/2026";
    lines.user = "anna";
    lines.standing = "40 min left today (until 14:42)";
    lines.hint = "Press any key or click to unlock";
    block.SetLines(lines);
    block.Place({0, 0, 1280, 1024}, 96);
    const std::wstring name = L"anna\n14:02 10/12/2026\n40 min left today (until 14:42)\nPress any key or click to unlock";
    EXPECT_EQ(ReaderName(block.Handle()), name);
    RECT short_, wide;
    GetWindowRect(block.Handle(), &short_);
    lines.standing = "Not allowed now. Next: Saturday 10:00\u201312:00";
    block.SetLines(lines);
    GetWindowRect(block.Handle(), &wide);
    EXPECT_GT(wide.right - wide.left, short_.right - short_.left) << "a longer line widens the block";
    EXPECT_EQ(wide.bottom, 1024 - 32) << "at the bottom, above the margin";
    // Another thread's text, as another program's would be: not taken.
    std::atomic<bool> sent = false;
    std::thread other([&] {
        SendMessageW(block.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Time is up"));
        sent = true;
    });
    for (MSG msg; !sent;)  // the sent message is taken while this thread waits for messages
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_SENDMESSAGE) == WAIT_OBJECT_0)
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    other.join();
    EXPECT_NE(WindowText(block.Handle()), L"Time is up");
}

TEST_F(ServiceWinTest, PromptIsLaidOutAfreshAtTheResolutionOfItsNewMonitor)
{
    TPwdForm prompt(owner, owner, true, false, orders);
    HWND dialog = prompt.Handle();
    HWND ok = GetDlgItem(dialog, IDOK);
    const LayoutRect before = ChildRect(ok);
    for (const UINT dpi : {192u, 144u, 96u}) {
        RECT suggested{100, 50, 100 + 3 * before.width, 50 + 3 * before.height};
        SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        const HFONT font = reinterpret_cast<HFONT>(SendMessageW(ok, WM_GETFONT, 0, 0));
        LOGFONTW face{};
        GetObjectW(font, sizeof face, &face);
        EXPECT_EQ(face.lfHeight, -DialogMulDiv(9, static_cast<int>(dpi), 72)) << dpi;
        // Every control on the new font's units, the window where the system suggested.
        HDC dc = GetDC(dialog);
        const HGDIOBJ old = SelectObject(dc, font);
        SIZE letters;
        GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
        RECT line{};
        DrawTextW(dc, L"Caps Lock is on", -1, &line, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(dialog, dc);
        const PromptLayout layout = ComputePromptLayout(LayoutUnitX(letters.cx), letters.cy, 0, 0, 0,
                                                        PromptButtons::OkCancelOff, {line.bottom, line.right, 0, 0});
        EXPECT_EQ(ChildRect(ok), layout.ok) << dpi;
        EXPECT_EQ(ChildRect(GetDlgItem(dialog, IDNO)), layout.off) << dpi;
        RECT client, frame;
        GetClientRect(dialog, &client);
        GetWindowRect(dialog, &frame);
        EXPECT_EQ(client.bottom, layout.clientHeight) << dpi;
        EXPECT_EQ(client.right, layout.clientWidth) << dpi;
        EXPECT_EQ(frame.left, 100) << dpi;
        EXPECT_EQ(frame.top, 50) << dpi;
    }
    EXPECT_EQ(ChildRect(ok), before) << "back at 96 dpi as it was made";
}

TEST_F(ServiceWinTest, OffButtonIsGreyedWithoutShutdownAllowed)
{
    TPwdForm prompt(owner, owner, false, false, orders);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(prompt.Handle(), IDNO)));
}

TEST_F(ServiceWinTest, TrayMenuHoldsTheLockCaptionAndItsItems)
{
    TrayIcon tray(owner, WM_APP + 1, [](TrayCommand) {});
    tray.SetCaption(TrayCommand::Lock, L"Vardex  Shift+Ctrl+Alt+A");
    tray.SetConfigureEnabled(false);
    const HMENU menu = tray.Popup();
    ASSERT_EQ(GetMenuItemCount(menu), 5);
    const wchar_t* expected[] = {L"Vardex  Shift+Ctrl+Alt+A", L"Vardex+StandBy", L"Lock WorkStation", L"", L"Configure"};
    for (UINT i = 0; i < 5; ++i) {
        wchar_t text[64] = L"";
        GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, expected[i]);
    }
    EXPECT_TRUE(GetMenuState(menu, 3, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_TRUE(GetMenuState(menu, 4, MF_BYPOSITION) & MF_GRAYED);
}

TEST_F(ServiceWinTest, KeyboardFilterInstallsOnceAndRemoves)
{
    KeyboardFilter filter;
    filter.Install();
    EXPECT_TRUE(filter.Installed());
    filter.Install();
    EXPECT_TRUE(filter.Installed());
    filter.Remove();
    EXPECT_FALSE(filter.Installed());
}

// A window of a class of its own (or a shell one), made as the cases ask.
HWND MakeWindow(const wchar_t* className, const wchar_t* title, DWORD exStyle, bool shown)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    return CreateWindowExW(exStyle | WS_EX_TOOLWINDOW, className, title, WS_POPUP | (shown ? WS_VISIBLE : 0), 0, 0,
                           60, 40, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

bool SignalledWithin(HANDLE event, DWORD milliseconds)
{
    return WaitForSingleObject(event, milliseconds) == WAIT_OBJECT_0;
}

TEST_F(ServiceWinTest, OrderWatchWakesOnlyWhenAWindowIsMadeRaisedOrShown)
{
    WindowOrderWatch watch(5);
    ASSERT_TRUE(watch.Running());
    HWND hidden = MakeWindow(L"VardexTestWatched", L"", 0, false);
    watch.Watch({hidden}, nullptr);
    EXPECT_TRUE(SignalledWithin(watch.Changed(), 1000)) << "the first reading";
    Sleep(50);
    ResetEvent(watch.Changed());
    EXPECT_FALSE(SignalledWithin(watch.Changed(), 200)) << "nothing changed";

    HWND topmost = MakeWindow(L"VardexTestTopmost", L"", WS_EX_TOPMOST, true);
    EXPECT_TRUE(SignalledWithin(watch.Changed(), 1000)) << "a new topmost window";
    Sleep(50);
    ResetEvent(watch.Changed());
    ShowWindow(hidden, SW_SHOWNOACTIVATE);
    EXPECT_TRUE(SignalledWithin(watch.Changed(), 1000)) << "a watched window shown";
    DestroyWindow(topmost);
    DestroyWindow(hidden);

    // One watch a lock session: none leaves its thread or event behind.
    const ULONG before = test::OwnHandleCount();
    for (int i = 0; i < 200; ++i)
        WindowOrderWatch(1).Running();
    EXPECT_LE(test::OwnHandleCount(), before + 64) << "more than a slot block of the handle table in 200 watches";
}

TEST_F(ServiceWinTest, ShellWindowsShownBetweenTwoSearchesAreHiddenByTheShortCheck)
{
    struct Case {
        const char* what;
        const wchar_t* className;
        const wchar_t* title;
        bool madeBeforeTheSearch;
    };
    const Case cases[] = {
        {"a new taskbar", L"Shell_TrayWnd", L"", false},
        {"a new window with the Task Manager's title", L"VardexTestTaskManager", L"Task Manager", false},
        {"a hidden taskbar that the search found, shown", L"Shell_TrayWnd", L"", true},
    };
    for (const Case& c : cases) {
        ShellWindowGuard guard;
        HWND early = c.madeBeforeTheSearch ? MakeWindow(c.className, c.title, 0, false) : nullptr;
        HWND lock = MakeWindow(L"VardexTestLock", L"", WS_EX_TOPMOST, true);
        guard.HideAll();
        guard.HideChanged();
        HWND window = early ? early : MakeWindow(c.className, c.title, 0, false);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        guard.HideChanged();
        EXPECT_FALSE(IsWindowVisible(window)) << c.what;
        guard.Restore();
        EXPECT_TRUE(IsWindowVisible(window)) << c.what << ": shown again at the end";
        DestroyWindow(window);
        DestroyWindow(lock);
    }
}

TEST_F(ServiceWinTest, StatisticsLogAppendsLinesAndReportsFilesItCannotWrite)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::string path = Narrow(temp) + "vardex-stats-test.log";
    DeleteFileW(Widen(path).c_str());
    RemoveDirectoryW(Widen(path).c_str());
    RegionalFormats formats;
    StatisticsLog real(files, clock, path, formats, [](std::string_view line) { return ToAnsi(line); });
    real.Write(true, kAccessDenied);
    real.Write(true, kAccessPermitted);
    HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char bytes[256] = {};
    DWORD read = 0;
    ReadFile(file, bytes, sizeof bytes - 1, &read, nullptr);
    CloseHandle(file);
    const std::string text(bytes, read);
    ASSERT_EQ(read, 20u + 15u + 20u + 18u) << text;  // "dd/mm/yyyy hh:nn:ss " is 20 characters
    EXPECT_EQ(text.substr(20, 15), "Access Denied\r\n");
    EXPECT_EQ(text.substr(55), "Access Permitted\r\n");

    // Locked by another program: the system's error number. (A read-only attribute does not
    // stop the writes of Wine running as root, so a directory stands in for a denied file.)
    HANDLE locked = CreateFileW(Widen(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_THROW(
        try { real.Write(true, kAccessDenied); } catch (const IoError& error) {
            EXPECT_STREQ(error.what(), "I/O error 32");
            throw;
        },
        IoError);
    CloseHandle(locked);
    DeleteFileW(Widen(path).c_str());
    CreateDirectoryW(Widen(path).c_str(), nullptr);
    EXPECT_THROW(
        try { real.Write(true, kAccessDenied); } catch (const IoError& error) {
            EXPECT_STREQ(error.what(), "File access denied");
            throw;
        },
        IoError);
    RemoveDirectoryW(Widen(path).c_str());
}

}  // namespace
}  // namespace vardex
