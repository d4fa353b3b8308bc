// The controls of the emulated dialog manager: buttons (push buttons, check
// boxes, radio buttons), edits, statics and list boxes; their window
// procedure answers WM_SETTEXT/WM_GETTEXT, the BM_*, EM_* and LB_* messages
// the program sends, and BM_CLICK; CheckDlgButton and IsDlgButtonChecked.
#include "platform/posix/user/dialog_manager_internal.h"
#include "platform/posix/kernel/codepage.h"

#include <algorithm>
#include <ctype.h>
#include <string.h>

namespace dialogs {

void Notify(Window* control, int code) {
    if (control->parent)
        Send(control->parent, WM_COMMAND, MAKEWPARAM(control->id, code),
             reinterpret_cast<LPARAM>(control->handle()));
}

namespace {

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

} // namespace

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

} // namespace dialogs

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
