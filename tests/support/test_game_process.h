#pragma once

// Starts the test game (Meteor.exe, see test_game.cpp) for a Windows test and ends it again.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quelvin {

// One line of the game's log.
struct LoggedMessage {
    long long receivedUs;    // performance counter when the game took it from its queue
    unsigned long postedMs;  // the message's time: when it was posted
    UINT message;            // WM_KEYDOWN, WM_KEYUP or WM_CHAR
    WPARAM wParam;
    LPARAM lParam;
};

class TestGameProcess {
public:
    struct Options {
        bool popup = true;
        bool show = false;
    };

    // Where Meteor.exe is: QUELVIN_TEST_GAME if set, else ..\support\Meteor.exe next to the
    // running test (tests/<area>/x.exe in the build tree).
    static std::string gamePath();

    TestGameProcess() = default;
    TestGameProcess(const TestGameProcess&) = delete;
    TestGameProcess& operator=(const TestGameProcess&) = delete;
    ~TestGameProcess() { end(); }

    // Starts the game and waits until its windows exist. False (with error() saying why)
    // when it did not come up within timeoutMs.
    bool start(Options options, DWORD timeoutMs = 20000);
    // Asks the game to close and waits for it; terminates it if it does not go.
    void end();
    bool running() const;

    HWND mainWindow() const { return main_; }
    HWND popupWindow() const { return popup_; }
    DWORD processId() const { return processId_; }
    DWORD threadId() const { return threadId_; }
    const std::string& error() const { return error_; }

    // Everything logged so far.
    std::vector<LoggedMessage> log() const;
    // Waits until at least count messages are logged; returns the log either way.
    std::vector<LoggedMessage> waitForLog(std::size_t count, DWORD timeoutMs = 5000) const;

private:
    HANDLE process_ = nullptr;
    HWND main_ = nullptr;
    HWND popup_ = nullptr;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    std::string logPath_;
    std::string readyPath_;
    std::string error_;
};

}  // namespace quelvin
