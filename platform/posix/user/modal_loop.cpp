// The modal loop of the emulated dialog manager, which DialogBoxParamA and
// MessageBoxA run: posted messages first, then the front end's next input
// (a key, typing into an edit, a click, a list entry, the close box), until
// the window ends; with no input to give, the window is abandoned (result 0).
// A modal window disables its owner while it is open.
#include "platform/posix/user/dialog_manager_internal.h"
#include "platform/posix/kernel/codepage.h"

namespace dialogs {
namespace {

void Click(Window* control) {
    if (!IsEnabledWindow(control))
        return;
    Window* dialog = control->parent;
    switch (control->kind) {
    case Kind::Button:
        Send(control, BM_CLICK, 0, 0);
        break;
    case Kind::Edit:
    case Kind::ListBox:
        FocusControl(control);
        SetDefButton(dialog, control);
        break;
    default:
        break;
    }
}

// Carries out one input in the topmost modal window; "" or why not.
std::string Deliver(Window* dialog, const Input& in) {
    Window* focus = S().focus && S().focus->parent == dialog ? S().focus : nullptr;
    Window* control = nullptr;
    bool needsControl = in.kind == Input::Kind::Type || in.kind == Input::Kind::Click ||
                        in.kind == Input::Kind::Select || in.kind == Input::Kind::DoubleClick;
    if (needsControl) {
        control = Child(dialog, in.control);
        if (!control)
            return "the window has no control " + std::to_string(in.control);
    }
    switch (in.kind) {
    case Input::Kind::Abandon:
        dialog->ended = true;
        dialog->result = 0;
        return "";
    case Input::Kind::Close:
        if (!(dialog->style & WS_SYSMENU))
            return "the window has no close box";
        Send(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        return "";
    case Input::Kind::Click:
        Click(control);
        return "";
    case Input::Kind::Type:
        if (control->kind != Kind::Edit)
            return "control " + std::to_string(in.control) + " is not an edit";
        if (!IsEnabledWindow(control))
            return "";
        NextDlgCtl(dialog, control);
        if (control->style & ES_READONLY)
            return "";
        control->text.clear();
        for (char c : in.text) {
            if (static_cast<int>(control->text.size()) >= control->limit)
                break;
            control->text += c;
        }
        Notify(control, EN_CHANGE);
        return "";
    case Input::Kind::Select:
    case Input::Kind::DoubleClick: {
        if (control->kind != Kind::ListBox)
            return "control " + std::to_string(in.control) + " is not a list box";
        if (!IsEnabledWindow(control))
            return "";
        int index = -1;
        for (size_t i = 0; i < control->items.size(); ++i) {
            if (control->items[i] == in.text)
                index = static_cast<int>(i);
        }
        if (index < 0)
            return "list " + std::to_string(in.control) + " has no entry \"" +
                   codepage::Cp1252ToUtf8(in.text) + "\"";
        Click(control);
        bool changed = control->selection != index;
        control->selection = index;
        bool notify = (control->style & LBS_NOTIFY) != 0;
        if (notify && changed)
            Notify(control, LBN_SELCHANGE);
        if (notify && in.kind == Input::Kind::DoubleClick)
            Notify(control, LBN_DBLCLK);
        return "";
    }
    case Input::Kind::Key:
        break;
    }
    PressKey(dialog, focus, in);
    return "";
}

} // namespace

void DeliverAndReport(Window* dialog, const Input& in) {
    std::string why = Deliver(dialog, in);
    if (!why.empty() && S().frontEnd)
        S().frontEnd->InputFailed(dialog->handle(), in, why);
}

// A modal window disables its owner from its creation (before
// WM_INITDIALOG) until it closes, and then gives back the focus it found.
void DisableOwner(Window* window) {
    Window* owner = window->parent;
    window->savedFocus = S().focus;
    if (owner && owner->kind != Kind::Desktop && IsEnabledWindow(owner)) {
        owner->style |= WS_DISABLED;
        window->disabledOwner = true;
    }
}

void CloseModal(Window* window) {
    Destroy(window);
    Window* owner = window->parent;
    if (window->disabledOwner && owner && owner->alive)
        owner->style &= ~WS_DISABLED;
    Window* saved = window->savedFocus;
    S().focus = saved && saved->alive && IsEnabledWindow(saved) ? saved : nullptr;
}

INT_PTR RunModal(Window* window) {
    State& s = S();
    s.modal.push_back(window);
    while (!window->ended) {
        if (RunPosted())
            continue;
        Input in;
        if (!s.frontEnd || !s.frontEnd->NextInput(window->handle(), false, &in))
            in.kind = Input::Kind::Abandon;
        DeliverAndReport(window, in);
    }
    s.modal.pop_back();
    CloseModal(window);
    return window->result;
}

} // namespace dialogs
