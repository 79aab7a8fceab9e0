#include "delivery/game_window_finder.h"

namespace quelvin {

namespace {

// Windows keeps owner chains short and free of loops; a bound still keeps a window tree
// of another program from holding the UI thread forever.
constexpr int kMaxOwnerSteps = 64;

}  // namespace

Text asciiLower(const Text& text) {
    Text lowered = text;
    for (std::size_t i = 0; i < lowered.size(); ++i) {
        if (isLeadByte(lowered[i])) {
            ++i;  // the trail byte belongs to the character and is never folded
        } else if (lowered[i] >= 'A' && lowered[i] <= 'Z') {
            lowered[i] = static_cast<char>(lowered[i] - 'A' + 'a');
        }
    }
    return lowered;
}

WindowHandle GameWindowFinder::findGameWindow(const Text& exeName) {
    const ScopedHandle snapshot(ws_, ws_.createToolhelp32Snapshot(kTh32csSnapAll, 0));
    if (!snapshot) {
        return kNoWindow;
    }
    const Text wanted = asciiLower(exeName);
    ProcessEntry entry;
    for (bool more = ws_.process32First(snapshot.get(), entry); more;
         more = ws_.process32Next(snapshot.get(), entry)) {
        if (asciiLower(entry.exeFile) == wanted) {
            // Only the first process of that name counts, whatever it yields.
            return windowOfFirstThread(entry.processId);
        }
    }
    return kNoWindow;
}

WindowHandle GameWindowFinder::windowOfFirstThread(std::uint32_t processId) {
    const ScopedHandle snapshot(ws_, ws_.createToolhelp32Snapshot(kTh32csSnapThread, 0));
    if (!snapshot) {
        return kNoWindow;
    }
    ThreadEntry entry;
    for (bool more = ws_.thread32First(snapshot.get(), entry); more;
         more = ws_.thread32Next(snapshot.get(), entry)) {
        if (entry.ownerProcessId != processId) {
            continue;
        }
        WindowHandle result = kNoWindow;
        ws_.enumThreadWindows(entry.threadId, [&](WindowHandle window) {
            result = topOwnerOf(window);
            return result == kNoWindow;  // the first owned pop-up ends the walk
        });
        return result;
    }
    return kNoWindow;
}

WindowHandle GameWindowFinder::topOwnerOf(WindowHandle window) {
    WindowHandle last = kNoWindow;
    WindowHandle next = ws_.getParent(window);
    for (int steps = 0; next != kNoWindow && steps < kMaxOwnerSteps; ++steps) {
        last = next;
        next = ws_.getParent(next);
    }
    return last;
}

}  // namespace quelvin
