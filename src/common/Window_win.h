#pragma once
// Base of every window of the program: a static window procedure that finds the C++ object in
// the window's user data and dispatches to HandleMessage. It is the catch boundary: an error in
// a handler goes to the program's error sink (by default the general error report at once) and
// the program goes on.
#include "Reports.h"

#include <windows.h>

namespace vardex {

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const noexcept { return hwnd_; }

    // Where the errors of every window's handlers go from now on; the program sets it once,
    // before it creates its windows.
    static void SetErrorSink(ErrorSink* sink) noexcept { errorSink_ = sink; }
    // Hands the exception being handled to the error sink (call it inside a catch block).
    static void ReportCurrentError() noexcept;

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

    // Registers the window class on first use and creates the window bound to this object.
    void Create(const CreateParams& params);
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

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    HWND hwnd_ = nullptr;
    WNDPROC defaultProcedure_ = DefWindowProcW;
    static ErrorSink* errorSink_;
};

}  // namespace vardex
