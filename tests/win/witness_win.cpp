// vardexwitness: stands in for other programs in the end-to-end tests and writes down what it
// sees, one line at a time, to a file.
//   vardexwitness keys FILE          a low-level keyboard hook: "down VK" / "up VK" per key event
//   vardexwitness shell FILE         a taskbar ("Shell_TrayWnd"), a desktop ("Progman") and a
//                                    "Windows Task Manager" window; while FILE.reshow exists it
//                                    shows them again whenever they are hidden ("reshown"), and
//                                    writes "state <taskbar> <desktop> <taskmgr> <iconic>" lines
//   vardexwitness endsession FILE    a window that writes "query W L" / "end W L" for the
//                                    end-of-session messages it receives
//   vardexwitness signals FILE       a top-level window that writes "signal W L" for every
//                                    lock service signal message it receives
//   vardexwitness rehide N [KIND]    shows a "Shell_TrayWnd" window N times and prints the
//                                    milliseconds until something hid it again; KIND "popup" a
//                                    borderless one, "taskmgr" a borderless "Windows Task Manager"
//                                    window of a class of its own (both made again each time and
//                                    shown at random moments, not in step with any pass)
//   vardexwitness timelock N X Y     N times: presses Ctrl+` and measures the milliseconds until the
//                                    screen's pixel X,Y is no longer black (the lock screen is
//                                    painted), then unlocks with an empty entry
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <utility>
#include <string>
#include <vector>

namespace {

FILE* logFile = nullptr;

void Log(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vfprintf(logFile, format, arguments);
    va_end(arguments);
    fputc('\n', logFile);
    fflush(logFile);
}

LRESULT CALLBACK KeyHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        const bool down = wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN;
        Log("%s %lu", down ? "down" : "up", event->vkCode);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

UINT signalMessage = 0;

LRESULT CALLBACK WitnessProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == signalMessage && signalMessage != 0)
        Log("signal %llu %lld", static_cast<unsigned long long>(wParam), static_cast<long long>(lParam));
    else if (message == WM_QUERYENDSESSION)
        Log("query %llu %lld", static_cast<unsigned long long>(wParam), static_cast<long long>(lParam));
    else if (message == WM_ENDSESSION)
        Log("end %llu %lld shutting down %d", static_cast<unsigned long long>(wParam), static_cast<long long>(lParam),
            GetSystemMetrics(SM_SHUTTINGDOWN));
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterWitnessClass(const wchar_t* className)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WitnessProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassW(&windowClass);
}

HWND MakeWindow(const wchar_t* className, const wchar_t* title, int x, int y)
{
    RegisterWitnessClass(className);
    return CreateWindowExW(WS_EX_TOOLWINDOW, className, title, WS_POPUP | WS_BORDER, x, y, 120, 40, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

void PumpFor(DWORD milliseconds)
{
    const DWORD end = GetTickCount() + milliseconds;
    MSG msg;
    for (;;) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const DWORD now = GetTickCount();
        if (static_cast<int>(end - now) <= 0)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
    }
}

int Keys()
{
    if (!SetWindowsHookExW(WH_KEYBOARD_LL, KeyHook, GetModuleHandleW(nullptr), 0))
        return 2;
    Log("ready");
    for (;;)
        PumpFor(1000);
}

int Shell(const std::string& path)
{
    HWND windows[] = {MakeWindow(L"Shell_TrayWnd", L"", 0, 980), MakeWindow(L"Progman", L"Program Manager", 200, 980),
                      MakeWindow(L"VardexWitnessTaskManager", L"Windows Task Manager", 400, 980)};
    for (HWND window : windows)
        ShowWindow(window, SW_SHOWNOACTIVATE);
    const std::string reshow = path + ".reshow";
    std::string last;
    Log("ready");
    for (;;) {
        char state[64];
        std::snprintf(state, sizeof state, "state %d %d %d %d", IsWindowVisible(windows[0]) ? 1 : 0,
                      IsWindowVisible(windows[1]) ? 1 : 0, IsWindowVisible(windows[2]) ? 1 : 0,
                      IsIconic(windows[2]) ? 1 : 0);
        if (last != state)
            Log("%s", state);
        last = state;
        if (GetFileAttributesA(reshow.c_str()) != INVALID_FILE_ATTRIBUTES)
            for (HWND window : windows)
                if (!IsWindowVisible(window)) {
                    ShowWindow(window, SW_SHOWNOACTIVATE);
                    Log("reshown");
                }
        PumpFor(100);
    }
}

int EndSession()
{
    HWND window = MakeWindow(L"VardexWitnessEndSession", L"witness", 600, 980);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    Log("ready");
    for (;;)
        PumpFor(1000);
}

int Signals()
{
    signalMessage = RegisterWindowMessageW(L"Zeps01");
    MakeWindow(L"VardexWitnessSignals", L"signals", 800, 980);
    Log("ready");
    for (;;)
        PumpFor(1000);
}

double WaitHidden(HWND window)
{
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    double elapsed = 0;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        QueryPerformanceCounter(&now);
        elapsed = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    } while (IsWindowVisible(window) && elapsed < 2000);
    return elapsed;
}

int PrintTimes(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    std::printf("median %.2f ms, worst %.2f ms over %zu\n", times[times.size() / 2], times.back(), times.size());
    return 0;
}

int Rehide(int count)
{
    HWND window = MakeWindow(L"Shell_TrayWnd", L"", 0, 980);
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        PumpFor(100);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        times.push_back(WaitHidden(window));
        std::printf("%.2f\n", times.back());
    }
    return PrintTimes(times);
}

// A new borderless window each time, which Wine shows and hides without a window manager's wait;
// shown after a random pause, so that the times do not fall in step with the service's passes.
int RehidePopup(int count, bool taskManager)
{
    const wchar_t* className = taskManager ? L"VardexWitnessTaskManager" : L"Shell_TrayWnd";
    RegisterWitnessClass(className);
    std::srand(static_cast<unsigned>(GetTickCount()));
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        PumpFor(100 + static_cast<DWORD>(std::rand() % 50));
        HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, className, taskManager ? L"Windows Task Manager" : L"",
                                      WS_POPUP, 0, 980, 120, 40, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        times.push_back(WaitHidden(window));
        std::printf("%.2f\n", times.back());
        DestroyWindow(window);
    }
    return PrintTimes(times);
}

void PressKeys(std::initializer_list<std::pair<WORD, bool>> keys)
{
    std::vector<INPUT> inputs;
    for (const auto& [key, down] : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool SessionRuns()
{
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"Zepa02");
    if (mutex)
        CloseHandle(mutex);
    return mutex != nullptr;
}

template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeout)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeout)
            return false;
        PumpFor(5);
    }
    return true;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int TimeLock(int count, int x, int y)
{
    HDC screen = GetDC(nullptr);
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        if (!WaitUntil([&] { return !SessionRuns() && (GetPixel(screen, x, y) & 0xFFFFFF) == 0; }, 20000))
            return 3;
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        PressKeys({{VK_CONTROL, true}, {VK_OEM_3, true}, {VK_OEM_3, false}, {VK_CONTROL, false}});
        bool painted = false;
        do {
            painted = (GetPixel(screen, x, y) & 0xFFFFFF) != 0;
            QueryPerformanceCounter(&end);
        } while (!painted && Milliseconds(start, end) < 10000);
        times.push_back(Milliseconds(start, end));
        std::printf("%.1f\n", times.back());
        std::fflush(stdout);
        // Unlock: a key opens the prompt, Enter confirms the empty entry (no password is set).
        if (!WaitUntil(SessionRuns, 5000))
            return 4;
        PressKeys({{VK_SHIFT, true}, {VK_SHIFT, false}});
        PumpFor(300);
        PressKeys({{VK_RETURN, true}, {VK_RETURN, false}});
        if (!WaitUntil([] { return !SessionRuns(); }, 20000))
            return 5;
        // The lock screen hides; black again once it is gone (no desktop draws over it here).
        PumpFor(500);
        RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    std::sort(times.begin(), times.end());
    std::printf("median %.1f ms, worst %.1f ms over %d\n", times[times.size() / 2], times.back(), count);
    ReleaseDC(nullptr, screen);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const std::string command = argv[1];
    if (command == "rehide") {
        logFile = stdout;
        if (argc == 4)
            return RehidePopup(std::atoi(argv[2]), std::string(argv[3]) == "taskmgr");
        return Rehide(std::atoi(argv[2]));
    }
    if (command == "timelock" && argc == 5)
        return TimeLock(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    logFile = std::fopen(argv[2], "a");
    if (!logFile)
        return 2;
    if (command == "keys")
        return Keys();
    if (command == "shell")
        return Shell(argv[2]);
    if (command == "endsession")
        return EndSession();
    if (command == "signals")
        return Signals();
    return 2;
}
