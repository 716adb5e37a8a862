// vardexprobe: answers the end-to-end tests' questions about the Windows side of a Wine prefix.
//   vardexprobe mutex NAME           exit 0 when the named mutex exists, 1 otherwise
//   vardexprobe hotkey-free CODE     exit 0 when nobody holds the hot key of the 16-bit code
//   vardexprobe set-dword NAME N     writes a number under the settings key
//   vardexprobe set-sz NAME TEXT     writes a text under the settings key
//   vardexprobe windows              prints class, title and desktop of every visible top-level
//                                    window of every desktop
//   vardexprobe desktops             prints the name of every desktop of the window station
//   vardexprobe user                 prints the logon name
//   vardexprobe first-weekday        prints the first day of the week (0 Monday ... 6 Sunday) of the
//                                    system's regional settings, as the programs read it
//   vardexprobe usage EXE            for each running process of the program file EXE: its id,
//                                    handles, GDI and USER objects (as the system counts them;
//                                    Wine counts none), its windows of every desktop, and its
//                                    private bytes in KiB
//   vardexprobe prompt-fit           builds the unlock prompt's and the input dialog's layout at
//                                    this display's resolution; prints, for each, the label's
//                                    width and height and what its widest and tallest text needs
//                                    in the label's own font; exit 0 when every label holds its
//                                    texts inside its dialog
//   vardexprobe template-fit EXE L   makes every dialog template of the program EXE hidden, in the
//                                    language L (en, de, fr, es); prints each control whose words
//                                    do not fit it; exit 0 when all fit
//   vardexprobe signal N             broadcasts the signal message with wParam N
//   vardexprobe button-enabled TEXT  exit 0 when the unlock prompt's button TEXT (the start of its
//                                    text) is enabled (on whichever desktop it shows)
//   vardexprobe button-press TEXT    the same, and clicks it
//   vardexprobe dialog TITLE         prints the texts in the dialog box (message box) TITLE
//   vardexprobe dialog-ok TITLE      presses OK in the dialog box TITLE
//   vardexprobe set-desktop NAME T   writes a text under the user's "Control Panel\Desktop"
//   vardexprobe dialog-press TITLE B presses the button of id B in the dialog box TITLE
//   vardexprobe dialog-get TITLE C   prints the text of control C of the dialog box TITLE, as a
//                                    screen reader asks for it
//   vardexprobe dialog-keys TITLE C K N  gives the focus to control C of the dialog box TITLE,
//                                    clicks near its left edge (a picker's first field) and
//                                    presses the virtual key K there N times
//   vardexprobe startup EXE          starts EXE (the lock service) and prints the ms until its main
//                                    window exists and until the tray shows its icon, then 0 or 1:
//                                    whether the default hot key is then held (by it)
//   vardexprobe monitors             prints "virtual L T R B" (the virtual screen), then for each
//                                    monitor "monitor L T R B P N": P 1 for the primary, N how
//                                    many of its corners and its centre the lock screen is the
//                                    top-level window at; then "lock L T R B" of the lock screen
//                                    (when it shows)
//   vardexprobe start-empty          starts this program without a command, which ends at once,
//                                    and prints the ms until it has ended: Wine's own start
// The configuration window (found by its tree), its controls by id:
//   vardexprobe cfg-tree PATH        selects the tree node at PATH, child indexes like 0.1.1, and
//                                    prints how long the window took to show it, in ms
//   vardexprobe cfg-ping             prints how long the window takes to answer, in ms
//   vardexprobe cfg-scroll ID [top]  scrolls the control to its end (or its top); prints how long it
//                                    took, in ms
//   vardexprobe cfg-edit ID          prints an edit's most characters and its password character code
//   vardexprobe cfg-status           prints the status bar's text
//   vardexprobe cfg-enabled ID       exit 0 when the tool bar's button ID is enabled
//   vardexprobe cfg-get ID           prints the control's text
//   vardexprobe cfg-set ID TEXT      sets the control's text (as typing would)
//   vardexprobe cfg-click ID         clicks the button or check box
//   vardexprobe cfg-checked ID       exit 0 when the check box is checked
//   vardexprobe cfg-command ID       the window's command ID, as its menu or tool bar gives it
//   vardexprobe cfg-rect ID          prints the control's screen rectangle: left top right bottom
//   vardexprobe cfg-items ID         a list: one line per item, "selected checked" as 0 or 1;
//                                    a tree: the number of its nodes
//   vardexprobe cfg-redraw ID        draws the control anew at once; prints how long it took, in ms
//   vardexprobe cfg-pick ID ROW      selects the tree's ROWth row in view (0 the first); prints how
//                                    long the window took to show it, in ms
#include "EveryDesktop_win.h"
#include "ProcessHandles_win.h"
#include "TemplateFit_win.h"
#include "win/PromptDialog_win.h"
#include "win/SystemFacts_win.h"
#include "win/TextConvert_win.h"
#include "config_ids.h"
#include "config/Settings.h"
#include "service/GuessDelay.h"
#include "common/HotKey.h"

#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace vardex;

int Mutex(const std::wstring& name)
{
    const HANDLE handle = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
    if (!handle)
        return 1;
    CloseHandle(handle);
    return 0;
}

int HotKeyFree(const char* text)
{
    const HotKeyRegistration r = HotKeyToRegistration(static_cast<std::uint16_t>(std::strtoul(text, nullptr, 0)));
    if (!RegisterHotKey(nullptr, 1, r.modifiers, r.virtualKey))
        return 1;
    UnregisterHotKey(nullptr, 1);
    return 0;
}

int SetValue(const std::wstring& name, DWORD type, const void* data, DWORD size, HKEY root = HKEY_LOCAL_MACHINE,
             const std::wstring& path = Widen(kSettingsKeyPath))
{
    HKEY key;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 2;
    const LSTATUS status = RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : 2;
}

// Its own style, not IsWindowVisible: Wine counts no window of another desktop as visible.
BOOL CALLBACK PrintVisibleWindow(HWND window, LPARAM desktop)
{
    if (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) {
        wchar_t title[256] = L"", className[256] = L"";
        GetWindowTextW(window, title, 256);
        GetClassNameW(window, className, 256);
        std::printf("%s\t%s\t%s\n", Narrow(className).c_str(), Narrow(title).c_str(),
                    reinterpret_cast<const char*>(desktop));
    }
    return TRUE;
}

// Every desktop of the window station, the service's own prompt desktops included.
void PrintEveryDesktopsWindows()
{
    test::LookOnEveryDesktop([](const std::wstring& desktop) {
        const std::string name = Narrow(desktop);
        EnumWindows(PrintVisibleWindow, reinterpret_cast<LPARAM>(name.c_str()));
        return false;
    });
}

BOOL CALLBACK PrintChildText(HWND child, LPARAM)
{
    wchar_t text[512] = L"";
    GetWindowTextW(child, text, 512);
    if (text[0])
        std::printf("%s\n", Narrow(text).c_str());
    return TRUE;
}

int PrintDialog(const std::wstring& title)
{
    HWND dialog = FindWindowW(L"#32770", title.c_str());
    if (!dialog)
        return 1;
    EnumChildWindows(dialog, PrintChildText, 0);
    return 0;
}

int PressDialogOk(const std::wstring& title)
{
    HWND dialog = FindWindowW(L"#32770", title.c_str());
    if (!dialog)
        return 1;
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    return 0;
}

int PressDialogButton(const std::wstring& title, int button)
{
    HWND dialog = FindWindowW(L"#32770", title.c_str());
    if (!dialog)
        return 1;
    PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(button), 0);
    return 0;
}

// Keys pressed in a control of another program's dialog, as the keyboard gives them to the focus.
int PressKeys(const std::wstring& title, int controlId, int key, int count)
{
    // On whichever desktop the dialog shows (the lock's forms have one of their own).
    int result = 1;
    test::LookOnEveryDesktop([&](const std::wstring&) {
        HWND dialog = FindWindowW(L"#32770", title.c_str());
        HWND control = dialog ? GetDlgItem(dialog, controlId) : nullptr;
        if (!control)
            return false;
        const DWORD self = GetCurrentThreadId(), owner = GetWindowThreadProcessId(control, nullptr);
        AttachThreadInput(self, owner, TRUE);
        SetFocus(control);
        AttachThreadInput(self, owner, FALSE);
        RECT area;
        GetClientRect(control, &area);
        const LPARAM nearLeft = MAKELPARAM(6, (area.bottom - area.top) / 2);
        SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, nearLeft);
        SendMessageW(control, WM_LBUTTONUP, 0, nearLeft);
        for (int i = 0; i < count; ++i)
            SendMessageW(control, WM_KEYDOWN, static_cast<WPARAM>(key), 1);
        SendMessageW(control, WM_KEYUP, static_cast<WPARAM>(key), 0xC0000001);
        result = 0;
        return true;
    });
    return result;
}

// The configuration window: a dialog titled like the program, with the tree.
HWND ConfigWindow()
{
    for (HWND window = FindWindowExW(nullptr, nullptr, L"#32770", L"PC Vardex"); window;
         window = FindWindowExW(nullptr, window, L"#32770", L"PC Vardex"))
        if (GetDlgItem(window, IDC_TREE))
            return window;
    return nullptr;
}

struct ControlSearch {
    int id;
    HWND found = nullptr;
};

BOOL CALLBACK FindControl(HWND child, LPARAM data)
{
    auto* search = reinterpret_cast<ControlSearch*>(data);
    if (GetDlgCtrlID(child) != search->id)
        return TRUE;
    // A control that several pages have: the one of the page shown, else the first.
    if (!search->found || IsWindowVisible(child))
        search->found = child;
    return IsWindowVisible(child) ? FALSE : TRUE;
}

// A control of the window or of one of its pages.
HWND ConfigControl(const char* id)
{
    HWND window = ConfigWindow();
    if (!window)
        return nullptr;
    ControlSearch search{static_cast<int>(std::strtol(id, nullptr, 0))};
    EnumChildWindows(window, FindControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ControlText(HWND control)
{
    wchar_t text[1024] = L"";
    SendMessageW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return Narrow(text);
}

double Milliseconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Selects the tree's item and prints how long the window took to show it, in ms.
int SelectTimed(HWND tree, HTREEITEM item)
{
    if (!item)
        return 1;
    const double started = Milliseconds();
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    std::printf("%.1f\n", Milliseconds() - started);
    return 0;
}

int SelectTreeNode(const std::string& path)
{
    HWND tree = GetDlgItem(ConfigWindow(), IDC_TREE);
    if (!tree)
        return 2;
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    size_t start = 0;
    for (bool first = true; item && start <= path.size(); first = false) {
        const size_t dot = path.find('.', start);
        int index = std::atoi(path.substr(start, dot - start).c_str());
        if (!first)
            item = reinterpret_cast<HTREEITEM>(
                SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
        while (item && index-- > 0)
            item = reinterpret_cast<HTREEITEM>(
                SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    return SelectTimed(tree, item);
}

// Item states and counts are numbers: they cross the process boundary, unlike item texts.
int PrintItems(HWND control)
{
    wchar_t className[64] = L"";
    GetClassNameW(control, className, 64);
    if (std::wstring(className) == WC_TREEVIEWW) {
        std::printf("%ld\n", static_cast<long>(SendMessageW(control, TVM_GETCOUNT, 0, 0)));
        return 0;
    }
    const auto count = static_cast<int>(SendMessageW(control, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const auto state = static_cast<UINT>(SendMessageW(control, LVM_GETITEMSTATE, static_cast<WPARAM>(i),
                                                          LVIS_SELECTED | LVIS_STATEIMAGEMASK));
        std::printf("%d %d\n", (state & LVIS_SELECTED) ? 1 : 0, (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2) ? 1 : 0);
    }
    return 0;
}

// The windows (top-level and child) of a process on every desktop: a count of its USER objects
// where the system's own count is missing.
unsigned WindowsOf(DWORD processId)
{
    struct Count {
        DWORD processId;
        unsigned windows = 0;
    } count{processId};
    test::LookOnEveryDesktop([&count](const std::wstring&) {
        EnumWindows(
            [](HWND window, LPARAM data) noexcept -> BOOL {
                auto& c = *reinterpret_cast<Count*>(data);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner != c.processId)
                    return TRUE;
                ++c.windows;
                EnumChildWindows(window, [](HWND, LPARAM d) noexcept -> BOOL {
                    ++reinterpret_cast<Count*>(d)->windows;
                    return TRUE;
                }, data);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&count));
        return false;
    });
    return count.windows;
}

// The handle counts come from the system's list of processes (ProcessHandles_win.h); private
// bytes as Windows reports them (Wine gives none).
int PrintUsage(const std::wstring& program)
{
    for (const test::ProcessEntry& entry : test::RunningProcesses()) {
        if (CompareStringOrdinal(entry.image.c_str(), -1, program.c_str(), -1, TRUE) != CSTR_EQUAL)
            continue;
        DWORD gdi = 0, user = 0;
        PROCESS_MEMORY_COUNTERS_EX memory{};
        memory.cb = sizeof memory;
        if (const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.id)) {
            gdi = GetGuiResources(process, GR_GDIOBJECTS);
            user = GetGuiResources(process, GR_USEROBJECTS);
            GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
            CloseHandle(process);
        }
        std::printf("%lu %lu %lu %lu %u %llu\n", entry.id, entry.handles, gdi, user, WindowsOf(entry.id),
                    static_cast<unsigned long long>(memory.PrivateUsage / 1024));
    }
    return 0;
}

// Starts command line; the process, or nothing.
std::optional<PROCESS_INFORMATION> Start(std::wstring commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return std::nullopt;
    CloseHandle(process.hThread);
    return process;
}

int PrintStartup(const std::wstring& program)
{
    const double started = Milliseconds();
    const std::optional<PROCESS_INFORMATION> process = Start(L"\"" + program + L"\"");
    if (!process)
        return 2;
    double window = -1, tray = -1;
    while (tray < 0 && Milliseconds() - started < 60000) {
        if (window < 0 && FindWindowW(L"TMainForm", nullptr))
            window = Milliseconds() - started;
        // Wine's tray shows once it holds an icon.
        if (IsWindowVisible(FindWindowW(L"__winex11_standalone_tray", nullptr)))
            tray = Milliseconds() - started;
        else
            Sleep(1);
    }
    CloseHandle(process->hProcess);
    std::printf("%.1f %.1f %d\n", window, tray, HotKeyFree(std::to_string(kDefaultHotKey).c_str()));
    return tray < 0 ? 1 : 0;
}

// Whether the top-level window at the point is the lock screen.
bool LockScreenAt(HWND lockScreen, POINT point) noexcept
{
    return lockScreen && GetAncestor(WindowFromPoint(point), GA_ROOT) == lockScreen;
}

int PrintMonitors()
{
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    std::printf("virtual %d %d %d %d\n", left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                top + GetSystemMetrics(SM_CYVIRTUALSCREEN));
    HWND lockScreen = FindWindowW(L"TMainForm", L"PC Vardex");
    if (lockScreen && !IsWindowVisible(lockScreen))
        lockScreen = nullptr;
    EnumDisplayMonitors(nullptr, nullptr, [](HMONITOR monitor, HDC, LPRECT area, LPARAM data) noexcept -> BOOL {
        MONITORINFO info{sizeof info, {}, {}, 0};
        GetMonitorInfoW(monitor, &info);
        const RECT& r = *area;
        const POINT points[] = {{r.left, r.top}, {r.right - 1, r.top}, {r.left, r.bottom - 1},
                                {r.right - 1, r.bottom - 1}, {(r.left + r.right) / 2, (r.top + r.bottom) / 2}};
        const auto covered = std::count_if(std::begin(points), std::end(points), [data](POINT point) {
            return LockScreenAt(reinterpret_cast<HWND>(data), point);
        });
        std::printf("monitor %ld %ld %ld %ld %d %d\n", r.left, r.top, r.right, r.bottom,
                    (info.dwFlags & MONITORINFOF_PRIMARY) ? 1 : 0, static_cast<int>(covered));
        return TRUE;
    }, reinterpret_cast<LPARAM>(lockScreen));
    RECT rect;
    if (lockScreen && GetWindowRect(lockScreen, &rect))
        std::printf("lock %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    return 0;
}

int PrintEmptyStart()
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const double started = Milliseconds();
    const std::optional<PROCESS_INFORMATION> process = Start(L"\"" + std::wstring(self) + L"\"");
    if (!process)
        return 2;
    WaitForSingleObject(process->hProcess, 60000);
    CloseHandle(process->hProcess);
    std::printf("%.1f\n", Milliseconds() - started);
    return 0;
}

// The configuration window's commands: what each needs (nothing, its argument, or the control
// its argument names) and what it does. argv[3] is an optional second argument.
struct ConfigCommandRow {
    const char* name;
    enum class Needs { Nothing, Argument, Control } needs;
    int (*run)(const char* argument, HWND control, int argc, char** argv);
};

int PrintText(HWND control)
{
    if (!control)
        return 2;
    std::printf("%s\n", ControlText(control).c_str());
    return 0;
}

// Runs work and prints how long it took.
template <typename Work>
int PrintDuration(Work work)
{
    const double started = Milliseconds();
    if (!work())
        return 1;
    std::printf("%.1f\n", Milliseconds() - started);
    return 0;
}

using Needs = ConfigCommandRow::Needs;
const ConfigCommandRow kConfigCommands[] = {
    {"cfg-status", Needs::Nothing, [](const char*, HWND, int, char**) { return PrintText(GetDlgItem(ConfigWindow(), IDC_STATUSBAR)); }},
    {"cfg-ping", Needs::Nothing,
     [](const char*, HWND, int, char**) {
         return PrintDuration([] {
             return SendMessageTimeoutW(ConfigWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 30000, nullptr) != 0;
         });
     }},
    {"cfg-tree", Needs::Argument, [](const char* path, HWND, int, char**) { return SelectTreeNode(path); }},
    {"cfg-enabled", Needs::Argument,
     [](const char* id, HWND, int, char**) {
         HWND bar = GetDlgItem(ConfigWindow(), IDC_TOOLBAR);
         return bar && SendMessageW(bar, TB_ISBUTTONENABLED, std::strtoul(id, nullptr, 0), 0) ? 0 : 1;
     }},
    {"cfg-command", Needs::Argument,
     [](const char* id, HWND, int, char**) {
         HWND window = ConfigWindow();
         return window && PostMessageW(window, WM_COMMAND, std::strtoul(id, nullptr, 0), 0) ? 0 : 2;
     }},
    {"cfg-get", Needs::Control, [](const char*, HWND control, int, char**) { return PrintText(control); }},
    {"cfg-click", Needs::Control,
     [](const char*, HWND control, int, char**) {
         SendMessageW(control, BM_CLICK, 0, 0);
         return 0;
     }},
    {"cfg-checked", Needs::Control,
     [](const char*, HWND control, int, char**) { return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 0 : 1; }},
    {"cfg-rect", Needs::Control,
     [](const char*, HWND control, int, char**) {
         RECT r;
         GetWindowRect(control, &r);
         std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
         return 0;
     }},
    {"cfg-items", Needs::Control, [](const char*, HWND control, int, char**) { return PrintItems(control); }},
    {"cfg-redraw", Needs::Control,
     [](const char*, HWND control, int, char**) {
         const double started = Milliseconds();
         RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
         std::printf("%.1f\n", Milliseconds() - started);
         return 0;
     }},
    {"cfg-pick", Needs::Control,
     [](const char*, HWND tree, int argc, char** argv) {
         auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
         for (int row = argc > 3 ? std::atoi(argv[3]) : 0; item && row > 0; --row)
             item = reinterpret_cast<HTREEITEM>(
                 SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)));
         return SelectTimed(tree, item);
     }},
    {"cfg-edit", Needs::Control,
     [](const char*, HWND control, int, char**) {
         std::printf("%ld %ld\n", static_cast<long>(SendMessageW(control, EM_GETLIMITTEXT, 0, 0)),
                     static_cast<long>(SendMessageW(control, EM_GETPASSWORDCHAR, 0, 0)));
         return 0;
     }},
    {"cfg-scroll", Needs::Control,
     [](const char*, HWND control, int argc, char** argv) {
         const bool top = argc > 3 && std::string(argv[3]) == "top";
         return PrintDuration([&] {
             SendMessageW(control, WM_VSCROLL, top ? SB_TOP : SB_BOTTOM, 0);
             return true;
         });
     }},
    {"cfg-set", Needs::Control,
     [](const char*, HWND control, int argc, char** argv) {
         if (argc != 4)
             return 2;
         const std::wstring text = Widen(argv[3]);
         // The window may answer with a message box: it need not be waited for.
         SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 3000,
                             nullptr);
         return 0;
     }},
};

int ConfigCommand(const std::string& command, int argc, char** argv)
{
    for (const ConfigCommandRow& row : kConfigCommands) {
        if (command != row.name)
            continue;
        if (row.needs == Needs::Nothing)
            return row.run(nullptr, nullptr, argc, argv);
        if (argc < 3)
            return 2;
        HWND control = row.needs == Needs::Control ? ConfigControl(argv[2]) : nullptr;
        if (row.needs == Needs::Control && !control)
            return 2;
        return row.run(argv[2], control, argc, argv);
    }
    return 2;
}

// The size a static control's text takes as the control draws it.
SIZE DrawnSize(HWND control, const std::string& text)
{
    const HDC dc = GetDC(control);
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    const std::wstring wide = Widen(text);
    RECT needed{};
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &needed, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return {needed.right, needed.bottom};
}

// Whether the label of a prompt built with these options holds every one of its texts, and each
// indicator its own, measured as the static control draws them, all inside the dialog.
bool PromptLabelFits(const PromptDialog::Options& options)
{
    const PromptDialog dialog(options);
    RECT client{};
    GetClientRect(dialog.Handle(), &client);
    bool fits = true;
    int shown = 0;
    for (HWND control = FindWindowExW(dialog.Handle(), nullptr, L"Static", nullptr); control;
         control = FindWindowExW(dialog.Handle(), control, L"Static", nullptr)) {
        if (!(GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE))
            continue;
        std::vector<std::string> texts{Narrow(WindowText(control))};
        if (shown++ == 0) {
            texts = options.otherPrompts;  // the label: every text it may show
            texts.push_back(options.prompt);
        }
        LONG width = 0, height = 0;
        for (const std::string& text : texts) {
            const SIZE needed = DrawnSize(control, text);
            width = std::max(width, needed.cx);
            height = std::max(height, needed.cy);
        }
        RECT area{};
        GetWindowRect(control, &area);
        MapWindowPoints(nullptr, dialog.Handle(), reinterpret_cast<POINT*>(&area), 2);
        const LONG areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
        std::printf("%s %ldx%ld needs %ldx%ld\n", texts.back().c_str(), areaWidth, areaHeight, width, height);
        fits = fits && areaWidth >= width && areaHeight >= height && area.left >= 0 && area.right <= client.right &&
               area.bottom <= client.bottom;
    }
    // The label, the Caps Lock warning and the layout.
    return fits && shown == 3;
}

int PromptFit()
{
    PromptDialog::Options unlock;
    unlock.prompt = UnlockPromptLabel(0);
    unlock.otherPrompts = EveryUnlockPromptLabel();
    unlock.buttons = PromptButtons::OkCancelOff;
    PromptDialog::Options input;
    input.prompt = "Enter password:";
    // With Caps Lock on for this thread, so that the warning shows.
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CAPITAL] |= 1;
    SetKeyboardState(keys);
    const bool fits = PromptLabelFits(unlock);
    return fits && PromptLabelFits(input) ? 0 : 1;
}

// On whichever desktop the prompt shows.
// The unlock prompt's button whose text starts with TEXT (the command line carries no "…"), on
// whichever desktop: whether it is enabled, and, when press, its command posted to the prompt as
// a click gives it.
int PromptButton(const std::wstring& text, bool press)
{
    int result = 2;
    test::LookOnEveryDesktop([&](const std::wstring&) {
        HWND prompt = FindWindowW(L"TPwdForm", nullptr);
        HWND button = nullptr;
        for (HWND child = prompt ? FindWindowExW(prompt, nullptr, L"Button", nullptr) : nullptr; child && !button;
             child = FindWindowExW(prompt, child, L"Button", nullptr)) {
            wchar_t caption[64] = L"";
            GetWindowTextW(child, caption, 64);
            if (std::wstring_view(caption).starts_with(text))
                button = child;
        }
        if (button)
            result = IsWindowEnabled(button) ? 0 : 1;
        if (button && press)
            PostMessageW(prompt, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
        return button != nullptr;
    });
    return result;
}

// The texts of the notification balloons shown (by whichever process shows them): each balloon is
// a tooltip of its own, whose text lives in that process, so it is read there.
int PrintBalloons()
{
    int found = 0;
    EnumWindows([](HWND window, LPARAM data) noexcept -> BOOL {
        wchar_t className[64];
        if (!IsWindowVisible(window) || !GetClassNameW(window, className, 64) ||
            lstrcmpiW(className, TOOLTIPS_CLASSW) != 0 || !(GetWindowLongW(window, GWL_STYLE) & TTS_BALLOON))
            return TRUE;
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        const UniqueKernelHandle owner(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process));
        if (!owner)
            return TRUE;
        constexpr SIZE_T kTextChars = 1024;
        struct Remote {
            TTTOOLINFOW tool;
            wchar_t text[kTextChars];
        };
        auto* remote = static_cast<Remote*>(VirtualAllocEx(owner.Get(), nullptr, sizeof(Remote), MEM_COMMIT, PAGE_READWRITE));
        if (!remote)
            return TRUE;
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        WriteProcessMemory(owner.Get(), &remote->tool, &tool, sizeof(tool), nullptr);
        if (SendMessageW(window, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&remote->tool))) {
            ReadProcessMemory(owner.Get(), &remote->tool, &tool, sizeof(tool), nullptr);
            tool.lpszText = remote->text;
            const wchar_t none = 0;
            WriteProcessMemory(owner.Get(), &remote->tool, &tool, sizeof(tool), nullptr);
            WriteProcessMemory(owner.Get(), remote->text, &none, sizeof(none), nullptr);
            SendMessageW(window, TTM_GETTEXTW, kTextChars, reinterpret_cast<LPARAM>(&remote->tool));
            wchar_t text[kTextChars] = {};
            ReadProcessMemory(owner.Get(), remote->text, text, sizeof(text) - sizeof(wchar_t), nullptr);
            std::printf("%s\n", Narrow(text).c_str());
            ++*reinterpret_cast<int*>(data);
        }
        VirtualFreeEx(owner.Get(), remote, 0, MEM_RELEASE);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    return found ? 0 : 1;
}

// The texts of a window's children of a class, in their order: what a screen reader names them by.
int PrintChildTexts(HWND parent, const wchar_t* className)
{
    if (!parent)
        return 1;
    for (HWND child = FindWindowExW(parent, nullptr, className, nullptr); child;
         child = FindWindowExW(parent, child, className, nullptr)) {
        wchar_t text[1024] = {};
        GetWindowTextW(child, text, 1024);
        RECT area;
        GetWindowRect(child, &area);
        std::string line = Narrow(text);
        std::replace(line.begin(), line.end(), '\n', '|');  // one line a child
        std::printf("%ld %ld %ld %ld %s\n", area.left, area.top, area.right, area.bottom, line.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string command = argv[1];
    if (command == "windows") {
        PrintEveryDesktopsWindows();
        return 0;
    }
    if (command == "desktops") {
        EnumDesktopsW(GetProcessWindowStation(), [](LPWSTR name, LPARAM) noexcept -> BOOL {
            std::printf("%s\n", Narrow(name).c_str());
            return TRUE;
        }, 0);
        return 0;
    }
    if (command == "prompt-fit")
        return PromptFit();
    if (command == "balloons")
        return PrintBalloons();
    if (command == "status-blocks")
        return PrintChildTexts(FindWindowW(L"TMainForm", nullptr), L"TStatusBlock");
    if (command == "user") {
        wchar_t name[257];
        DWORD size = 257;
        if (!GetUserNameW(name, &size))
            return 1;
        std::printf("%s\n", Narrow(name).c_str());
        return 0;
    }
    if (command == "first-weekday") {
        std::printf("%d\n", Win32SystemFacts().SystemRegional().firstWeekday);
        return 0;
    }
    if (command == "start-empty")
        return PrintEmptyStart();
    if (command == "monitors")
        return PrintMonitors();
    if (command == "startup" && argc == 3)
        return PrintStartup(Widen(argv[2]));
    if (command == "template-fit" && argc == 4) {
        const auto language = ParseLanguageSetting(argv[3]);
        return language && *language ? test::TemplateFit(Widen(argv[2]), **language) : 2;
    }
    if (command == "usage" && argc == 3)
        return PrintUsage(Widen(argv[2]));
    if (command.starts_with("cfg-"))
        return ConfigCommand(command, argc, argv);
    if (argc < 3)
        return 2;
    if (command == "dialog-press" && argc == 4)
        return PressDialogButton(Widen(argv[2]), std::atoi(argv[3]));
    if (command == "dialog-get" && argc == 4) {
        HWND dialog = FindWindowW(L"#32770", Widen(argv[2]).c_str());
        return PrintText(dialog ? GetDlgItem(dialog, std::atoi(argv[3])) : nullptr);
    }
    if (command == "dialog-keys" && argc == 6)
        return PressKeys(Widen(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    if (command == "mutex")
        return Mutex(Widen(argv[2]));
    if (command == "hotkey-free")
        return HotKeyFree(argv[2]);
    if (command == "dialog")
        return PrintDialog(Widen(argv[2]));
    if (command == "dialog-ok")
        return PressDialogOk(Widen(argv[2]));
    if (command == "set-desktop" && argc == 4) {
        const std::wstring text = Widen(argv[3]);
        return SetValue(Widen(argv[2]), REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)),
                        HKEY_CURRENT_USER, L"Control Panel\\Desktop");
    }
    if (command == "button-enabled" || command == "button-press")
        return PromptButton(Widen(argv[2]), command == "button-press");
    if (command == "signal") {
        const UINT message = RegisterWindowMessageW(L"Zeps01");
        return SendNotifyMessageW(HWND_BROADCAST, message, std::strtoul(argv[2], nullptr, 10), 0) ? 0 : 1;
    }
    if (command == "set-dword" && argc == 4) {
        const DWORD number = static_cast<DWORD>(std::strtoll(argv[3], nullptr, 0));
        return SetValue(Widen(argv[2]), REG_DWORD, &number, sizeof number);
    }
    if (command == "set-sz" && argc == 4) {
        const std::wstring text = Widen(argv[3]);
        return SetValue(Widen(argv[2]), REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    return 2;
}
