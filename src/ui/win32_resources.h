#pragma once

// Owning guards for the Windows and GDI+ resources the windows use. Every resource is
// released on the path that made it, by the guard that took it; copying a guard does not
// compile.
//
// Each guard also keeps a live count per kind of resource. The counts cost one integer
// increment or decrement per acquire and release, and they are what tests and benchmarks
// read to prove that nothing leaks (GetGuiResources is a stub under Wine, so there is no
// other way to see a GDI leak there).

#include <utility>

#include "ui/gdiplus_api.h"

namespace quelvin {

enum class ResourceKind { Image, Stream, MemoryBlock, DeviceContext, Bitmap, Graphics, Menu, kCount };

// The number of resources of this kind that guards hold right now.
long liveResources(ResourceKind kind);

namespace detail {
void resourceAcquired(ResourceKind kind);
void resourceReleased(ResourceKind kind);
}  // namespace detail

template <class Traits>
class Unique {
public:
    using Handle = typename Traits::Handle;

    Unique() = default;
    explicit Unique(Handle handle) : h_(handle) {
        if (h_ != Traits::invalid()) detail::resourceAcquired(Traits::kKind);
    }
    Unique(Unique&& other) noexcept : h_(std::exchange(other.h_, Traits::invalid())) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) {
            close();
            h_ = std::exchange(other.h_, Traits::invalid());
        }
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { close(); }

    void reset(Handle handle = Traits::invalid()) { *this = Unique(handle); }
    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::invalid(); }

private:
    void close() {
        if (h_ != Traits::invalid()) {
            Traits::close(h_);
            detail::resourceReleased(Traits::kKind);
            h_ = Traits::invalid();
        }
    }

    Handle h_ = Traits::invalid();
};

struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static constexpr ResourceKind kKind = ResourceKind::MemoryBlock;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { GlobalFree(h); }
};

struct StreamTraits {
    using Handle = IStream*;
    static constexpr ResourceKind kKind = ResourceKind::Stream;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { h->Release(); }
};

// A decoded picture or a canvas (a GDI+ bitmap is an image too).
struct GdipImageTraits {
    using Handle = Gdiplus::GpImage*;
    static constexpr ResourceKind kKind = ResourceKind::Image;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { Gdiplus::DllExports::GdipDisposeImage(h); }
};

struct GdipGraphicsTraits {
    using Handle = Gdiplus::GpGraphics*;
    static constexpr ResourceKind kKind = ResourceKind::Graphics;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { Gdiplus::DllExports::GdipDeleteGraphics(h); }
};

struct MemoryDcTraits {
    using Handle = HDC;
    static constexpr ResourceKind kKind = ResourceKind::DeviceContext;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { DeleteDC(h); }
};

struct BitmapTraits {
    using Handle = HBITMAP;
    static constexpr ResourceKind kKind = ResourceKind::Bitmap;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { DeleteObject(h); }
};

struct MenuTraits {
    using Handle = HMENU;
    static constexpr ResourceKind kKind = ResourceKind::Menu;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { DestroyMenu(h); }
};

using GlobalMemory = Unique<GlobalMemoryTraits>;
using Stream = Unique<StreamTraits>;
using GdipImage = Unique<GdipImageTraits>;
using GdipGraphics = Unique<GdipGraphicsTraits>;
using MemoryDc = Unique<MemoryDcTraits>;
using Bitmap = Unique<BitmapTraits>;
using Menu = Unique<MenuTraits>;

// A DC from GetWindowDC: ReleaseDC needs the window as well as the DC.
class WindowDc {
public:
    explicit WindowDc(HWND window);
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc();
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a DC and puts the one it replaced back on destruction, so the DC
// can be deleted and the object freed afterwards.
class SelectionGuard {
public:
    SelectionGuard(HDC dc, HGDIOBJ object);
    SelectionGuard(const SelectionGuard&) = delete;
    SelectionGuard& operator=(const SelectionGuard&) = delete;
    ~SelectionGuard();

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace quelvin
