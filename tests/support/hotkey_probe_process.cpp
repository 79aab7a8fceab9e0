#include "hotkey_probe_process.h"

#include <string>

namespace quelvin {

namespace {

// hotkey_probe.exe lives with Meteor.exe in tests/support of the build tree.
std::string probePath() {
    char self[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self, n);
    const auto slash = path.find_last_of("\\/");
    path = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    return path + "\\..\\support\\hotkey_probe.exe";
}

}  // namespace

std::optional<std::vector<bool>> keysFreeForOthers(const std::vector<UINT>& keys) {
    const std::string path = probePath();
    std::string commandLine = "\"" + path + "\"";
    for (const UINT vk : keys) {
        commandLine += " " + std::to_string(vk);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return std::nullopt;
    }
    CloseHandle(info.hThread);
    DWORD code = 0;
    const bool finished = WaitForSingleObject(info.hProcess, 20000) == WAIT_OBJECT_0;
    if (!finished) {
        TerminateProcess(info.hProcess, 1);
    }
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    if (!finished || (code & 0x40000000) != 0) {
        return std::nullopt;
    }
    std::vector<bool> free;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        free.push_back((code >> i & 1) != 0);
    }
    return free;
}

}  // namespace quelvin
