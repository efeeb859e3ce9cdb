#pragma once
// Owning wrappers for the Windows handles the dialogs keep (Windows build only): each closes
// its handle once, when it goes out of scope or is reset; copies are not allowed.

#include <windows.h>

#include <utility>

namespace vemra {

template <typename H, BOOL(WINAPI* Close)(H)>
class CHandle {
public:
    CHandle() = default;
    explicit CHandle(H handle) : m_h(handle) {}
    ~CHandle() { Reset(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    CHandle(CHandle&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    CHandle& operator=(CHandle&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.m_h, nullptr));
        return *this;
    }

    H Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    void Reset(H handle = nullptr) {
        if (m_h && m_h != handle) Close(m_h);
        m_h = handle;
    }
    // Gives up ownership (the handle now belongs to someone else, e.g. a window).
    H Release() { return std::exchange(m_h, nullptr); }

private:
    H m_h = nullptr;
};

namespace detail {
template <typename T>
BOOL WINAPI DeleteGdiObject(T object) { return DeleteObject(object); }
inline BOOL WINAPI ReleaseModule(HMODULE module) { return FreeLibrary(module); }
}  // namespace detail

using CIconHandle = CHandle<HICON, DestroyIcon>;
using CCursorHandle = CHandle<HCURSOR, DestroyCursor>;
using CMenuHandle = CHandle<HMENU, DestroyMenu>;
using CWindowHandle = CHandle<HWND, DestroyWindow>;
using CFontHandle = CHandle<HFONT, detail::DeleteGdiObject<HFONT>>;
using CBitmapHandle = CHandle<HBITMAP, detail::DeleteGdiObject<HBITMAP>>;
using CBrushHandle = CHandle<HBRUSH, detail::DeleteGdiObject<HBRUSH>>;
using CModuleHandle = CHandle<HMODULE, detail::ReleaseModule>;
using CDcHandle = CHandle<HDC, DeleteDC>;
using CAccelHandle = CHandle<HACCEL, DestroyAcceleratorTable>;

// Selects an object into a device context and puts the previous one back.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(SelectObject(dc, object)) {}
    ~CSelectObject() {
        if (m_previous) SelectObject(m_dc, m_previous);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

}  // namespace vemra
