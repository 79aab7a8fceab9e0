#include "creation_counter.h"

// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <cstring>

namespace quelvin::bench {
namespace {

using CreateBitmapFromScan0 = Gdiplus::GpStatus(WINGDIPAPI*)(INT, INT, INT, Gdiplus::PixelFormat, BYTE*,
                                                             Gdiplus::GpBitmap**);
using CreateDibSection = HBITMAP(WINAPI*)(HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD);
using UpdateLayered = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);

CreateBitmapFromScan0 realCreateBitmapFromScan0 = nullptr;
CreateDibSection realCreateDibSection = nullptr;
UpdateLayered realUpdateLayered = nullptr;
CreationCounts counts;

Gdiplus::GpStatus WINGDIPAPI countingCreateBitmapFromScan0(INT width, INT height, INT stride,
                                                           Gdiplus::PixelFormat format, BYTE* scan0,
                                                           Gdiplus::GpBitmap** bitmap) {
    const Gdiplus::GpStatus status = realCreateBitmapFromScan0(width, height, stride, format, scan0, bitmap);
    if (status == Gdiplus::Ok && *bitmap != nullptr) {
        ++counts.canvases;
    }
    return status;
}

HBITMAP WINAPI countingCreateDibSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                        HANDLE section, DWORD offset) {
    const HBITMAP bitmap = realCreateDibSection(dc, info, usage, bits, section, offset);
    if (bitmap != nullptr) {
        ++counts.dibSections;
    }
    return bitmap;
}

BOOL WINAPI countingUpdateLayered(HWND window, HDC screen, POINT* at, SIZE* size, HDC source, POINT* from,
                                  COLORREF key, BLENDFUNCTION* blend, DWORD flags) {
    const BOOL ok = realUpdateLayered(window, screen, at, size, source, from, key, blend, flags);
    if (ok) {
        ++counts.layeredUpdates;
    }
    return ok;
}

// Points this program's import of dll!function at replacement; returns what it pointed at,
// or null when the program does not import it by name.
void* redirectImport(const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) {
        return nullptr;
    }
    for (auto* module = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         module->Name != 0; ++module) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + module->Name), dll) != 0) {
            continue;
        }
        // The lookup table names the functions; the address table beside it is what calls go
        // through.
        const DWORD lookup =
            module->OriginalFirstThunk != 0 ? module->OriginalFirstThunk : module->FirstThunk;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + lookup);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) {
                continue;
            }
            DWORD protection = 0;
            if (!VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE,
                                &protection)) {
                return nullptr;
            }
            void* original = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<decltype(slots->u1.Function)>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), protection, &protection);
            return original;
        }
    }
    return nullptr;
}

template <class Function>
bool redirect(const char* dll, const char* name, Function replacement, Function& real) {
    if (real != nullptr) {
        return true;
    }
    real = reinterpret_cast<Function>(redirectImport(dll, name, reinterpret_cast<void*>(replacement)));
    return real != nullptr;
}

}  // namespace

bool startCountingCreations() {
    const bool canvases = redirect("gdiplus.dll", "GdipCreateBitmapFromScan0", &countingCreateBitmapFromScan0,
                                   realCreateBitmapFromScan0);
    const bool dibs =
        redirect("gdi32.dll", "CreateDIBSection", &countingCreateDibSection, realCreateDibSection);
    const bool updates =
        redirect("user32.dll", "UpdateLayeredWindow", &countingUpdateLayered, realUpdateLayered);
    return canvases && dibs && updates;
}

CreationCounts creationCounts() { return counts; }

}  // namespace quelvin::bench
