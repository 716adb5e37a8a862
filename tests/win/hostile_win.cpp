// vardexhostile: plays another program of the restricted user in the end-to-end tests. It does
// to the lock service what such a program can do, and prints what it found.
//   vardexhostile post MSG [W [L]]    posts MSG to the service's main window
//   vardexhostile send MSG [W [L]]    sends MSG to the service's main window (5 s at most)
//   vardexhostile hide-shrink         hides the lock screen, shrinks it to 8 x 8, minimises it and
//                                     takes its topmost place away
//   vardexhostile hold NAME           creates the mutex NAME and keeps it until killed
//   vardexhostile lock-file PATH      opens the file sharing nothing and keeps it until killed
//   vardexhostile topmost             opens a topmost window that never activates, and keeps it
//   vardexhostile foreground SECONDS  takes the foreground again and again
//   vardexhostile raise-once MS       opens a topmost window, takes the foreground and the top once,
//                                     then for MS ms counts the looks at which it still has the
//                                     foreground and is on top
//   vardexhostile texts CLASS         prints class, enabled (0 or 1) and text of each control of the
//                                     top-level window of class CLASS, on whichever desktop
//   vardexhostile set-text CLASS CHILD TEXT  sets TEXT as the text of each child of class CHILD of
//                                    the top-level window of class CLASS (what a reader reads)
//   vardexhostile edit-text CLASS     asks the edit of the top-level window of class CLASS for its
//                                     text as a screen reader would (length, text, a line), then
//                                     takes its mask off and asks again; prints what it got
//   vardexhostile top-at X Y          prints class and title of the top-level window at X, Y
//   vardexhostile process             prints the DACL of the service's process and whether it
//                                     may be ended
//   vardexhostile sticky              prints the flags of the Sticky, Filter and Toggle Keys
//   vardexhostile zorder              prints the visible top-level windows from the top down
//   vardexhostile guard TEXT          sends TEXT to the guardian's pipe and prints its answer;
//                                     exit 0 accepted, 1 refused or cut off, 3 no guardian
//   vardexhostile guard-admin LOGIN MS MESSAGE...
//                                     sends the login message, then each message MS ms apart with
//                                     TICKET replaced by the ticket the login gave; prints answers
//   vardexhostile guard-bytes N       sends N bytes to the guardian's pipe
//   vardexhostile guard-flood N       sends N requests one after another, good and bad mixed (a
//                                     ping, a "who", a wrong password, garbage, a cut request);
//                                     prints the requests answered and failed, and the seconds
//   vardexhostile guard-silent MS     connects to the guardian's pipe and says nothing for MS ms
//   vardexhostile guard-deaf MS       sends a request and neither reads the answer nor closes for
//                                     MS ms
//   vardexhostile guard-squat         takes the guardian's pipe name first, reads every request and
//                                     never answers
//   vardexhostile restrict-key        lets only administrators and the system write the settings
//   vardexhostile read-secret         reads the one-time codes' secret from its registry key; prints
//                                     "read", "denied" or "absent" (exit 0, 1, 2)
//   vardexhostile restricted PROGRAM [ARGS]  starts PROGRAM as a standard user would (the token's
//                                     Administrators group for denying only) and prints its pid
//   vardexhostile restricted-run PROGRAM [ARGS]  the same, waits for its end and exits with its code
//   vardexhostile quit                posts WM_QUIT to the lock screen and to every thread of the
//                                     service
//   vardexhostile threads             tries every thread of the service for terminate, suspend and
//                                     set-context, prints "granted N denied M", and does what it
//                                     was granted: ends, suspends or stalls the thread
//   vardexhostile userdata-close      clears the lock screen's user data, then posts and sends
//                                     WM_CLOSE to it
//   vardexhostile reparent            puts the lock screen into a hidden window of its own, gives
//                                     it an owner, a child's style, a layered transparent style,
//                                     and disables it; then keeps the hidden window
//   vardexhostile flood SECONDS       four threads send the reload signal without pause while a
//                                     topmost window of its own tries to stay above the lock;
//                                     prints "above the lock at N of M looks"
//   vardexhostile guard-hog N SECONDS keeps N connections to the guardian's pipe open, opening
//                                     again each one that is cut off, for SECONDS
//   vardexhostile hold-hotkey CODE    registers the hot key of the 16-bit shortcut code and keeps it
//                                     until killed
//   vardexhostile stand-in            holds Zepa01 and a TMainForm window that answers the reload
//                                     signal as the service does, until killed
//   vardexhostile key-hook            installs a low-level keyboard hook and prints "key VK" for
//                                     each key pressed that it sees, until killed
#include "EveryDesktop_win.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

HWND ServiceWindow()
{
    return FindWindowW(L"TMainForm", nullptr);
}

UINT Number(const char* text)
{
    return static_cast<UINT>(std::strtoul(text, nullptr, 0));
}

int Message(bool send, int argc, char** argv)
{
    HWND window = ServiceWindow();
    if (!window || argc < 3)
        return 2;
    const UINT message = Number(argv[2]);
    const WPARAM w = argc > 3 ? Number(argv[3]) : 0;
    const LPARAM l = argc > 4 ? static_cast<LPARAM>(std::strtoll(argv[4], nullptr, 0)) : 0;
    if (!send)
        return PostMessageW(window, message, w, l) ? 0 : 1;
    DWORD_PTR result = 0;
    const bool answered = SendMessageTimeoutW(window, message, w, l, SMTO_ABORTIFHUNG, 5000, &result) != 0;
    std::printf("%s %lld\n", answered ? "answer" : "no answer", static_cast<long long>(result));
    return 0;
}

DWORD ServiceProcess()
{
    DWORD id = 0;
    GetWindowThreadProcessId(ServiceWindow(), &id);
    return id;
}

std::vector<DWORD> ThreadsOf(DWORD process)
{
    std::vector<DWORD> threads;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return threads;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == process)
            threads.push_back(entry.th32ThreadID);
    CloseHandle(snapshot);
    return threads;
}

int Quit()
{
    HWND window = ServiceWindow();
    if (!window)
        return 2;
    PostMessageW(window, WM_QUIT, 0, 0);
    for (const DWORD thread : ThreadsOf(ServiceProcess()))
        PostThreadMessageW(thread, WM_QUIT, 0, 0);
    return 0;
}

int Threads()
{
    const DWORD process = ServiceProcess();
    if (!process)
        return 2;
    int granted = 0, denied = 0;
    for (const DWORD id : ThreadsOf(process)) {
        for (const DWORD right : {DWORD{THREAD_SET_CONTEXT}, DWORD{THREAD_SUSPEND_RESUME}, DWORD{THREAD_TERMINATE}}) {
            const HANDLE thread = OpenThread(right, FALSE, id);
            if (!thread) {
                ++denied;
                continue;
            }
            ++granted;
            if (right == THREAD_TERMINATE)
                TerminateThread(thread, 0);
            else if (right == THREAD_SUSPEND_RESUME)
                SuspendThread(thread);
            CloseHandle(thread);
        }
    }
    std::printf("granted %d denied %d\n", granted, denied);
    return 0;
}

int UserDataClose()
{
    HWND window = ServiceWindow();
    if (!window)
        return 2;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
    return 0;
}

int HideAndShrink()
{
    HWND window = ServiceWindow();
    if (!window)
        return 2;
    ShowWindow(window, SW_HIDE);
    SetWindowPos(window, nullptr, 10, 10, 8, 8, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window, SW_MINIMIZE);
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return 0;
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow(const wchar_t* title, DWORD exStyle, int x, int y, int width, int height)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VardexHostile";
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassW(&windowClass);
    return CreateWindowExW(exStyle, L"VardexHostile", title, WS_POPUP | WS_BORDER, x, y, width, height, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

void Pump(DWORD milliseconds)
{
    const DWORD end = GetTickCount() + milliseconds;
    MSG msg;
    while (static_cast<int>(end - GetTickCount()) > 0) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Says the attack is in place, then keeps its windows answering until the test kills it.
[[noreturn]] void ReportAndKeep(const char* word)
{
    std::printf("%s\n", word);
    std::fflush(stdout);
    for (;;)
        Pump(1000);
}

int Reparent()
{
    HWND lock = ServiceWindow();
    if (!lock)
        return 2;
    HWND hidden = MakeWindow(L"hostile hidden parent", 0, 0, 0, 10, 10);
    SetParent(lock, hidden);
    SetWindowLongPtrW(lock, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(hidden));
    SetWindowLongPtrW(lock, GWL_STYLE, GetWindowLongPtrW(lock, GWL_STYLE) | WS_CHILD | WS_CAPTION);
    SetWindowLongPtrW(lock, GWL_EXSTYLE, GetWindowLongPtrW(lock, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_TRANSPARENT);
    SetLayeredWindowAttributes(lock, 0, 0, LWA_ALPHA);
    EnableWindow(lock, FALSE);
    ReportAndKeep("ready");
}

// The window at the middle of ours is ours: we are above the lock screen there.
bool Above(HWND own)
{
    RECT area;
    GetWindowRect(own, &area);
    const POINT middle{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    return GetAncestor(WindowFromPoint(middle), GA_ROOT) == own;
}

int Flood(int seconds)
{
    const UINT signal = RegisterWindowMessageW(L"Zeps01");
    HWND lock = ServiceWindow();
    if (!lock)
        return 2;
    std::atomic<bool> stop = false;
    std::vector<std::thread> senders;
    for (int i = 0; i < 4; ++i)
        senders.emplace_back([&stop, lock, signal] {
            while (!stop) {
                DWORD_PTR ignored = 0;
                SendMessageTimeoutW(lock, signal, 0, 0, SMTO_NORMAL, 1000, &ignored);
            }
        });
    HWND own = MakeWindow(L"hostile flood", WS_EX_TOPMOST | WS_EX_TOOLWINDOW, 300, 300, 400, 300);
    ShowWindow(own, SW_SHOW);
    int above = 0, looks = 0;
    for (int i = 0; i < seconds * 10; ++i) {
        SetWindowPos(own, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        Pump(100);
        ++looks;
        above += Above(own) ? 1 : 0;
    }
    stop = true;
    for (std::thread& sender : senders)
        sender.join();
    std::printf("above the lock at %d of %d looks\n", above, looks);
    return 0;
}

LRESULT CALLBACK StandInProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    static const UINT signal = RegisterWindowMessageW(L"Zeps01");
    if (message == signal)
        return 0x5A657073;  // what the service answers to the reload signal
    return DefWindowProcW(window, message, wParam, lParam);
}

int HoldHotKey(unsigned code)
{
    const UINT modifiers = ((code & 0x2000) ? MOD_SHIFT : 0) | ((code & 0x4000) ? MOD_CONTROL : 0) |
                           ((code & 0x8000) ? MOD_ALT : 0);
    HWND window = MakeWindow(L"hostile hot key", WS_EX_TOOLWINDOW, 0, 0, 1, 1);
    if (!RegisterHotKey(window, 1, modifiers, code & 0x1FFF))
        return 1;
    ReportAndKeep("holding");
}

int StandIn()
{
    if (!CreateMutexW(nullptr, TRUE, L"Zepa01"))
        return 1;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = StandInProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TMainForm";
    RegisterClassW(&windowClass);
    if (!CreateWindowExW(WS_EX_TOOLWINDOW, L"TMainForm", L"PC Vardex", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr))
        return 1;
    ReportAndKeep("standing in");
}

LRESULT CALLBACK PrintKey(int code, WPARAM message, LPARAM data) noexcept
{
    if (code == HC_ACTION && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)) {
        std::printf("key %lu\n", reinterpret_cast<const KBDLLHOOKSTRUCT*>(data)->vkCode);
        std::fflush(stdout);
    }
    return CallNextHookEx(nullptr, code, message, data);
}

// What a key logger of the user does: it sees every key typed on its desktop, whichever program
// takes it.
int KeyHook()
{
    if (!SetWindowsHookExW(WH_KEYBOARD_LL, PrintKey, GetModuleHandleW(nullptr), 0))
        return 1;
    ReportAndKeep("hooked");
}

int Topmost()
{
    HWND window = MakeWindow(L"hostile topmost", WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, 100, 100, 500, 300);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    ReportAndKeep("ready");
}

int Foreground(int seconds)
{
    HWND window = MakeWindow(L"hostile foreground", 0, 700, 100, 300, 200);
    ShowWindow(window, SW_SHOW);
    int taken = 0;
    for (int i = 0; i < seconds * 20; ++i) {
        SetForegroundWindow(window);
        SetActiveWindow(window);
        if (GetForegroundWindow() == window)
            ++taken;
        Pump(50);
    }
    std::printf("held the foreground at %d of %d looks\n", taken, seconds * 20);
    return 0;
}

int RaiseOnce(int milliseconds)
{
    HWND window = MakeWindow(L"hostile raised", WS_EX_TOPMOST, 700, 100, 300, 200);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    const POINT centre{850, 200};
    int looks = 0, foreground = 0, onTop = 0;
    for (int waited = 0; waited < milliseconds; waited += 20) {
        Pump(20);
        ++looks;
        foreground += GetForegroundWindow() == window ? 1 : 0;
        onTop += GetAncestor(WindowFromPoint(centre), GA_ROOT) == window ? 1 : 0;
    }
    std::printf("foreground %d on top %d of %d looks\n", foreground, onTop, looks);
    return 0;
}

// In UTF-8, whatever the code page: the texts may be of any language.
std::string Utf8(const wchar_t* text)
{
    char bytes[1024] = "";
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
    return bytes;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) noexcept
{
    wchar_t className[64] = L"", text[256] = L"";
    GetClassNameW(control, className, 64);
    GetWindowTextW(control, text, 256);
    std::printf("%s\t%d\t%s\n", Utf8(className).c_str(), IsWindowEnabled(control) ? 1 : 0, Utf8(text).c_str());
    return TRUE;
}

// Under Wine also on a desktop of the service's own, which Wine lets a program of the same user
// open (Windows would refuse it: the desktop's label is above the user's programs).
int Texts(const char* className)
{
    const bool found = vardex::test::LookOnEveryDesktop([className](const std::wstring&) {
        HWND window = FindWindowA(className, nullptr);
        if (window)
            EnumChildWindows(window, PrintControl, 0);
        return window != nullptr;
    });
    return found ? 0 : 1;
}

int EditText(const char* className)
{
    HWND edit = nullptr;
    vardex::test::LookOnEveryDesktop([&](const std::wstring&) {
        HWND window = FindWindowA(className, nullptr);
        edit = window ? FindWindowExW(window, nullptr, L"Edit", nullptr) : nullptr;
        return edit != nullptr;
    });
    if (!edit)
        return 1;
    const auto text = [edit] {
        wchar_t buffer[256] = L"";
        SendMessageW(edit, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer));
        return std::wstring(buffer);
    };
    const LRESULT length = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
    const std::wstring asked = text();
    wchar_t line[256] = L"";
    line[0] = 255;  // EM_GETLINE's buffer starts with its size
    const LRESULT copied = SendMessageW(edit, EM_GETLINE, 0, reinterpret_cast<LPARAM>(line));
    line[copied > 0 && copied < 256 ? copied : 0] = L'\0';
    SendMessageW(edit, EM_SETPASSWORDCHAR, 0, 0);
    std::printf("length %d text '%ls' line '%ls' unmasked '%ls'\n", static_cast<int>(length), asked.c_str(), line,
                text().c_str());
    return 0;
}

int SetChildTexts(const char* className, const char* childClass, const char* text)
{
    HWND window = FindWindowA(className, nullptr);
    if (!window)
        return 1;
    for (HWND child = FindWindowExA(window, nullptr, childClass, nullptr); child;
         child = FindWindowExA(window, child, childClass, nullptr))
        SendMessageA(child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    return 0;
}

int TopAt(int x, int y)
{
    HWND window = GetAncestor(WindowFromPoint({x, y}), GA_ROOT);
    wchar_t className[256] = L"", title[256] = L"";
    GetClassNameW(window, className, 256);
    GetWindowTextW(window, title, 256);
    std::printf("%ls\t%ls\n", className, title);
    return 0;
}

int Process()
{
    DWORD id = 0;
    if (!GetWindowThreadProcessId(ServiceWindow(), &id))
        return 2;
    HANDLE process = OpenProcess(READ_CONTROL, FALSE, id);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL dacl = nullptr;
    if (!process || GetSecurityInfo(process, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                    nullptr, &descriptor) != ERROR_SUCCESS) {
        std::printf("dacl unreadable %lu\n", GetLastError());
    } else {
        wchar_t* text = nullptr;
        ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                             &text, nullptr);
        std::printf("dacl %ls\n", text ? text : L"?");
        LocalFree(text);
        LocalFree(descriptor);
    }
    if (process)
        CloseHandle(process);
    HANDLE terminate = OpenProcess(PROCESS_TERMINATE, FALSE, id);
    std::printf("terminate %s\n", terminate ? "allowed" : "denied");
    if (terminate)
        CloseHandle(terminate);
    return 0;
}

int ZOrder()
{
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
        if (!IsWindowVisible(window))
            continue;
        wchar_t className[256] = L"", title[256] = L"";
        GetClassNameW(window, className, 256);
        GetWindowTextW(window, title, 256);
        const bool topmost = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        std::printf("%ls\t%ls\t%s\n", className, title, topmost ? "topmost" : "");
    }
    return 0;
}

int Sticky()
{
    STICKYKEYS sticky{sizeof sticky, 0};
    FILTERKEYS filter{sizeof filter, 0, 0, 0, 0, 0};
    TOGGLEKEYS toggle{sizeof toggle, 0};
    SystemParametersInfoW(SPI_GETSTICKYKEYS, sizeof sticky, &sticky, 0);
    SystemParametersInfoW(SPI_GETFILTERKEYS, sizeof filter, &filter, 0);
    SystemParametersInfoW(SPI_GETTOGGLEKEYS, sizeof toggle, &toggle, 0);
    std::printf("%lu %lu %lu\n", sticky.dwFlags, filter.dwFlags, toggle.dwFlags);
    return 0;
}

constexpr const wchar_t* kGuardPipe = L"\\\\.\\pipe\\vardexguard";

int AskGuard(const std::string& message)
{
    char answer[64] = {};
    DWORD size = 0;
    // Every instance may be busy for a moment (hogs are being cut off): tried again for a while,
    // as the lock service's own client does; Wine's CallNamedPipe does not wait for one.
    const ULONGLONG end = GetTickCount64() + 5000;
    BOOL answered = FALSE;
    while (!(answered = CallNamedPipeW(kGuardPipe, const_cast<char*>(message.data()), static_cast<DWORD>(message.size()),
                                       answer, sizeof answer - 1, &size, 5000)) &&
           GetLastError() == ERROR_PIPE_BUSY && GetTickCount64() < end)
        Sleep(20);
    if (!answered) {
        const DWORD error = GetLastError();
        std::printf("error %lu\n", error);
        return error == ERROR_FILE_NOT_FOUND ? 3 : 1;
    }
    std::printf("%.*s\n", static_cast<int>(size), answer);
    return std::string(answer, size) == "ok" ? 0 : 1;
}

// Every instance may be busy for a moment (other clients are being cut off): wait like any client.
HANDLE ConnectToGuard()
{
    const ULONGLONG end = GetTickCount64() + 10000;
    for (;;) {
        const HANDLE pipe = CreateFileW(kGuardPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE || GetLastError() != ERROR_PIPE_BUSY || GetTickCount64() >= end)
            return pipe;
        WaitNamedPipeW(kGuardPipe, 1000);
    }
}

// The guardian's answer to one message, or "error N".
std::string GuardAnswer(const std::string& message)
{
    char answer[256] = {};
    DWORD size = 0;
    if (!CallNamedPipeW(kGuardPipe, const_cast<char*>(message.data()), static_cast<DWORD>(message.size()), answer,
                        sizeof answer - 1, &size, 5000))
        return "error " + std::to_string(GetLastError());
    return std::string(answer, size);
}

// Logs in with the login message, then sends each message with TICKET replaced by the ticket it
// was given (or the word "none"), waiting ms before each; prints every answer.
int GuardAdmin(const std::string& login, int ms, int count, char** messages)
{
    const std::string answer = GuardAnswer(login);
    std::printf("%s\n", answer.c_str());
    std::fflush(stdout);
    const std::string ticket = answer.rfind("ticket ", 0) == 0 ? answer.substr(7) : "none";
    for (int i = 0; i < count; ++i) {
        Sleep(static_cast<DWORD>(ms));
        std::string message = messages[i];
        for (std::size_t at = message.find("TICKET"); at != std::string::npos; at = message.find("TICKET"))
            message.replace(at, 6, ticket);
        std::printf("%s\n", GuardAnswer(message).c_str());
        std::fflush(stdout);
    }
    return 0;
}

int GuardFlood(int count)
{
    const std::string requests[] = {"ping", "who", "admin d3Jvbmc", "\x01\x02 not a request", "put", "beat 1 2 3"};
    int answered = 0, failed = 0;
    const ULONGLONG started = GetTickCount64();
    for (int i = 0; i < count; ++i)
        (GuardAnswer(requests[static_cast<std::size_t>(i) % std::size(requests)]).rfind("error ", 0) == 0 ? failed
                                                                                                          : answered)++;
    std::printf("%d %d %.1f\n", answered, failed, static_cast<double>(GetTickCount64() - started) / 1000);
    return 0;
}

int GuardSilent(int ms, bool deaf)
{
    const HANDLE pipe = ConnectToGuard();
    if (pipe == INVALID_HANDLE_VALUE)
        return 3;
    DWORD sent = 0;
    if (deaf && !WriteFile(pipe, "ping", 4, &sent, nullptr))
        return 1;
    std::printf("connected\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(ms));
    // Cut off by now: writing fails.
    DWORD written = 0;
    const bool wrote = WriteFile(pipe, "ping", 4, &written, nullptr);
    std::printf(wrote ? "still connected\n" : "cut off\n");
    CloseHandle(pipe);
    return wrote ? 1 : 0;
}

int GuardSquat()
{
    std::printf("squatting\n");
    std::fflush(stdout);
    for (;;) {
        const HANDLE pipe = CreateNamedPipeW(kGuardPipe, PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE,
                                             PIPE_UNLIMITED_INSTANCES, 256, 1024, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE)
            return 1;
        if (ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED) {
            char request[1024];
            DWORD size = 0;
            ReadFile(pipe, request, sizeof request, &size, nullptr);
        }
        // Kept open and never answered.
    }
}

int GuardHog(int count, int seconds)
{
    std::vector<HANDLE> held(static_cast<std::size_t>(count), INVALID_HANDLE_VALUE);
    std::printf("hogging\n");
    std::fflush(stdout);
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
    while (GetTickCount64() < end) {
        for (HANDLE& pipe : held) {
            DWORD state = 0;
            if (pipe != INVALID_HANDLE_VALUE && GetNamedPipeHandleStateW(pipe, &state, nullptr, nullptr, nullptr, nullptr, 0))
                continue;  // still connected
            if (pipe != INVALID_HANDLE_VALUE)
                CloseHandle(pipe);
            pipe = CreateFileW(kGuardPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        }
        Sleep(20);
    }
    return 0;
}

int RestrictKey()
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)(A;OICI;KR;;;BU)",
                                                              SDDL_REVISION_1, &descriptor, nullptr))
        return 1;
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\QUORTEX", 0, nullptr, 0, WRITE_DAC, nullptr, &key,
                                  nullptr);
    if (result == ERROR_SUCCESS) {
        result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, descriptor);
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return result == ERROR_SUCCESS ? 0 : 1;
}

int Restricted(int argc, char** argv, bool wait)
{
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own))
        return 1;
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size);
    SID_AND_ATTRIBUTES denyOnly{administrators, 0};
    HANDLE token = nullptr;
    if (!CreateRestrictedToken(own, 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &token))
        return 1;
    std::string commandLine = "\"" + std::string(argv[2]) + "\"";
    for (int i = 3; i < argc; ++i)
        commandLine += std::string(" ") + argv[i];
    std::wstring wide(commandLine.begin(), commandLine.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessAsUserW(token, nullptr, wide.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                              &started))
        return 1;
    std::printf("%lu\n", started.dwProcessId);
    std::fflush(stdout);
    DWORD code = 0;
    if (wait) {
        WaitForSingleObject(started.hProcess, INFINITE);
        GetExitCodeProcess(started.hProcess, &code);
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return static_cast<int>(code);
}

int ReadSecret()
{
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\QUORTEX\\Guardian\\Codes", 0, KEY_QUERY_VALUE, &key);
    if (status == ERROR_SUCCESS) {
        wchar_t text[128];
        DWORD size = sizeof text;
        status = RegQueryValueExW(key, L"Secret", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
        RegCloseKey(key);
    }
    const int code = status == ERROR_SUCCESS ? 0 : status == ERROR_ACCESS_DENIED ? 1 : 2;
    std::printf("%s\n", code == 0 ? "read" : code == 1 ? "denied" : "absent");
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string command = argv[1];
    if (command == "post" || command == "send")
        return Message(command == "send", argc, argv);
    if (command == "hide-shrink")
        return HideAndShrink();
    if (command == "topmost")
        return Topmost();
    if (command == "sticky")
        return Sticky();
    if (command == "zorder")
        return ZOrder();
    if (command == "process")
        return Process();
    if (command == "restrict-key")
        return RestrictKey();
    if (command == "guard-squat")
        return GuardSquat();
    if (command == "quit")
        return Quit();
    if (command == "threads")
        return Threads();
    if (command == "userdata-close")
        return UserDataClose();
    if (command == "reparent")
        return Reparent();
    if (command == "stand-in")
        return StandIn();
    if (command == "key-hook")
        return KeyHook();
    if (argc < 3)
        return 2;
    if (command == "guard") {
        std::string message = argv[2];
        for (int i = 3; i < argc; ++i)
            message += std::string(" ") + argv[i];
        return AskGuard(message);
    }
    if (command == "guard-admin" && argc >= 4)
        return GuardAdmin(argv[2], std::atoi(argv[3]), argc - 4, argv + 4);
    if (command == "guard-flood")
        return GuardFlood(std::atoi(argv[2]));
    if (command == "guard-bytes")
        return AskGuard(std::string(static_cast<std::size_t>(std::atoi(argv[2])), 'x'));
    if (command == "guard-hog" && argc == 4)
        return GuardHog(std::atoi(argv[2]), std::atoi(argv[3]));
    if (command == "guard-silent" || command == "guard-deaf")
        return GuardSilent(std::atoi(argv[2]), command == "guard-deaf");
    if (command == "read-secret")
        return ReadSecret();
    if (command == "restricted" || command == "restricted-run")
        return Restricted(argc, argv, command == "restricted-run");
    if (command == "hold" || command == "lock-file") {
        const std::wstring name(argv[2], argv[2] + std::strlen(argv[2]));
        const HANDLE held = command == "hold" ? CreateMutexW(nullptr, TRUE, name.c_str())
                                              : CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                                            nullptr);
        if (!held || held == INVALID_HANDLE_VALUE)
            return 1;
        std::printf("holding\n");
        std::fflush(stdout);
        for (;;)
            Sleep(1000);
    }
    if (command == "foreground")
        return Foreground(std::atoi(argv[2]));
    if (command == "hold-hotkey")
        return HoldHotKey(Number(argv[2]));
    if (command == "flood")
        return Flood(std::atoi(argv[2]));
    if (command == "raise-once")
        return RaiseOnce(std::atoi(argv[2]));
    if (command == "texts")
        return Texts(argv[2]);
    if (command == "set-text" && argc == 5)
        return SetChildTexts(argv[2], argv[3], argv[4]);
    if (command == "edit-text")
        return EditText(argv[2]);
    if (command == "top-at" && argc == 4)
        return TopAt(std::atoi(argv[2]), std::atoi(argv[3]));
    return 2;
}
