#pragma once
// One owner for every kind of Win32 handle: non-copyable, movable, closed on destruction.
#include <windows.h>
#include <objbase.h>
#include <cstdio>
#include <utility>

namespace win {

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
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Handle get() const { return m_h; }
    explicit operator bool() const { return m_h != Traits::Invalid(); }
    Handle release() { return std::exchange(m_h, Traits::Invalid()); }
    void reset(Handle h = Traits::Invalid()) {
        if (m_h != Traits::Invalid()) Traits::Close(m_h);
        m_h = h;
    }

private:
    Handle m_h = Traits::Invalid();
};

struct FileTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
struct KernelObjectTraits {  // handles whose "none" is NULL: threads, events, processes
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::FreeLibrary(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};
struct StdioTraits {
    using Handle = FILE*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { std::fclose(h); }
};
struct FindTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::FindClose(h); }
};

struct MappedViewTraits {  // views made with MapViewOfFile
    using Handle = const void*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::UnmapViewOfFile(h); }
};

struct EventSourceTraits {  // event sources made with RegisterEventSourceW
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeregisterEventSource(h); }
};

struct CreatedDcTraits {  // device contexts made with CreateDC
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeleteDC(h); }
};

using File = UniqueHandle<FileTraits>;
using KernelObject = UniqueHandle<KernelObjectTraits>;
using Module = UniqueHandle<ModuleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using StdioFile = UniqueHandle<StdioTraits>;
using FindHandle = UniqueHandle<FindTraits>;
using CreatedDC = UniqueHandle<CreatedDcTraits>;
using MappedView = UniqueHandle<MappedViewTraits>;
using EventSource = UniqueHandle<EventSourceTraits>;

// A window's device context (GetDC), released to that window on destruction.
class WindowDC {
public:
    explicit WindowDC(HWND window) : m_window(window), m_dc(::GetDC(window)) {}
    ~WindowDC() { if (m_dc) ::ReleaseDC(m_window, m_dc); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HWND m_window;
    HDC m_dc;
};

// COM for the lifetime of one object; uninitialises only what it initialised.
class ComInit {
public:
    ComInit() : m_hr(::CoInitialize(nullptr)) {}
    ~ComInit() { if (SUCCEEDED(m_hr)) ::CoUninitialize(); }
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    bool ok() const { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};

// A COM interface pointer, released on destruction.
template <typename I>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    I* get() const { return m_p; }
    I* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void** put() { reset(); return reinterpret_cast<void**>(&m_p); }
    void reset() { if (m_p) { m_p->Release(); m_p = nullptr; } }

private:
    I* m_p = nullptr;
};

}  // namespace win
