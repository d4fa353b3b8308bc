// Scenarios: text files that drive the program's modal windows the way a
// person would and state what the person sees (format: docs/scenarios.md).
//
// Target-neutral: the parser and the Player that walks a scenario. A driver
// (the emulated dialog manager's scripted front end, or the test driver on
// Windows) shows the Player the active window through a Surface, and
// performs the action steps the Player hands back.
#pragma once

#include <string>
#include <vector>

namespace scenario {

enum class Op {
    // checks
    Caption,    // text: the window's caption
    Text,       // control, text: the control's text
    TextBegins, // control, text: the control's text begins with it
    Enabled,    // control
    Disabled,   // control
    Checked,    // control
    Unchecked,  // control
    Default,    // control (0: none): the dialog's default push button (DM_GETDEFID)
    Focus,      // control: the control that has the focus
    Entries,    // control, text: list box entries joined by "|"
    // checks of the machine while the window shows
    KeyPresent,      // text: a registry key "HKEY_...\\path" exists
    KeyAbsent,       // text: it does not
    ShortcutPresent, // text: the desktop holds the shortcut "<text>.lnk"
    ShortcutAbsent,  // text: it does not
    // actions
    Type,        // control, text: focus the edit, select all, type the characters
    Click,       // control: a mouse click on a button, edit or check box
    Select,      // control, text: a single click on the list entry with that text
    DoubleClick, // control, text: a double click on the list entry with that text
    Key,         // key: Enter, Escape, Tab, Shift+Tab, Space, Alt+<letter>
    Close,       // the window's close box
    // an action at the machine, not input to the window
    ChangeDiskette, // takes the diskette out of drive A and puts in an empty one
};

enum class Key { Enter, Escape, Tab, ShiftTab, Space, Alt };

struct Step {
    int line = 0;
    Op op = Op::Caption;
    bool busy = false; // the input arrives while the program is busy
    int control = 0;
    std::string text; // UTF-8 as written in the file
    Key key = Key::Enter;
    char letter = 0; // Alt+<letter>, upper case

    bool IsAction() const { return op >= Op::Type; }
};

struct Window {
    int line = 0;
    bool isMessageBox = false;
    int dialogId = 0;    // dialog
    std::string caption; // message box (UTF-8)
    std::string text;    // message box (UTF-8)
    std::vector<Step> steps;
};

struct Scenario {
    std::string name; // for messages: "name:line: ..."
    std::vector<Window> windows;
};

// Parses a scenario; false with "name:line: reason" in *error.
bool Parse(const std::string& text, const std::string& name, Scenario* out, std::string* error);

// What a driver can see of the active modal window. Texts are UTF-8.
class Surface {
  public:
    virtual ~Surface() = default;
    virtual bool IsMessageBox() = 0;
    // The dialog's template id; 0 when it cannot be told.
    virtual int DialogId() = 0;
    virtual std::string Caption() = 0;
    virtual std::string MessageText() = 0; // message boxes
    virtual bool HasControl(int id) = 0;
    virtual std::string ControlText(int id) = 0;
    virtual bool IsEnabled(int id) = 0;
    virtual bool IsChecked(int id) = 0;
    virtual int DefaultId() = 0; // 0 when the dialog reports none
    virtual int FocusId() = 0;   // 0 when no control of it has the focus
    virtual std::string ListEntries(int id) = 0;
};

class Player {
  public:
    enum class Result {
        Action,  // *action is the next input to give
        Nothing, // nothing for now (busy, and no input due)
        Failed,  // the run failed: see Error(); the driver abandons the window
    };

    explicit Player(Scenario scenario) : scenario_(std::move(scenario)) {}

    // The active window `handle` waits for input (busy false), or the
    // program pumps messages while it works (busy true). Runs the checks that
    // come next and returns the next action.
    Result Next(const void* handle, Surface& surface, bool busy, const Step** action);

    // Whether the next action to come, in this window's block or else first
    // in the next one, is input for a busy program.
    bool BusyActionIsNext() const;

    // After the program's part has finished: fails when steps are left.
    void Finish();

    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }
    void Fail(int line, const std::string& message);

  private:
    bool Identify(Surface& surface);
    bool RunCheck(const Step& step, Surface& surface);

    Scenario scenario_;
    size_t window_ = 0; // index of the current window block (valid once started)
    size_t step_ = 0;   // next step in it
    bool started_ = false;
    const void* handle_ = nullptr;
    std::string error_;
};

} // namespace scenario
