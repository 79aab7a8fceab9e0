#pragma once

// Counts, from inside this program, the canvases, DIB sections and layered-window updates
// that the badge renderer makes successfully. It points the program's import table entries
// for GdipCreateBitmapFromScan0, CreateDIBSection and UpdateLayeredWindow at counting
// stand-ins that call the real functions. This shows that a render still draws and presents
// after a long run, where a resource exhausted on the way would make it fail quietly and
// leave memory flat for the wrong reason.

namespace quelvin::bench {

struct CreationCounts {
    long canvases = 0;        // GdipCreateBitmapFromScan0 that gave a bitmap
    long dibSections = 0;     // CreateDIBSection that gave a bitmap
    long layeredUpdates = 0;  // UpdateLayeredWindow that succeeded
};

// Installs the stand-ins once. False when one of the imports is not in this program.
bool startCountingCreations();

CreationCounts creationCounts();

inline CreationCounts operator-(const CreationCounts& a, const CreationCounts& b) {
    return {a.canvases - b.canvases, a.dibSections - b.dibSections, a.layeredUpdates - b.layeredUpdates};
}

}  // namespace quelvin::bench
