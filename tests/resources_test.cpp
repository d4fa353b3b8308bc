// The program's resources hold exactly the texts and dialogs the program
// shows: string table, data texts, dialog captions and controls, byte for
// byte in code page 1252.
#include "platform/dialog_template.h"
#include "platform/testing.h"
#include "platform/win32.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

HINSTANCE Program() {
    return platform_testing::ProgramInstance();
}

std::string Ansi(const std::u16string& text) {
    if (text.empty())
        return "";
    std::string out(text.size() * 2 + 1, '\0');
    int n = WideCharToMultiByte(1252, 0, reinterpret_cast<LPCWSTR>(text.data()),
                                static_cast<int>(text.size()), out.data(),
                                static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? n : 0);
    return out;
}

std::string Data(HINSTANCE module, int id, LPCSTR type = RT_RCDATA) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found)
        return "<missing>";
    HGLOBAL loaded = LoadResource(module, found);
    const char* bytes = static_cast<const char*>(LockResource(loaded));
    std::string text(bytes, SizeofResource(module, found));
    FreeResource(loaded);
    return text;
}

bool LoadTemplate(int id, dialog_template::Template* out) {
    HRSRC found = FindResourceA(Program(), MAKEINTRESOURCEA(id), RT_DIALOG);
    if (!found)
        return false;
    const void* bytes = LockResource(LoadResource(Program(), found));
    return dialog_template::Parse(bytes, SizeofResource(Program(), found), out);
}

struct StringEntry {
    UINT id;
    const char* text;
};

const StringEntry kStrings[] = {
    {100, "Wiesenhain"},
    {1000, "\xC4ndere Systemeinstellungen"},
    {1001, "Setze Systemdaten zur\xFC"
           "ck"},
    {1002, "Kopiere Dateien"},
    {1004, "Bitte w\xE4hlen Sie das Verzeichnis aus,\nin das die Dateien\ndes "
           "Bildschirmschoners kopiert\nwerden sollen."},
    {1005, "Bitte w\xE4hlen Sie das Verzeichnis aus,\nin dem sich die Installationsdateien "
           "befinden"},
    {1007, "c:\\wiesenhain"},
    {1008, "Setup 'Wiesenhain'"},
    {1009, "Das Verzeichnis mu\xDF absolut angegeben werden."},
    {1010, "Soll das Verzeichnis\n\n%s\n\n erstellt werden ?"},
    {1011, "Das Verzeichnis konnte nicht erstellt werden."},
    {1013, "Die Installationsdateien konnten nicht kopiert werden."},
    {1014, "Auf die 'Registry' konnte nicht zugegriffen werden,\nsprechen Sie Ihren "
           "Administrator an."},
    {1015, "Eine Installationsdatei konnte nicht entpackt werden."},
    {1016, "Fehlercode : "},
    {1017, "Wiesenhain-Scr"},
    {1018, "Wiesenhain Bildschirmschoner"},
    {1019, "Diskettenkopie"},
    {1020, "Beim Lesen der Dateien trat ein Fehler auf."},
    {1021, "Beim Schreiben der Dateien trat ein Fehler auf."},
    {1022, "Die Diskette wurde erfolgreich kopiert."},
};

TEST(Resources, StringTableHoldsEveryTextByteForByte) {
    for (const StringEntry& entry : kStrings) {
        char buffer[400];
        int n = LoadStringA(Program(), entry.id, buffer, sizeof buffer);
        EXPECT_EQ(std::string(buffer), entry.text) << "string " << entry.id;
        EXPECT_EQ(n, static_cast<int>(strlen(entry.text))) << "string " << entry.id;
    }
    char buffer[8] = "x";
    EXPECT_EQ(LoadStringA(Program(), 1003, buffer, sizeof buffer), 0);
    EXPECT_EQ(LoadStringA(Program(), 1012, buffer, sizeof buffer), 0);
}

TEST(Resources, LoadStringCapacityCountsTheTerminator) {
    char buffer[5];
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(Program(), 1000, buffer, sizeof buffer), 4);
    EXPECT_EQ(std::string(buffer), "\xC4nde");
    EXPECT_EQ(static_cast<unsigned char>(buffer[0]), 0xC4);
    EXPECT_EQ(LoadStringA(Program(), 1000, buffer, 1), 0);
    EXPECT_EQ(buffer[0], '\0');
}

TEST(Resources, DataTextsAreCp1252WithCrLfAndNoTerminator) {
    EXPECT_EQ(Data(Program(), 1006),
              "W\xE4hlen Sie \"Installieren\" zur Installation von \"Wiesenhain\", "
              "\"Deinstallieren\" zur Deinstallation.\r\n");
    EXPECT_EQ(Data(Program(), 201),
              "Wenn Sie mit den vorstehend genannten Lizenzbedingungen und dem "
              "Haftungsausschlu\xDF einverstanden sind, dr\xFC"
              "cken Sie bitte \"Ja\". Ansonsten brechen Sie bitte die Installation ab.\r\n\n");

    std::string help = Data(Program(), 1008);
    EXPECT_EQ(
        help.rfind("Wenn Sie den \"Installieren\"-Schalter klicken, wird das Installationsprogramm "
                   "alle notwendigen Programmdateien auf Ihre Festplatte kopieren und "
                   "Systemeinstellungen vornehmen. M\xF6"
                   "chten Sie den urspr\xFCnglichen Zustand wiederherstellen, starten Sie das "
                   "Installationsprogramm erneut und klicken Sie den Schalter "
                   "\"Deinstallieren\".\r\n\r\nDa bei Windows NT 4 die interaktive Nutzung des "
                   "Bildschirmschoners nicht m\xF6glich ist, wird w\xE4hrend der Installation "
                   "automatisch ein \"Wiesenhain\"-Desktop-Symbol erzeugt. Wenn Sie dieses "
                   "anklicken, k\xF6nnen Sie den Bildschirmschoner interaktiv steuern.\r\n\r\n"
                   "Bei Problemen oder Fragen helfen wir Ihnen gerne unter:\r\n\r\n"
                   "https://www.vorq.example/",
                   0),
        0u);

    std::string terms = Data(Program(), 200);
    EXPECT_EQ(terms.rfind("Lizenzbedingungen:\r\n", 0), 0u);
    EXPECT_NE(terms.find("\r\nAlle Rechte vorbehalten.\r\n"), std::string::npos);
    EXPECT_NE(terms.find("\r\nHaftungsausschlu\xDF:\r\n"), std::string::npos);
    EXPECT_NE(terms.find("\r\n\r\n\r\nWiesenhain \xA9 1999 Vorq Software GmbH\r\n"),
              std::string::npos);

    std::string welcome = Data(Program(), 407);
    EXPECT_EQ(welcome.rfind("\x95\r\n\r\nLiebe Pflanzenfreunde und Gartenbauer!\r\n", 0), 0u);
    EXPECT_EQ(welcome.substr(welcome.size() - 5), "\r\n\x95\r\n");

    for (int id : {200, 201, 407, 1006, 1008}) {
        std::string text = Data(Program(), id);
        EXPECT_EQ(text.find('\0'), std::string::npos) << id;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r') {
                EXPECT_EQ(text[i + 1], '\n') << id << " at " << i;
            }
        }
    }
}

uint32_t Little(const std::string& bytes, size_t at, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

// Reads the node of a version resource at `offset` (inside its parent,
// which ends at `end`) and its children into `values`, keyed by their path
// ("VS_VERSION_INFO\StringFileInfo\040704E4\ProductName"): texts in code
// page 1252, other values as their bytes. Each node: length, value length,
// type (1 text), a zero-ended UTF-16 key, the value and the children, each
// part starting on a 4-byte boundary. False when a length runs past its
// parent.
bool ReadVersionNode(const std::string& data, size_t offset, size_t end, const std::string& parent,
                     std::map<std::string, std::string>* values) {
    auto align = [](size_t at) { return (at + 3) & ~size_t{3}; };
    if (offset + 6 > end)
        return false;
    size_t length = Little(data, offset, 2), valueLength = Little(data, offset + 2, 2);
    bool text = Little(data, offset + 4, 2) == 1;
    if (length < 6 || length > end - offset)
        return false;
    size_t nodeEnd = offset + length, at = offset + 6;
    std::u16string key;
    for (; at + 2 <= nodeEnd && Little(data, at, 2) != 0; at += 2)
        key += static_cast<char16_t>(Little(data, at, 2));
    std::string path = (parent.empty() ? "" : parent + "\\") + Ansi(key);
    at = align(at + 2);
    size_t valueBytes = text ? valueLength * 2 : valueLength;
    if (at + valueBytes > nodeEnd)
        return false;
    if (text) {
        std::u16string value;
        for (size_t i = at; i < at + valueBytes && Little(data, i, 2) != 0; i += 2)
            value += static_cast<char16_t>(Little(data, i, 2));
        (*values)[path] = Ansi(value);
    } else {
        (*values)[path] = data.substr(at, valueBytes);
    }
    for (at = align(at + valueBytes); at < nodeEnd; at = align(at + Little(data, at, 2))) {
        if (!ReadVersionNode(data, at, nodeEnd, path, values))
            return false;
    }
    return true;
}

// What Explorer shows in the program's properties.
TEST(Resources, VersionNamesTheProductItsVersionAndTheCompany) {
    std::string info = Data(Program(), 1, RT_VERSION);
    std::map<std::string, std::string> values;
    ASSERT_TRUE(ReadVersionNode(info, 0, info.size(), "", &values));
    const std::string& fixed = values["VS_VERSION_INFO"];
    ASSERT_EQ(fixed.size(), 52u);
    EXPECT_EQ(Little(fixed, 0, 4), 0xFEEF04BDu);
    EXPECT_EQ(Little(fixed, 8, 4), 0x00010000u);  // file version 1.0
    EXPECT_EQ(Little(fixed, 16, 4), 0x00010000u); // product version 1.0
    const std::string strings = "VS_VERSION_INFO\\StringFileInfo\\040704E4\\";
    EXPECT_EQ(values[strings + "ProductName"], "Wiesenhain");
    EXPECT_EQ(values[strings + "ProductVersion"], "1.0");
    EXPECT_EQ(values[strings + "FileVersion"], "1.0");
    EXPECT_EQ(values[strings + "CompanyName"], "Vorq Software GmbH");
    EXPECT_EQ(values[strings + "LegalCopyright"], "\xA9 1999 Vorq Software GmbH");
    EXPECT_EQ(values[strings + "OriginalFilename"], "setup.exe");
    // German in code page 1252: the string block the shell reads.
    EXPECT_EQ(values["VS_VERSION_INFO\\VarFileInfo\\Translation"],
              std::string("\x07\x04\xE4\x04", 4));
}

TEST(Resources, ManifestAsksForAdministratorRights) {
    std::string manifest = Data(Program(), 1, RT_MANIFEST);
    EXPECT_EQ(manifest.rfind("<?xml", 0), 0u);
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\" "
                            "uiAccess=\"false\"/>"),
              std::string::npos);
}

TEST(Resources, MissingResourcesAreReportedAndModulesDiffer) {
    EXPECT_EQ(FindResourceA(Program(), MAKEINTRESOURCEA(4711), RT_RCDATA), nullptr);
    EXPECT_EQ(FindResourceA(Program(), MAKEINTRESOURCEA(1006), RT_DIALOG), nullptr);
    HINSTANCE without = platform_testing::InstanceWithoutTerms();
    ASSERT_NE(without, nullptr);
    EXPECT_EQ(FindResourceA(without, MAKEINTRESOURCEA(200), RT_RCDATA), nullptr);
    EXPECT_EQ(Data(without, 201), Data(Program(), 201));
    EXPECT_NE(LoadIconA(Program(), MAKEINTRESOURCEA(100)), nullptr);
    EXPECT_NE(LoadIconA(Program(), MAKEINTRESOURCEA(103)), nullptr);
    EXPECT_EQ(LoadIconA(Program(), MAKEINTRESOURCEA(104)), nullptr);
}

struct Control {
    int id;
    uint16_t atom;
    uint32_t style; // the bits below WS_CHILD | WS_VISIBLE that matter
    const char* text;
    int16_t x, y, cx, cy;
};

struct Dialog {
    int id;
    const char* caption;
    const char* font;
    uint16_t points;
    uint32_t style;
    int16_t cx, cy;
    std::vector<Control> controls;
};

constexpr uint16_t B = dialog_template::kButton, E = dialog_template::kEdit,
                   S = dialog_template::kStatic, L = dialog_template::kListBox;
constexpr uint32_t kSmall = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr uint32_t PB = BS_PUSHBUTTON | WS_TABSTOP, DEF = BS_DEFPUSHBUTTON | WS_TABSTOP;

const Dialog kDialogs[] = {
    {100,
     "Setup Wiesenhain",
     "MS Sans Serif",
     8,
     kSmall | DS_3DLOOK,
     275,
     241,
     {{200, B, PB, "&Installieren", 29, 191, 50, 14},
      {202, B, PB, "Abbrechen", 141, 191, 50, 14},
      {201, B, PB | WS_DISABLED, "Deinstallieren", 85, 191, 50, 14},
      {206, B, PB, "Hilfe", 197, 191, 50, 14},
      {-1, S, SS_RIGHT | SS_CENTERIMAGE, "&Gartenname :", 11, 84, 48, 14},
      {212, E, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, "", 66, 84, 134, 14},
      {-1, S, SS_RIGHT | SS_CENTERIMAGE | WS_GROUP, "&Verzeichnis :", 11, 106, 48, 14},
      {211, E, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, "", 66, 106, 134, 14},
      {213, B, PB, "Durch&suchen ...", 205, 106, 60, 14},
      {208, B, BS_AUTOCHECKBOX | WS_TABSTOP, "&Hintergrundbild", 68, 129, 123, 10},
      {209, B, BS_AUTOCHECKBOX | WS_TABSTOP, "&Themen-Cursor und -Symbole", 68, 146, 123, 10},
      {204, S, SS_LEFT, "", 14, 50, 249, 24},
      {203, S, SS_LEFT, "", 11, 167, 184, 11},
      {101, S, SS_LEFT, "Omra \xAE Themenpaket  \"Wiesenhain\"  Version 1.0\n", 14, 31, 226, 15},
      {100, S, SS_ICON, "#100", 11, 4, 20, 20},
      {207, S, SS_CENTER, "", 12, 216, 251, 13}}},
    {101,
     "Hilfe f\xFCr Setup Wiesenhain",
     "MS Sans Serif",
     8,
     kSmall,
     207,
     183,
     {{200, S, SS_LEFT, "", 8, 4, 188, 148}, {1, B, DEF, "OK", 78, 165, 50, 14}}},
    {102,
     "Setup Wiesenhain",
     "MS Sans Serif",
     8,
     kSmall,
     153,
     112,
     {{101, S, SS_CENTER,
       "Die Installation ist abgeschlossen.\n\nBitte verwenden Sie zur fehlerfreien "
       "Deinstallation ausschlie\xDFlich dieses Setup-Programm !",
       14, 8, 131, 46},
      {102, S, SS_CENTER, "Sch\xF6ne \"Wiesenhain\" !", 14, 61, 132, 22},
      {1, B, DEF, "OK", 49, 91, 50, 14}}},
    {103,
     "Setup Wiesenhain",
     "MS Sans Serif",
     8,
     kSmall,
     153,
     80,
     {{101, S, SS_CENTER, "\"Wiesenhain\" wurde erfolgreich deinstalliert.", 14, 7, 131, 21},
      {1, B, DEF, "OK", 49, 56, 50, 14}}},
    {104,
     "Setup Wiesenhain",
     "MS Sans Serif",
     8,
     kSmall,
     232,
     101,
     {{101, S, SS_LEFT,
       "Die Installation wurde abgebrochen.\n\n\"Wiesenhain\" konnte nicht erfolgreich "
       "installiert werden.",
       12, 8, 209, 29},
      {200, S, SS_LEFT, "", 11, 38, 209, 35},
      {1, B, DEF, "OK", 90, 79, 50, 14}}},
    {400,
     "Verwendungsbedingungen",
     "MS Sans Serif",
     8,
     DS_MODALFRAME | WS_POPUP | WS_CAPTION,
     232,
     239,
     {{200, E, ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_BORDER | WS_VSCROLL | WS_TABSTOP,
       "", 12, 6, 204, 142},
      {203, S, SS_LEFT, "", 12, 159, 204, 41},
      {201, B, PB, "&Ja", 45, 208, 64, 17},
      {202, B, PB, "&Abbrechen", 117, 208, 60, 17}}},
    {406,
     "Wiesenhain",
     "Times New Roman",
     10,
     kSmall,
     223,
     177,
     {{408, E, ES_CENTER | ES_MULTILINE | ES_READONLY | WS_BORDER, "", 7, 7, 206, 147},
      {409, B, DEF, "OK", 76, 160, 64, 12}}},
    {1000,
     "W\xE4hlen Sie ein Verzeichnis aus",
     "MS Sans Serif",
     8,
     kSmall,
     143,
     207,
     {{202, B, PB, "OK", 70, 178, 50, 14},
      {203, B, PB, "Abbrechen", 18, 178, 50, 14},
      {-1, S, SS_LEFT | WS_GROUP, "&Verzeichnis :", 19, 64, 58, 10},
      {201, L, LBS_SORT | LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_TABSTOP, "", 18, 75, 102, 76},
      {-1, S, SS_CENTER | WS_GROUP, "Ausgew\xE4hltes Verzeichnis :", 23, 152, 93, 11},
      {204, S, SS_CENTER, "", 16, 161, 108, 12},
      {200, S, SS_CENTER, "", 7, 12, 129, 41}}},
    {1001,
     "Setup Wiesenhain",
     "MS Sans Serif",
     8,
     kSmall,
     162,
     95,
     {{2, B, DEF, "&Nein", 90, 68, 39, 14},
      {1, B, PB, "&Ja", 33, 68, 39, 14},
      {-1, S, SS_CENTER,
       "Hier haben Sie die M\xF6glichkeit, eine oder mehrere Diskettenkopien von "
       "\"Wiesenhain\" zu erstellen.\nFalls Sie Kopien erstellen m\xF6"
       "chten, dr\xFC"
       "cken Sie \"Ja\".",
       7, 7, 147, 54}}},
    {1002,
     "Setup Wiesenhain Diskettenkopie erstellen",
     "MS Sans Serif",
     8,
     kSmall,
     186,
     140,
     {{201, B, DEF,
       "&Schlie\xDF"
       "en",
       109, 110, 50, 14},
      {200, B, PB, "&Kopie erstellen", 21, 110, 67, 14},
      {-1, S, SS_CENTER,
       "Um eine Diskettenkopie zu erstellen, legen Sie eine leere formatierte Diskette in "
       "das Laufwerk \"A\"\nund dr\xFC"
       "cken Sie \"Kopie erstellen\".",
       7, 7, 172, 30},
      {-1, S, SS_CENTER,
       "! Achtung !\n Alle auf der Diskette enthaltenen Daten\nwerden gel\xF6scht.", 7, 43, 172,
       29},
      {-1, S, SS_CENTER,
       "Um mit der Installation fortzufahren dr\xFC"
       "cken Sie \"Schlie\xDF"
       "en\".",
       7, 79, 172, 23}}},
};

TEST(Resources, DialogTemplatesMatchControlForControl) {
    for (const Dialog& want : kDialogs) {
        SCOPED_TRACE("dialog " + std::to_string(want.id));
        dialog_template::Template got;
        ASSERT_TRUE(LoadTemplate(want.id, &got));
        EXPECT_EQ(Ansi(got.caption), want.caption);
        EXPECT_EQ(Ansi(got.fontName), want.font);
        EXPECT_EQ(got.pointSize, want.points);
        EXPECT_EQ(got.style & ~DS_SETFONT, want.style);
        EXPECT_EQ(got.exStyle, want.id == 100 ? uint32_t(WS_EX_DLGMODALFRAME) : 0u);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
        ASSERT_EQ(got.items.size(), want.controls.size());
        for (size_t i = 0; i < want.controls.size(); ++i) {
            const Control& c = want.controls[i];
            const dialog_template::Item& item = got.items[i];
            SCOPED_TRACE("control " + std::to_string(i));
            EXPECT_EQ(item.id, c.id);
            EXPECT_EQ(item.classAtom, c.atom);
            EXPECT_EQ(item.style, c.style | WS_CHILD | WS_VISIBLE);
            std::string text =
                item.titleIsOrdinal ? "#" + std::to_string(item.titleOrdinal) : Ansi(item.title);
            EXPECT_EQ(text, c.text);
            EXPECT_EQ(item.x, c.x);
            EXPECT_EQ(item.y, c.y);
            EXPECT_EQ(item.cx, c.cx);
            EXPECT_EQ(item.cy, c.cy);
        }
    }
}

TEST(Resources, TemplateParserRejectsCutTemplates) {
    HRSRC found = FindResourceA(Program(), MAKEINTRESOURCEA(104), RT_DIALOG);
    ASSERT_NE(found, nullptr);
    const void* bytes = LockResource(LoadResource(Program(), found));
    DWORD size = SizeofResource(Program(), found);
    dialog_template::Template t;
    EXPECT_TRUE(dialog_template::Parse(bytes, size, &t));
    for (DWORD cut : {DWORD(0), DWORD(10), size / 2, size - 1})
        EXPECT_FALSE(dialog_template::Parse(bytes, cut, &t)) << cut;
}

} // namespace
