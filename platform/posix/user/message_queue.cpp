// The messages of the emulated dialog manager: SendMessageA calls the
// window's procedure at once; PostMessageA queues a message, which the
// modal loop or the program's own pump (PeekMessageA, DispatchMessageA)
// runs later. While the program pumps messages in the middle of work,
// PeekMessageA asks the front end for input and queues it too.
#include "platform/posix/user/dialog_manager_internal.h"

namespace dialogs {
namespace {

constexpr UINT kInputMessage = 0x7FF0; // internal: front-end input queued by PeekMessageA

// Carries out one queued message: front-end input for the window, or the
// message sent to it.
LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    State& s = S();
    if (message == kInputMessage) {
        Window* target = W(window);
        if (target && !s.pendingInputs.empty()) {
            Input in = s.pendingInputs.front();
            s.pendingInputs.pop_front();
            DeliverAndReport(target, in);
        }
        return 0;
    }
    return Send(W(window), message, wParam, lParam);
}

} // namespace

LRESULT Send(Window* w, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!w || !w->alive)
        return 0;
    if (IsTopLevel(w)) {
        if (w->proc) {
            INT_PTR handled = w->proc(w->handle(), message, wParam, lParam);
            if (handled)
                return handled;
        }
        return DefDialogMessage(w, message, wParam, lParam);
    }
    if (w->kind == Kind::Desktop)
        return 0;
    return ControlMessage(w, message, wParam, lParam);
}

bool RunPosted() {
    State& s = S();
    if (s.posted.empty())
        return false;
    Posted p = s.posted.front();
    s.posted.pop_front();
    Dispatch(p.window, p.message, p.wParam, p.lParam);
    return true;
}

} // namespace dialogs

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return dialogs::Send(dialogs::W(window), message, wParam, lParam);
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam,
                                   LPARAM lParam) {
    return SendMessageA(GetDlgItem(dialog, id), message, wParam, lParam);
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!dialogs::W(window))
        return FALSE;
    dialogs::S().posted.push_back({window, message, wParam, lParam});
    return TRUE;
}

// The program's message pump: posted messages first, then input that the
// front end gives while the program is busy.
BOOL WINAPI PeekMessageA(LPMSG msg, HWND, UINT, UINT, UINT remove) {
    using namespace dialogs;
    State& s = S();
    if (s.posted.empty() && s.frontEnd && !s.modal.empty()) {
        Input in;
        Window* top = s.modal.back();
        if (s.frontEnd->NextInput(top->handle(), true, &in)) {
            s.pendingInputs.push_back(in);
            s.posted.push_back({top->handle(), kInputMessage, 0, 0});
        }
    }
    if (s.posted.empty())
        return FALSE;
    Posted p = s.posted.front();
    if (msg) {
        *msg = MSG{};
        msg->hwnd = p.window;
        msg->message = p.message;
        msg->wParam = p.wParam;
        msg->lParam = p.lParam;
    }
    if (remove & PM_REMOVE)
        s.posted.pop_front();
    return TRUE;
}

BOOL WINAPI TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (!msg)
        return 0;
    return dialogs::Dispatch(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}
