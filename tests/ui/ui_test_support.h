#pragma once

// What the window tests share: GDI+ started once per test program, pictures made on the
// spot, the message pump, and reading back what the screen shows.

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "ui/gdiplus_api.h"

namespace quelvin::test {

// 0xAARRGGBB, as GDI+ has it.
using Argb = Gdiplus::ARGB;
constexpr Argb kRed = 0xFFFF0000;
constexpr Argb kGreen = 0xFF00FF00;
constexpr Argb kBlue = 0xFF0000FF;
constexpr Argb kYellow = 0xFFFFFF00;
constexpr Argb kTransparent = 0x00000000;

// The frame-dimension GUID, parsed as the program parses it.
const GUID* frameDimension();

// A PNG file of width x height pixels, each given by pixel(x, y).
std::vector<unsigned char> makePng(int width, int height, const std::function<Argb(int x, int y)>& pixel);

// 123 x 40: red, green, blue and yellow quadrants split at x = 61 and y = 20, with a fully
// transparent 10 x 10 block in the top-left corner.
std::vector<unsigned char> quadrantPicture();

// 123 x 40 of one opaque colour, with fully transparent corner pixels.
std::vector<unsigned char> solidPicture(Argb colour);

// Offered every message before it is dispatched, as the program's message loop offers it
// to the settings window; a true answer means taken. Empty by default.
void setMessageFilter(std::function<bool(MSG*)> filter);

// Dispatches the thread's messages for ms milliseconds.
void pumpFor(DWORD ms);
// Dispatches messages until done() holds or timeoutMs passes; returns done().
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);

// What the screen shows at (x, y), as 0xRRGGBB (the alpha part of an Argb dropped).
Argb screenPixel(int x, int y);
// The opaque colour of an Argb, as screenPixel reports it.
constexpr Argb rgbOf(Argb colour) { return colour & 0x00FFFFFF; }

// An opaque window of one colour below everything the test creates afterwards, so that
// transparent pixels show a known colour.
class Backdrop {
public:
    Backdrop(RECT area, Argb colour);
    Backdrop(const Backdrop&) = delete;
    Backdrop& operator=(const Backdrop&) = delete;
    ~Backdrop();
    HWND handle() const { return window_; }

private:
    HBRUSH brush_;
    HWND window_;
};

// A plain pop-up window of the given outer rectangle and extended style, shown without
// being activated, destroyed with the object. (Under Wine without a window manager, hiding
// or destroying a window that was ever active waits two seconds.)
class PlainWindow {
public:
    PlainWindow(RECT area, DWORD exStyle, bool visible = true);
    PlainWindow(const PlainWindow&) = delete;
    PlainWindow& operator=(const PlainWindow&) = delete;
    ~PlainWindow();
    HWND handle() const { return window_; }

private:
    HWND window_;
};

// A fresh empty directory under the temporary directory, removed with everything in it.
class TempDirectory {
public:
    TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    ~TempDirectory();
    // path + "\\" + name
    std::string file(const char* name) const;

private:
    std::string path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);

// Presses and releases a key system-wide, as the player would; modifiers are pressed
// around it and released after it.
void pressKey(BYTE key, std::initializer_list<BYTE> modifiers = {});

RECT windowRect(HWND window);
// The window's rectangle in its parent's client coordinates.
RECT childRect(HWND child);
std::string windowText(HWND window);
std::string className(HWND window);
bool isTopmost(HWND window);

}  // namespace quelvin::test
