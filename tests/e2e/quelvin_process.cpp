#include "quelvin_process.h"

#include <cstdlib>

#include "desktop.h"

namespace quelvin::e2e {

namespace {

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

std::string QuelvinProcess::builtExePath() {
    if (const char* path = std::getenv("QUELVIN_EXE"); path != nullptr && *path != '\0') {
        return path;
    }
    char self[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    return directoryOf(std::string(self, n)) + "\\..\\..\\Quelvin.exe";
}

bool QuelvinProcess::start(const std::string& exePath) {
    terminate();
    error_.clear();
    std::string commandLine = "\"" + exePath + "\"";
    const std::string directory = directoryOf(exePath);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.c_str(), &startup, &info)) {
        error_ = "cannot start " + exePath + ", error " + std::to_string(GetLastError());
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    threadId_ = info.dwThreadId;
    return true;
}

HWND QuelvinProcess::waitForBadge(DWORD timeoutMs) {
    HWND badge = waitForWindow(
        [](HWND window) { return IsWindowVisible(window) && classNameOf(window) == kBadgeClass; }, timeoutMs);
    if (badge == nullptr) {
        const std::optional<DWORD> status = waitForExit(0);
        error_ = status
                     ? "Quelvin exited with status " + std::to_string(*status) + " without showing its badge"
                     : "no visible " + std::string(kBadgeClass) + " window after " +
                           std::to_string(timeoutMs) + " ms; the program's windows:\n" + describeWindows();
    }
    return badge;
}

HWND QuelvinProcess::waitForWindow(const std::function<bool(HWND)>& wanted, DWORD timeoutMs) {
    HWND found = nullptr;
    waitUntil(
        [&] {
            for (HWND window : windows()) {
                if (wanted(window)) {
                    found = window;
                    return true;
                }
            }
            // Nothing more can come from a program that has ended.
            return !running();
        },
        timeoutMs);
    return found;
}

HWND QuelvinProcess::findWindow(const char* className) const {
    HWND hidden = nullptr;
    for (HWND window : windows()) {
        if (classNameOf(window) != className) continue;
        if (IsWindowVisible(window)) return window;
        if (hidden == nullptr) hidden = window;
    }
    return hidden;
}

std::vector<HWND> QuelvinProcess::windows() const {
    if (processId_ == 0) return {};
    return topLevelWindowsOf(processId_);
}

std::string QuelvinProcess::describeWindows() const {
    std::string out;
    for (HWND window : windows()) out += "  " + describeWindow(window) + "\n";
    return out.empty() ? "  (none)\n" : out;
}

bool QuelvinProcess::running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> QuelvinProcess::waitForExit(DWORD timeoutMs) {
    if (process_ == nullptr) return std::nullopt;
    // Pumping while waiting keeps the test's own windows alive.
    if (!waitUntil([&] { return !running(); }, timeoutMs)) return std::nullopt;
    DWORD status = 0;
    if (!GetExitCodeProcess(process_, &status)) return std::nullopt;
    return status;
}

void QuelvinProcess::terminate() {
    if (process_ == nullptr) return;
    if (running()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
    process_ = nullptr;
}

}  // namespace quelvin::e2e
