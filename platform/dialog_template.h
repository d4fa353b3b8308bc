// Dialog templates in their binary form (DLGTEMPLATE and DLGTEMPLATEEX, as
// a resource compiler writes them), parsed into a plain description.
//
// Used by the emulated dialog manager to build dialogs, and by the test
// driver of scenarios on Windows to recognise a real dialog by its template.
// No platform calls: texts stay UTF-16.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string>
#include <vector>

namespace dialog_template {

// Predefined control classes by their atom.
enum ClassAtom : uint16_t {
    kButton = 0x80,
    kEdit = 0x81,
    kStatic = 0x82,
    kListBox = 0x83,
    kScrollBar = 0x84,
    kComboBox = 0x85,
};

struct Item {
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0; // dialog units
    int id = 0;                           // -1 for "no id" (0xFFFF in the old form)
    uint16_t classAtom = 0;               // 0 when the class is given by name
    std::u16string className;             // upper-cased; names the atom's class too
    bool titleIsOrdinal = false;          // e.g. the icon of an SS_ICON static
    uint16_t titleOrdinal = 0;
    std::u16string title;
};

struct Template {
    bool extended = false;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::u16string caption;
    uint16_t pointSize = 0; // 0 when the template has no font
    uint16_t weight = 0;
    bool italic = false;
    std::u16string fontName;
    std::vector<Item> items;
};

// Parses a template; false when it is cut short or malformed.
bool Parse(const void* data, size_t size, Template* out);

} // namespace dialog_template
