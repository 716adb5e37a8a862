#include "Window_win.h"

#include "UniqueHandle_win.h"
#include "common/Texts.h"

#include "ErrorReport_win.h"
#include "WindowObjects_win.h"

#include <stdexcept>

namespace vardex {

Window::~Window()
{
    if (hwnd_) {
        // Messages sent while the window is destroyed must not reach a half-destroyed object.
        WindowObjects<Window>::Unbind(hwnd_);
        DestroyWindow(hwnd_);
    }
}

Window::CreateParams Window::ChildParams(const wchar_t* className, DWORD style, HWND parent, const RECT& area,
                                        int id) noexcept
{
    CreateParams params;
    params.className = className;
    params.style = style;
    params.x = area.left;
    params.y = area.top;
    params.width = area.right - area.left;
    params.height = area.bottom - area.top;
    params.parent = parent;
    params.cursor = LoadCursorW(nullptr, IDC_ARROW);
    params.menuOrId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
    return params;
}

void Window::Create(const CreateParams& params)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    if (!GetClassInfoExW(instance, params.className, &windowClass)) {
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &Window::Procedure;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = params.className;
        windowClass.hbrBackground = params.background;
        windowClass.hCursor = params.cursor;
        windowClass.hIcon = params.icon;
        windowClass.cbWndExtra = params.dialog ? DLGWINDOWEXTRA : 0;
        if (!RegisterClassExW(&windowClass))
            throw std::runtime_error(EnglishText(TextId::MessageNoWindowClass));
    }
    defaultProcedure_ = params.dialog ? DefDlgProcW : DefWindowProcW;
    if (!CreateWindowExW(params.exStyle, params.className, params.title, params.style, params.x, params.y,
                         params.width, params.height, params.parent, params.menuOrId, instance, this))
        throw std::runtime_error(EnglishText(TextId::MessageNoWindow));
}

LRESULT Window::Route(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND &&
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
        return 0;
    if (message == WM_NOTIFY) {
        LRESULT result = 0;
        if (OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result))
            return result;
    }
    return HandleMessage(message, wParam, lParam);
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefaultHandling(message, wParam, lParam);
}

LRESULT Window::PaintBufferedWith(const std::function<void(HDC memory, const RECT& client)>& paint)
{
    return PaintWith([this, &paint](HDC dc) {
        RECT client{};
        GetClientRect(hwnd_, &client);
        if (client.right <= 0 || client.bottom <= 0)
            return;
        const UniqueMemoryDC memory(CreateCompatibleDC(dc));
        const UniqueBitmap bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
        const SelectedObject selected(memory.Get(), bitmap.Get());
        paint(memory.Get(), client);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
    });
}

LRESULT Window::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    return CallWindowProcW(defaultProcedure_, hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_NCCREATE) {
        auto* window = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        window->hwnd_ = hwnd;
        try {
            WindowObjects<Window>::Bind(hwnd, window);
        } catch (...) {
            return FALSE;  // out of memory: the window is not created
        }
    }
    auto* window = WindowObjects<Window>::Find(hwnd);
    if (!window)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        WindowObjects<Window>::Unbind(hwnd);
        window->hwnd_ = nullptr;
        return CallWindowProcW(window->defaultProcedure_, hwnd, message, wParam, lParam);
    }
    try {
        return window->Route(message, wParam, lParam);
    } catch (...) {
        ReportCurrentError();
        return 0;
    }
}

}  // namespace vardex
