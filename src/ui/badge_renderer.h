#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <span>

#include "ui/win32_resources.h"

namespace quelvin {

// The window property that holds the attached window's current background. Its value is a
// pointer to a BackgroundImage record (below), so whoever holds the window handle finds the
// picture, and the stream and memory block it was decoded from, in one place.
inline constexpr char kBackImageProperty[] = "PngControl_BackImage";

// A decoded background together with what it was decoded from. GDI+ may read the stream
// again whenever the image is drawn, so the stream and its memory block live exactly as
// long as the image. Members are released in reverse order: image, then stream, then block.
// An image handed in already decoded has neither stream nor block.
struct BackgroundImage {
    GlobalMemory block;
    Stream stream;
    GdipImage image;
};

// Makes a top-level window's whole face a picture with per-pixel alpha: the window becomes
// a layered window and every picture is shown with UpdateLayeredWindow, so nothing the
// window paints itself is ever seen. Operations report success as 1 and failure as 0.
//
// The object holds only the attached window's handle; the picture lives on the window.
// Copying the object gives a second skin on the same window, and destroying one releases
// neither the window nor its picture.
class BadgeRenderer {
public:
    // frameDimension: the FrameDimensionTime GUID, parsed once at start-up. It must outlive
    // the renderer.
    explicit BadgeRenderer(const GUID* frameDimension) : frameDimension_(frameDimension) {}

    // Sets the window's extended style to exactly WS_EX_LAYERED. The topmost state lives in
    // the z-order and is not affected.
    int attach(HWND window);

    // Decodes a complete image file (PNG here) from memory and makes it the background.
    // On failure the previous background stays, on the window and on screen, and nothing of
    // the failed attempt is left behind.
    int setBackgroundPng(std::span<const unsigned char> bytes);

    // Makes an already decoded image the background. The image is taken over: on failure it
    // is released at once.
    int setBackgroundImage(GdipImage image);

    // Presents the current background again, stretched to the window's current size and at
    // its current position.
    void refresh();

    // Releases the background and forgets the window. The window calls this as it is
    // destroyed, so that its picture does not outlive it; afterwards every operation
    // behaves as on a destroyed window.
    void detach();

    HWND window() const { return hwnd_; }

private:
    int setBackground(std::unique_ptr<BackgroundImage> record);
    void render();
    void present(Gdiplus::GpImage* canvas);

    HWND hwnd_ = nullptr;
    const GUID* frameDimension_;
};

}  // namespace quelvin
