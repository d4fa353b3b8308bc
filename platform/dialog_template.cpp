// Parser of binary dialog templates.
//
// DLGTEMPLATE: DWORD style, DWORD exStyle, WORD count, short x, y, cx, cy,
// then menu, class and caption (each: 0x0000 none, 0xFFFF + WORD ordinal, or
// a zero-terminated UTF-16 string), then with DS_SETFONT a WORD point size
// and the face name. Each item is DWORD-aligned: DWORD style, DWORD exStyle,
// short x, y, cx, cy, WORD id, class, title, WORD extra-data size + data.
//
// DLGTEMPLATEEX starts with WORD 1, WORD 0xFFFF, DWORD helpId, DWORD exStyle,
// DWORD style, WORD count, the rectangle, menu, class, caption, and with a
// font WORD points, WORD weight, BYTE italic, BYTE charset, face name. Its
// items are DWORD helpId, DWORD exStyle, DWORD style, rectangle, DWORD id,
// class, title, extra data.
#include "platform/dialog_template.h"

namespace dialog_template {
namespace {

constexpr uint32_t kSetFont = 0x40;   // DS_SETFONT
constexpr uint32_t kShellFont = 0x48; // DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS

class Reader {
  public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }

    uint16_t Word() {
        if (pos_ + 2 > size_) {
            ok_ = false;
            return 0;
        }
        uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    uint32_t Dword() {
        uint32_t low = Word();
        return low | (static_cast<uint32_t>(Word()) << 16);
    }
    uint8_t Byte() {
        if (pos_ + 1 > size_) {
            ok_ = false;
            return 0;
        }
        return data_[pos_++];
    }
    std::u16string String() {
        std::u16string s;
        for (;;) {
            uint16_t c = Word();
            if (!ok_ || c == 0)
                return s;
            s += static_cast<char16_t>(c);
        }
    }
    // A menu, class or title field.
    void Field(bool* isOrdinal, uint16_t* ordinal, std::u16string* text) {
        *isOrdinal = false;
        *ordinal = 0;
        text->clear();
        if (pos_ + 2 > size_) {
            ok_ = false;
            return;
        }
        uint16_t first = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        if (first == 0) {
            pos_ += 2;
        } else if (first == 0xFFFF) {
            pos_ += 2;
            *isOrdinal = true;
            *ordinal = Word();
        } else {
            *text = String();
        }
    }
    void AlignDword() { pos_ = (pos_ + 3) & ~static_cast<size_t>(3); }
    void Skip(size_t n) {
        if (pos_ + n > size_)
            ok_ = false;
        else
            pos_ += n;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

std::u16string UpperAscii(std::u16string s) {
    for (char16_t& c : s) {
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return s;
}

const char16_t* AtomName(uint16_t atom) {
    switch (atom) {
    case kButton:
        return u"BUTTON";
    case kEdit:
        return u"EDIT";
    case kStatic:
        return u"STATIC";
    case kListBox:
        return u"LISTBOX";
    case kScrollBar:
        return u"SCROLLBAR";
    case kComboBox:
        return u"COMBOBOX";
    default:
        return u"";
    }
}

uint16_t AtomOf(const std::u16string& upperName) {
    for (uint16_t atom = kButton; atom <= kComboBox; ++atom) {
        if (upperName == AtomName(atom))
            return atom;
    }
    return 0;
}

} // namespace

bool Parse(const void* bytes, size_t size, Template* out) {
    *out = Template();
    if (!bytes)
        return false;
    Reader r(static_cast<const uint8_t*>(bytes), size);
    uint16_t version = r.Word();
    uint16_t signature = r.Word();
    out->extended = version == 1 && signature == 0xFFFF;
    uint16_t count;
    if (out->extended) {
        r.Dword(); // help id
        out->exStyle = r.Dword();
        out->style = r.Dword();
    } else {
        out->style = version | (static_cast<uint32_t>(signature) << 16);
        out->exStyle = r.Dword();
    }
    count = r.Word();
    out->x = static_cast<int16_t>(r.Word());
    out->y = static_cast<int16_t>(r.Word());
    out->cx = static_cast<int16_t>(r.Word());
    out->cy = static_cast<int16_t>(r.Word());
    bool isOrdinal;
    uint16_t ordinal;
    std::u16string text;
    r.Field(&isOrdinal, &ordinal, &text); // menu
    r.Field(&isOrdinal, &ordinal, &text); // class
    out->caption = r.String();
    if ((out->style & kSetFont) || (out->style & kShellFont) == kShellFont) {
        out->pointSize = r.Word();
        if (out->extended) {
            out->weight = r.Word();
            out->italic = r.Byte() != 0;
            r.Byte(); // charset
        }
        out->fontName = r.String();
    }
    for (uint16_t i = 0; i < count && r.ok(); ++i) {
        r.AlignDword();
        Item item;
        if (out->extended) {
            r.Dword(); // help id
            item.exStyle = r.Dword();
            item.style = r.Dword();
        } else {
            item.style = r.Dword();
            item.exStyle = r.Dword();
        }
        item.x = static_cast<int16_t>(r.Word());
        item.y = static_cast<int16_t>(r.Word());
        item.cx = static_cast<int16_t>(r.Word());
        item.cy = static_cast<int16_t>(r.Word());
        if (out->extended) {
            item.id = static_cast<int>(r.Dword());
        } else {
            uint16_t id = r.Word();
            item.id = id == 0xFFFF ? -1 : id;
        }
        r.Field(&isOrdinal, &ordinal, &text);
        if (isOrdinal) {
            item.classAtom = ordinal;
            item.className = AtomName(ordinal);
        } else {
            item.className = UpperAscii(text);
            item.classAtom = AtomOf(item.className);
        }
        r.Field(&item.titleIsOrdinal, &item.titleOrdinal, &item.title);
        uint16_t extra = r.Word();
        r.Skip(extra);
        out->items.push_back(item);
    }
    return r.ok();
}

} // namespace dialog_template
