// The windows of the emulated dialog manager: the desktop, the top-level
// windows and their controls, where they lie on the 800 x 600 screen, and
// the calls that look at or change a window as such (GetDlgItem,
// GetWindowTextA, EnableWindow, GetWindowRect, SetFocus, ...). Windows are
// made only by DialogBoxParamA (dialog_box.cpp) and MessageBoxA
// (message_box.cpp); there is no CreateWindowExA.
#include "platform/posix/user/dialog_manager_internal.h"

#include <algorithm>

namespace dialogs {

State& S() {
    static State state;
    return state;
}

Window* W(HWND handle) {
    if (!handle)
        return nullptr;
    State& s = S();
    if (reinterpret_cast<Window*>(handle) == &s.desktop)
        return &s.desktop;
    for (const auto& w : s.windows) {
        if (w.get() == reinterpret_cast<Window*>(handle))
            return w->alive ? w.get() : nullptr;
    }
    return nullptr;
}

bool IsTopLevel(const Window* w) {
    return w->kind == Kind::Dialog || w->kind == Kind::MessageBox;
}

Window* Child(Window* dialog, int id) {
    if (!dialog)
        return nullptr;
    for (Window* c : dialog->children) {
        if (c->id == id)
            return c;
    }
    return nullptr;
}

bool IsPushButton(const Window* w) {
    if (w->kind != Kind::Button)
        return false;
    DWORD type = w->style & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}
bool HasDefaultStyle(const Window* w) {
    return w->kind == Kind::Button && (w->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}
void SetButtonDefaultStyle(Window* w, bool on) {
    w->style = (w->style & ~BS_TYPEMASK) | (on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
}
bool IsEnabledWindow(const Window* w) {
    return !(w->style & WS_DISABLED);
}
bool IsVisibleWindow(const Window* w) {
    return (w->style & WS_VISIBLE) != 0;
}

// Rounded a * b / c, as MulDiv.
int MulDiv(int a, int b, int c) {
    long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

Window* NewWindow(Kind kind) {
    S().windows.push_back(std::make_unique<Window>());
    Window* w = S().windows.back().get();
    w->kind = kind;
    return w;
}

void Destroy(Window* w) {
    State& s = S();
    for (Window* c : w->children) {
        c->alive = false;
        if (s.focus == c)
            s.focus = nullptr;
    }
    w->alive = false;
    if (s.focus == w)
        s.focus = nullptr;
    s.posted.erase(std::remove_if(s.posted.begin(), s.posted.end(),
                                  [&](const Posted& p) {
                                      Window* target = reinterpret_cast<Window*>(p.window);
                                      return target == w || target->parent == w;
                                  }),
                   s.posted.end());
}

Window* NewControl(Window* dialog, Kind kind, int id, DWORD style, const std::string& text,
                   RECT rect) {
    Window* c = NewWindow(kind);
    c->parent = dialog;
    c->id = id;
    c->style = style;
    c->text = text;
    c->rect = rect;
    dialog->children.push_back(c);
    return c;
}

void PlaceTopLevel(Window* w, int x, int y, int clientWidth, int clientHeight) {
    w->rect.left = x;
    w->rect.top = y;
    w->rect.right = x + clientWidth + 2 * kFrameWidth;
    w->rect.bottom = y + clientHeight + kCaptionHeight + 2 * kFrameWidth;
}

// The screen position of a window's client area.
POINT ClientOrigin(const Window* w) {
    if (IsTopLevel(w))
        return {w->rect.left + kFrameWidth, w->rect.top + kFrameWidth + kCaptionHeight};
    return {w->rect.left, w->rect.top};
}

} // namespace dialogs

using dialogs::Kind;

HWND WINAPI GetDlgItem(HWND dialog, int id) {
    dialogs::Window* c = dialogs::Child(dialogs::W(dialog), id);
    return c ? c->handle() : nullptr;
}

int WINAPI GetDlgCtrlID(HWND control) {
    dialogs::Window* w = dialogs::W(control);
    return w ? w->id : 0;
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
    dialogs::Window* w = dialogs::W(window);
    if (!w)
        return FALSE;
    dialogs::Send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    return TRUE;
}

int WINAPI GetWindowTextA(HWND window, LPSTR buffer, int capacity) {
    if (buffer && capacity > 0)
        buffer[0] = '\0';
    dialogs::Window* w = dialogs::W(window);
    if (!w)
        return 0;
    return static_cast<int>(dialogs::ControlMessage(w, WM_GETTEXT, static_cast<WPARAM>(capacity),
                                                    reinterpret_cast<LPARAM>(buffer)));
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    return SetWindowTextA(GetDlgItem(dialog, id), text);
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int capacity) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) {
        if (buffer && capacity > 0)
            buffer[0] = '\0';
        return 0;
    }
    return static_cast<UINT>(GetWindowTextA(control, buffer, capacity));
}

// Returns whether the window was disabled before. Disabling the focused
// control, or the dialog it belongs to, takes the focus away.
BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
    dialogs::Window* w = dialogs::W(window);
    if (!w)
        return FALSE;
    BOOL wasDisabled = (w->style & WS_DISABLED) != 0;
    if (enable) {
        w->style &= ~WS_DISABLED;
    } else {
        w->style |= WS_DISABLED;
        dialogs::Window* focus = dialogs::S().focus;
        if (focus && (focus == w || focus->parent == w))
            dialogs::S().focus = nullptr;
    }
    return wasDisabled;
}

BOOL WINAPI IsWindowEnabled(HWND window) {
    dialogs::Window* w = dialogs::W(window);
    return w && dialogs::IsEnabledWindow(w);
}

BOOL WINAPI IsWindow(HWND window) {
    return dialogs::W(window) != nullptr;
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
    dialogs::Window* w = dialogs::W(window);
    if (!w || !rect)
        return FALSE;
    if (w->kind == Kind::Desktop || dialogs::IsTopLevel(w)) {
        *rect = w->rect;
        return TRUE;
    }
    POINT origin = dialogs::ClientOrigin(w->parent);
    *rect = {origin.x + w->rect.left, origin.y + w->rect.top, origin.x + w->rect.right,
             origin.y + w->rect.bottom};
    return TRUE;
}

BOOL WINAPI SetWindowPos(HWND window, HWND, int x, int y, int cx, int cy, UINT flags) {
    dialogs::Window* w = dialogs::W(window);
    if (!w || w->kind == Kind::Desktop)
        return FALSE;
    int width = w->rect.right - w->rect.left;
    int height = w->rect.bottom - w->rect.top;
    if (!(flags & SWP_NOMOVE)) {
        w->rect.left = x;
        w->rect.top = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        width = cx;
        height = cy;
    }
    w->rect.right = w->rect.left + width;
    w->rect.bottom = w->rect.top + height;
    return TRUE;
}

int WINAPI GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
        return dialogs::kScreenWidth;
    case SM_CYSCREEN:
        return dialogs::kScreenHeight;
    default:
        return 0;
    }
}

BOOL WINAPI InvalidateRect(HWND window, const RECT*, BOOL) {
    return window == nullptr || dialogs::W(window) != nullptr;
}

HWND WINAPI GetDesktopWindow() {
    return dialogs::S().desktop.handle();
}

HWND WINAPI GetFocus() {
    dialogs::Window* f = dialogs::S().focus;
    return f ? f->handle() : nullptr;
}

HWND WINAPI SetFocus(HWND window) {
    HWND previous = GetFocus();
    dialogs::Window* w = dialogs::W(window);
    if (window && !w)
        return nullptr;
    dialogs::S().focus = w;
    return previous;
}
