// The layered skin, on real windows: what it does to the window, what the screen shows,
// and what it leaves allocated.

#include "ui/badge_renderer.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "ui_test_support.h"

namespace quelvin {
namespace {

using test::kBlue;
using test::kGreen;
using test::kRed;
using test::kYellow;
using test::rgbOf;
using test::screenPixel;

constexpr test::Argb kBackdropColour = 0xFFFF00FF;  // magenta: what transparent pixels show

constexpr std::array kAllKinds = {ResourceKind::Image,       ResourceKind::Stream,
                                  ResourceKind::MemoryBlock, ResourceKind::DeviceContext,
                                  ResourceKind::Bitmap,      ResourceKind::Graphics};

const char* kindName(ResourceKind kind) {
    switch (kind) {
        case ResourceKind::Image:
            return "images";
        case ResourceKind::Stream:
            return "streams";
        case ResourceKind::MemoryBlock:
            return "memory blocks";
        case ResourceKind::DeviceContext:
            return "DCs";
        case ResourceKind::Bitmap:
            return "bitmaps";
        case ResourceKind::Graphics:
            return "graphics";
        default:
            return "?";
    }
}

// Live resources per kind, taken at one moment.
struct ResourceCounts {
    std::array<long, kAllKinds.size()> live{};
    static ResourceCounts now() {
        ResourceCounts counts;
        for (std::size_t i = 0; i < kAllKinds.size(); ++i) counts.live[i] = liveResources(kAllKinds[i]);
        return counts;
    }
};

// Expects `after` to hold exactly `extra` more of each kind than `before`.
void expectGrowth(const ResourceCounts& before, const ResourceCounts& after, std::array<long, 6> extra) {
    for (std::size_t i = 0; i < kAllKinds.size(); ++i) {
        EXPECT_EQ(after.live[i] - before.live[i], extra[i]) << kindName(kAllKinds[i]);
    }
}

constexpr std::array<long, 6> kNothingMore{0, 0, 0, 0, 0, 0};

class BadgeRendererTest : public ::testing::Test {
protected:
    static constexpr RECT kBadgeArea{100, 100, 223, 140};

    BadgeRendererTest() : backdrop_(RECT{0, 0, 600, 400}, kBackdropColour) {}

    // Lets the window system put the latest picture on screen.
    static void settle() { test::pumpFor(150); }

    static BackgroundImage* background(HWND window) {
        return static_cast<BackgroundImage*>(GetPropA(window, kBackImageProperty));
    }

    void expectQuadrantsAt(int left, int top, int width, int height) {
        // Sample points well inside each stretched quadrant, away from the edges where
        // smoothing blends neighbours.
        const struct {
            const char* where;
            double fx, fy;
            test::Argb colour;
        } kSamples[] = {
            {"top left", 0.30, 0.35, kRed},       {"top right", 0.75, 0.35, kGreen},
            {"bottom left", 0.25, 0.75, kBlue},   {"bottom right", 0.75, 0.75, kYellow},
            {"far corner", 0.95, 0.875, kYellow}, {"transparent block", 0.04, 0.12, kBackdropColour},
        };
        for (const auto& sample : kSamples) {
            SCOPED_TRACE(sample.where);
            const int x = left + static_cast<int>(sample.fx * width);
            const int y = top + static_cast<int>(sample.fy * height);
            EXPECT_EQ(screenPixel(x, y), rgbOf(sample.colour)) << "at " << x << "," << y;
        }
    }

    test::Backdrop backdrop_;
    BadgeRenderer renderer_{test::frameDimension()};
};

TEST_F(BadgeRendererTest, AttachReplacesTheWholeExtendedStyle) {
    const struct {
        const char* name;
        DWORD exStyle;
    } kCases[] = {
        {"tool window", WS_EX_TOOLWINDOW},
        {"tool window, app window, client edge", WS_EX_TOOLWINDOW | WS_EX_APPWINDOW | WS_EX_CLIENTEDGE},
        {"no extended style", 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        test::PlainWindow window(kBadgeArea, c.exStyle);
        ASSERT_EQ(renderer_.attach(window.handle()), 1);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window.handle(), GWL_EXSTYLE)), DWORD{WS_EX_LAYERED});
        renderer_.detach();
    }
}

TEST_F(BadgeRendererTest, AttachKeepsATopmostWindowTopmost) {
    test::PlainWindow window(kBadgeArea, WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    ASSERT_TRUE(test::isTopmost(window.handle()));
    ASSERT_EQ(renderer_.attach(window.handle()), 1);
    EXPECT_TRUE(test::isTopmost(window.handle()));
    EXPECT_EQ(GetWindowLongA(window.handle(), GWL_EXSTYLE) & ~WS_EX_TOPMOST, WS_EX_LAYERED);
    renderer_.detach();
}

TEST_F(BadgeRendererTest, AttachRefusesWhatIsNoWindow) {
    HWND destroyed;
    {
        test::PlainWindow window(kBadgeArea, 0);
        destroyed = window.handle();
    }
    const ResourceCounts before = ResourceCounts::now();
    for (HWND candidate : {HWND{nullptr}, destroyed}) {
        EXPECT_EQ(renderer_.attach(candidate), 0);
        EXPECT_EQ(renderer_.setBackgroundPng(test::quadrantPicture()), 0);
        renderer_.refresh();
    }
    expectGrowth(before, ResourceCounts::now(), kNothingMore);
}

TEST_F(BadgeRendererTest, ShowsThePictureOneToOneWithTransparentPartsCutOut) {
    test::PlainWindow window(kBadgeArea, WS_EX_TOOLWINDOW);
    ASSERT_EQ(renderer_.attach(window.handle()), 1);
    ASSERT_EQ(renderer_.setBackgroundPng(test::quadrantPicture()), 1);
    settle();
    expectQuadrantsAt(100, 100, 123, 40);
    renderer_.detach();
}

TEST_F(BadgeRendererTest, StretchesThePictureToFillALargerWindow) {
    test::PlainWindow window(RECT{100, 100, 300, 180}, WS_EX_TOOLWINDOW);
    ASSERT_EQ(renderer_.attach(window.handle()), 1);
    ASSERT_EQ(renderer_.setBackgroundPng(test::quadrantPicture()), 1);
    settle();
    expectQuadrantsAt(100, 100, 200, 80);
    renderer_.detach();
}

TEST_F(BadgeRendererTest, RefreshPresentsAtTheNewPositionWithoutMovingTheWindow) {
    test::PlainWindow window(kBadgeArea, WS_EX_TOOLWINDOW);
    ASSERT_EQ(renderer_.attach(window.handle()), 1);
    ASSERT_EQ(renderer_.setBackgroundPng(test::quadrantPicture()), 1);
    SetWindowPos(window.handle(), nullptr, 300, 220, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    renderer_.refresh();
    settle();
    const RECT rect = test::windowRect(window.handle());
    EXPECT_EQ(rect.left, 300);
    EXPECT_EQ(rect.top, 220);
    EXPECT_EQ(rect.right - rect.left, 123);
    EXPECT_EQ(rect.bottom - rect.top, 40);
    expectQuadrantsAt(300, 220, 123, 40);
    renderer_.detach();
}

TEST_F(BadgeRendererTest, BytesThatAreNoPictureChangeNothing) {
    const std::vector<unsigned char> picture = test::quadrantPicture();
    const std::string kText = "not a picture";
    const struct {
        const char* name;
        std::vector<unsigned char> bytes;
    } kCases[] = {
        {"text", {kText.begin(), kText.end()}},
        {"nothing", {}},
        {"PNG signature and half a header", {picture.begin(), picture.begin() + 20}},
    };
    test::PlainWindow window(kBadgeArea, WS_EX_TOOLWINDOW);
    ASSERT_EQ(renderer_.attach(window.handle()), 1);
    ASSERT_EQ(renderer_.setBackgroundPng(picture), 1);
    BackgroundImage* shown = background(window.handle());
    ASSERT_NE(shown, nullptr);
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const ResourceCounts before = ResourceCounts::now();
        EXPECT_EQ(renderer_.setBackgroundPng(c.bytes), 0);
        expectGrowth(before, ResourceCounts::now(), kNothingMore);
        EXPECT_EQ(background(window.handle()), shown);
        settle();
        expectQuadrantsAt(100, 100, 123, 40);
    }
    renderer_.detach();
}

TEST_F(BadgeRendererTest, AFailedFirstPictureLeavesNoBackground) {
    test::PlainWindow window(kBadgeArea, WS_EX_TOOLWINDOW);
    ASSERT_EQ(renderer_.attach(window.handle()), 1);
    const ResourceCounts before = ResourceCounts::now();
    const unsigned char kGarbage[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(renderer_.setBackgroundPng(kGarbage), 0);
    EXPECT_EQ(renderer_.setBackgroundImage(GdipImage()), 0);
    EXPECT_EQ(background(window.handle()), nullptr);
    expectGrowth(before, ResourceCounts::now(), kNothingMore);
    renderer_.detach();
}

TEST_F(BadgeRendererTest, EveryReplacedPictureIsReleasedWithItsStreamAndBlock) {
    const std::vector<unsigned char> pictures[] = {test::quadrantPicture(), test::solidPicture(kBlue)};
    const ResourceCounts before = ResourceCounts::now();
    {
        test::PlainWindow window(kBadgeArea, WS_EX_TOOLWINDOW);
        ASSERT_EQ(renderer_.attach(window.handle()), 1);
        for (int i = 0; i < 60; ++i) ASSERT_EQ(renderer_.setBackgroundPng(pictures[i % 2]), 1) << i;
        // One background with its stream and block; every canvas, DC, DIB and graphics of
        // the sixty renders is gone.
        expectGrowth(before, ResourceCounts::now(), {1, 1, 1, 0, 0, 0});
        renderer_.refresh();
        expectGrowth(before, ResourceCounts::now(), {1, 1, 1, 0, 0, 0});
        renderer_.detach();
    }
    expectGrowth(before, ResourceCounts::now(), kNothingMore);
}

TEST_F(BadgeRendererTest, ADecodedImageIsTakenOverAndReplaced) {
    test::PlainWindow window(kBadgeArea, WS_EX_TOOLWINDOW);
    ASSERT_EQ(renderer_.attach(window.handle()), 1);
    const ResourceCounts before = ResourceCounts::now();
    Gdiplus::GpBitmap* bitmap = nullptr;
    Gdiplus::DllExports::GdipCreateBitmapFromScan0(10, 10, 0, PixelFormat32bppARGB, nullptr, &bitmap);
    ASSERT_EQ(renderer_.setBackgroundImage(GdipImage(bitmap)), 1);
    expectGrowth(before, ResourceCounts::now(), {1, 0, 0, 0, 0, 0});
    ASSERT_EQ(renderer_.setBackgroundPng(test::quadrantPicture()), 1);
    expectGrowth(before, ResourceCounts::now(), {1, 1, 1, 0, 0, 0});
    renderer_.detach();
    expectGrowth(before, ResourceCounts::now(), kNothingMore);
}

TEST_F(BadgeRendererTest, AWindowWithoutAreaGetsNothingPresented) {
    test::PlainWindow window(RECT{100, 100, 100, 140}, WS_EX_TOOLWINDOW);
    ASSERT_EQ(renderer_.attach(window.handle()), 1);
    const ResourceCounts before = ResourceCounts::now();
    // The picture is still taken; only the drawing has nothing to draw on.
    EXPECT_EQ(renderer_.setBackgroundPng(test::quadrantPicture()), 1);
    expectGrowth(before, ResourceCounts::now(), {1, 1, 1, 0, 0, 0});
    renderer_.detach();
}

TEST_F(BadgeRendererTest, CopiesShareTheWindowAndItsPicture) {
    test::PlainWindow window(kBadgeArea, WS_EX_TOOLWINDOW);
    ASSERT_EQ(renderer_.attach(window.handle()), 1);
    const ResourceCounts before = ResourceCounts::now();
    BadgeRenderer copy = renderer_;
    ASSERT_EQ(copy.setBackgroundPng(test::solidPicture(kBlue)), 1);
    ASSERT_EQ(renderer_.setBackgroundPng(test::quadrantPicture()), 1);
    expectGrowth(before, ResourceCounts::now(), {1, 1, 1, 0, 0, 0});
    settle();
    expectQuadrantsAt(100, 100, 123, 40);
    renderer_.detach();
}

}  // namespace
}  // namespace quelvin
