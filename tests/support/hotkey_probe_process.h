#pragma once

// Runs hotkey_probe.exe (see hotkey_probe.cpp) from a Windows test.

#include <windows.h>

#include <optional>
#include <vector>

namespace quelvin {

// For each virtual key, whether another program could register it now: false means some
// program (the test itself, usually) holds it. Empty when the probe could not be run.
std::optional<std::vector<bool>> keysFreeForOthers(const std::vector<UINT>& keys);

}  // namespace quelvin
