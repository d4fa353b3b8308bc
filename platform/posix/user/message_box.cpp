// Message boxes of the emulated dialog manager: MessageBoxA makes a modal
// window with the text, German button captions for the MB_OK, MB_OKCANCEL,
// MB_YESNO and MB_YESNOCANCEL types (MB_DEFBUTTON2 honoured), centred on
// the screen and sized to the text, and runs the modal loop until a button
// ends it.
#include "platform/posix/user/dialog_manager_internal.h"

#include <algorithm>

namespace dialogs {
namespace {

INT_PTR CALLBACK MessageBoxProc(HWND handle, UINT message, WPARAM wParam, LPARAM) {
    Window* box = W(handle);
    if (message != WM_COMMAND || !box)
        return FALSE;
    int id = LOWORD(wParam);
    if (Child(box, id)) {
        EndDialog(handle, id);
        return TRUE;
    }
    // Escape (or the close box) ends every box with IDCANCEL, even one
    // without a Cancel button: Wine's message box does so.
    if (id == IDCANCEL) {
        EndDialog(handle, IDCANCEL);
        return TRUE;
    }
    return TRUE;
}

} // namespace
} // namespace dialogs

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    using namespace dialogs;
    Window* box = NewWindow(Kind::MessageBox);
    box->parent = W(owner);
    DisableOwner(box);
    box->style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_VISIBLE;
    box->text = caption ? caption : "Fehler";
    box->messageText = text ? text : "";
    box->messageType = type;
    box->proc = MessageBoxProc;

    struct Button {
        int id;
        const char* text;
    };
    std::vector<Button> buttons;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        buttons = {{IDOK, "OK"}, {IDCANCEL, "Abbrechen"}};
        break;
    case MB_YESNOCANCEL:
        buttons = {{IDYES, "&Ja"}, {IDNO, "&Nein"}, {IDCANCEL, "Abbrechen"}};
        break;
    case MB_YESNO:
        buttons = {{IDYES, "&Ja"}, {IDNO, "&Nein"}};
        break;
    default:
        buttons = {{IDOK, "OK"}};
        break;
    }
    // A close box exists when the box can be cancelled (an OK box answers OK).
    if ((type & MB_TYPEMASK) != MB_YESNO)
        box->style |= WS_SYSMENU;

    // Size: the longest line and the line count of the text, in the
    // dialog font's average character.
    int lines = 1, longest = 0, current = 0;
    for (char c : box->messageText) {
        if (c == '\n') {
            ++lines;
            current = 0;
        } else {
            longest = std::max(longest, ++current);
        }
    }
    int buttonsWidth = static_cast<int>(buttons.size()) * 81;
    int width = std::max(longest * 6 + 60, buttonsWidth + 20);
    width = std::min(width, kScreenWidth - 40);
    int textHeight = lines * 13;
    int height = textHeight + 20 + 23 + 20;
    PlaceTopLevel(box, kScreenWidth / 2 - (width + 2 * kFrameWidth) / 2,
                  kScreenHeight / 2 - (height + kCaptionHeight + 2 * kFrameWidth) / 2, width,
                  height);
    NewControl(box, Kind::Static, 0xFFFF, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
               box->messageText, {50, 20, width - 10, 20 + textHeight});
    int defaultIndex = (type & MB_DEFBUTTON2) && buttons.size() > 1 ? 1 : 0;
    int x = width / 2 - buttonsWidth / 2;
    for (size_t i = 0; i < buttons.size(); ++i) {
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP |
                      (static_cast<int>(i) == defaultIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        NewControl(box, Kind::Button, buttons[i].id, style, buttons[i].text,
                   {x, height - 43, x + 75, height - 20});
        x += 81;
    }
    FocusControl(Child(box, buttons[defaultIndex].id));
    return static_cast<int>(RunModal(box));
}
