#include "case_folder.h"

#include <windows.h>

#include "quelvin_process.h"
#include "test_game_process.h"

namespace quelvin::e2e {

namespace {

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string lastError() { return "error " + std::to_string(GetLastError()); }

// Deletes every file in the folder; the cases make no subfolders.
bool emptyFolder(const std::string& folder, std::string& error) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return true;
    bool ok = true;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        const std::string full = folder + "\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!RemoveDirectoryA(full.c_str())) {
                error = "cannot remove " + full + ", " + lastError();
                ok = false;
            }
            continue;
        }
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileA(full.c_str())) {
            error = "cannot delete " + full + ", " + lastError();
            ok = false;
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return ok;
}

}  // namespace

CaseFolder::CaseFolder(const std::string& name) {
    char self[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string cases = directoryOf(std::string(self, n)) + "\\cases";
    path_ = cases + "\\" + name;
    CreateDirectoryA(cases.c_str(), nullptr);
    CreateDirectoryA(path_.c_str(), nullptr);
    if (GetFileAttributesA(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
        error_ = "cannot create " + path_ + ", " + lastError();
        return;
    }
    if (!emptyFolder(path_, error_)) return;

    const std::string exe = QuelvinProcess::builtExePath();
    if (!CopyFileA(exe.c_str(), exePath().c_str(), FALSE)) {
        error_ = "cannot copy " + exe + " to " + exePath() + ", " + lastError();
        return;
    }
    const std::string game = TestGameProcess::gamePath();
    if (!CopyFileA(game.c_str(), gamePath().c_str(), FALSE)) {
        error_ = "cannot copy " + game + " to " + gamePath() + ", " + lastError();
    }
}

bool CaseFolder::writeConfig(const Text& bytes) const {
    HANDLE file = CreateFileA(configPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

std::optional<Text> CaseFolder::readConfig() const {
    HANDLE file = CreateFileA(configPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    Text bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool CaseFolder::configExists() const {
    return GetFileAttributesA(configPath().c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace quelvin::e2e
