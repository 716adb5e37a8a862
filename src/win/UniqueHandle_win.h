#pragma once
// One owning handle template for every kind of Windows handle: copy deleted, move allowed, the
// traits say what is empty and how to close; and the scoped helpers that go with it.
#include <windows.h>

#include <commctrl.h>
#include <winsvc.h>

#include <utility>

namespace vardex {

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    Handle Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::Empty(); }

    Handle Release() noexcept { return std::exchange(handle_, Traits::Empty()); }
    void Reset(Handle handle = Traits::Empty()) noexcept
    {
        const Handle old = std::exchange(handle_, handle);
        if (old != Traits::Empty())
            Traits::Close(old);
    }

private:
    Handle handle_ = Traits::Empty();
};

template <typename H, auto CloseFunction, H EmptyValue = H{}>
struct SimpleHandleTraits {
    using Handle = H;
    static Handle Empty() noexcept { return EmptyValue; }
    static void Close(Handle handle) noexcept { CloseFunction(handle); }
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { CloseHandle(handle); }
};

// CreateFile reports failure with INVALID_HANDLE_VALUE rather than a null handle.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) noexcept { CloseHandle(handle); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueRegKey = UniqueHandle<SimpleHandleTraits<HKEY, RegCloseKey>>;
using UniqueModule = UniqueHandle<SimpleHandleTraits<HMODULE, FreeLibrary>>;
using UniqueGdiObject = UniqueHandle<SimpleHandleTraits<HGDIOBJ, DeleteObject>>;
using UniqueFont = UniqueHandle<SimpleHandleTraits<HFONT, DeleteObject>>;
using UniqueBitmap = UniqueHandle<SimpleHandleTraits<HBITMAP, DeleteObject>>;
using UniqueMemoryDC = UniqueHandle<SimpleHandleTraits<HDC, DeleteDC>>;
using UniqueIcon = UniqueHandle<SimpleHandleTraits<HICON, DestroyIcon>>;
using UniqueMenu = UniqueHandle<SimpleHandleTraits<HMENU, DestroyMenu>>;
using UniqueImageList = UniqueHandle<SimpleHandleTraits<HIMAGELIST, ImageList_Destroy>>;
using UniqueHook = UniqueHandle<SimpleHandleTraits<HHOOK, UnhookWindowsHookEx>>;
using UniqueWinEventHook = UniqueHandle<SimpleHandleTraits<HWINEVENTHOOK, UnhookWinEvent>>;
using UniqueLocalMemory = UniqueHandle<SimpleHandleTraits<HLOCAL, LocalFree>>;
using UniqueServiceHandle = UniqueHandle<SimpleHandleTraits<SC_HANDLE, CloseServiceHandle>>;

// A window's device context, released to its window.
class WindowDC {
public:
    explicit WindowDC(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC()
    {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    HDC Get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a device context for a scope; the one it replaced comes back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject()
    {
        if (previous_)  // null when the selection failed
            SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};


// A function of a library loaded by name at the moment of use; nullptr when either is missing.
template <typename Function>
Function GetProcedure(const UniqueModule& module, const char* name) noexcept
{
    if (!module)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module.Get(), name)));
}

}  // namespace vardex
