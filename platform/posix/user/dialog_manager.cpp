// The emulated dialog manager: modal dialogs from the module's templates,
// their controls, message boxes, and a message queue whose input comes from
// the front end (platform/posix/user/front_end.h).
//
// It follows what Wine's dialog manager does for the parts the program
// uses:
// - the default push button: DM_GETDEFID answers the id set by DM_SETDEFID
//   or given by the template's BS_DEFPUSHBUTTON, and IDOK when neither
//   (even without a control 1); a push button carries the default style
//   while it has the focus through Tab, a mnemonic or a click;
// - Enter: a focused default-styled push button is clicked; otherwise the
//   DM_GETDEFID button when it is enabled; otherwise IDOK. In a multi-line
//   edit Enter goes to the default button only when there is one;
// - Escape: IDCANCEL (in a multi-line edit: WM_CLOSE to the dialog);
// - the close box: WM_CLOSE, which an unhandling dialog procedure turns
//   into IDCANCEL (not when an IDCANCEL control exists and is disabled);
// - the focus: after WM_INITDIALOG returns TRUE it goes to the first
//   enabled WS_TABSTOP control; disabling the focused control takes the
//   focus away.
#include "platform/posix/user/front_end.h"
#include "platform/dialog_template.h"
#include "platform/posix/kernel/codepage.h"
#include "platform/win32.h"

#include <algorithm>
#include <ctype.h>
#include <deque>
#include <memory>
#include <string.h>

namespace dialogs {
namespace {

// The emulated screen and the frame of a dialog window (Windows 95 metrics).
constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
constexpr int kCaptionHeight = 18;
constexpr int kFrameWidth = 3;
constexpr int kDefaultEditLimit = 30000;
constexpr UINT kInputMessage = 0x7FF0; // internal: front-end input queued by PeekMessageA

struct Window {
    Kind kind = Kind::Other;
    Window* parent = nullptr; // controls: their dialog; dialogs: their owner
    bool alive = true;
    int id = 0;
    DWORD style = 0;
    std::string text;
    RECT rect{}; // top-level: screen; controls: client coordinates of the dialog
    // buttons
    int check = BST_UNCHECKED;
    // edits
    int limit = kDefaultEditLimit;
    // list boxes
    std::vector<std::string> items;
    int selection = LB_ERR;
    // dialogs and message boxes
    DLGPROC proc = nullptr;
    int templateId = 0;
    int defaultId = IDOK;      // idResult: IDOK, the template's default button, or DM_SETDEFID
    int baseX = 6, baseY = 13; // dialog base units of the window's font (pixels)
    bool ended = false;
    INT_PTR result = 0;
    std::vector<Window*> children;
    std::string messageText;
    UINT messageType = 0;
    Window* savedFocus = nullptr; // the focus before the window opened; given back after
    bool disabledOwner = false;   // the owner was enabled and is disabled while this is open

    HWND handle() { return reinterpret_cast<HWND>(this); }
};

struct Posted {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct State {
    std::vector<std::unique_ptr<Window>> windows;
    Window desktop;
    std::vector<Window*> modal;
    Window* focus = nullptr;
    std::deque<Posted> posted;
    std::deque<Input> pendingInputs;
    FrontEnd* frontEnd = nullptr;

    State() {
        desktop.kind = Kind::Desktop;
        desktop.rect = {0, 0, kScreenWidth, kScreenHeight};
    }
};

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

LRESULT Send(Window* w, UINT message, WPARAM wParam, LPARAM lParam);

void Notify(Window* control, int code) {
    if (control->parent)
        Send(control->parent, WM_COMMAND, MAKEWPARAM(control->id, code),
             reinterpret_cast<LPARAM>(control->handle()));
}

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

bool CanTakeFocus(const Window* c) {
    return (c->style & WS_TABSTOP) && IsEnabledWindow(c) && IsVisibleWindow(c);
}

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

// ---- Controls ----

// Sorted list boxes order their entries as the system's case-blind word
// sort does: hyphens and apostrophes are skipped, punctuation comes before
// digits, digits before letters ("[..]" < "[1999]" < "[-a-]" < "[Alpha]").
int SortWeight(unsigned char c) {
    unsigned char upper = codepage::ToUpper(c);
    if (isdigit(c))
        return 0x100 + c;
    if (isalpha(upper) || upper >= 0xC0)
        return 0x200 + upper;
    return c;
}

std::vector<int> SortKey(const std::string& text) {
    std::vector<int> key;
    for (unsigned char c : text) {
        if (c != '-' && c != '\'')
            key.push_back(SortWeight(c));
    }
    return key;
}

bool SortsBefore(const std::string& a, const std::string& b) {
    std::vector<int> ka = SortKey(a), kb = SortKey(b);
    if (ka != kb)
        return ka < kb;
    return a < b;
}

LRESULT ControlMessage(Window* w, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT:
        w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        if (w->kind == Kind::Static)
            NotifyScreenChanged();
        return TRUE;
    case WM_GETTEXT: {
        char* buffer = reinterpret_cast<char*>(lParam);
        int capacity = static_cast<int>(wParam);
        if (!buffer || capacity <= 0)
            return 0;
        int n = std::min(static_cast<int>(w->text.size()), capacity - 1);
        memcpy(buffer, w->text.data(), n);
        buffer[n] = '\0';
        return n;
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(w->text.size());
    case EM_LIMITTEXT:
        if (w->kind == Kind::Edit)
            w->limit = wParam ? static_cast<int>(wParam) : 0x7FFFFFFE;
        return 0;
    case EM_GETLIMITTEXT:
        return w->kind == Kind::Edit ? w->limit : 0;
    case EM_SETSEL:
        return 0;
    case BM_GETCHECK:
        return w->kind == Kind::Button ? w->check : 0;
    case BM_SETCHECK:
        if (w->kind == Kind::Button && !IsPushButton(w))
            w->check = static_cast<int>(wParam);
        return 0;
    case BM_SETSTYLE:
        if (w->kind == Kind::Button)
            w->style = (w->style & ~0xFFFFu) | (static_cast<DWORD>(wParam) & 0xFFFF);
        return 0;
    case BM_CLICK:
        if (w->kind == Kind::Button && IsEnabledWindow(w)) {
            if (w->parent)
                NextDlgCtl(w->parent, w);
            if ((w->style & BS_TYPEMASK) == BS_AUTOCHECKBOX)
                w->check = w->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
            Notify(w, BN_CLICKED);
        }
        return 0;
    default:
        break;
    }
    if (w->kind != Kind::ListBox)
        return 0;
    auto& items = w->items;
    int count = static_cast<int>(items.size());
    int index = static_cast<int>(wParam);
    switch (message) {
    case LB_ADDSTRING: {
        std::string item = lParam ? reinterpret_cast<const char*>(lParam) : "";
        int at = count;
        if (w->style & LBS_SORT) {
            at = 0;
            while (at < count && !SortsBefore(item, items[at]))
                ++at;
        }
        items.insert(items.begin() + at, item);
        if (w->selection >= at)
            ++w->selection;
        return at;
    }
    case LB_INSERTSTRING: {
        int at = index < 0 || index > count ? count : index;
        items.insert(items.begin() + at, lParam ? reinterpret_cast<const char*>(lParam) : "");
        if (w->selection >= at)
            ++w->selection;
        return at;
    }
    case LB_DELETESTRING:
        if (index < 0 || index >= count)
            return LB_ERR;
        items.erase(items.begin() + index);
        if (w->selection == index)
            w->selection = LB_ERR;
        else if (w->selection > index)
            --w->selection;
        return count - 1;
    case LB_RESETCONTENT:
        items.clear();
        w->selection = LB_ERR;
        return 0;
    case LB_GETCOUNT:
        return count;
    case LB_GETCURSEL:
        return w->selection;
    case LB_SETCURSEL:
        if (index < 0 || index >= count) {
            w->selection = LB_ERR;
            return LB_ERR;
        }
        w->selection = index;
        return index;
    case LB_GETTEXTLEN:
        return index < 0 || index >= count ? LB_ERR : static_cast<LRESULT>(items[index].size());
    case LB_GETTEXT:
        if (index < 0 || index >= count || !lParam)
            return LB_ERR;
        memcpy(reinterpret_cast<char*>(lParam), items[index].c_str(), items[index].size() + 1);
        return static_cast<LRESULT>(items[index].size());
    case LB_FINDSTRINGEXACT:
        for (int i = 0; i < count; ++i) {
            int at = (index + 1 + i) % count;
            if (index < 0)
                at = i;
            if (codepage::EqualNoCase(items[at], reinterpret_cast<const char*>(lParam)))
                return at;
        }
        return LB_ERR;
    default:
        return 0;
    }
}

// ---- Dialogs ----

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

// ---- Input ----

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
            return "";
        }
        return "";
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
    return "";
}

void DeliverAndReport(Window* dialog, const Input& in) {
    std::string why = Deliver(dialog, in);
    if (!why.empty() && S().frontEnd)
        S().frontEnd->InputFailed(dialog->handle(), in, why);
}

// Runs the posted messages; true when there were any.
bool RunPosted() {
    State& s = S();
    if (s.posted.empty())
        return false;
    Posted p = s.posted.front();
    s.posted.pop_front();
    if (p.message == kInputMessage) {
        Window* target = W(p.window);
        if (target && !s.pendingInputs.empty()) {
            Input in = s.pendingInputs.front();
            s.pendingInputs.pop_front();
            DeliverAndReport(target, in);
        }
        return true;
    }
    Send(W(p.window), p.message, p.wParam, p.lParam);
    return true;
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

// ---- Message boxes ----

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

// ---- Front-end interface ----

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

// ---- The Win32 calls ----

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

// Returns whether the window was disabled before.
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

BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check) {
    HWND button = GetDlgItem(dialog, id);
    if (!button)
        return FALSE;
    SendMessageA(button, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND dialog, int id) {
    return static_cast<UINT>(SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0));
}

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
    using namespace dialogs;
    if (!msg)
        return 0;
    State& s = S();
    if (msg->message == kInputMessage) {
        Window* target = W(msg->hwnd);
        if (target && !s.pendingInputs.empty()) {
            Input in = s.pendingInputs.front();
            s.pendingInputs.pop_front();
            DeliverAndReport(target, in);
        }
        return 0;
    }
    return Send(W(msg->hwnd), msg->message, msg->wParam, msg->lParam);
}
