// Whether the badge stays flat over a long run: 40,000 poll ticks with the game absent (about
// five and a half hours of the 500 ms timer), each of which decodes the GameNotRunning
// picture and presents it twice. Checked, with PASS/FAIL lines and the exit status:
//  - the process's private bytes after the run are within 256 KB of what they were after
//    the first 100 ticks;
//  - every kind of resource our guards hold is back to its count before the first tick;
//  - the last tick still created its canvases and DIB sections and presented them, as the
//    first tick did: a render that failed quietly (a resource table exhausted on the way)
//    would also leave memory flat.
// GetGuiResources is a stub under Wine, so GDI handle counts are not used.
// clang-format off
#include <windows.h>
#include <psapi.h>
// clang-format on

#include <array>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "badge_program.h"
#include "creation_counter.h"
#include "ui/win32_resources.h"
#include "windows_bench_support.h"

namespace quelvin {
namespace {

constexpr int kDefaultTicks = 40000;
constexpr int kEarlyTicks = 100;
constexpr long long kAllowedGrowthBytes = 256 * 1024;

constexpr std::array<std::pair<ResourceKind, const char*>, 7> kKinds = {{
    {ResourceKind::Image, "images"},
    {ResourceKind::Stream, "streams"},
    {ResourceKind::MemoryBlock, "memory blocks"},
    {ResourceKind::DeviceContext, "device contexts"},
    {ResourceKind::Bitmap, "bitmaps"},
    {ResourceKind::Graphics, "graphics"},
    {ResourceKind::Menu, "menus"},
}};
static_assert(kKinds.size() == static_cast<std::size_t>(ResourceKind::kCount),
              "a kind of resource is missing");

using LiveCounts = std::array<long, kKinds.size()>;

LiveCounts liveCounts() {
    LiveCounts counts{};
    for (std::size_t i = 0; i < kKinds.size(); ++i) {
        counts[i] = liveResources(kKinds[i].first);
    }
    return counts;
}

struct Memory {
    long long privateBytes = 0;
    long long workingSet = 0;
};

// The committed private memory of this process, region by region: what Windows counts as
// its private bytes, whether or not the pages were ever touched.
long long committedPrivateBytes() {
    long long total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (auto* at = static_cast<const char*>(nullptr);
         VirtualQuery(at, &region, sizeof(region)) == sizeof(region);
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
            total += static_cast<long long>(region.RegionSize);
        }
        if (region.RegionSize == 0) {
            break;
        }
    }
    return total;
}

// Windows reports private bytes as PrivateUsage. Wine fills only the plain
// PROCESS_MEMORY_COUNTERS (cb comes back as its size) and leaves PrivateUsage unset, and its
// PagefileUsage counts resident pages only, so a leaked bitmap whose pages were never
// touched would not show; there the committed private regions are added up instead.
const char* gPrivateBytesSource = "PrivateUsage";

Memory memoryNow() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof(counters))) {
        return {};
    }
    const auto workingSet = static_cast<long long>(counters.WorkingSetSize);
    if (counters.cb >= sizeof(counters) && counters.PrivateUsage != 0) {
        gPrivateBytesSource = "PrivateUsage";
        return {static_cast<long long>(counters.PrivateUsage), workingSet};
    }
    gPrivateBytesSource = "committed private regions";
    return {committedPrivateBytes(), workingSet};
}

Text pathInCurrentDirectory(const char* name) {
    char directory[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
    return Text(directory, length) + "\\" + name;
}

bool report(bool pass, const char* what) {
    std::printf("%s %s\n", pass ? "PASS" : "FAIL", what);
    return pass;
}

}  // namespace
}  // namespace quelvin

// badge_flatness_bench.exe [ticks]: a shorter run (more than 100 ticks) for trying things out.
int main(int argc, char** argv) {
    using namespace quelvin;
    const int ticks = argc > 1 ? std::atoi(argv[1]) : kDefaultTicks;
    if (ticks <= kEarlyTicks) {
        std::printf("FAIL the run needs more than %d ticks\n", kEarlyTicks);
        return 1;
    }
    std::printf("== badge flatness: %d poll ticks with the game absent\n", ticks);
    if (!bench::startCountingCreations()) {
        std::printf("FAIL cannot count the renderer's creations (an import was not found)\n");
        return 1;
    }
    bench::BadgeProgram program(pathInCurrentDirectory("badge_flatness_bench.cfg"));
    if (!program.create()) {
        std::printf("FAIL cannot create the badge window\n");
        return 1;
    }
    if (program.finder().findGameWindow(kGameExe) != kNoWindow) {
        std::printf("FAIL the game is running; these ticks must find it absent\n");
        return 1;
    }

    const Memory atStart = memoryNow();
    const LiveCounts liveAtStart = liveCounts();
    const bench::CreationCounts beforeFirst = bench::creationCounts();
    program.tick();
    const bench::CreationCounts firstTick = bench::creationCounts() - beforeFirst;
    for (int i = 1; i < kEarlyTicks; ++i) {
        program.tick();
    }
    const Memory early = memoryNow();

    const long long runStart = bench::nowMicroseconds();
    for (int i = kEarlyTicks; i < ticks - 1; ++i) {
        program.tick();
    }
    const bench::CreationCounts beforeLast = bench::creationCounts();
    program.tick();
    const bench::CreationCounts lastTick = bench::creationCounts() - beforeLast;
    const long long runMicroseconds = bench::nowMicroseconds() - runStart;
    const Memory atEnd = memoryNow();
    const LiveCounts liveAtEnd = liveCounts();

    std::printf(
        "  private bytes (%s): after creation %lld KB, after %d ticks %lld KB, after %d ticks %lld KB\n",
        gPrivateBytesSource, atStart.privateBytes / 1024, kEarlyTicks, early.privateBytes / 1024, ticks,
        atEnd.privateBytes / 1024);
    std::printf("  working set:   after creation %lld KB, after %d ticks %lld KB, after %d ticks %lld KB\n",
                atStart.workingSet / 1024, kEarlyTicks, early.workingSet / 1024, ticks,
                atEnd.workingSet / 1024);
    std::printf("  mean tick over the run: %.1f us\n",
                static_cast<double>(runMicroseconds) / static_cast<double>(ticks - kEarlyTicks));
    std::printf(
        "  first tick: %ld canvases, %ld DIB sections, %ld layered updates; last tick: %ld, %ld, %ld\n",
        firstTick.canvases, firstTick.dibSections, firstTick.layeredUpdates, lastTick.canvases,
        lastTick.dibSections, lastTick.layeredUpdates);

    bool pass = true;
    char line[256];
    const long long growth = atEnd.privateBytes - early.privateBytes;
    std::snprintf(line, sizeof(line), "private bytes grew %+lld KB from tick %d to tick %d (allowed: 256 KB)",
                  growth / 1024, kEarlyTicks, ticks);
    pass &= report(early.privateBytes > 0 && atEnd.privateBytes > 0 && growth <= kAllowedGrowthBytes, line);
    for (std::size_t i = 0; i < kKinds.size(); ++i) {
        std::snprintf(line, sizeof(line),
                      "live %s held by our guards: %ld before the first tick, %ld after the last",
                      kKinds[i].second, liveAtStart[i], liveAtEnd[i]);
        pass &= report(liveAtEnd[i] == liveAtStart[i], line);
    }
    const bool stillRenders = lastTick.canvases > 0 && lastTick.dibSections > 0 &&
                              lastTick.layeredUpdates > 0 && lastTick.canvases == firstTick.canvases &&
                              lastTick.dibSections == firstTick.dibSections &&
                              lastTick.layeredUpdates == firstTick.layeredUpdates;
    std::snprintf(
        line, sizeof(line),
        "the last tick created %ld canvases and %ld DIB sections and presented %ld times, as the first",
        lastTick.canvases, lastTick.dibSections, lastTick.layeredUpdates);
    pass &= report(stillRenders, line);
    return pass ? 0 : 1;
}
