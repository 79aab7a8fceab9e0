#include "ui/settings_window.h"

#include <commctrl.h>

#include <utility>
#include <vector>

#include "settings/config_file.h"

namespace quelvin {

namespace {

// "设置Quelvin(关闭自动保存)"
constexpr char kTitle[] =
    "\xC9\xE8\xD6\xC3"  // 设置
    "Quelvin("
    "\xB9\xD8\xB1\xD5"  // 关闭
    "\xD7\xD4\xB6\xAF"  // 自动
    "\xB1\xA3\xB4\xE6"  // 保存
    ")";

constexpr int kWidth = 255;
constexpr int kHeight = 369;

// Client positions of the rows. Row 10's key box sits 2 px lower than the 32 px step.
constexpr int kKeyBoxX = 12;
constexpr int kKeyBoxWidth = 40;
constexpr int kKeyBoxDroppedHeight = 160;  // with the list open; closed, the font decides
constexpr int kTextBoxX = 60;
constexpr int kTextBoxWidth = 178;
constexpr int kBoxHeight = 24;
int keyBoxY(int k) { return k == kSlotCount ? 302 : 12 + 32 * (k - 1); }
int textBoxY(int k) { return 10 + 32 * (k - 1); }

// The key box's items, at the indices that are the key modes.
constexpr const char* kKeyItems[] = {"P", "O", "\\"};
constexpr int kLastKeyItem = 2;

bool modifierHeld() {
    return GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_MENU) < 0;
}

bool isEscapeKeyDown(const MSG* message) {
    return message && message->message == WM_KEYDOWN && message->wParam == VK_ESCAPE;
}

bool validRow(int k) { return k >= 1 && k <= kSlotCount; }

// The ids under which the two control kinds are subclassed.
constexpr UINT_PTR kKeyBoxSubclass = 1;
constexpr UINT_PTR kTextBoxSubclass = 2;

}  // namespace

SettingsWindow::SettingsWindow(const ConfigStore& store, ConfigFaultHandler onConfigFault)
    : store_(store), onConfigFault_(std::move(onConfigFault)) {}

SettingsWindow::~SettingsWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool SettingsWindow::create(HWND owner, WindowStateSource& badge) {
    static const ATOM windowClass = [] {
        WNDCLASSEXA description{};
        description.cbSize = sizeof(description);
        description.lpfnWndProc = procedure;
        description.hInstance = GetModuleHandleA(nullptr);
        description.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        description.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
        description.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        description.lpszClassName = kClassName;
        return RegisterClassExA(&description);
    }();
    if (!windowClass || hwnd_) return false;
    badge_ = &badge;
    // Centred on the primary screen when created, and never moved by the program again.
    const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    // A fixed frame with a close button only; created hidden. The handle is taken at
    // WM_NCCREATE, so it is known while the rows are loaded in WM_CREATE.
    CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, left,
                    top, kWidth, kHeight, owner, nullptr, GetModuleHandleA(nullptr), this);
    return hwnd_ != nullptr;
}

LRESULT CALLBACK SettingsWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<SettingsWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<SettingsWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->lastFocus_ = nullptr;
        self->rows_ = {};
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return self->onMessage(message, wParam, lParam);
}

LRESULT SettingsWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            onCreate();
            return 0;
        case WM_CLOSE:
            // The close button, Alt+F4 and the window menu's Close: save and hide, and the
            // window stays alive with its contents.
            saveAndHide();
            return 0;
        case WM_GETDLGCODE:
            // The window itself holds the focus: let Esc reach WM_KEYDOWN below instead of
            // becoming a cancel command in IsDialogMessage.
            if (isEscapeKeyDown(reinterpret_cast<const MSG*>(lParam))) return DLGC_WANTMESSAGE;
            break;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE && onEscape()) return 0;
            break;
        case WM_COMMAND:
            // Enter and Esc turned into OK and Cancel by IsDialogMessage have no action of
            // their own (Esc is handled as a key, with its modifiers checked).
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) return 0;
            break;
        case WM_ACTIVATE:
            onActivate(wParam);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void SettingsWindow::onCreate() {
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageA(hwnd_, WM_SETFONT, font, FALSE);
    // Created row by row, key box first: that is also the Tab order.
    for (int k = 1; k <= kSlotCount; ++k) {
        createRow(k);
        SendMessageA(rows_[k - 1].keyBox, WM_SETFONT, font, FALSE);
        SendMessageA(rows_[k - 1].textBox, WM_SETFONT, font, FALSE);
    }
    loadRows();
}

void SettingsWindow::createRow(int k) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    Row& row = rows_[k - 1];
    row.keyBox = CreateWindowExA(
        0, WC_COMBOBOXA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kKeyBoxX,
        keyBoxY(k), kKeyBoxWidth, kKeyBoxDroppedHeight, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kKeyBoxId + k)), instance, nullptr);
    for (const char* item : kKeyItems)
        SendMessageA(row.keyBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SendMessageA(row.keyBox, CB_SETCURSEL, kKeyModeChatP, 0);

    row.textBox =
        CreateWindowExA(WS_EX_CLIENTEDGE, WC_EDITA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                        kTextBoxX, textBoxY(k), kTextBoxWidth, kBoxHeight, hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextBoxId + k)), instance, nullptr);
    // No limit of its own: 0 lifts the default of 32767 characters to the largest the
    // control can hold, so typing and pasting into a long sentence still work.
    SendMessageA(row.textBox, EM_SETLIMITTEXT, 0, 0);

    // Both control kinds would swallow Esc; it must reach the window as a close request.
    SetWindowSubclass(row.keyBox, controlProcedure, kKeyBoxSubclass, reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(row.textBox, controlProcedure, kTextBoxSubclass, reinterpret_cast<DWORD_PTR>(this));
}

void SettingsWindow::loadRows() {
    if (!store_.exists()) {
        const Settings defaults = defaultSettings(GetSystemMetrics(SM_CXSCREEN));
        for (int k = 1; k <= kSlotCount; ++k) {
            SetWindowTextA(rows_[k - 1].textBox, defaults.slots[k - 1].text.c_str());
            setRowKeyMode(k, defaults.slots[k - 1].keyMode);
        }
        return;
    }
    const std::optional<DecodedSlots> decoded = decodeSlots(store_.loadText());
    if (!decoded) {
        if (onConfigFault_) onConfigFault_();
        return;
    }
    // Rows beyond either list keep their initial values: empty text, selection 0.
    for (std::size_t i = 0; i < decoded->sentences.size() && i < rows_.size(); ++i) {
        SetWindowTextA(rows_[i].textBox, decoded->sentences[i].c_str());
    }
    for (std::size_t i = 0; i < decoded->keys.size() && i < rows_.size(); ++i) {
        setRowKeyMode(static_cast<int>(i) + 1, decoded->keys[i]);
    }
}

void SettingsWindow::setRowKeyMode(int k, int value) {
    // Clamped against the items: above the last item selects the last one, below -1 means
    // no selection, as -1 itself does.
    int selection = value;
    if (selection > kLastKeyItem) selection = kLastKeyItem;
    if (selection < kKeyModeNone) selection = kKeyModeNone;
    SendMessageA(rows_[k - 1].keyBox, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

LRESULT CALLBACK SettingsWindow::controlProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                                  UINT_PTR kind, DWORD_PTR selfPointer) noexcept {
    auto* self = reinterpret_cast<SettingsWindow*>(selfPointer);
    switch (message) {
        case WM_GETDLGCODE:
            // Without this, IsDialogMessage would turn Esc into a cancel command and the
            // control would never see the key.
            if (isEscapeKeyDown(reinterpret_cast<const MSG*>(lParam))) {
                return DefSubclassProc(control, message, wParam, lParam) | DLGC_WANTMESSAGE;
            }
            break;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                if (self->onEscape()) {
                    // An open list would otherwise float on without its hidden window.
                    if (kind == kKeyBoxSubclass) SendMessageA(control, CB_SHOWDROPDOWN, FALSE, 0);
                    return 0;
                }
            }
            break;
        case WM_CHAR:
            // The character that follows Esc; neither control has a use for it.
            if (wParam == VK_ESCAPE) return 0;
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(control, controlProcedure, kind);
            break;
        default:
            break;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

bool SettingsWindow::onEscape() {
    if (modifierHeld()) return false;
    saveAndHide();
    return true;
}

void SettingsWindow::onActivate(WPARAM wParam) {
    // As a dialog does: the focus leaves with the window and comes back to the same control.
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
        return;
    }
    if (HIWORD(wParam)) return;  // minimized
    SetFocus(lastFocus_ && IsWindow(lastFocus_) ? lastFocus_ : rows_[0].keyBox);
}

void SettingsWindow::show() {
    if (!hwnd_) return;
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
}

void SettingsWindow::hide() {
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void SettingsWindow::saveAndHide() {
    if (!hwnd_) return;
    Settings settings;
    for (int k = 1; k <= kSlotCount; ++k) {
        settings.slots[k - 1].text = rowText(k);
        settings.slots[k - 1].keyMode = rowKeyMode(k);
    }
    settings.window = badge_->badgeWindowState();
    store_.save(settings);
    hide();
}

bool SettingsWindow::translateDialogMessage(MSG* message) {
    return hwnd_ && IsDialogMessageA(hwnd_, message);
}

Text SettingsWindow::rowText(int k) {
    HWND box = textBox(k);
    if (!box) return {};
    const int length = GetWindowTextLengthA(box);
    if (length <= 0) return {};
    // The length may be an overestimate for two-byte text; the copy reports the truth.
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    const int copied = GetWindowTextA(box, buffer.data(), length + 1);
    return Text(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

KeyMode SettingsWindow::rowKeyMode(int k) {
    HWND box = keyBox(k);
    if (!box) return kKeyModeNone;
    const LRESULT selection = SendMessageA(box, CB_GETCURSEL, 0, 0);
    return selection == CB_ERR ? kKeyModeNone : static_cast<KeyMode>(selection);
}

HWND SettingsWindow::keyBox(int k) const { return validRow(k) ? rows_[k - 1].keyBox : nullptr; }

HWND SettingsWindow::textBox(int k) const { return validRow(k) ? rows_[k - 1].textBox : nullptr; }

}  // namespace quelvin
