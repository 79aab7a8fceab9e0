#include "ui/imaging.h"

#include "ui/gdiplus_api.h"

namespace quelvin {

void startImaging() {
    Gdiplus::GdiplusStartupInput input;
    input.GdiplusVersion = 1;
    input.DebugEventCallback = nullptr;
    input.SuppressBackgroundThread = FALSE;
    input.SuppressExternalCodecs = FALSE;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
}

bool parseGuid(const char* text, GUID* guid) {
    *guid = GUID{};
    // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" and its terminator fit with room to spare.
    WCHAR wide[64] = {};
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 64) == 0) return false;
    if (CLSIDFromString(wide, guid) != NOERROR) {
        *guid = GUID{};
        return false;
    }
    return true;
}

}  // namespace quelvin
