// The message wait of the Win32 adapter, on real Windows (Wine here).
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32_window_system.h"

namespace quelvin {
namespace {

constexpr UINT kProbeMessage = WM_USER + 77;

// A hotkey that arrives while a send is looking up the game window is already in the queue,
// and may already have been looked at, when the send starts its 9 ms wait. The wait must
// still wake for it, so that the press is handled (and dropped as busy) inside the send
// instead of starting a second sentence after it.
TEST(Win32MessageWait, WakesForInputQueuedBeforeTheWait) {
    Win32WindowSystem ws;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // gives the thread its queue
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), kProbeMessage, 0, 0));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, kProbeMessage, kProbeMessage, PM_NOREMOVE));

    const std::uint32_t woke = ws.msgWaitForMultipleObjects({}, 3000, QS_ALLINPUT & 0xFF);

    EXPECT_EQ(woke, kWaitObject0) << "the wait did not see the message already queued";
    while (PeekMessageA(&msg, nullptr, kProbeMessage, kProbeMessage, PM_REMOVE)) {
    }
}

TEST(Win32MessageWait, TimerStillEndsTheWaitWhenNoInputIsQueued) {
    Win32WindowSystem ws;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    const KernelHandle timer = ws.createWaitableTimer();
    ASSERT_NE(timer, kNoHandle);
    ASSERT_TRUE(ws.setWaitableTimer(timer, -10 * 10000));
    const KernelHandle handles[] = {timer};
    EXPECT_EQ(ws.msgWaitForMultipleObjects(handles, 3000, 0xFF), kWaitObject0);
    ws.closeHandle(timer);
}

}  // namespace
}  // namespace quelvin
