// What one poll tick of the badge window costs, with the game absent (the finder's full
// system snapshot, the GameNotRunning picture decoded and presented twice, the hotkeys
// dropped) and with the game present and armed (the finder only). The parts of the absent
// tick are timed on their own too.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "badge_program.h"
#include "test_game_process.h"
#include "windows_bench_support.h"

namespace quelvin {
namespace {

constexpr int kRuns = 500;

bench::Summary timeEach(int runs, const std::function<void()>& run) {
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        const long long start = bench::nowMicroseconds();
        run();
        times.push_back(static_cast<double>(bench::nowMicroseconds() - start));
    }
    return bench::summarize(times);
}

Text pathInCurrentDirectory(const char* name) {
    char directory[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
    return Text(directory, length) + "\\" + name;
}

}  // namespace
}  // namespace quelvin

int main() {
    using namespace quelvin;
    bench::BadgeProgram program(pathInCurrentDirectory("poll_tick_bench.cfg"));
    if (!program.create()) {
        std::printf("cannot create the badge window\n");
        return 1;
    }
    std::printf("== poll tick of the badge window, %d runs each (microseconds)\n", kRuns);

    for (int i = 0; i < 20; ++i) {
        program.tick();  // warm-up: first decodes, first presents
    }
    bench::printSummary("game absent: whole tick", timeEach(kRuns, [&] { program.tick(); }), 1.0, "us",
                        kRuns);
    bench::printSummary("game absent: finder alone",
                        timeEach(kRuns, [&] { program.finder().findGameWindow(kGameExe); }), 1.0, "us",
                        kRuns);
    bench::printSummary("game absent: showBadge alone (decode + two presents)",
                        timeEach(kRuns, [&] { program.badge().showBadge(BadgeImage::GameNotRunning); }), 1.0,
                        "us", kRuns);
    bench::printSummary("game absent: unregisterAll alone (nothing registered)",
                        timeEach(kRuns, [&] { program.registry().unregisterAll(); }), 1.0, "us", kRuns);

    TestGameProcess game;
    if (!game.start({})) {
        std::printf("cannot start the test game: %s\n", game.error().c_str());
        return 1;
    }
    // The tick that finds the game registers Home and presses it; the Home hotkey then arms.
    program.tick();
    const DWORD begin = GetTickCount();
    while (program.registry().count() < 12 && GetTickCount() - begin < 5000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        program.pump();
    }
    if (program.registry().count() < 12 || !program.arming().armed()) {
        std::printf("the hotkeys did not come on with the game\n");
        return 1;
    }
    bench::printSummary("game present and armed: whole tick", timeEach(kRuns, [&] { program.tick(); }), 1.0,
                        "us", kRuns);
    bench::printSummary("game present: finder alone",
                        timeEach(kRuns, [&] { program.finder().findGameWindow(kGameExe); }), 1.0, "us",
                        kRuns);
    return 0;
}
