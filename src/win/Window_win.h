#pragma once
// Base of every window of the program: a static window procedure that finds the C++ object in
// the process's own map of its windows (WindowObjects_win.h) and dispatches to its handlers
// (WM_COMMAND and WM_NOTIFY cracked into OnCommand and OnNotify, the rest to HandleMessage). It
// is the catch boundary: an error in a handler goes to the program's error sink
// (ErrorReport_win.h) and the program goes on.
#include <windows.h>

#include <commctrl.h>

#include <functional>

namespace vardex {

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const noexcept { return hwnd_; }

protected:
    struct CreateParams {
        const wchar_t* className = nullptr;
        const wchar_t* title = L"";
        DWORD style = 0;
        DWORD exStyle = 0;
        int x = 0, y = 0, width = 0, height = 0;
        HWND parent = nullptr;
        HBRUSH background = nullptr;
        HCURSOR cursor = nullptr;
        HICON icon = nullptr;
        HMENU menuOrId = nullptr;
        // A dialog-like window: the dialog manager's default procedure handles the default
        // button, Esc and keyboard navigation.
        bool dialog = false;
    };

    // A child control's parameters: in area (the parent's client coordinates), with its id and
    // the arrow cursor.
    static CreateParams ChildParams(const wchar_t* className, DWORD style, HWND parent, const RECT& area, int id) noexcept;

    // Registers the window class on first use and creates the window bound to this object.
    void Create(const CreateParams& params);
    // A menu item, an accelerator or a control's notification; true when handled.
    virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    // A common control's notification; true when handled, with the message's answer in result.
    virtual bool OnNotify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    // Answers WM_PAINT: paint draws into the window's device context between the begin and end.
    template <typename Paint>
    LRESULT PaintWith(const Paint& paint)
    {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        paint(dc);
        EndPaint(hwnd_, &ps);
        return 0;
    }
    // The same, drawn off the screen first into a bitmap of the client area's size (clear it
    // first) and copied whole: a repaint that changes much never flickers.
    LRESULT PaintBufferedWith(const std::function<void(HDC memory, const RECT& client)>& paint);

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    LRESULT Route(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    WNDPROC defaultProcedure_ = DefWindowProcW;
};

}  // namespace vardex
