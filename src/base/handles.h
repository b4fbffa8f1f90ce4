// Ownership of Win32 handles: one move-only wrapper and a named type for each kind of handle
// the program holds. Every handle is closed exactly once, by its owner's destructor.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <utility>

namespace ph {

// Keeps the thread's last error across a cleanup: whatever the cleanup calls, the error of the call
// that failed before it is still there for whoever reports it.
class KeepLastError {
public:
    KeepLastError() : m_error(::GetLastError()) {}
    ~KeepLastError() { ::SetLastError(m_error); }
    KeepLastError(const KeepLastError&) = delete;
    KeepLastError& operator=(const KeepLastError&) = delete;

private:
    DWORD m_error;
};

// Traits supply the handle type, the value that means "none" and the close function.
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : m_h(h) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_h(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    explicit operator bool() const { return m_h != Traits::Invalid(); }
    [[nodiscard]] Handle get() const { return m_h; }

    // For APIs that return the handle through an out parameter; drops any current handle.
    Handle* put()
    {
        reset();
        return &m_h;
    }

    [[nodiscard]] Handle release() { return std::exchange(m_h, Traits::Invalid()); }

    // Closes the handle held (the thread's last error stays what it was) and takes h.
    void reset(Handle h = Traits::Invalid())
    {
        if (m_h != Traits::Invalid()) {
            KeepLastError kept;
            Traits::Close(m_h);
        }
        m_h = h;
    }

private:
    Handle m_h = Traits::Invalid();
};

struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::FreeLibrary(h); }
};

struct StdioFileTraits {
    using Handle = FILE*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { std::fclose(h); }
};

// A GDI object of one kind (HFONT, HBRUSH, HBITMAP), so that its owner hands out the typed handle.
template <typename GdiHandle>
struct GdiObjectTraits {
    using Handle = GdiHandle;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};

struct DisplayDcTraits {
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeleteDC(h); }
};

// A directory search of FindFirstFileW, ended with FindClose.
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::FindClose(h); }
};

struct LocalMemoryTraits {
    using Handle = HLOCAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::LocalFree(h); }
};

// A private namespace (CreatePrivateNamespaceW, OpenPrivateNamespaceW), closed with
// ClosePrivateNamespace, looked up by name like the functions that made it: systems before Vista
// have none of them.
struct PrivateNamespaceTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h)
    {
        using ClosePrivateNamespaceFn = BOOLEAN(WINAPI*)(HANDLE, ULONG);
        HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
        auto close = kernel != nullptr ? reinterpret_cast<ClosePrivateNamespaceFn>(
                         reinterpret_cast<void*>(::GetProcAddress(kernel, "ClosePrivateNamespace")))
                                       : nullptr;
        if (close != nullptr) {
            close(h, 0);
        }
    }
};

using UniqueFile = UniqueHandle<FileHandleTraits>; // CreateFileW
using UniquePrivateNamespace = UniqueHandle<PrivateNamespaceTraits>;
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>; // processes, threads, events
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;             // LoadLibraryW
using UniqueStdioFile = UniqueHandle<StdioFileTraits>;       // _wfopen
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;     // CreateFontIndirectW
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;   // CreateSolidBrush
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>; // LoadImageW, CreateDIBSection
using UniqueCreatedDc = UniqueHandle<DisplayDcTraits>;       // CreateDCW
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;   // CommandLineToArgvW
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;     // FindFirstFileW

// Closes a C runtime stream and tells whether everything written reached the file. A full disk
// often shows only when the buffered data is flushed, and some C runtimes report a failed final
// flush only through errno, not through fclose's result: the stream is flushed and its error flag
// read first.
[[nodiscard]] inline bool CloseStdioFileChecked(UniqueStdioFile& file)
{
    FILE* f = file.release();
    if (f == nullptr) {
        return true;
    }
    const bool flushed = std::fflush(f) == 0 && std::ferror(f) == 0;
    return std::fclose(f) == 0 && flushed;
}

// A window's device context from GetDC, released with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : m_hwnd(hwnd), m_hdc(::GetDC(hwnd)) {}
    ~WindowDc()
    {
        if (m_hdc != nullptr) {
            KeepLastError kept;
            ::ReleaseDC(m_hwnd, m_hdc);
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    explicit operator bool() const { return m_hdc != nullptr; }
    HDC get() const { return m_hdc; }

private:
    HWND m_hwnd;
    HDC m_hdc;
};

// An object selected into a device context for the lifetime of the guard; the one it replaced is
// selected again at the end. A null object selects nothing.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : m_dc(dc), m_previous(object != nullptr ? ::SelectObject(dc, object) : nullptr)
    {
    }
    ~SelectedObject()
    {
        if (m_previous != nullptr && m_previous != HGDI_ERROR) {
            ::SelectObject(m_dc, m_previous);
        }
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// The state of a device context (colours, modes, selected objects) saved for the lifetime of the
// guard and restored at the end.
class SavedDcState {
public:
    explicit SavedDcState(HDC dc) : m_dc(dc), m_saved(::SaveDC(dc)) {}
    ~SavedDcState()
    {
        if (m_saved != 0) {
            ::RestoreDC(m_dc, m_saved);
        }
    }
    SavedDcState(const SavedDcState&) = delete;
    SavedDcState& operator=(const SavedDcState&) = delete;

private:
    HDC m_dc;
    int m_saved;
};

// The paint context of one WM_PAINT: BeginPaint here, EndPaint at the end (also when BeginPaint
// gave no device context, as the platform asks).
class PaintDc {
public:
    explicit PaintDc(HWND hwnd) : m_hwnd(hwnd), m_hdc(::BeginPaint(hwnd, &m_ps)) {}
    ~PaintDc() { ::EndPaint(m_hwnd, &m_ps); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;

    explicit operator bool() const { return m_hdc != nullptr; }
    HDC get() const { return m_hdc; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_hdc;
};

// Memory from the COM task allocator that the shell hands out (item lists), freed with
// CoTaskMemFree.
template <typename T>
struct CoTaskMemTraits {
    using Handle = T*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CoTaskMemFree(h); }
};
template <typename T>
using UniqueCoTaskMem = UniqueHandle<CoTaskMemTraits<T>>;

// COM initialised for the lifetime of the object on this thread (single-threaded apartment).
class ComApartment {
public:
    ComApartment() : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(m_hr)) {
            KeepLastError kept;
            ::CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    bool ok() const { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};

// An owned COM interface pointer. put() hands out the typed out-pointer, so a call site passes
// IID_PPV_ARGS(pointer.put()): the interface id and the pointer's type come from the one type.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }

    explicit operator bool() const { return m_p != nullptr; }
    [[nodiscard]] T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    // For APIs that return the interface through an out parameter; drops any current one.
    T** put()
    {
        reset();
        return &m_p;
    }
    void reset()
    {
        if (m_p != nullptr) {
            KeepLastError kept;
            m_p->Release();
            m_p = nullptr;
        }
    }

private:
    T* m_p = nullptr;
};

} // namespace ph
