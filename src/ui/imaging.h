#pragma once

#include <windows.h>

namespace quelvin {

// The GDI+ time frame dimension: selecting frame 0 along it picks the first frame of an
// animated picture.
inline constexpr char kFrameDimensionTimeText[] = "{6AEDBD6D-3FB5-418A-83A6-7F45229DC872}";

// Starts GDI+ (version 1) for the rest of the process: it is never shut down, because the
// badge's last picture stays on the window until the process ends. The result is ignored.
void startImaging();

// Parses GUID text such as kFrameDimensionTimeText, converting it from the ANSI code page.
// Returns false, with *guid zeroed, when the text is not a GUID.
bool parseGuid(const char* text, GUID* guid);

}  // namespace quelvin
