#pragma once

#include <windows.h>

#include <array>
#include <functional>

#include "delivery/slot_source.h"
#include "platform/text.h"
#include "settings/config_store.h"
#include "settings/settings.h"
#include "ui/window_state_source.h"

namespace quelvin {

// Called when the configuration file cannot be decoded. The program shows the fatal error
// report and ends there; the call does not return. (A test's handler may return: the
// window then carries on as if the file had been missing.)
using ConfigFaultHandler = std::function<void()>;

// The window where the player writes the ten sentences and picks how each is sent. Its
// controls are the live sentence settings: the slot dispatcher reads them at every key
// press, without a save in between.
//
// Window class "QuelvinSettings" (stable: tests and tools find the window by it). Row k's
// key box has control id kKeyBoxId + k and its text box kTextBoxId + k.
//
// Created once, hidden, when the badge window is first activated; from then on only shown
// and hidden until its owner, the badge window, is destroyed.
class SettingsWindow : public SlotSource {
public:
    static constexpr char kClassName[] = "QuelvinSettings";
    static constexpr int kKeyBoxId = 100;
    static constexpr int kTextBoxId = 200;

    SettingsWindow(const ConfigStore& store, ConfigFaultHandler onConfigFault);
    SettingsWindow(const SettingsWindow&) = delete;
    SettingsWindow& operator=(const SettingsWindow&) = delete;
    ~SettingsWindow();

    // Creates the window, hidden and owned by `owner`, and fills the rows from the file, or
    // with the first-run examples when there is no file. `badge` answers the badge's state
    // whenever the settings are saved. Returns false if the window could not be created.
    bool create(HWND owner, WindowStateSource& badge);

    void show();
    void hide();
    // Writes the configuration file from the rows and the badge's state as they are now,
    // then hides the window (also when the file could not be written). Before the window
    // exists there are no rows to save, and nothing happens: writing then would replace
    // the player's sentences with empty ones.
    void saveAndHide();

    // For the message loop: moves the focus between the controls on Tab. Returns true if the
    // message was taken and must not be dispatched.
    bool translateDialogMessage(MSG* message);

    // Row k (1..10) as the controls hold it now. Before the window exists, and for a k
    // outside 1..10: the empty text and no selection (-1).
    Text rowText(int k) override;
    KeyMode rowKeyMode(int k) override;

    HWND handle() const { return hwnd_; }
    HWND keyBox(int k) const;
    HWND textBox(int k) const;

private:
    struct Row {
        HWND keyBox = nullptr;
        HWND textBox = nullptr;
    };

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK controlProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR id, DWORD_PTR self) noexcept;
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void onCreate();
    void createRow(int k);
    void loadRows();
    void setRowKeyMode(int k, int value);
    // Esc pressed in the window or one of its controls: a close request unless Ctrl,
    // Shift or Alt is held.
    bool onEscape();
    void onActivate(WPARAM wParam);

    const ConfigStore& store_;
    ConfigFaultHandler onConfigFault_;
    WindowStateSource* badge_ = nullptr;
    HWND hwnd_ = nullptr;
    HWND lastFocus_ = nullptr;
    std::array<Row, kSlotCount> rows_{};
};

}  // namespace quelvin
