// The terminal front end of the emulated dialog manager.
#define NCURSES_WIDECHAR 1
#include "host/terminal_front_end.h"
#include "platform/posix/kernel/codepage.h"
#include "platform/win32.h"

#include <curses.h>
#include <errno.h>
#include <langinfo.h>
#include <locale.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

namespace dialogs {
namespace {

constexpr char kHintWaiting[] = "Tab: n\xE4"
                                "chstes Feld   Enter: Standardschalter   "
                                "Esc: Abbrechen   Alt+Buchstabe: Kurzwahl";
constexpr char kHintBusy[] = "Bitte warten ...";
constexpr char kRefused[] = "Dieses Zeichen kann hier nicht eingegeben werden.";

SCREEN* g_screen = nullptr;

void RestoreTerminal() {
    if (g_screen && !isendwin())
        endwin();
}

// A crash or an interrupt: give the terminal back, then die of the signal
// as before.
void OnSignal(int signal) {
    RestoreTerminal();
    ::signal(signal, SIG_DFL);
    raise(signal);
}

long long NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

enum Pair : short { kPairWindow = 1, kPairCaption, kPairDesktop, kPairHint };

attr_t CursesAttr(uint8_t attr, short* pair) {
    attr_t out = A_NORMAL;
    *pair = kPairWindow;
    if (attr & terminal::kBold)
        out |= A_BOLD;
    if (attr & terminal::kReverse)
        out |= A_REVERSE;
    if (attr & terminal::kDim)
        out |= A_DIM;
    if (attr & terminal::kUnderline)
        out |= A_UNDERLINE;
    if (attr & terminal::kCaption) {
        *pair = kPairCaption;
        out |= A_BOLD;
    }
    if (attr & terminal::kDesktop)
        *pair = kPairDesktop;
    if (attr & terminal::kHint)
        *pair = kPairHint;
    if (!has_colors()) {
        *pair = 0;
        if (attr & (terminal::kCaption | terminal::kHint))
            out |= A_REVERSE;
    }
    return out;
}

bool Contains(const std::vector<HWND>& list, HWND window) {
    return std::find(list.begin(), list.end(), window) != list.end();
}

HWND FocusIn(HWND active) {
    HWND focus = GetFocus();
    return focus && Contains(ControlsOf(active), focus) ? focus : nullptr;
}

bool IsWritableEdit(HWND control) {
    return control && KindOf(control) == Kind::Edit && !(StyleOf(control) & ES_READONLY) &&
           IsWindowEnabled(control);
}

bool IsMultiLineEdit(HWND control) {
    return control && KindOf(control) == Kind::Edit && (StyleOf(control) & ES_MULTILINE);
}

void KeyInput(Input* input, int key, bool shift = false) {
    *input = Input();
    input->kind = Input::Kind::Key;
    input->key = key;
    input->shift = shift;
}

void MnemonicInput(Input* input, unsigned char letter) {
    *input = Input();
    input->kind = Input::Kind::Key;
    input->alt = true;
    input->letter = static_cast<char>(codepage::ToUpper(letter));
}

void ControlInput(Input* input, Input::Kind kind, HWND control, const std::string& text = "") {
    *input = Input();
    input->kind = kind;
    input->control = GetDlgCtrlID(control);
    input->text = text;
}

} // namespace

bool TerminalFrontEnd::Start(std::string* error) {
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
        *error = "the terminal front end needs a terminal (stdin and stdout are no terminal); "
                 "run a scenario with --scenario FILE instead";
        return false;
    }
    setlocale(LC_CTYPE, "");
    if (strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        setlocale(LC_CTYPE, "C.UTF-8");
    g_screen = newterm(nullptr, stdout, stdin);
    if (!g_screen) {
        *error = "the terminal is not known (is TERM set?)";
        return false;
    }
    atexit(RestoreTerminal);
    for (int s : {SIGSEGV, SIGABRT, SIGINT, SIGTERM, SIGBUS, SIGFPE, SIGHUP})
        signal(s, OnSignal);
    int rows, cols;
    getmaxyx(stdscr, rows, cols);
    if (cols < terminal::kMinWidth || rows < terminal::kMinHeight) {
        endwin();
        char text[160];
        snprintf(text, sizeof text,
                 "the terminal is too small: %d x %d; the setup needs at least %d x %d", cols, rows,
                 terminal::kMinWidth, terminal::kMinHeight);
        *error = text;
        return false;
    }
    cbreak();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    set_escdelay(25);
    mousemask(BUTTON1_CLICKED | BUTTON1_DOUBLE_CLICKED | BUTTON4_PRESSED | BUTTON5_PRESSED,
              nullptr);
    if (has_colors()) {
        start_color();
        init_pair(kPairWindow, COLOR_BLACK, COLOR_WHITE);
        init_pair(kPairCaption, COLOR_WHITE, COLOR_BLUE);
        init_pair(kPairDesktop, COLOR_WHITE, COLOR_CYAN);
        desktopColor_ = COLOR_CYAN;
        init_pair(kPairHint, COLOR_BLACK, COLOR_WHITE);
    }
    started_ = true;
    return true;
}

void TerminalFrontEnd::Stop() {
    if (!started_)
        return;
    started_ = false;
    RestoreTerminal();
}

void TerminalFrontEnd::Paint(bool busy) {
    int rows, cols;
    getmaxyx(stdscr, rows, cols);
    terminal::Canvas canvas(cols, rows);
    std::string hint = !message_.empty() ? message_ : busy ? kHintBusy : kHintWaiting;
    terminal::Draw(&canvas, &view_, hint, &picture_);
    if (has_colors()) {
        // The desktop in the terminal colour nearest to the emulated one.
        int desktop = terminal::NearestColor(picture_.desktopColor, COLORS >= 16 ? 16 : 8);
        if (desktop != desktopColor_) {
            init_pair(kPairDesktop, terminal::IsLightColor(desktop) ? COLOR_BLACK : COLOR_WHITE,
                      static_cast<short>(desktop));
            desktopColor_ = desktop;
        }
    }
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < cols; ++x) {
            // The last cell is left alone: writing it scrolls some terminals.
            if (y == rows - 1 && x == cols - 1)
                continue;
            const terminal::Cell& cell = canvas.At(x, y);
            short pair;
            attr_t attr = CursesAttr(cell.attr, &pair);
            wchar_t text[2] = {static_cast<wchar_t>(cell.ch), 0};
            cchar_t c;
            setcchar(&c, text, attr, pair, nullptr);
            mvadd_wch(y, x, &c);
        }
    }
    if (picture_.cursorX >= 0 && !picture_.tooSmall) {
        curs_set(1);
        move(picture_.cursorY, picture_.cursorX);
    } else {
        curs_set(0);
    }
    refresh();
}

bool TerminalFrontEnd::NextInput(HWND active, bool busy, Input* input) {
    if (!started_)
        return false;
    lastActive_ = active;
    if (busy) {
        // The program pumps after every block: repaint now and then, and
        // take what the person typed meanwhile without waiting.
        long long now = NowMs();
        if (now - lastBusyPaint_ >= 40) {
            Paint(true);
            lastBusyPaint_ = now;
        }
        timeout(0);
        wint_t key;
        int status = get_wch(&key);
        if (status == ERR)
            return false;
        bool answered = FromKey(active, status, key, input);
        Paint(true);
        return answered;
    }
    for (;;) {
        Paint(false);
        message_.clear();
        timeout(-1);
        wint_t key;
        errno = 0;
        int status = get_wch(&key);
        if (status == ERR && errno == EINTR)
            continue;
        if (status == ERR)
            return false; // the terminal is gone: the window is abandoned
        if (picture_.tooSmall && !(status == KEY_CODE_YES && key == KEY_RESIZE))
            continue;
        if (FromKey(active, status, key, input))
            return true;
    }
}

void TerminalFrontEnd::InputFailed(HWND, const Input&, const std::string&) {
    beep();
}

void TerminalFrontEnd::ScreenChanged() {
    if (!started_ || !lastActive_)
        return;
    std::vector<HWND> windows = ModalWindows();
    if (windows.empty() || windows.back() != lastActive_)
        return;
    Paint(true);
    lastBusyPaint_ = NowMs();
}

bool TerminalFrontEnd::Scroll(HWND control, int delta) {
    int& top = view_.top[control];
    top = std::max(0, top + delta); // the picture clamps at the end
    return false;
}

bool TerminalFrontEnd::MoveSelection(HWND list, int delta, bool absolute, Input* input) {
    std::vector<std::string> entries = ListEntriesOf(list);
    if (entries.empty())
        return false;
    int count = static_cast<int>(entries.size());
    int current = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
    int next = absolute ? delta : current < 0 ? 0 : current + delta;
    next = std::clamp(next, 0, count - 1);
    if (next == current)
        return false;
    ControlInput(input, Input::Kind::Select, list, entries[static_cast<size_t>(next)]);
    return true;
}

bool TerminalFrontEnd::FromKey(HWND active, int status, unsigned key, Input* input) {
    HWND focus = FocusIn(active);
    bool list = focus && KindOf(focus) == Kind::ListBox;
    bool multiLine = IsMultiLineEdit(focus);
    int page = focus ? std::max(1, terminal::VisibleLines(focus) - 1) : 1;
    if (status == KEY_CODE_YES) {
        switch (key) {
        case KEY_RESIZE:
            return false;
        case KEY_MOUSE:
            return FromMouse(active, input);
        case KEY_BTAB:
            KeyInput(input, VK_TAB, true);
            return true;
        case KEY_ENTER:
            break; // below, with '\r'
        case KEY_UP:
        case KEY_DOWN:
        case KEY_PPAGE:
        case KEY_NPAGE: {
            int step = key == KEY_UP ? -1 : key == KEY_DOWN ? 1 : key == KEY_PPAGE ? -page : page;
            if (list)
                return MoveSelection(focus, step, false, input);
            if (multiLine)
                return Scroll(focus, step);
            KeyInput(input, VK_TAB, step < 0);
            return true;
        }
        case KEY_LEFT:
        case KEY_RIGHT:
            if (list || multiLine || IsWritableEdit(focus))
                return false;
            KeyInput(input, VK_TAB, key == KEY_LEFT);
            return true;
        case KEY_HOME:
        case KEY_END:
            if (list)
                return MoveSelection(focus, key == KEY_HOME ? 0 : 1 << 30, true, input);
            if (multiLine)
                return Scroll(focus, key == KEY_HOME ? -(1 << 30) : 1 << 30);
            return false;
        case KEY_BACKSPACE:
            key = 8;
            status = OK;
            break;
        default:
            return false;
        }
        if (key == KEY_ENTER)
            key = '\r';
    }
    switch (key) {
    case '\t':
        KeyInput(input, VK_TAB);
        return true;
    case '\r':
    case '\n':
        if (list) {
            int selection = static_cast<int>(SendMessageA(focus, LB_GETCURSEL, 0, 0));
            std::vector<std::string> entries = ListEntriesOf(focus);
            if (selection >= 0 && selection < static_cast<int>(entries.size())) {
                ControlInput(input, Input::Kind::DoubleClick, focus,
                             entries[static_cast<size_t>(selection)]);
                return true;
            }
        }
        KeyInput(input, VK_RETURN);
        return true;
    case 27: {
        // Alt+letter comes as Escape and the letter.
        timeout(0);
        wint_t next;
        int nextStatus = get_wch(&next);
        if (nextStatus == OK && (next == '[' || next == 'O')) {
            // A key sequence the terminal description does not know: its
            // parameters, then a final character; dropped.
            while (get_wch(&next) == OK && !(next >= 0x40 && next <= 0x7E && next != '['))
                continue;
            return false;
        }
        if (nextStatus == OK && next > ' ' && next < 0x7F) {
            MnemonicInput(input, static_cast<unsigned char>(next));
            return true;
        }
        KeyInput(input, VK_ESCAPE);
        return true;
    }
    case 8:
    case 127:
        if (IsWritableEdit(focus)) {
            std::string text = terminal::WindowText(focus);
            if (text.empty())
                return false;
            text.pop_back();
            ControlInput(input, Input::Kind::Type, focus, text);
            return true;
        }
        return false;
    default:
        break;
    }
    if (key < ' ' || (key >= 0x7F && key < 0xA0))
        return false;
    if (IsWritableEdit(focus)) {
        unsigned char byte;
        if (!codepage::FromUnicode(key, &byte)) {
            message_ = kRefused;
            beep();
            return false;
        }
        ControlInput(input, Input::Kind::Type, focus, terminal::WindowText(focus) + char(byte));
        return true;
    }
    if (key == ' ') {
        KeyInput(input, VK_SPACE);
        return true;
    }
    // Outside an edit a bare letter works as its mnemonic.
    unsigned char byte;
    if (codepage::FromUnicode(key, &byte) && byte > ' ') {
        MnemonicInput(input, byte);
        return true;
    }
    return false;
}

bool TerminalFrontEnd::FromMouse(HWND active, Input* input) {
    MEVENT event;
    if (getmouse(&event) != OK)
        return false;
    for (auto hit = picture_.hits.rbegin(); hit != picture_.hits.rend(); ++hit) {
        if (hit->window != active || !hit->box.Contains(event.x, event.y))
            continue;
        if (event.bstate & (BUTTON4_PRESSED | BUTTON5_PRESSED)) {
            if (hit->control && KindOf(hit->control) != Kind::Button)
                return Scroll(hit->control, event.bstate & BUTTON4_PRESSED ? -3 : 3);
            continue;
        }
        switch (hit->what) {
        case terminal::Hit::What::CloseBox:
            *input = Input();
            input->kind = Input::Kind::Close;
            return true;
        case terminal::Hit::What::ScrollUp:
        case terminal::Hit::What::ScrollDown:
            return Scroll(hit->control, hit->what == terminal::Hit::What::ScrollUp ? -1 : 1);
        case terminal::Hit::What::ListEntry: {
            std::vector<std::string> entries = ListEntriesOf(hit->control);
            if (hit->entry < 0 || hit->entry >= static_cast<int>(entries.size()))
                return false;
            ControlInput(input,
                         event.bstate & BUTTON1_DOUBLE_CLICKED ? Input::Kind::DoubleClick
                                                               : Input::Kind::Select,
                         hit->control, entries[static_cast<size_t>(hit->entry)]);
            return true;
        }
        case terminal::Hit::What::Control:
            ControlInput(input, Input::Kind::Click, hit->control);
            return true;
        }
    }
    return false;
}

} // namespace dialogs
