// Scenario parser and player.
#include "platform/scenario.h"

#include "platform/win32.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

namespace scenario {
namespace {

class LineReader {
  public:
    explicit LineReader(const std::string& line) : s_(line) {}

    void SkipBlanks() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r'))
            ++pos_;
    }
    bool AtEnd() {
        SkipBlanks();
        return pos_ >= s_.size() || s_[pos_] == '#';
    }
    std::string Word() {
        SkipBlanks();
        size_t start = pos_;
        while (pos_ < s_.size() && !isspace(static_cast<unsigned char>(s_[pos_])) &&
               s_[pos_] != '"')
            ++pos_;
        return s_.substr(start, pos_ - start);
    }
    bool Number(int* value) {
        std::string w = Word();
        if (w.empty())
            return false;
        char* end = nullptr;
        long v = strtol(w.c_str(), &end, 10);
        if (*end)
            return false;
        *value = static_cast<int>(v);
        return true;
    }
    // A quoted string with the escapes \n \r \t \\ \".
    bool Quoted(std::string* out) {
        SkipBlanks();
        out->clear();
        if (pos_ >= s_.size() || s_[pos_] != '"')
            return false;
        ++pos_;
        while (pos_ < s_.size()) {
            char c = s_[pos_++];
            if (c == '"')
                return true;
            if (c == '\\' && pos_ < s_.size()) {
                char e = s_[pos_++];
                switch (e) {
                case 'n':
                    *out += '\n';
                    break;
                case 'r':
                    *out += '\r';
                    break;
                case 't':
                    *out += '\t';
                    break;
                default:
                    *out += e;
                }
            } else {
                *out += c;
            }
        }
        return false;
    }

  private:
    const std::string& s_;
    size_t pos_ = 0;
};

struct Keyword {
    const char* word;
    Op op;
    bool control; // takes a control id
    bool text;    // takes a quoted text
};

const Keyword kKeywords[] = {
    {"caption", Op::Caption, false, true},
    {"text", Op::Text, true, true},
    {"text-begins", Op::TextBegins, true, true},
    {"enabled", Op::Enabled, true, false},
    {"disabled", Op::Disabled, true, false},
    {"checked", Op::Checked, true, false},
    {"unchecked", Op::Unchecked, true, false},
    {"default", Op::Default, true, false},
    {"focus", Op::Focus, true, false},
    {"entries", Op::Entries, true, true},
    {"key-present", Op::KeyPresent, false, true},
    {"key-absent", Op::KeyAbsent, false, true},
    {"shortcut-present", Op::ShortcutPresent, false, true},
    {"shortcut-absent", Op::ShortcutAbsent, false, true},
    {"type", Op::Type, true, true},
    {"click", Op::Click, true, false},
    {"select", Op::Select, true, true},
    {"double-click", Op::DoubleClick, true, true},
    {"key", Op::Key, false, false},
    {"close", Op::Close, false, false},
    {"change-diskette", Op::ChangeDiskette, false, false},
};

// Message box buttons may be named instead of numbered.
bool ButtonName(const std::string& word, int* id) {
    static const struct {
        const char* name;
        int id;
    } names[] = {{"OK", 1}, {"Cancel", 2}, {"Yes", 6}, {"No", 7}};
    for (const auto& n : names) {
        if (word == n.name) {
            *id = n.id;
            return true;
        }
    }
    return false;
}

bool ParseKey(const std::string& word, Step* step) {
    if (word == "Enter")
        step->key = Key::Enter;
    else if (word == "Escape")
        step->key = Key::Escape;
    else if (word == "Tab")
        step->key = Key::Tab;
    else if (word == "Shift+Tab")
        step->key = Key::ShiftTab;
    else if (word == "Space")
        step->key = Key::Space;
    else if (word.size() == 5 && word.compare(0, 4, "Alt+") == 0 &&
             isalnum(static_cast<unsigned char>(word[4]))) {
        step->key = Key::Alt;
        step->letter = static_cast<char>(toupper(static_cast<unsigned char>(word[4])));
    } else
        return false;
    return true;
}

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else
            out += c;
    }
    return out + "\"";
}

// ---- What the machine holds (the same calls on both targets) ----

// Whether the registry key "HKEY_<ROOT>\\path" exists; false with *why when
// the root is not one of the four.
bool KeyExists(const std::string& full, bool* exists, std::string* why) {
    static const struct {
        const char* name;
        HKEY root;
    } roots[] = {{"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                 {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                 {"HKEY_USERS", HKEY_USERS},
                 {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT}};
    size_t cut = full.find('\\');
    std::string rootName = full.substr(0, cut);
    std::string path = cut == std::string::npos ? "" : full.substr(cut + 1);
    for (const auto& r : roots) {
        if (rootName != r.name)
            continue;
        HKEY key;
        *exists = RegOpenKeyExA(r.root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (*exists)
            RegCloseKey(key);
        return true;
    }
    *why = "unknown registry root \"" + rootName + "\"";
    return false;
}

// Whether the desktop holds the shortcut `name`.lnk; false with *why when
// the desktop directory cannot be found.
bool ShortcutExists(const std::string& name, bool* exists, std::string* why) {
    LPITEMIDLIST list = nullptr;
    char desktop[MAX_PATH] = "";
    bool found = SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &list)) &&
                 list && SHGetPathFromIDListA(list, desktop);
    IMalloc* allocator = nullptr;
    if (list && SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
        allocator->Free(list);
        allocator->Release();
    }
    if (!found) {
        *why = "the desktop directory cannot be found";
        return false;
    }
    std::string path = std::string(desktop) + "\\" + name + ".lnk";
    *exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    return true;
}

} // namespace

bool Parse(const std::string& text, const std::string& name, Scenario* out, std::string* error) {
    *out = Scenario();
    out->name = name;
    int lineNumber = 0;
    size_t pos = 0;
    auto fail = [&](const std::string& why) {
        *error = name + ":" + std::to_string(lineNumber) + ": " + why;
        return false;
    };
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        LineReader r(line);
        if (r.AtEnd())
            continue;
        std::string word = r.Word();
        if (word == "dialog") {
            Window w;
            w.line = lineNumber;
            if (!r.Number(&w.dialogId) || !r.AtEnd())
                return fail("expected: dialog <id>");
            out->windows.push_back(w);
            continue;
        }
        if (word == "message") {
            Window w;
            w.line = lineNumber;
            w.isMessageBox = true;
            if (!r.Quoted(&w.caption) || !r.Quoted(&w.text) || !r.AtEnd())
                return fail("expected: message \"<caption>\" \"<text>\"");
            out->windows.push_back(w);
            continue;
        }
        if (out->windows.empty())
            return fail("a step before the first window (dialog or message)");
        Step step;
        step.line = lineNumber;
        if (word == "busy") {
            step.busy = true;
            word = r.Word();
        }
        const Keyword* keyword = nullptr;
        for (const Keyword& k : kKeywords) {
            if (word == k.word)
                keyword = &k;
        }
        if (!keyword)
            return fail("unknown step '" + word + "'");
        step.op = keyword->op;
        if (step.busy && !step.IsAction())
            return fail("only actions can be busy");
        if (keyword->control) {
            std::string id = r.Word();
            if (step.op == Op::Default && id == "none") {
                step.control = 0;
            } else if (!ButtonName(id, &step.control)) {
                char* endp = nullptr;
                long v = strtol(id.c_str(), &endp, 10);
                if (id.empty() || *endp)
                    return fail("expected a control id after '" + word + "'");
                step.control = static_cast<int>(v);
            }
        }
        if (keyword->text && !r.Quoted(&step.text))
            return fail("expected a quoted text after '" + word + "'");
        if (step.op == Op::Key && !ParseKey(r.Word(), &step))
            return fail("expected a key: Enter, Escape, Tab, Shift+Tab, Space or Alt+<letter>");
        if (!r.AtEnd())
            return fail("unexpected text at the end of the line");
        out->windows.back().steps.push_back(step);
    }
    return true;
}

void Player::Fail(int line, const std::string& message) {
    if (error_.empty())
        error_ = scenario_.name + ":" + std::to_string(line) + ": " + message;
}

bool Player::Identify(Surface& surface) {
    const Window& want = scenario_.windows[window_];
    if (want.isMessageBox) {
        if (!surface.IsMessageBox()) {
            Fail(want.line, "expected a message box, found dialog " +
                                std::to_string(surface.DialogId()) + " " +
                                Quote(surface.Caption()));
            return false;
        }
        if (surface.Caption() != want.caption || surface.MessageText() != want.text) {
            Fail(want.line, "expected message " + Quote(want.caption) + " " + Quote(want.text) +
                                ", found " + Quote(surface.Caption()) + " " +
                                Quote(surface.MessageText()));
            return false;
        }
        return true;
    }
    if (surface.IsMessageBox()) {
        Fail(want.line, "expected dialog " + std::to_string(want.dialogId) +
                            ", found message box " + Quote(surface.Caption()) + " " +
                            Quote(surface.MessageText()));
        return false;
    }
    if (surface.DialogId() != want.dialogId) {
        Fail(want.line, "expected dialog " + std::to_string(want.dialogId) + ", found dialog " +
                            std::to_string(surface.DialogId()) + " " + Quote(surface.Caption()));
        return false;
    }
    return true;
}

bool Player::RunCheck(const Step& step, Surface& surface) {
    auto needControl = [&]() {
        if (surface.HasControl(step.control))
            return true;
        Fail(step.line, "the window has no control " + std::to_string(step.control));
        return false;
    };
    switch (step.op) {
    case Op::Caption:
        if (surface.Caption() != step.text) {
            Fail(step.line, "caption is " + Quote(surface.Caption()));
            return false;
        }
        return true;
    case Op::Text:
        if (!needControl())
            return false;
        if (surface.ControlText(step.control) != step.text) {
            Fail(step.line, "control " + std::to_string(step.control) + " shows " +
                                Quote(surface.ControlText(step.control)));
            return false;
        }
        return true;
    case Op::TextBegins:
        if (!needControl())
            return false;
        if (surface.ControlText(step.control).compare(0, step.text.size(), step.text) != 0) {
            Fail(step.line, "control " + std::to_string(step.control) + " shows " +
                                Quote(surface.ControlText(step.control)));
            return false;
        }
        return true;
    case Op::Enabled:
    case Op::Disabled:
        if (!needControl())
            return false;
        if (surface.IsEnabled(step.control) != (step.op == Op::Enabled)) {
            Fail(step.line, "control " + std::to_string(step.control) + " is " +
                                (surface.IsEnabled(step.control) ? "enabled" : "disabled"));
            return false;
        }
        return true;
    case Op::Checked:
    case Op::Unchecked:
        if (!needControl())
            return false;
        if (surface.IsChecked(step.control) != (step.op == Op::Checked)) {
            Fail(step.line, "control " + std::to_string(step.control) + " is " +
                                (surface.IsChecked(step.control) ? "checked" : "unchecked"));
            return false;
        }
        return true;
    case Op::Default:
        if (surface.DefaultId() != step.control) {
            Fail(step.line, "the default button is " + std::to_string(surface.DefaultId()));
            return false;
        }
        return true;
    case Op::Focus:
        if (surface.FocusId() != step.control) {
            Fail(step.line, "the focus is on control " + std::to_string(surface.FocusId()));
            return false;
        }
        return true;
    case Op::Entries:
        if (!needControl())
            return false;
        if (surface.ListEntries(step.control) != step.text) {
            Fail(step.line, "list " + std::to_string(step.control) + " holds " +
                                Quote(surface.ListEntries(step.control)));
            return false;
        }
        return true;
    case Op::KeyPresent:
    case Op::KeyAbsent:
    case Op::ShortcutPresent:
    case Op::ShortcutAbsent: {
        bool want = step.op == Op::KeyPresent || step.op == Op::ShortcutPresent;
        bool key = step.op == Op::KeyPresent || step.op == Op::KeyAbsent;
        bool exists = false;
        std::string why;
        if (!(key ? KeyExists(step.text, &exists, &why)
                  : ShortcutExists(step.text, &exists, &why))) {
            Fail(step.line, why);
            return false;
        }
        if (exists != want) {
            Fail(step.line, std::string(key ? "the key " : "the shortcut ") + Quote(step.text) +
                                (exists ? " exists" : " is missing"));
            return false;
        }
        return true;
    }
    default:
        return true;
    }
}

Player::Result Player::Next(const void* handle, Surface& surface, bool busy, const Step** action) {
    *action = nullptr;
    if (Failed())
        return Result::Failed;
    bool stayed = started_ && handle == handle_;
    if (!stayed) {
        // Another window is active: the current block must be done, and the
        // next block names this window.
        size_t next = started_ ? window_ + 1 : 0;
        if (busy) {
            // The program pumps messages: only move on when the next block
            // begins with input for a busy program.
            if (next >= scenario_.windows.size())
                return Result::Nothing;
            const Window& w = scenario_.windows[next];
            bool busyFirst = false;
            for (const Step& s : w.steps) {
                if (s.IsAction()) {
                    busyFirst = s.busy;
                    break;
                }
            }
            if (!busyFirst)
                return Result::Nothing;
        }
        if (started_ && step_ < scenario_.windows[window_].steps.size()) {
            Fail(scenario_.windows[window_].steps[step_].line,
                 "the window closed or lost the focus before this step");
            return Result::Failed;
        }
        if (next >= scenario_.windows.size()) {
            int line = scenario_.windows.empty() ? 0 : scenario_.windows.back().line;
            Fail(line,
                 "the scenario has ended, but another window is waiting for input (" +
                     (surface.IsMessageBox() ? "message box " + Quote(surface.Caption())
                                             : "dialog " + std::to_string(surface.DialogId())) +
                     ")");
            return Result::Failed;
        }
        started_ = true;
        window_ = next;
        step_ = 0;
        handle_ = handle;
        if (!Identify(surface))
            return Result::Failed;
    }
    const Window& w = scenario_.windows[window_];
    while (step_ < w.steps.size()) {
        const Step& step = w.steps[step_];
        if (!step.IsAction()) {
            if (!RunCheck(step, surface))
                return Result::Failed;
            ++step_;
            continue;
        }
        if (step.busy != busy) {
            if (busy)
                return Result::Nothing;
            Fail(step.line, "this input is for a busy program, but the window waits for input");
            return Result::Failed;
        }
        ++step_;
        *action = &step;
        return Result::Action;
    }
    if (busy)
        return Result::Nothing;
    Fail(w.line, "the window still waits for input after its last step");
    return Result::Failed;
}

bool Player::BusyActionIsNext() const {
    // The rest of the current block, then the next block from its start.
    size_t window = started_ ? window_ : 0;
    size_t step = started_ ? step_ : 0;
    for (int blocks = 0; blocks < 2 && window < scenario_.windows.size(); ++blocks, ++window) {
        const std::vector<Step>& steps = scenario_.windows[window].steps;
        for (; step < steps.size(); ++step) {
            if (steps[step].IsAction())
                return steps[step].busy;
        }
        step = 0;
    }
    return false;
}

void Player::Finish() {
    if (Failed())
        return;
    if (!started_) {
        if (!scenario_.windows.empty())
            Fail(scenario_.windows.front().line, "this window never opened");
        return;
    }
    const Window& w = scenario_.windows[window_];
    if (step_ < w.steps.size()) {
        Fail(w.steps[step_].line, "the window closed before this step");
        return;
    }
    if (window_ + 1 < scenario_.windows.size())
        Fail(scenario_.windows[window_ + 1].line, "this window never opened");
}

} // namespace scenario
