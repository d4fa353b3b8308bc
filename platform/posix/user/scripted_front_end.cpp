// The scripted front end of the emulated dialog manager.
#include "platform/posix/user/scripted_front_end.h"

#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/user/api_windows.h"

namespace dialogs {
namespace {

std::string Utf8(const std::string& ansi) {
    return codepage::Cp1252ToUtf8(ansi);
}

// The active window as the scenario sees it.
class WindowSurface : public scenario::Surface {
  public:
    explicit WindowSurface(HWND window) : window_(window) {}

    bool IsMessageBox() override { return KindOf(window_) == Kind::MessageBox; }
    int DialogId() override { return DialogIdOf(window_); }
    std::string Caption() override { return Text(window_); }
    std::string MessageText() override { return Utf8(MessageTextOf(window_)); }
    bool HasControl(int id) override { return GetDlgItem(window_, id) != nullptr; }
    std::string ControlText(int id) override { return Text(GetDlgItem(window_, id)); }
    bool IsEnabled(int id) override { return IsWindowEnabled(GetDlgItem(window_, id)) != FALSE; }
    bool IsChecked(int id) override { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }
    int DefaultId() override {
        LRESULT answer = SendMessageA(window_, DM_GETDEFID, 0, 0);
        return HIWORD(answer) == DC_HASDEFID ? LOWORD(answer) : 0;
    }
    int FocusId() override {
        HWND focus = GetFocus();
        for (HWND c : ControlsOf(window_)) {
            if (c == focus)
                return GetDlgCtrlID(c);
        }
        return 0;
    }
    std::string ListEntries(int id) override {
        std::string joined;
        for (const std::string& entry : ListEntriesOf(GetDlgItem(window_, id)))
            joined += (joined.empty() ? "" : "|") + Utf8(entry);
        return joined;
    }

  private:
    static std::string Text(HWND window) {
        int length = static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
        std::string text(static_cast<size_t>(length) + 1, '\0');
        int n = GetWindowTextA(window, text.data(), length + 1);
        text.resize(n > 0 ? n : 0);
        return Utf8(text);
    }

    HWND window_;
};

} // namespace

bool ScriptedFrontEnd::NextInput(HWND active, bool busy, Input* input) {
    WindowSurface surface(active);
    const scenario::Step* step = nullptr;
    scenario::Player::Result result = player_.Next(active, surface, busy, &step);
    // What the person does at the machine is no input to the window.
    while (result == scenario::Player::Result::Action && step->op == scenario::Op::ChangeDiskette) {
        machine::EjectDiskette();
        machine::SetDisketteWriteProtected(false);
        machine::InsertDiskette();
        result = player_.Next(active, surface, busy, &step);
    }
    if (result == scenario::Player::Result::Nothing)
        return false;
    *input = Input();
    if (result == scenario::Player::Result::Failed) {
        input->kind = Input::Kind::Abandon;
        return true;
    }
    input->line = step->line;
    input->control = step->control;
    if (!codepage::Utf8ToCp1252(step->text, &input->text)) {
        player_.Fail(step->line, "the text has characters outside code page 1252");
        input->kind = Input::Kind::Abandon;
        return true;
    }
    switch (step->op) {
    case scenario::Op::Type:
        input->kind = Input::Kind::Type;
        break;
    case scenario::Op::Click:
        input->kind = Input::Kind::Click;
        break;
    case scenario::Op::Select:
        input->kind = Input::Kind::Select;
        break;
    case scenario::Op::DoubleClick:
        input->kind = Input::Kind::DoubleClick;
        break;
    case scenario::Op::Close:
        input->kind = Input::Kind::Close;
        break;
    default:
        input->kind = Input::Kind::Key;
        switch (step->key) {
        case scenario::Key::Enter:
            input->key = VK_RETURN;
            break;
        case scenario::Key::Escape:
            input->key = VK_ESCAPE;
            break;
        case scenario::Key::Tab:
            input->key = VK_TAB;
            break;
        case scenario::Key::ShiftTab:
            input->key = VK_TAB;
            input->shift = true;
            break;
        case scenario::Key::Space:
            input->key = VK_SPACE;
            break;
        case scenario::Key::Alt:
            input->alt = true;
            input->letter = step->letter;
            break;
        }
        break;
    }
    return true;
}

void ScriptedFrontEnd::InputFailed(HWND, const Input& input, const std::string& why) {
    player_.Fail(input.line, why);
}

std::string ScriptedFrontEnd::Finish() {
    player_.Finish();
    return player_.Error();
}

std::string RunScenario(const std::string& text, const std::string& name, void (*part)(void*),
                        void* context) {
    scenario::Scenario parsed;
    std::string error;
    if (!scenario::Parse(text, name, &parsed, &error))
        return error;
    ScriptedFrontEnd frontEnd(std::move(parsed));
    FrontEnd* previous = SetFrontEnd(&frontEnd);
    part(context);
    SetFrontEnd(previous);
    return frontEnd.Finish();
}

} // namespace dialogs
