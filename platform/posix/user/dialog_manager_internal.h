// The emulated dialog manager's internals, shared by the files of this
// folder only: its windows (the desktop, modal dialogs and message boxes,
// their controls), the focus, the posted-message queue and the front end
// (front_end.h) whose input drives the modal windows.
//
// A window handle is the address of its Window. A destroyed window stays in
// memory (not alive), so a stale handle is refused, never followed.
#pragma once

#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/api_resources.h"
#include "platform/posix/user/api_resources.h"
#include "platform/posix/user/api_text.h"
#include "platform/posix/user/api_windows.h"
#include "platform/posix/user/front_end.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace dialogs {

// The emulated screen and the frame of a dialog window (Windows 95 metrics).
constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
constexpr int kCaptionHeight = 18;
constexpr int kFrameWidth = 3;
constexpr int kDefaultEditLimit = 30000;

struct Window {
    Kind kind = Kind::Other;
    Window* parent = nullptr; // controls: their dialog; dialogs: their owner
    bool alive = true;
    int id = 0;
    DWORD style = 0;
    std::string text;
    RECT rect{}; // top-level: screen; controls: client coordinates of the dialog
    // buttons
    int check = BST_UNCHECKED;
    // edits
    int limit = kDefaultEditLimit;
    // list boxes
    std::vector<std::string> items;
    int selection = LB_ERR;
    // dialogs and message boxes
    DLGPROC proc = nullptr;
    int templateId = 0;
    int defaultId = IDOK;      // idResult: IDOK, the template's default button, or DM_SETDEFID
    int baseX = 6, baseY = 13; // dialog base units of the window's font (pixels)
    bool ended = false;
    INT_PTR result = 0;
    std::vector<Window*> children;
    std::string messageText;
    UINT messageType = 0;
    Window* savedFocus = nullptr; // the focus before the window opened; given back after
    bool disabledOwner = false;   // the owner was enabled and is disabled while this is open

    HWND handle() { return reinterpret_cast<HWND>(this); }
};

struct Posted {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct State {
    std::vector<std::unique_ptr<Window>> windows;
    Window desktop;
    std::vector<Window*> modal;
    Window* focus = nullptr;
    std::deque<Posted> posted;
    std::deque<Input> pendingInputs;
    FrontEnd* frontEnd = nullptr;

    State() {
        desktop.kind = Kind::Desktop;
        desktop.rect = {0, 0, kScreenWidth, kScreenHeight};
    }
};

// ---- Windows (window.cpp) ----

State& S();
// The live window of a handle, or nullptr.
Window* W(HWND handle);
bool IsTopLevel(const Window* w);
// The control of a dialog with that id, or nullptr.
Window* Child(Window* dialog, int id);
bool IsPushButton(const Window* w);
bool HasDefaultStyle(const Window* w);
void SetButtonDefaultStyle(Window* w, bool on);
bool IsEnabledWindow(const Window* w);
bool IsVisibleWindow(const Window* w);
// Rounded a * b / c, as MulDiv.
int MulDiv(int a, int b, int c);
Window* NewWindow(Kind kind);
void Destroy(Window* w);
Window* NewControl(Window* dialog, Kind kind, int id, DWORD style, const std::string& text,
                   RECT rect);
// Places a top-level window with the frame and caption around a client area.
void PlaceTopLevel(Window* w, int x, int y, int clientWidth, int clientHeight);
// The screen position of a window's client area.
POINT ClientOrigin(const Window* w);

// ---- Controls (controls.cpp) ----

// Sends a control's notification code to its dialog as WM_COMMAND.
void Notify(Window* control, int code);
// The window procedure of the controls (WM_GETTEXT also serves dialogs).
LRESULT ControlMessage(Window* w, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Dialogs (dialog_box.cpp) ----

// What a dialog does with a message its dialog procedure leaves unhandled.
LRESULT DefDialogMessage(Window* dialog, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Keyboard rules (dialog_keyboard.cpp) ----

// The first control that carries BS_DEFPUSHBUTTON, or nullptr.
Window* FindDefaultStyled(Window* dialog);
// DM_GETDEFID and DM_SETDEFID.
LRESULT GetDefId(Window* dialog);
void SetDefId(Window* dialog, int id);
// The focus moved to `next` through the keyboard or a click: the default
// style follows it to a push button, or back to the dialog's own.
void SetDefButton(Window* dialog, Window* next);
void FocusControl(Window* control);
// The next (or previous) control after `from` that can take the focus
// through Tab; from nullptr: the first (or last).
Window* NextTabItem(Window* dialog, Window* from, bool previous);
// WM_NEXTDLGCTL: focus a control and let it carry the default style.
void NextDlgCtl(Window* dialog, Window* control);
// A key pressed in a dialog: Alt with a mnemonic letter, Enter, Escape,
// Tab or Space. `focus` is the focused control if it is the dialog's.
void PressKey(Window* dialog, Window* focus, const Input& in);

// ---- Messages (message_queue.cpp) ----

// Sends a message to a window: a dialog's procedure, then its default
// handling; a control's own procedure. Nothing for a dead window.
LRESULT Send(Window* w, UINT message, WPARAM wParam, LPARAM lParam);
// Runs the first posted message; false when there is none.
bool RunPosted();

// ---- The modal loop (modal_loop.cpp) ----

// Carries out one front-end input in a modal window and tells the front
// end when it could not.
void DeliverAndReport(Window* dialog, const Input& in);
// A modal window disables its owner while it is open and gives back the
// focus it found when it closes.
void DisableOwner(Window* window);
void CloseModal(Window* window);
// Runs a modal window until it ends; its result.
INT_PTR RunModal(Window* window);

} // namespace dialogs
