#include "badge_faces.h"

// GDI+ needs windows.h and the COM stream interface declared before it, in this order.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <cstring>

#include "ui/badge_pictures.h"

namespace quelvin::e2e {

namespace {

using namespace Gdiplus::DllExports;

constexpr std::array kImages = {BadgeImage::GameNotRunning, BadgeImage::HotkeysOn, BadgeImage::HotkeysOff};

std::size_t indexOf(BadgeImage image) { return static_cast<std::size_t>(image); }

bool startImaging() {
    static const bool started = [] {
        Gdiplus::GdiplusStartupInput input{};
        input.GdiplusVersion = 1;
        ULONG_PTR token = 0;
        return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }();
    return started;
}

// The picture's pixels as 0xAARRGGBB (not premultiplied), or nothing if it cannot be decoded
// or is not 123 x 40.
std::optional<std::vector<std::uint32_t>> decode(const PictureBytes& png) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, png.size);
    if (memory == nullptr) return std::nullopt;
    std::memcpy(GlobalLock(memory), png.data, png.size);
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(memory, TRUE, &stream) != S_OK) {
        GlobalFree(memory);
        return std::nullopt;
    }
    std::optional<std::vector<std::uint32_t>> pixels;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromStream(stream, &bitmap) == Gdiplus::Ok) {
        UINT width = 0, height = 0;
        GdipGetImageWidth(bitmap, &width);
        GdipGetImageHeight(bitmap, &height);
        if (width == BadgeFaces::kWidth && height == BadgeFaces::kHeight) {
            pixels.emplace();
            for (INT y = 0; y < BadgeFaces::kHeight; ++y) {
                for (INT x = 0; x < BadgeFaces::kWidth; ++x) {
                    Gdiplus::ARGB colour = 0;
                    GdipBitmapGetPixel(bitmap, x, y, &colour);
                    pixels->push_back(colour);
                }
            }
        }
        GdipDisposeImage(bitmap);
    }
    stream->Release();  // frees the memory block with it
    return pixels;
}

bool isOpaque(std::uint32_t argb) { return (argb >> 24) == 0xFF; }

}  // namespace

BadgeFaces::BadgeFaces() {
    if (!startImaging()) {
        error_ = "GDI+ did not start";
        return;
    }
    for (BadgeImage image : kImages) {
        std::optional<std::vector<std::uint32_t>> pixels = decode(badgePicture(image));
        if (!pixels) {
            error_ = std::string("cannot decode the embedded picture ") + nameOf(image);
            return;
        }
        pictures_[indexOf(image)].argb = std::move(*pixels);
    }
}

int BadgeFaces::mismatches(BadgeImage image, const std::vector<Rgb>& capture) const {
    const std::vector<std::uint32_t>& picture = pictures_[indexOf(image)].argb;
    if (capture.size() != picture.size()) return static_cast<int>(picture.size());
    int count = 0;
    for (std::size_t i = 0; i < picture.size(); ++i) {
        if (isOpaque(picture[i]) && (picture[i] & 0x00FFFFFF) != capture[i]) ++count;
    }
    return count;
}

std::optional<BadgeImage> BadgeFaces::recognize(const std::vector<Rgb>& capture) const {
    std::optional<BadgeImage> fitting;
    for (BadgeImage image : kImages) {
        if (mismatches(image, capture) != 0) continue;
        if (fitting) return std::nullopt;  // two fit: the capture tells nothing
        fitting = image;
    }
    return fitting;
}

std::optional<BadgeImage> BadgeFaces::recognizeOnScreen(HWND badge) const {
    RECT rect{};
    if (!GetWindowRect(badge, &rect)) return std::nullopt;
    rect.right = rect.left + kWidth;
    rect.bottom = rect.top + kHeight;
    return recognize(captureScreen(rect));
}

const char* BadgeFaces::nameOf(BadgeImage image) {
    switch (image) {
        case BadgeImage::GameNotRunning:
            return "GameNotRunning";
        case BadgeImage::HotkeysOn:
            return "HotkeysOn";
        case BadgeImage::HotkeysOff:
            return "HotkeysOff";
    }
    return "?";
}

std::string BadgeFaces::nameOf(const std::optional<BadgeImage>& image) {
    return image ? nameOf(*image) : "no picture recognized";
}

}  // namespace quelvin::e2e
