#include "test_game_process.h"

#include <cstdio>
#include <cstdlib>

namespace quelvin {

namespace {

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string readFile(const std::string& path) {
    std::string content;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return content;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        content.append(buffer, n);
    }
    std::fclose(file);
    return content;
}

UINT messageOf(const char* kind) {
    const std::string k = kind;
    if (k == "KEYDOWN") return WM_KEYDOWN;
    if (k == "KEYUP") return WM_KEYUP;
    if (k == "CHAR") return WM_CHAR;
    return 0;
}

}  // namespace

std::string TestGameProcess::gamePath() {
    if (const char* path = std::getenv("QUELVIN_TEST_GAME"); path != nullptr && *path != '\0') {
        return path;
    }
    char self[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    return directoryOf(std::string(self, n)) + "\\..\\support\\Meteor.exe";
}

bool TestGameProcess::start(Options options, DWORD timeoutMs) {
    end();
    static int started = 0;
    char directory[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, directory);
    const std::string stem = std::string(directory) + "\\test_game_" + std::to_string(GetCurrentProcessId()) +
                             "_" + std::to_string(++started);
    logPath_ = stem + ".log";
    readyPath_ = stem + ".ready";
    DeleteFileA(logPath_.c_str());
    DeleteFileA(readyPath_.c_str());

    const std::string path = gamePath();
    std::string commandLine = "\"" + path + "\" --log \"" + logPath_ + "\" --ready \"" + readyPath_ + "\"";
    if (!options.popup) {
        commandLine += " --no-popup";
    }
    if (options.show) {
        commandLine += " --show";
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        error_ = "cannot start " + path + ", error " + std::to_string(GetLastError());
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;

    const DWORD begin = GetTickCount();
    for (;;) {
        const std::string ready = readFile(readyPath_);
        unsigned long main = 0, popup = 0, pid = 0, tid = 0;
        if (std::sscanf(ready.c_str(), "main=%lu popup=%lu pid=%lu tid=%lu", &main, &popup, &pid, &tid) ==
            4) {
            main_ = reinterpret_cast<HWND>(static_cast<UINT_PTR>(main));
            popup_ = reinterpret_cast<HWND>(static_cast<UINT_PTR>(popup));
            processId_ = pid;
            threadId_ = tid;
            return true;
        }
        if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process_, &code);
            error_ = "the game exited at start with status " + std::to_string(code);
            end();
            return false;
        }
        if (GetTickCount() - begin > timeoutMs) {
            error_ = "the game did not come up";
            end();
            return false;
        }
        Sleep(20);
    }
}

void TestGameProcess::end() {
    if (process_ != nullptr) {
        if (main_ != nullptr) {
            PostMessageA(main_, WM_CLOSE, 0, 0);
        }
        if (WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
        process_ = nullptr;
    }
    main_ = nullptr;
    popup_ = nullptr;
    if (!readyPath_.empty()) {
        DeleteFileA(readyPath_.c_str());
        DeleteFileA(logPath_.c_str());
    }
}

bool TestGameProcess::running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::vector<LoggedMessage> TestGameProcess::log() const {
    std::vector<LoggedMessage> out;
    const std::string content = readFile(logPath_);
    std::size_t lineStart = 0;
    for (std::size_t end; (end = content.find('\n', lineStart)) != std::string::npos; lineStart = end + 1) {
        const std::string line = content.substr(lineStart, end - lineStart);
        long long received = 0;
        unsigned long posted = 0, wParam = 0;
        long lParam = 0;
        char kind[16] = {};
        if (std::sscanf(line.c_str(), "%lld %lu %15s %lu %ld", &received, &posted, kind, &wParam, &lParam) ==
            5) {
            out.push_back({received, posted, messageOf(kind), static_cast<WPARAM>(wParam),
                           static_cast<LPARAM>(lParam)});
        }
    }
    return out;
}

std::vector<LoggedMessage> TestGameProcess::waitForLog(std::size_t count, DWORD timeoutMs) const {
    const DWORD begin = GetTickCount();
    for (;;) {
        std::vector<LoggedMessage> got = log();
        if (got.size() >= count || GetTickCount() - begin > timeoutMs) {
            return got;
        }
        Sleep(10);
    }
}

}  // namespace quelvin
