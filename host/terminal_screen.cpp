// The terminal front end's picture of the modal windows.
#include "host/terminal_screen.h"
#include "platform/posix/kernel/codepage.h"
#include "platform/posix/user/display_state.h"
#include "platform/posix/user/front_end.h"
#include "platform/win32.h"

#include <algorithm>

namespace terminal {

Canvas::Canvas(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), clip_{0, 0, width_, height_},
      cells_(static_cast<size_t>(width_ * height_)) {}

void Canvas::Put(int x, int y, char32_t ch, uint8_t attr) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || !clip_.Contains(x, y))
        return;
    cells_[static_cast<size_t>(y * width_ + x)] = {ch, attr};
}

void Canvas::Fill(const Box& box, char32_t ch, uint8_t attr) {
    for (int y = box.y; y < box.y + box.h; ++y) {
        for (int x = box.x; x < box.x + box.w; ++x)
            Put(x, y, ch, attr);
    }
}

void Canvas::Frame(const Box& b, uint8_t attr) {
    if (b.w < 2 || b.h < 2)
        return;
    for (int x = b.x + 1; x < b.x + b.w - 1; ++x) {
        Put(x, b.y, U'\u2500', attr);
        Put(x, b.y + b.h - 1, U'\u2500', attr);
    }
    for (int y = b.y + 1; y < b.y + b.h - 1; ++y) {
        Put(b.x, y, U'\u2502', attr);
        Put(b.x + b.w - 1, y, U'\u2502', attr);
    }
    Put(b.x, b.y, U'\u250C', attr);
    Put(b.x + b.w - 1, b.y, U'\u2510', attr);
    Put(b.x, b.y + b.h - 1, U'\u2514', attr);
    Put(b.x + b.w - 1, b.y + b.h - 1, U'\u2518', attr);
}

void Canvas::Text(int x, int y, const std::u32string& text, uint8_t attr, int width) {
    int n = static_cast<int>(text.size());
    if (width >= 0)
        n = std::min(n, width);
    for (int i = 0; i < n; ++i)
        Put(x + i, y, text[static_cast<size_t>(i)], attr);
}

namespace {

void AppendUtf8(std::string* out, char32_t c) {
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xC0 | (c >> 6));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += static_cast<char>(0xE0 | (c >> 12));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (c >> 18));
        *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string Canvas::ToText() const {
    std::string out;
    for (int y = 0; y < height_; ++y) {
        int end = width_;
        while (end > 0 && At(end - 1, y).ch == U' ')
            --end;
        for (int x = 0; x < end; ++x)
            AppendUtf8(&out, At(x, y).ch);
        out += '\n';
    }
    return out;
}

std::u32string MnemonicText(const std::string& ansi, bool prefix, int* mnemonic) {
    std::u32string out;
    *mnemonic = -1;
    for (size_t i = 0; i < ansi.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(ansi[i]);
        if (prefix && c == '&' && i + 1 < ansi.size()) {
            ++i;
            c = static_cast<unsigned char>(ansi[i]);
            if (c != '&' && *mnemonic < 0)
                *mnemonic = static_cast<int>(out.size());
        }
        out += static_cast<char32_t>(codepage::ToUnicode(c));
    }
    return out;
}

std::vector<std::u32string> WrapText(const std::u32string& text, int width) {
    std::vector<std::u32string> lines;
    if (width <= 0)
        return lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(U'\n', start);
        if (end == std::u32string::npos)
            end = text.size();
        std::u32string paragraph = text.substr(start, end - start);
        if (!paragraph.empty() && paragraph.back() == U'\r')
            paragraph.pop_back();
        // Greedy word wrap; a word longer than the line is cut.
        do {
            if (static_cast<int>(paragraph.size()) <= width) {
                lines.push_back(paragraph);
                break;
            }
            size_t cut = paragraph.rfind(U' ', static_cast<size_t>(width));
            if (cut == std::u32string::npos || cut == 0) {
                lines.push_back(paragraph.substr(0, static_cast<size_t>(width)));
                paragraph.erase(0, static_cast<size_t>(width));
            } else {
                lines.push_back(paragraph.substr(0, cut));
                paragraph.erase(0, cut + 1);
            }
        } while (!paragraph.empty());
        if (end == text.size())
            break;
        start = end + 1;
    }
    return lines;
}

std::string WindowText(HWND window) {
    int length = static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int n = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}

namespace {

int RoundDiv(int a, int b) {
    return a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b);
}

// How a window's dialog units become cells: vertically eight units a row
// (a line of the dialog font); horizontally `cells` cells for `units`
// units, at the least a quarter cell a unit (the font's average character).
struct Scale {
    int cells = 1, units = 4;
};

// A control's cells relative to its window's client area.
Box ControlCells(HWND control, const Scale& scale) {
    RECT du = dialogs::DialogUnitRectOf(control);
    int left = RoundDiv(du.left * scale.cells, scale.units), top = RoundDiv(du.top, 8);
    int right = RoundDiv(du.right * scale.cells, scale.units), bottom = RoundDiv(du.bottom, 8);
    return {left, top, std::max(1, right - left), std::max(1, bottom - top)};
}

std::u32string Unicode(const std::string& ansi) {
    std::u32string out;
    for (unsigned char c : ansi)
        out += static_cast<char32_t>(codepage::ToUnicode(c));
    return out;
}

bool Has(DWORD style, DWORD flag) {
    return (style & flag) != 0;
}

// Message boxes leave their hidden buttons out; dialogs draw every control.
bool IsDrawn(HWND window, HWND control) {
    return Has(dialogs::StyleOf(control), WS_VISIBLE) ||
           dialogs::KindOf(window) != dialogs::Kind::MessageBox;
}

bool HasCloseBox(HWND window) {
    return Has(dialogs::StyleOf(window), WS_SYSMENU);
}

// The cells of the top frame line that the caption (" Text ") may take:
// all but the corners, less the close box and a line cell on either side.
int CaptionRoom(int clientWidth, bool closeBox) {
    return clientWidth - (closeBox ? 4 : 0);
}

// A check box draws its mark before the label: "[x] Text". A push button
// draws its label between brackets, "[ Text ]" ("< Text >" the default).
constexpr int kCheckMarkCells = 4;
constexpr int kBracketCells = 2;

bool IsCheckBox(DWORD style) {
    DWORD type = style & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX;
}

// A static drawn on one line, unwrapped: one row high, or centred in its
// box.
bool IsOneLine(DWORD style, const Box& box) {
    return box.h == 1 || Has(style, SS_CENTERIMAGE);
}

// The cells a control's label takes whole, its decoration included: the
// text of a button or of a one-line static. 0 for the rest (edits, lists,
// icons, and the statics of more rows, whose text wraps into the width it
// gets).
int LabelCells(HWND control, const Box& box) {
    DWORD style = dialogs::StyleOf(control);
    int mnemonic;
    switch (dialogs::KindOf(control)) {
    case dialogs::Kind::Button: {
        int length = static_cast<int>(MnemonicText(WindowText(control), true, &mnemonic).size());
        return length + (IsCheckBox(style) ? kCheckMarkCells : kBracketCells);
    }
    case dialogs::Kind::Static: {
        if ((style & SS_TYPEMASK) == SS_ICON || !IsOneLine(style, box))
            return 0;
        int longest = 0;
        std::u32string text =
            MnemonicText(WindowText(control), !Has(style, SS_NOPREFIX), &mnemonic);
        for (const std::u32string& line : WrapText(text, 1 << 20))
            longest = std::max(longest, static_cast<int>(line.size()));
        return longest;
    }
    default:
        return 0;
    }
}

// Whether every label of a window shows whole at `scale`: the caption with
// its close box, and each control's label in the cells the control gets.
// Labels side by side also keep a blank cell between them where their
// controls stand apart, so that they do not read as one.
bool LabelsFit(HWND window, const Scale& scale) {
    int width = RoundDiv(dialogs::DialogUnitRectOf(window).right * scale.cells, scale.units);
    int caption = static_cast<int>(WindowText(window).size()) + 2;
    if (caption > CaptionRoom(width, HasCloseBox(window)))
        return false;
    struct Placed {
        RECT units;
        Box box;
    };
    std::vector<Placed> labels;
    for (HWND control : dialogs::ControlsOf(window)) {
        if (!IsDrawn(window, control))
            continue;
        Box box = ControlCells(control, scale);
        int cells = LabelCells(control, box);
        if (cells > box.w)
            return false;
        if (cells > 0)
            labels.push_back({dialogs::DialogUnitRectOf(control), box});
    }
    for (const Placed& left : labels) {
        for (const Placed& right : labels) {
            bool sameRows =
                left.box.y < right.box.y + right.box.h && right.box.y < left.box.y + left.box.h;
            if (sameRows && left.units.right < right.units.left &&
                left.box.x + left.box.w >= right.box.x)
                return false;
        }
    }
    return true;
}

// A window's scale on a screen `columns` wide: the narrowest at which every
// label shows whole, from a quarter cell a unit up to the screen's width
// (its frame included); the widest the screen allows when none is.
Scale ScaleFor(HWND window, int columns) {
    Scale scale;
    int units = dialogs::DialogUnitRectOf(window).right;
    if (units <= 0)
        return scale;
    for (int cells = RoundDiv(units, 4) + 1; cells <= columns - 2 && !LabelsFit(window, scale);
         ++cells)
        scale = {cells, units};
    return scale;
}

bool Bordered(HWND control) {
    return (dialogs::StyleOf(control) & WS_BORDER) != 0;
}

// The inside of a bordered list or multi-line edit.
Box Inner(const Box& box, bool border) {
    if (!border || box.w < 3 || box.h < 3)
        return box;
    return {box.x + 1, box.y + 1, box.w - 2, box.h - 2};
}

class Painter {
  public:
    Painter(Canvas* canvas, View* view, Picture* picture)
        : c_(canvas), view_(view), picture_(picture) {}

    void Window(HWND window, bool active);

  private:
    void Control(HWND control, const Box& box, bool active);
    void Button(HWND control, const Box& box, uint8_t base, bool focused);
    void StaticText(HWND control, const Box& box, uint8_t base);
    void Icon(const Box& box, uint8_t base);
    void Edit(HWND control, const Box& box, uint8_t base, bool focused);
    void List(HWND control, const Box& box, uint8_t base, bool focused);
    void ScrollMarks(HWND control, const Box& box, int top, int total, int shown, uint8_t base);
    void AddHit(Hit::What what, HWND control, int entry, const Box& box) {
        if (active_)
            picture_->hits.push_back({what, window_, control, entry, box});
    }

    Canvas* c_;
    View* view_;
    Picture* picture_;
    HWND window_ = nullptr;
    bool active_ = false;
    Scale scale_;
    int originX_ = 0, originY_ = 0;
    int clientW_ = 0, clientH_ = 0; // the window's client area from originX_, originY_
};

void Painter::Window(HWND window, bool active) {
    window_ = window;
    active_ = active;
    RECT du = dialogs::DialogUnitRectOf(window);
    scale_ = ScaleFor(window, c_->width());
    int w = RoundDiv(du.right * scale_.cells, scale_.units), h = RoundDiv(du.bottom, 8);
    Box frame{(c_->width() - (w + 2)) / 2, (c_->height() - 1 - (h + 2)) / 2, w + 2, h + 2};
    originX_ = frame.x + 1;
    originY_ = frame.y + 1;
    clientW_ = w;
    clientH_ = h;
    uint8_t base = active ? kPlain : kDim;
    uint8_t captionAttr = active ? static_cast<uint8_t>(kCaption) : base;
    c_->Fill(frame, U' ', base);
    c_->Frame(frame, base);
    // The caption and the close box in the top frame line.
    std::u32string caption = U" " + Unicode(WindowText(window)) + U" ";
    bool closeBox = HasCloseBox(window);
    c_->Text(frame.x + 1, frame.y, caption, captionAttr, CaptionRoom(w, closeBox));
    if (closeBox) {
        Box close{frame.x + frame.w - 5, frame.y, 3, 1};
        c_->Text(close.x, close.y, U"[\u00D7]", captionAttr);
        AddHit(Hit::What::CloseBox, nullptr, -1, close);
    }
    if (dialogs::KindOf(window) == dialogs::Kind::MessageBox)
        Icon({originX_ + 2, originY_ + 1, 5, 3}, base);
    c_->SetClip({originX_, originY_, w, h});
    for (HWND control : dialogs::ControlsOf(window)) {
        if (!IsDrawn(window, control))
            continue;
        Box box = ControlCells(control, scale_);
        box.x += originX_;
        box.y += originY_;
        Control(control, box, active);
    }
    c_->ClearClip();
}

void Painter::Control(HWND control, const Box& box, bool active) {
    DWORD style = dialogs::StyleOf(control);
    uint8_t base = active && !Has(style, WS_DISABLED) ? kPlain : kDim;
    bool focused = active && GetFocus() == control;
    switch (dialogs::KindOf(control)) {
    case dialogs::Kind::Button:
        Button(control, box, base, focused);
        break;
    case dialogs::Kind::Static:
        if ((style & SS_TYPEMASK) == SS_ICON)
            Icon(box, base);
        else
            StaticText(control, box, base);
        break;
    case dialogs::Kind::Edit:
        Edit(control, box, base, focused);
        break;
    case dialogs::Kind::ListBox:
        List(control, box, base, focused);
        break;
    default:
        break;
    }
}

void Painter::Button(HWND control, const Box& box, uint8_t base, bool focused) {
    DWORD style = dialogs::StyleOf(control);
    int mnemonic;
    std::u32string label = MnemonicText(WindowText(control), true, &mnemonic);
    int y = box.y + (box.h - 1) / 2;
    uint8_t labelAttr = static_cast<uint8_t>(base | (focused ? kReverse : 0));
    AddHit(Hit::What::Control, control, -1, {box.x, y, box.w, 1});
    if (IsCheckBox(style)) {
        bool checked = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        int x = box.x + kCheckMarkCells;
        c_->Text(box.x, y, checked ? U"[x] " : U"[ ] ", base);
        c_->Text(x, y, label, labelAttr, box.w - kCheckMarkCells);
        if (mnemonic >= 0 && mnemonic < box.w - kCheckMarkCells)
            c_->Put(x + mnemonic, y, label[static_cast<size_t>(mnemonic)],
                    static_cast<uint8_t>(labelAttr | kUnderline));
        if (focused) {
            picture_->cursorX = box.x + 1;
            picture_->cursorY = y;
        }
        return;
    }
    // Push buttons: "[ Text ]"; the default one "< Text >" in bold. A label
    // too long for the brackets takes the whole width.
    bool isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    uint8_t edge = static_cast<uint8_t>(base | (isDefault ? kBold : 0));
    labelAttr = static_cast<uint8_t>(labelAttr | (isDefault ? kBold : 0));
    bool brackets = static_cast<int>(label.size()) <= box.w - kBracketCells;
    int inner = brackets ? box.w - kBracketCells : box.w;
    int length = std::min(static_cast<int>(label.size()), std::max(inner, 0));
    c_->Fill({box.x, y, box.w, 1}, U' ', base);
    if (brackets) {
        c_->Put(box.x, y, isDefault ? U'<' : U'[', edge);
        c_->Put(box.x + box.w - 1, y, isDefault ? U'>' : U']', edge);
    }
    int x = box.x + (brackets ? 1 : 0) + (inner - length) / 2;
    c_->Text(x, y, label, labelAttr, length);
    if (mnemonic >= 0 && mnemonic < length)
        c_->Put(x + mnemonic, y, label[static_cast<size_t>(mnemonic)],
                static_cast<uint8_t>(labelAttr | kUnderline));
    if (focused) {
        picture_->cursorX = x;
        picture_->cursorY = y;
    }
}

void Painter::StaticText(HWND control, const Box& box, uint8_t base) {
    DWORD style = dialogs::StyleOf(control);
    int mnemonic;
    std::u32string text = MnemonicText(WindowText(control), !Has(style, SS_NOPREFIX), &mnemonic);
    // Cells are coarser than the dialog font: a text that does not fit its
    // box may take up to a quarter more width (centred on the box, but
    // inside the dialog's client area), and a one-line box is not wrapped at
    // all. A text that does not fit even so runs on below its box into the
    // room of the client area (rather than losing its last lines, often the
    // address); the client area clips. Empty lines at the end take no room.
    std::vector<std::u32string> lines;
    int width = box.w;
    if (IsOneLine(style, box)) {
        lines = WrapText(text, 1 << 20);
    } else {
        int widest = std::max(box.w, std::min(box.w + box.w / 4, clientW_));
        for (; width <= widest; ++width) {
            lines = WrapText(text, width);
            while (!lines.empty() && lines.back().empty())
                lines.pop_back();
            if (static_cast<int>(lines.size()) <= box.h)
                break;
        }
        width = std::min(width, widest);
    }
    int left = box.x - (width - box.w) / 2;
    if (width <= clientW_)
        left = std::clamp(left, originX_, originX_ + clientW_ - width);
    int y = box.y;
    if (Has(style, SS_CENTERIMAGE) && static_cast<int>(lines.size()) < box.h)
        y += (box.h - static_cast<int>(lines.size())) / 2;
    int consumed = 0; // cells of text before this line, for the mnemonic
    int rows = static_cast<int>(lines.size()) > box.h ? clientH_ : box.h;
    for (size_t i = 0; i < lines.size() && static_cast<int>(i) < rows; ++i) {
        const std::u32string& line = lines[i];
        int length = static_cast<int>(line.size());
        int x = left;
        if ((style & SS_TYPEMASK) == SS_CENTER)
            x = box.x + (box.w - length) / 2;
        else if ((style & SS_TYPEMASK) == SS_RIGHT)
            x = box.x + box.w - length;
        c_->Text(x, y + static_cast<int>(i), line, base);
        if (mnemonic >= consumed && mnemonic < consumed + length)
            c_->Put(x + mnemonic - consumed, y + static_cast<int>(i),
                    line[static_cast<size_t>(mnemonic - consumed)],
                    static_cast<uint8_t>(base | kUnderline));
        consumed += length + 1;
    }
}

// The product's icon: a tree on a meadow.
void Painter::Icon(const Box& box, uint8_t base) {
    static const char32_t* const kRows[] = {U" \u2663\u2663\u2663 ",
                                            U"\u2663\u2663\u2663\u2663\u2663",
                                            U"\u201E\u201E\u2502\u201E\u201E"};
    for (int i = 0; i < 3; ++i)
        c_->Text(box.x, box.y + i, kRows[i], base, 5);
}

void Painter::ScrollMarks(HWND control, const Box& box, int top, int total, int shown,
                          uint8_t base) {
    if (total <= shown || box.h < 3)
        return;
    int x = box.x + box.w - 1;
    c_->Put(x, box.y + 1, U'\u25B2', base);
    c_->Put(x, box.y + box.h - 2, U'\u25BC', base);
    AddHit(Hit::What::ScrollUp, control, -1, {x, box.y + 1, 1, 1});
    AddHit(Hit::What::ScrollDown, control, -1, {x, box.y + box.h - 2, 1, 1});
    int track = box.h - 4;
    if (track > 0) {
        int thumb = track * top / std::max(1, total - shown);
        c_->Put(x, box.y + 2 + std::min(thumb, track - 1), U'\u2588', base);
    }
}

void Painter::Edit(HWND control, const Box& box, uint8_t base, bool focused) {
    DWORD style = dialogs::StyleOf(control);
    AddHit(Hit::What::Control, control, -1, box);
    if (!Has(style, ES_MULTILINE)) {
        // One line, on the middle row of the box; the text scrolls to keep
        // the cursor (at its end) in view.
        int y = box.y + (box.h - 1) / 2;
        std::u32string text = Unicode(WindowText(control));
        int width = box.w;
        int first = std::max(0, static_cast<int>(text.size()) + 1 - width);
        c_->Fill({box.x, y, box.w, 1}, U'_', base);
        c_->Text(box.x, y, text.substr(static_cast<size_t>(first)), base, width);
        if (focused) {
            picture_->cursorX = box.x + static_cast<int>(text.size()) - first;
            picture_->cursorY = y;
        }
        return;
    }
    bool border = Bordered(control);
    if (border)
        c_->Frame(box, base);
    Box inner = Inner(box, border);
    std::vector<std::u32string> lines = EditLines(control, inner.w);
    int total = static_cast<int>(lines.size());
    int& top = view_->top[control];
    top = std::clamp(top, 0, std::max(0, total - inner.h));
    for (int i = 0; i < inner.h && top + i < total; ++i) {
        const std::u32string& line = lines[static_cast<size_t>(top + i)];
        int x = inner.x;
        if ((style & 3) == ES_CENTER)
            x += (inner.w - static_cast<int>(line.size())) / 2;
        c_->Text(x, inner.y + i, line, base, inner.w);
    }
    ScrollMarks(control, box, top, total, inner.h, base);
    if (focused) {
        picture_->cursorX = inner.x;
        picture_->cursorY = inner.y;
    }
}

void Painter::List(HWND control, const Box& box, uint8_t base, bool focused) {
    bool border = Bordered(control);
    if (border)
        c_->Frame(box, base);
    Box inner = Inner(box, border);
    std::vector<std::string> entries = dialogs::ListEntriesOf(control);
    int total = static_cast<int>(entries.size());
    int selection = static_cast<int>(SendMessageA(control, LB_GETCURSEL, 0, 0));
    int& top = view_->top[control];
    if (selection >= 0 && selection < top)
        top = selection;
    if (selection >= 0 && selection >= top + inner.h)
        top = selection - inner.h + 1;
    top = std::clamp(top, 0, std::max(0, total - inner.h));
    for (int i = 0; i < inner.h && top + i < total; ++i) {
        int index = top + i;
        uint8_t attr = static_cast<uint8_t>(base | (index == selection ? kReverse : 0));
        Box row{inner.x, inner.y + i, inner.w, 1};
        if (index == selection)
            c_->Fill(row, U' ', attr);
        c_->Text(row.x, row.y, Unicode(entries[static_cast<size_t>(index)]), attr, inner.w);
        AddHit(Hit::What::ListEntry, control, index, row);
    }
    ScrollMarks(control, box, top, total, inner.h, base);
    if (focused) {
        picture_->cursorX = inner.x;
        picture_->cursorY =
            inner.y + (selection >= top && selection < top + inner.h ? selection - top : 0);
    }
}

} // namespace

namespace {

const struct {
    uint32_t rgb;
    const char* name;
} kColors[16] = {
    {RGB(0, 0, 0), "black"},       {RGB(128, 0, 0), "maroon"},     {RGB(0, 128, 0), "green"},
    {RGB(128, 128, 0), "olive"},   {RGB(0, 0, 128), "navy"},       {RGB(128, 0, 128), "purple"},
    {RGB(0, 128, 128), "teal"},    {RGB(192, 192, 192), "silver"}, {RGB(128, 128, 128), "gray"},
    {RGB(255, 0, 0), "red"},       {RGB(0, 255, 0), "lime"},       {RGB(255, 255, 0), "yellow"},
    {RGB(0, 0, 255), "blue"},      {RGB(255, 0, 255), "fuchsia"},  {RGB(0, 255, 255), "aqua"},
    {RGB(255, 255, 255), "white"},
};

// The desktop note of the wallpaper: its file name and how it is laid out.
std::u32string WallpaperNote(const display_state::State& display) {
    const std::string& wallpaper = display.wallpaper;
    size_t slash = wallpaper.find_last_of("\\/:");
    std::string name = slash == std::string::npos ? wallpaper : wallpaper.substr(slash + 1);
    if (name.empty())
        return U"";
    return U" Hintergrundbild: " + Unicode(name) +
           (display.tileWallpaper ? U", nebeneinander " : U", zentriert ");
}

} // namespace

int NearestColor(uint32_t rgb, int count) {
    count = std::clamp(count, 1, 16);
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < count; ++i) {
        long dr = static_cast<long>(GetRValue(rgb)) - GetRValue(kColors[i].rgb);
        long dg = static_cast<long>(GetGValue(rgb)) - GetGValue(kColors[i].rgb);
        long db = static_cast<long>(GetBValue(rgb)) - GetBValue(kColors[i].rgb);
        long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

uint32_t ColorRgb(int index) {
    return kColors[std::clamp(index, 0, 15)].rgb;
}

const char* ColorName(int index) {
    return kColors[std::clamp(index, 0, 15)].name;
}

bool IsLightColor(int index) {
    uint32_t rgb = ColorRgb(index);
    return 299 * GetRValue(rgb) + 587 * GetGValue(rgb) + 114 * GetBValue(rgb) >= 128000;
}

std::vector<std::u32string> EditLines(HWND edit, int width) {
    return WrapText(Unicode(WindowText(edit)), width);
}

int VisibleLines(HWND control) {
    Box box = ControlCells(control, Scale()); // rows do not depend on the width's scale
    return Inner(box, Bordered(control)).h;
}

void Draw(Canvas* canvas, View* view, const std::string& hint, Picture* picture) {
    *picture = Picture();
    canvas->ClearClip();
    canvas->Fill({0, 0, canvas->width(), canvas->height()}, U' ', kDesktop);
    const display_state::State& display = display_state::Current();
    picture->desktopColor = display.desktopColor;
    if (canvas->width() < kMinWidth || canvas->height() < kMinHeight) {
        picture->tooSmall = true;
        char line[96];
        snprintf(line, sizeof line, "Das Fenster ist zu klein: mindestens %d x %d Zeichen.",
                 kMinWidth, kMinHeight);
        std::u32string text = Unicode(line);
        canvas->Text(std::max(0, (canvas->width() - static_cast<int>(text.size())) / 2),
                     canvas->height() / 2, text, kDesktop);
        return;
    }
    canvas->Text(1, 0, WallpaperNote(display), kDesktop, canvas->width() - 2);
    Painter painter(canvas, view, picture);
    std::vector<HWND> windows = dialogs::ModalWindows();
    for (size_t i = 0; i < windows.size(); ++i)
        painter.Window(windows[i], i + 1 == windows.size());
    Box line{0, canvas->height() - 1, canvas->width(), 1};
    canvas->Fill(line, U' ', kHint);
    canvas->Text(1, line.y, Unicode(hint), kHint, line.w - 2);
}

} // namespace terminal
