// The keyboard rules of the emulated dialog manager's dialogs, what
// IsDialogMessageA does on Windows: Tab and Shift+Tab move the focus
// through the WS_TABSTOP controls, Alt with a mnemonic letter clicks a
// button or focuses the control after a static, Space clicks the focused
// button, Enter and Escape; and the default push button.
//
// As Wine's dialog manager does it:
// - the default push button: DM_GETDEFID answers the id set by DM_SETDEFID
//   or given by the template's BS_DEFPUSHBUTTON, and IDOK when neither
//   (even without a control 1); a push button carries the default style
//   while it has the focus through Tab, a mnemonic or a click;
// - Enter: a focused default-styled push button is clicked; otherwise the
//   DM_GETDEFID button when it is enabled; otherwise IDOK. In a multi-line
//   edit Enter goes to the default button only when there is one;
// - Escape: IDCANCEL (in a multi-line edit: WM_CLOSE to the dialog).
#include "platform/posix/user/dialog_manager_internal.h"
#include "platform/posix/kernel/codepage.h"

namespace dialogs {

// ---- Focus and default button ----

Window* FindDefaultStyled(Window* dialog) {
    for (Window* c : dialog->children) {
        if (HasDefaultStyle(c))
            return c;
    }
    return nullptr;
}

LRESULT GetDefId(Window* dialog) {
    if (dialog->defaultId)
        return MAKELONG(dialog->defaultId, DC_HASDEFID);
    if (Window* def = FindDefaultStyled(dialog))
        return MAKELONG(def->id, DC_HASDEFID);
    return 0;
}

void SetDefId(Window* dialog, int id) {
    dialog->defaultId = id;
    Window* next = Child(dialog, id);
    if (next && !IsPushButton(next))
        return;
    for (Window* c : dialog->children) {
        if (c != next && HasDefaultStyle(c))
            SetButtonDefaultStyle(c, false);
    }
    if (next)
        SetButtonDefaultStyle(next, true);
}

// The focus moved to `next` through the keyboard or a click: a push button
// takes the default style while it has the focus; otherwise the dialog's
// own default button shows it again.
void SetDefButton(Window* dialog, Window* next) {
    Window* own = Child(dialog, dialog->defaultId);
    if (!next || !IsPushButton(next))
        next = own;
    for (Window* c : dialog->children) {
        if (c != next && HasDefaultStyle(c))
            SetButtonDefaultStyle(c, false);
    }
    if (next && IsPushButton(next))
        SetButtonDefaultStyle(next, true);
}

void FocusControl(Window* control) {
    S().focus = control;
}

namespace {

bool CanTakeFocus(const Window* c) {
    return (c->style & WS_TABSTOP) && IsEnabledWindow(c) && IsVisibleWindow(c);
}

} // namespace

Window* NextTabItem(Window* dialog, Window* from, bool previous) {
    auto& kids = dialog->children;
    if (kids.empty())
        return nullptr;
    int n = static_cast<int>(kids.size());
    int start = -1;
    for (int i = 0; i < n; ++i) {
        if (kids[i] == from)
            start = i;
    }
    if (start < 0)
        start = previous ? 0 : n - 1;
    for (int step = 1; step <= n; ++step) {
        int i = previous ? (start - step + n * 2) % n : (start + step) % n;
        if (CanTakeFocus(kids[i]))
            return kids[i];
    }
    return nullptr;
}

// WM_NEXTDLGCTL: focus a control and let it carry the default style.
void NextDlgCtl(Window* dialog, Window* control) {
    if (!control)
        return;
    FocusControl(control);
    SetDefButton(dialog, control);
}

namespace {

bool HasMnemonic(const Window* c, char letter) {
    if (c->kind == Kind::Static && (c->style & SS_NOPREFIX))
        return false;
    if (c->kind == Kind::Edit || c->kind == Kind::ListBox)
        return false;
    const std::string& t = c->text;
    for (size_t i = 0; i + 1 < t.size(); ++i) {
        if (t[i] == '&') {
            if (t[i + 1] == '&') {
                ++i;
                continue;
            }
            return codepage::ToUpper(static_cast<unsigned char>(t[i + 1])) ==
                   static_cast<unsigned char>(letter);
        }
    }
    return false;
}

void PressEnter(Window* dialog) {
    Window* focus = S().focus;
    if (focus && focus->parent == dialog && focus->kind == Kind::Edit &&
        (focus->style & ES_MULTILINE)) {
        LRESULT def = GetDefId(dialog);
        if (HIWORD(def) == DC_HASDEFID) {
            if (Window* button = Child(dialog, LOWORD(def))) {
                NextDlgCtl(dialog, button);
                PressEnter(dialog);
            }
        }
        return;
    }
    if (focus && focus->parent == dialog && HasDefaultStyle(focus)) {
        Notify(focus, BN_CLICKED);
        return;
    }
    LRESULT def = Send(dialog, DM_GETDEFID, 0, 0);
    if (HIWORD(def) == DC_HASDEFID) {
        Window* button = Child(dialog, LOWORD(def));
        if (!button || IsEnabledWindow(button))
            Send(dialog, WM_COMMAND, MAKEWPARAM(LOWORD(def), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button ? button->handle() : nullptr));
        return;
    }
    Window* ok = Child(dialog, IDOK);
    Send(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(ok ? ok->handle() : nullptr));
}

} // namespace

void PressKey(Window* dialog, Window* focus, const Input& in) {
    if (in.alt) {
        auto& kids = dialog->children;
        int n = static_cast<int>(kids.size());
        int start = -1;
        for (int i = 0; i < n; ++i) {
            if (kids[i] == focus)
                start = i;
        }
        for (int step = 1; step <= n; ++step) {
            Window* c = kids[(start + step + n) % n];
            if (!HasMnemonic(c, in.letter) || !IsEnabledWindow(c) || !IsVisibleWindow(c))
                continue;
            if (c->kind == Kind::Static) {
                NextDlgCtl(dialog, NextTabItem(dialog, c, false));
            } else if (c->kind == Kind::Button) {
                Send(c, BM_CLICK, 0, 0);
            }
            return;
        }
        return;
    }
    switch (in.key) {
    case VK_RETURN:
        PressEnter(dialog);
        break;
    case VK_ESCAPE:
        if (focus && focus->kind == Kind::Edit && (focus->style & ES_MULTILINE)) {
            S().posted.push_back({dialog->handle(), WM_CLOSE, 0, 0});
        } else {
            Window* cancel = Child(dialog, IDCANCEL);
            Send(dialog, WM_COMMAND, IDCANCEL,
                 reinterpret_cast<LPARAM>(cancel ? cancel->handle() : nullptr));
        }
        break;
    case VK_TAB:
        Send(dialog, WM_NEXTDLGCTL, in.shift ? 1 : 0, 0);
        break;
    case VK_SPACE:
        if (focus && focus->kind == Kind::Button)
            Send(focus, BM_CLICK, 0, 0);
        break;
    default:
        break;
    }
}

} // namespace dialogs
