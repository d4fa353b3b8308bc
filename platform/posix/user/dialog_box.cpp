// Modal dialogs of the emulated dialog manager: DialogBoxParamA makes a
// dialog and its controls from the module's template (sizes in dialog
// units of the template's font), sends WM_INITDIALOG and runs the modal
// loop (modal_loop.cpp) until EndDialog; DefDialogMessage is the default
// handling of what a dialog procedure leaves unhandled.
//
// As Wine's dialog manager does it:
// - the close box: WM_CLOSE, which an unhandling dialog procedure turns
//   into IDCANCEL (not when an IDCANCEL control exists and is disabled);
// - the focus: after WM_INITDIALOG returns TRUE it goes to the first
//   enabled WS_TABSTOP control.
#include "platform/posix/user/dialog_manager_internal.h"
#include "platform/dialog_template.h"
#include "platform/posix/kernel/codepage.h"

#include <algorithm>

namespace dialogs {
namespace {

// Dialog base units of a font (pixels of an average character, and of
// the character height) at 96 dots per inch.
void BaseUnits(const std::u16string& face, int points, int* baseX, int* baseY) {
    if (face == u"MS Sans Serif" && points == 8) {
        *baseX = 6;
        *baseY = 13;
        return;
    }
    if (points <= 0) { // the system font
        *baseX = 8;
        *baseY = 16;
        return;
    }
    *baseY = MulDiv(points, 96, 72) + 2;
    *baseX = std::max(1, *baseY * 6 / 13);
}

std::string Ansi(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        unsigned char b = '?';
        codepage::FromUnicode(c, &b);
        out += static_cast<char>(b);
    }
    return out;
}

} // namespace

LRESULT DefDialogMessage(Window* dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case DM_GETDEFID:
        return GetDefId(dialog);
    case DM_SETDEFID:
        SetDefId(dialog, static_cast<int>(wParam));
        return TRUE;
    case WM_CLOSE: {
        Window* cancel = Child(dialog, IDCANCEL);
        if (cancel && !IsEnabledWindow(cancel))
            return 0;
        S().posted.push_back({dialog->handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                              reinterpret_cast<LPARAM>(cancel ? cancel->handle() : nullptr)});
        return 0;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            Send(dialog, WM_CLOSE, 0, 0);
        return 0;
    case WM_NEXTDLGCTL: {
        Window* target = lParam ? W(reinterpret_cast<HWND>(wParam))
                                : NextTabItem(dialog, S().focus, wParam != 0);
        NextDlgCtl(dialog, target);
        return 0;
    }
    case WM_SETTEXT:
        dialog->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        return TRUE;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
        return ControlMessage(dialog, message, wParam, lParam);
    default:
        return 0;
    }
}

} // namespace dialogs

using dialogs::Kind;

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner,
                               DLGPROC dialogProc, LPARAM initParam) {
    using namespace dialogs;
    HRSRC found = FindResourceA(instance, templateName, RT_DIALOG);
    if (!found)
        return -1;
    const void* bytes = LockResource(LoadResource(instance, found));
    dialog_template::Template t;
    if (!dialog_template::Parse(bytes, SizeofResource(instance, found), &t))
        return -1;

    Window* dialog = NewWindow(Kind::Dialog);
    dialog->parent = W(owner);
    DisableOwner(dialog);
    dialog->style = t.style;
    dialog->text = Ansi(t.caption);
    dialog->proc = dialogProc;
    dialog->templateId = IS_INTRESOURCE(templateName)
                             ? static_cast<int>(reinterpret_cast<uintptr_t>(templateName))
                             : 0;
    int baseX, baseY;
    BaseUnits(t.fontName, t.pointSize, &baseX, &baseY);
    dialog->baseX = baseX;
    dialog->baseY = baseY;
    auto px = [&](int du) { return MulDiv(du, baseX, 4); };
    auto py = [&](int du) { return MulDiv(du, baseY, 8); };
    // The template's position is relative to the owner's client area.
    POINT origin{0, 0};
    if (dialog->parent && dialog->parent->kind != Kind::Desktop)
        origin = ClientOrigin(dialog->parent);
    PlaceTopLevel(dialog, origin.x + px(t.x), origin.y + py(t.y), px(t.cx), py(t.cy));

    for (const dialog_template::Item& item : t.items) {
        Kind kind = Kind::Other;
        switch (item.classAtom) {
        case dialog_template::kButton:
            kind = Kind::Button;
            break;
        case dialog_template::kEdit:
            kind = Kind::Edit;
            break;
        case dialog_template::kStatic:
            kind = Kind::Static;
            break;
        case dialog_template::kListBox:
            kind = Kind::ListBox;
            break;
        default:
            break;
        }
        std::string text = item.titleIsOrdinal ? "" : Ansi(item.title);
        RECT r{px(item.x), py(item.y), px(item.x + item.cx), py(item.y + item.cy)};
        Window* c = NewControl(dialog, kind, item.id, item.style, text, r);
        if (HasDefaultStyle(c)) {
            if (Window* previous = FindDefaultStyled(dialog); previous && previous != c)
                SetButtonDefaultStyle(previous, false);
            dialog->defaultId = c->id;
        }
    }

    Window* firstTab = NextTabItem(dialog, nullptr, false);
    INT_PTR wantsFocus =
        Send(dialog, WM_INITDIALOG,
             reinterpret_cast<WPARAM>(firstTab ? firstTab->handle() : nullptr), initParam);
    if (dialog->alive && wantsFocus && !dialog->ended) {
        if (Window* focus = NextTabItem(dialog, nullptr, false))
            FocusControl(focus);
    }
    if (dialog->ended) { // EndDialog during WM_INITDIALOG: never shown
        CloseModal(dialog);
        return dialog->result;
    }
    return RunModal(dialog);
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
    dialogs::Window* w = dialogs::W(dialog);
    if (!w || !dialogs::IsTopLevel(w))
        return FALSE;
    w->ended = true;
    w->result = result;
    return TRUE;
}
