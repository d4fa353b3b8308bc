// The emulated dialog manager's one interface to whatever plays the person
// in front of the screen: a front end. The scripted front end (scenarios)
// is one; a terminal front end is another.
//
// The dialog manager asks the front end for input whenever the topmost
// modal window waits for it (busy false), and whenever the program pumps
// messages in the middle of work (PeekMessageA; busy true). The front end
// looks at the windows through the Win32 calls themselves (GetWindowTextA,
// GetDlgItem, IsWindowEnabled, ...) and the few inspection calls below.
#pragma once

#include "platform/posix/win_types.h"

#include <string>
#include <vector>

namespace dialogs {

struct Input {
    enum class Kind {
        Key,         // key: VK_RETURN, VK_ESCAPE, VK_TAB (shift), VK_SPACE; or alt + letter
        Type,        // control, text: focus the edit, select all, type the characters
        Click,       // control: a mouse click
        Select,      // control, text: a click on the list entry with that text
        DoubleClick, // control, text: a double click on the list entry with that text
        Close,       // the close box
        Abandon,     // give up: the window ends at once (dialogs 0, message boxes 0)
    };
    Kind kind = Kind::Abandon;
    int key = 0;
    bool shift = false;
    bool alt = false;
    char letter = 0; // with alt: the mnemonic letter, upper case
    int control = 0;
    std::string text; // code page 1252
    int line = 0;     // where the input came from (a scenario line), for messages
};

class FrontEnd {
  public:
    virtual ~FrontEnd() = default;

    // The next input for `active`, the topmost modal window. False when
    // there is none: a waiting window is then abandoned; a busy program just
    // goes on.
    virtual bool NextInput(HWND active, bool busy, Input* input) = 0;

    // The dialog manager could not carry out an input (no such control, no
    // list entry with that text, no close box).
    virtual void InputFailed(HWND active, const Input& input, const std::string& why) = 0;
    // Something on the screen changed, perhaps while the program works
    // without pumping messages: the text of a static control (a static
    // repaints at once on Windows) or the desktop (which the shell repaints
    // by itself). A front end that draws may show it now.
    virtual void ScreenChanged() {}
};

// Installs the front end (nullptr: none; every modal window is then
// abandoned as soon as it waits for input). Returns the previous one.
FrontEnd* SetFrontEnd(FrontEnd* frontEnd);
// Tells the front end, if there is one, that the screen changed.
void NotifyScreenChanged();

// ---- Inspection for front ends ----

enum class Kind { Desktop, Dialog, MessageBox, Button, Edit, Static, ListBox, Other };

Kind KindOf(HWND window);
// The template id a dialog was made from (0 for a template named by string).
int DialogIdOf(HWND dialog);
// The text of a message box.
std::string MessageTextOf(HWND messageBox);
// The controls of a dialog or message box, in tab order.
std::vector<HWND> ControlsOf(HWND dialog);
DWORD StyleOf(HWND window);
// The list entries of a list box.
std::vector<std::string> ListEntriesOf(HWND listBox);
// Where a window lies, in dialog units of its top-level window: for a
// dialog or message box its client area (left and top 0), for a control
// its place in that client area.
RECT DialogUnitRectOf(HWND window);
// The modal windows open now, owner first.
std::vector<HWND> ModalWindows();

} // namespace dialogs
