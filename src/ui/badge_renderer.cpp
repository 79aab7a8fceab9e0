#include "ui/badge_renderer.h"

#include <cstring>
#include <utility>

namespace quelvin {

using namespace Gdiplus::DllExports;
using Gdiplus::GpBitmap;
using Gdiplus::GpGraphics;
using Gdiplus::GpImage;
using Gdiplus::REAL;

namespace {

BackgroundImage* backgroundOf(HWND window) {
    return static_cast<BackgroundImage*>(GetPropA(window, kBackImageProperty));
}

// Outer size of the window; false when it has none.
bool windowSize(HWND window, int* width, int* height) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return true;
}

}  // namespace

int BadgeRenderer::attach(HWND window) {
    if (!IsWindow(window)) return 0;
    hwnd_ = window;
    // Every other extended-style bit goes, tool-window included. WS_EX_TOPMOST cannot be
    // changed this way (only SetWindowPos moves a window in or out of the topmost band).
    SetWindowLongA(hwnd_, GWL_EXSTYLE, WS_EX_LAYERED);
    return 1;
}

int BadgeRenderer::setBackgroundPng(std::span<const unsigned char> bytes) {
    auto record = std::make_unique<BackgroundImage>();
    record->block.reset(GlobalAlloc(GMEM_FIXED, bytes.size()));
    if (!record->block) return 0;
    if (void* memory = GlobalLock(record->block.get())) {
        if (!bytes.empty()) std::memcpy(memory, bytes.data(), bytes.size());
        GlobalUnlock(record->block.get());
    }

    // The stream does not free the block on release: the record does, after the stream.
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(record->block.get(), FALSE, &stream) != S_OK || !stream) return 0;
    record->stream.reset(stream);

    GpImage* image = nullptr;
    const auto status = GdipLoadImageFromStream(stream, &image);
    record->image.reset(image);
    if (status != Gdiplus::Ok) record->image.reset();
    if (record->image && frameDimension_) {
        // The first frame of an animated image; a PNG has one frame and nothing changes.
        GdipImageSelectActiveFrame(record->image.get(), frameDimension_, 0);
    }
    // On failure the record, with whatever it holds, is released right here.
    return setBackground(std::move(record));
}

int BadgeRenderer::setBackgroundImage(GdipImage image) {
    auto record = std::make_unique<BackgroundImage>();
    record->image = std::move(image);
    return setBackground(std::move(record));
}

int BadgeRenderer::setBackground(std::unique_ptr<BackgroundImage> record) {
    if (!IsWindow(hwnd_) || !record->image) return 0;
    std::unique_ptr<BackgroundImage> replaced(backgroundOf(hwnd_));
    if (!SetPropA(hwnd_, kBackImageProperty, record.get())) {
        // The old picture stays in place; the new one goes.
        (void)replaced.release();
        return 0;
    }
    (void)record.release();  // now owned through the window property
    replaced.reset();
    render();
    return 1;
}

void BadgeRenderer::refresh() {
    if (IsWindow(hwnd_)) render();
}

void BadgeRenderer::detach() {
    if (IsWindow(hwnd_)) delete static_cast<BackgroundImage*>(RemovePropA(hwnd_, kBackImageProperty));
    hwnd_ = nullptr;
}

void BadgeRenderer::render() {
    int width = 0;
    int height = 0;
    if (!windowSize(hwnd_, &width, &height)) return;

    // A window without area gets no canvas, and nothing is presented.
    GpBitmap* bitmap = nullptr;
    GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &bitmap);
    GdipImage canvas(bitmap);
    if (!canvas) return;
    GpGraphics* context = nullptr;
    GdipGetImageGraphicsContext(canvas.get(), &context);
    GdipGraphics graphics(context);

    const BackgroundImage* background = backgroundOf(hwnd_);
    if (background && background->image && graphics) {
        REAL canvasWidth = 0;
        REAL canvasHeight = 0;
        GdipGetImageDimension(canvas.get(), &canvasWidth, &canvasHeight);
        // Stretched to the window, whatever the picture's own size.
        GdipDrawImageRect(graphics.get(), background->image.get(), 0, 0, canvasWidth, canvasHeight);
    }
    present(canvas.get());
}

void BadgeRenderer::present(GpImage* canvas) {
    if (!IsWindow(hwnd_) || !canvas) return;
    int width = 0;
    int height = 0;
    if (!windowSize(hwnd_, &width, &height)) return;

    WindowDc windowDc(hwnd_);
    MemoryDc memoryDc(CreateCompatibleDC(windowDc.get()));

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;
    Bitmap surface(CreateDIBSection(memoryDc.get(), &info, DIB_RGB_COLORS, nullptr, nullptr, 0));

    // The selection is undone before the surface and the DC go (declared after them).
    SelectionGuard selection(memoryDc.get(), surface.get());
    {
        GpGraphics* context = nullptr;
        GdipCreateFromHDC(memoryDc.get(), &context);
        GdipGraphics graphics(context);
        UINT canvasWidth = 0;
        UINT canvasHeight = 0;
        GdipGetImageWidth(canvas, &canvasWidth);
        GdipGetImageHeight(canvas, &canvasHeight);
        GdipDrawImageRect(graphics.get(), canvas, 0, 0, static_cast<REAL>(canvasWidth),
                          static_cast<REAL>(canvasHeight));
    }

    SIZE size{width, height};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    // No destination point: the window stays where it is.
    UpdateLayeredWindow(hwnd_, windowDc.get(), nullptr, &size, memoryDc.get(), &origin, 0, &blend, ULW_ALPHA);
}

}  // namespace quelvin
