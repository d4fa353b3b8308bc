// The terminal front end: the program's modal windows in a terminal
// (ncurses), worked with the keyboard and the mouse.
//
// Keys: Tab and Shift+Tab move the focus; Enter presses the default button
// (in a list box: enters the selected entry); Escape cancels; Space presses
// the focused button; Alt plus a letter (or the bare letter outside an
// edit) is a mnemonic; arrows, Page keys, Home and End move in a list box
// and scroll a multi-line edit; typed characters go into the focused edit
// in code page 1252 (a character it cannot hold is refused).
#pragma once

#include "platform/posix/user/front_end.h"
#include "host/terminal_screen.h"

#include <string>

namespace dialogs {

class TerminalFrontEnd : public FrontEnd {
  public:
    // Takes over the terminal; false (with the reason) when stdin and
    // stdout are no terminal or the terminal is too small. The terminal is
    // restored by Stop, at exit, and on a crash signal.
    bool Start(std::string* error);
    void Stop();

    bool NextInput(HWND active, bool busy, Input* input) override;
    void InputFailed(HWND active, const Input& input, const std::string& why) override;
    // Repaints at once while the window last asked for input is still the
    // topmost (the program works on it); a window being set up waits for its
    // own first paint.
    void ScreenChanged() override;

  private:
    void Paint(bool busy);
    // Turns a key into an input for `active`; false when the key was
    // handled here (scrolling) or means nothing.
    bool FromKey(HWND active, int status, unsigned key, Input* input);
    bool FromMouse(HWND active, Input* input);
    bool Scroll(HWND control, int delta);
    bool MoveSelection(HWND list, int delta, bool absolute, Input* input);

    bool started_ = false;
    terminal::View view_;
    terminal::Picture picture_;
    std::string message_; // code page 1252, shown once in the hint line
    long long lastBusyPaint_ = 0;
    int desktopColor_ = -1;     // the terminal colour of the desktop's colour pair
    HWND lastActive_ = nullptr; // the window of the last NextInput
};

} // namespace dialogs
