#pragma once

// The program under test, Quelvin.exe, as a process of its own that a test starts, watches
// from outside and ends.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quelvin::e2e {

class QuelvinProcess {
public:
    // The stable window class names of the program's two windows.
    static constexpr char kBadgeClass[] = "QuelvinBadge";
    static constexpr char kSettingsClass[] = "QuelvinSettings";

    // The built program: QUELVIN_EXE if set, else ..\..\Quelvin.exe from the running test
    // (tests/e2e/e2e_test.exe in the build tree).
    static std::string builtExePath();

    QuelvinProcess() = default;
    QuelvinProcess(const QuelvinProcess&) = delete;
    QuelvinProcess& operator=(const QuelvinProcess&) = delete;
    // Terminates the program if a test left it running.
    ~QuelvinProcess() { terminate(); }

    // Starts the program at exePath in its own directory. Does not wait for anything.
    bool start(const std::string& exePath);

    // Waits until the program shows its badge and returns it; null when the program exits or
    // shows no badge within timeoutMs (error() then says which, with its windows).
    HWND waitForBadge(DWORD timeoutMs = 20000);

    // The first top-level window of the program that satisfies the condition, waiting up
    // to timeoutMs for one; null if none came.
    HWND waitForWindow(const std::function<bool(HWND)>& wanted, DWORD timeoutMs);
    // A top-level window of the program with this class (visible ones first), or null.
    HWND findWindow(const char* className) const;

    // The program's top-level windows, in z-order.
    std::vector<HWND> windows() const;
    // All of them, one line each, for failure messages.
    std::string describeWindows() const;

    bool running() const;
    // The exit status once the program has ended within timeoutMs, else nothing.
    std::optional<DWORD> waitForExit(DWORD timeoutMs);
    // Ends the program at once if it still runs, and waits until it is gone.
    void terminate();

    DWORD processId() const { return processId_; }
    DWORD threadId() const { return threadId_; }
    const std::string& error() const { return error_; }

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    std::string error_;
};

}  // namespace quelvin::e2e
