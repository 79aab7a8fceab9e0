#include "ui/win32_resources.h"

#include <array>
#include <cstddef>

namespace quelvin {

namespace {
// Everything runs on the UI thread, so plain integers suffice.
std::array<long, static_cast<std::size_t>(ResourceKind::kCount)> gLive{};

long& counter(ResourceKind kind) { return gLive[static_cast<std::size_t>(kind)]; }
}  // namespace

long liveResources(ResourceKind kind) { return counter(kind); }

namespace detail {
void resourceAcquired(ResourceKind kind) { ++counter(kind); }
void resourceReleased(ResourceKind kind) { --counter(kind); }
}  // namespace detail

WindowDc::WindowDc(HWND window) : window_(window), dc_(GetWindowDC(window)) {
    if (dc_) detail::resourceAcquired(ResourceKind::DeviceContext);
}

WindowDc::~WindowDc() {
    if (dc_) {
        ReleaseDC(window_, dc_);
        detail::resourceReleased(ResourceKind::DeviceContext);
    }
}

SelectionGuard::SelectionGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}

SelectionGuard::~SelectionGuard() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
}

}  // namespace quelvin
