// The terminal front end's picture of the modal windows: drawn into a grid
// of character cells, independent of the terminal library, so that the
// picture can be compared as text.
//
// Geometry: a dialog unit is an eighth of a row vertically (a line of the
// dialog font). Horizontally it is at the least a quarter of a cell (the
// font's average character); but a cell holds one character whatever its
// width, so each window takes the narrowest width at which every label
// shows whole: the caption beside the close box, each button's label with
// its brackets or check mark, each one-line static's text, in the cells its
// control gets (mnemonic "&" not counted). The screen's width bounds it; a
// window whose labels do not fit even so takes the whole width. Each modal
// window is centred in the screen above the bottom line (the hint line)
// with a one-cell frame; its caption and close box sit in the top frame
// line.
#pragma once

#include "platform/posix/win_types.h"

#include <map>
#include <stdint.h>
#include <string>
#include <vector>

namespace terminal {

enum Attr : uint8_t {
    kPlain = 0,
    kBold = 1,
    kReverse = 2,
    kDim = 4,
    kUnderline = 8,
    kCaption = 16, // the caption line of the active window
    kDesktop = 32, // the desktop behind the windows
    kHint = 64,    // the hint line
};

struct Cell {
    char32_t ch = U' ';
    uint8_t attr = kPlain;
};

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
    bool Contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

class Canvas {
  public:
    Canvas(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    const Cell& At(int x, int y) const { return cells_[static_cast<size_t>(y * width_ + x)]; }
    // Cells outside the canvas or the clip box are left alone.
    void Put(int x, int y, char32_t ch, uint8_t attr);
    void Fill(const Box& box, char32_t ch, uint8_t attr);
    void Frame(const Box& box, uint8_t attr);
    // Writes at most `width` cells (no limit when negative).
    void Text(int x, int y, const std::u32string& text, uint8_t attr, int width = -1);
    void SetClip(const Box& box) { clip_ = box; }
    void ClearClip() { clip_ = {0, 0, width_, height_}; }
    // The picture as UTF-8 lines, trailing blanks dropped.
    std::string ToText() const;

  private:
    int width_, height_;
    Box clip_;
    std::vector<Cell> cells_;
};

// Where on the screen an input lands.
struct Hit {
    enum class What { Control, CloseBox, ListEntry, ScrollUp, ScrollDown };
    What what = What::Control;
    HWND window = nullptr; // the top-level window
    HWND control = nullptr;
    int entry = -1; // list entries
    Box box;
};

// What the front end keeps between pictures: the first shown line of
// multi-line edits and list boxes.
struct View {
    std::map<HWND, int> top;
};

struct Picture {
    std::vector<Hit> hits; // topmost last
    int cursorX = -1, cursorY = -1;
    bool tooSmall = false;
    uint32_t desktopColor = 0; // COLORREF of the emulated desktop (cells with kDesktop)
};

// The sixteen colours of a terminal (and of Windows' standard palette), in
// the terminal's order: black, maroon, green, olive, navy, purple, teal,
// silver, then the bright ones gray, red, lime, yellow, blue, fuchsia, aqua,
// white. The nearest of the first `count` (8 or 16) to a COLORREF, by
// distance in RGB; its RGB value and its name.
int NearestColor(uint32_t rgb, int count);
uint32_t ColorRgb(int index);
const char* ColorName(int index);
// True when text on that colour reads better in black than in white.
bool IsLightColor(int index);

// The smallest screen the program's dialogs fit in (hint line included).
constexpr int kMinWidth = 76;
constexpr int kMinHeight = 34;

// Draws the desktop of the emulated display (its colour goes into the
// picture; a wallpaper is noted by name in the top line), every modal window
// (owner first) and the hint line (code page 1252).
void Draw(Canvas* canvas, View* view, const std::string& hint, Picture* picture);

// Cells of a code page 1252 text with its mnemonic ("&x") taken out;
// `mnemonic` is the index of the underlined cell, or -1.
std::u32string MnemonicText(const std::string& ansi, bool prefix, int* mnemonic);

// Lines of a text (code page 1252; "\r\n" or "\n" breaks) wrapped at
// word boundaries into `width` cells.
std::vector<std::u32string> WrapText(const std::u32string& text, int width);

// A control's text (code page 1252).
std::string WindowText(HWND window);

// The lines a multi-line edit shows at `width` cells, and how many fit.
std::vector<std::u32string> EditLines(HWND edit, int width);
int VisibleLines(HWND control);

} // namespace terminal
