// The dialog manager's side of the front-end interface (front_end.h): the
// front end it asks for input, and what a front end may inspect of the
// windows beyond the Win32 calls.
#include "platform/posix/user/dialog_manager_internal.h"

namespace dialogs {

FrontEnd* SetFrontEnd(FrontEnd* frontEnd) {
    FrontEnd* previous = S().frontEnd;
    S().frontEnd = frontEnd;
    return previous;
}

void NotifyScreenChanged() {
    if (S().frontEnd)
        S().frontEnd->ScreenChanged();
}

Kind KindOf(HWND window) {
    Window* w = W(window);
    return w ? w->kind : Kind::Other;
}

int DialogIdOf(HWND dialog) {
    Window* w = W(dialog);
    return w && w->kind == Kind::Dialog ? w->templateId : 0;
}

std::string MessageTextOf(HWND messageBox) {
    Window* w = W(messageBox);
    return w ? w->messageText : "";
}

std::vector<HWND> ControlsOf(HWND dialog) {
    std::vector<HWND> out;
    if (Window* w = W(dialog)) {
        for (Window* c : w->children)
            out.push_back(c->handle());
    }
    return out;
}

DWORD StyleOf(HWND window) {
    Window* w = W(window);
    return w ? w->style : 0;
}

std::vector<std::string> ListEntriesOf(HWND listBox) {
    Window* w = W(listBox);
    return w ? w->items : std::vector<std::string>();
}

RECT DialogUnitRectOf(HWND window) {
    Window* w = W(window);
    if (!w || w->kind == Kind::Desktop)
        return RECT{};
    Window* top = IsTopLevel(w) ? w : w->parent;
    RECT px = w->rect;
    if (IsTopLevel(w))
        px = {0, 0, w->rect.right - w->rect.left - 2 * kFrameWidth,
              w->rect.bottom - w->rect.top - kCaptionHeight - 2 * kFrameWidth};
    return {MulDiv(px.left, 4, top->baseX), MulDiv(px.top, 8, top->baseY),
            MulDiv(px.right, 4, top->baseX), MulDiv(px.bottom, 8, top->baseY)};
}

std::vector<HWND> ModalWindows() {
    std::vector<HWND> out;
    for (Window* w : S().modal)
        out.push_back(w->handle());
    return out;
}

} // namespace dialogs
