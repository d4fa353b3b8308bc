// The scenario driver on Windows: plays a scenario against the real dialogs
// of the running thread. Test support only, not part of setup.exe.
//
// A thread timer wakes the driver; its callback runs inside whatever loop
// dispatches messages. A WH_MSGFILTER hook sees the messages that a modal
// dialog loop passes through IsDialogMessage, so the driver can tell a
// window waiting for input (the timer came through the dialog's loop) from
// a busy program pumping messages itself. When input for a busy program
// comes next, the driver also posts a message to a window of its own behind
// the action's input, which wakes it at once in the loop that dispatches
// it: a program that finishes its work within one timer period still sees
// the busy input meant for it. The active window is the
// topmost visible and enabled dialog window of the thread (a modal window
// disables its owner). Dialogs are recognised by comparing caption and
// control ids with the program's dialog templates; a dialog box that
// matches none and holds the static 0xFFFF is a message box.
//
// Input is posted the way the hardware would deliver it (mouse messages at
// the control, WM_KEYDOWN/WM_CHAR/WM_SYSCHAR to the focus), so that the
// system's dialog manager does the rest.
#include "platform/dialog_template.h"
#include "platform/scenario.h"
#include "platform/testing.h"
#include "platform/win32.h"
#include "platform/windows/test_driver.h"

#include <string.h>
#include <string>
#include <vector>

namespace platform_testing {
namespace {

constexpr UINT kTickMilliseconds = 10;
// Posted to the driver's own window after an action that busy input
// follows: a tick in whichever loop dispatches it next.
constexpr UINT kNudge = WM_APP + 0x5C;

struct KnownDialog {
    int id;
    dialog_template::Template parsed;
};

struct Driver {
    scenario::Player* player = nullptr;
    std::vector<KnownDialog> templates;
    HHOOK filterHook = nullptr;
    UINT_PTR timer = 0;
    HWND nudgeWindow = nullptr;
    bool timerThroughDialogLoop = false;
    bool inTick = false;
    bool shiftHeld = false;
};

Driver* g_driver = nullptr;

std::string Utf8(const std::wstring& wide) {
    if (wide.empty())
        return "";
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty())
        return L"";
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::wstring WindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int n = GetWindowTextW(window, text.data(), length + 1);
    text.resize(n > 0 ? n : 0);
    return text;
}

std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> out;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        out.push_back(c);
    return out;
}

BOOL CALLBACK CollectTemplate(HMODULE module, LPCSTR, LPSTR name, LONG_PTR param) {
    if (!IS_INTRESOURCE(name))
        return TRUE;
    HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(5));
    if (!found)
        return TRUE;
    KnownDialog known;
    known.id = static_cast<int>(reinterpret_cast<uintptr_t>(name));
    if (dialog_template::Parse(LockResource(LoadResource(module, found)),
                               SizeofResource(module, found), &known.parsed))
        reinterpret_cast<std::vector<KnownDialog>*>(param)->push_back(known);
    return TRUE;
}

int MatchTemplate(HWND dialog) {
    std::wstring caption = WindowText(dialog);
    std::vector<HWND> children = Children(dialog);
    for (const KnownDialog& known : g_driver->templates) {
        const auto& t = known.parsed;
        if (std::wstring(t.caption.begin(), t.caption.end()) != caption ||
            t.items.size() != children.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < children.size() && same; ++i)
            same = (GetDlgCtrlID(children[i]) & 0xFFFF) == (t.items[i].id & 0xFFFF);
        if (same)
            return known.id;
    }
    return 0;
}

class RealSurface : public scenario::Surface {
  public:
    explicit RealSurface(HWND window) : window_(window), id_(MatchTemplate(window)) {}

    bool IsMessageBox() override { return id_ == 0 && GetDlgItem(window_, 0xFFFF) != nullptr; }
    int DialogId() override { return id_; }
    std::string Caption() override { return Utf8(WindowText(window_)); }
    std::string MessageText() override { return Utf8(WindowText(GetDlgItem(window_, 0xFFFF))); }
    bool HasControl(int id) override { return GetDlgItem(window_, id) != nullptr; }
    std::string ControlText(int id) override { return Utf8(WindowText(GetDlgItem(window_, id))); }
    bool IsEnabled(int id) override { return IsWindowEnabled(GetDlgItem(window_, id)) != FALSE; }
    bool IsChecked(int id) override { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }
    int DefaultId() override {
        LRESULT answer = SendMessageW(window_, DM_GETDEFID, 0, 0);
        return HIWORD(answer) == DC_HASDEFID ? LOWORD(answer) : 0;
    }
    int FocusId() override {
        HWND focus = GetFocus();
        return focus && IsChild(window_, focus) ? GetDlgCtrlID(focus) : 0;
    }
    std::string ListEntries(int id) override {
        HWND list = GetDlgItem(window_, id);
        std::string joined;
        LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            LRESULT length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
            std::wstring entry(static_cast<size_t>(length) + 1, L'\0');
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(entry.data()));
            entry.resize(static_cast<size_t>(length));
            joined += (i ? "|" : "") + Utf8(entry);
        }
        return joined;
    }

  private:
    HWND window_;
    int id_;
};

void PostMouse(HWND control, POINT at, bool doubleClick) {
    LPARAM where = MAKELPARAM(at.x, at.y);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageW(control, WM_LBUTTONUP, 0, where);
    if (doubleClick) {
        PostMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
        PostMessageW(control, WM_LBUTTONUP, 0, where);
    }
}

POINT CentreOf(HWND control) {
    RECT r;
    GetClientRect(control, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void PostKey(HWND target, UINT vk) {
    UINT scan = MapVirtualKeyW(vk, 0);
    PostMessageW(target, WM_KEYDOWN, vk, MAKELPARAM(1, scan));
    if (vk == VK_SPACE)
        PostMessageW(target, WM_CHAR, L' ', MAKELPARAM(1, scan));
    if (vk == VK_RETURN)
        PostMessageW(target, WM_CHAR, L'\r', MAKELPARAM(1, scan));
    if (vk == VK_ESCAPE)
        PostMessageW(target, WM_CHAR, 0x1B, MAKELPARAM(1, scan));
    PostMessageW(target, WM_KEYUP, vk, MAKELPARAM(1, scan) | 0xC0000000);
}

void SetShift(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    keys[VK_LSHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
    g_driver->shiftHeld = down;
}

// Carries out one action in `window`; "" or why it cannot be done.
std::string Perform(HWND window, const scenario::Step& step) {
    HWND control = nullptr;
    if (step.op == scenario::Op::Type || step.op == scenario::Op::Click ||
        step.op == scenario::Op::Select || step.op == scenario::Op::DoubleClick) {
        control = GetDlgItem(window, step.control);
        if (!control)
            return "the window has no control " + std::to_string(step.control);
        if (!IsWindowEnabled(control))
            return ""; // disabled controls take no input
    }
    HWND focus = GetFocus();
    if (!focus || (focus != window && !IsChild(window, focus)))
        focus = window;
    switch (step.op) {
    case scenario::Op::Type: {
        SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
        SendMessageW(control, EM_SETSEL, 0, -1);
        for (wchar_t c : Wide(step.text))
            PostMessageW(control, WM_CHAR, c, 1);
        return "";
    }
    case scenario::Op::Click:
        PostMouse(control, CentreOf(control), false);
        return "";
    case scenario::Op::Select:
    case scenario::Op::DoubleClick: {
        LRESULT index = SendMessageW(control, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(Wide(step.text).c_str()));
        if (index == LB_ERR)
            return "list " + std::to_string(step.control) + " has no entry \"" + step.text + "\"";
        SendMessageW(control, LB_SETTOPINDEX, index, 0);
        RECT item;
        SendMessageW(control, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
        PostMouse(control, {(item.left + item.right) / 2, (item.top + item.bottom) / 2},
                  step.op == scenario::Op::DoubleClick);
        return "";
    }
    case scenario::Op::Close:
        if (!(GetWindowLongW(window, GWL_STYLE) & WS_SYSMENU))
            return "the window has no close box";
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return "";
    case scenario::Op::ChangeDiskette:
        return InsertDiskette() ? "" : "the diskette cannot be changed here";
    case scenario::Op::Key:
        switch (step.key) {
        case scenario::Key::Enter:
            PostKey(focus, VK_RETURN);
            break;
        case scenario::Key::Escape:
            PostKey(focus, VK_ESCAPE);
            break;
        case scenario::Key::Tab:
            PostKey(focus, VK_TAB);
            break;
        case scenario::Key::ShiftTab:
            SetShift(true);
            PostKey(focus, VK_TAB);
            break;
        case scenario::Key::Space:
            PostKey(focus, VK_SPACE);
            break;
        case scenario::Key::Alt: {
            wchar_t letter = static_cast<wchar_t>(step.letter - 'A' + 'a');
            if (step.letter < 'A' || step.letter > 'Z')
                letter = static_cast<wchar_t>(step.letter);
            PostMessageW(focus, WM_SYSCHAR, letter, MAKELPARAM(1, 0) | (1 << 29));
            break;
        }
        }
        return "";
    default:
        return "";
    }
}

BOOL CALLBACK FindActive(HWND window, LPARAM param) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (strcmp(name, "#32770") == 0 && IsWindowVisible(window) && IsWindowEnabled(window)) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

// The active modal window: the topmost visible dialog window of the thread
// that is enabled (a modal window disables its owner).
HWND ActiveWindow() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindActive, reinterpret_cast<LPARAM>(&found));
    return found;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Driver* d = g_driver;
    bool waiting = d && d->timerThroughDialogLoop;
    if (d)
        d->timerThroughDialogLoop = false;
    if (!d || d->inTick)
        return;
    if (d->shiftHeld)
        SetShift(false);
    HWND window = ActiveWindow();
    if (!window)
        return;
    d->inTick = true;
    RealSurface surface(window);
    const scenario::Step* step = nullptr;
    switch (d->player->Next(window, surface, !waiting, &step)) {
    case scenario::Player::Result::Nothing:
        break;
    case scenario::Player::Result::Failed:
        EndDialog(window, 0);
        break;
    case scenario::Player::Result::Action: {
        std::string why = Perform(window, *step);
        if (!why.empty()) {
            d->player->Fail(step->line, why);
            EndDialog(window, 0);
        } else if (d->nudgeWindow && d->player->BusyActionIsNext()) {
            // Queued behind the action's input: the program's own pump
            // inside the handler that the input starts ticks next, however
            // soon its work is done.
            PostMessageW(d->nudgeWindow, kNudge, 0, 0);
        }
        break;
    }
    }
    d->inTick = false;
}

LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (g_driver && code == MSGF_DIALOGBOX && msg &&
        ((msg->message == WM_TIMER && msg->wParam == g_driver->timer) ||
         (msg->message == kNudge && msg->hwnd == g_driver->nudgeWindow)))
        g_driver->timerThroughDialogLoop = true;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK NudgeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kNudge) {
        Tick(nullptr, 0, 0, 0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A message-only window of the driver's, for kNudge.
HWND CreateNudgeWindow() {
    static const wchar_t kClass[] = L"WiesenScenarioNudge";
    WNDCLASSW wc = {};
    wc.lpfnWndProc = NudgeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassW(&wc); // fails harmlessly when a previous scenario registered it
    return CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                           nullptr);
}

} // namespace

namespace {
// The driver of this thread, between StartScenario and StopScenario.
scenario::Player* g_player = nullptr;
} // namespace

std::string StartScenario(const std::string& text, const std::string& name) {
    scenario::Scenario parsed;
    std::string error;
    if (!scenario::Parse(text, name, &parsed, &error))
        return error;
    g_player = new scenario::Player(std::move(parsed));
    g_driver = new Driver;
    g_driver->player = g_player;
    EnumResourceNamesA(ProgramInstance(), MAKEINTRESOURCEA(5), CollectTemplate,
                       reinterpret_cast<LONG_PTR>(&g_driver->templates));
    DWORD thread = GetCurrentThreadId();
    g_driver->filterHook = SetWindowsHookExA(WH_MSGFILTER, MessageFilter, nullptr, thread);
    g_driver->timer = SetTimer(nullptr, 0, kTickMilliseconds, Tick);
    g_driver->nudgeWindow = CreateNudgeWindow();
    return "";
}

std::string StopScenario(bool atExit) {
    if (!g_player)
        return "no scenario is running";
    if (!atExit) {
        KillTimer(nullptr, g_driver->timer);
        UnhookWindowsHookEx(g_driver->filterHook);
        if (g_driver->nudgeWindow)
            DestroyWindow(g_driver->nudgeWindow);
        if (g_driver->shiftHeld)
            SetShift(false);
        // Drop input that no window took.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    g_player->Finish();
    std::string result = g_player->Error();
    delete g_driver;
    delete g_player;
    g_driver = nullptr;
    g_player = nullptr;
    return result;
}

std::string RunScenario(const std::string& text, const std::string& name,
                        const std::function<void()>& part) {
    std::string error = StartScenario(text, name);
    if (!error.empty())
        return error;
    part();
    return StopScenario(false);
}

} // namespace platform_testing
