// Registry access (RegistryKey, ReadRegistryString, WriteRegistryString) and
// the registry calls it relies on. Runs against the emulated registry and,
// on Windows, against the real one: everything happens below a test key
// HKEY_CURRENT_USER\Software\WiesenTest<n> that is deleted afterwards.
#include "system/registry_key.h"
#include "tests/support/test_machine.h"

#include <stdio.h>
#include <string.h>
#include <time.h>

#include <string>
#include <vector>

namespace {

// Deletes a key and everything below it (ignores a missing key).
void DeleteTree(HKEY root, const std::string& path) {
    HKEY key;
    if (RegOpenKeyA(root, path.c_str(), &key) != ERROR_SUCCESS)
        return;
    char name[300];
    while (RegEnumKeyA(key, 0, name, sizeof name) == ERROR_SUCCESS) {
        DeleteTree(key, name);
        HKEY stays;
        if (RegOpenKeyA(key, name, &stays) == ERROR_SUCCESS) {
            RegCloseKey(stays);
            break; // cannot be deleted; do not loop forever
        }
    }
    RegCloseKey(key);
    RegDeleteKeyA(root, path.c_str());
}

bool KeyExists(HKEY root, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A value as stored: type and bytes; type REG_NONE with "missing" when absent.
struct Stored {
    DWORD type = REG_NONE;
    std::string data;
    bool present = false;
};

Stored Query(HKEY root, const std::string& path, const char* name) {
    Stored s;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return s;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &s.type, nullptr, &size) == ERROR_SUCCESS) {
        s.data.resize(size);
        if (RegQueryValueExA(key, name, nullptr, &s.type, reinterpret_cast<LPBYTE>(s.data.data()),
                             &size) == ERROR_SUCCESS) {
            s.data.resize(size);
            s.present = true;
        }
    }
    RegCloseKey(key);
    return s;
}

void SetRaw(HKEY root, const std::string& path, const char* name, DWORD type, const void* data,
            DWORD size) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(root, path.c_str(), &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

class Registry : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        char name[64];
        snprintf(name, sizeof name, "Software\\WiesenTest%lu",
                 static_cast<unsigned long>(time(nullptr) % 1000000));
        path = name;
        DeleteTree(HKEY_CURRENT_USER, path);
    }
    void TearDown() override {
        DeleteTree(HKEY_CURRENT_USER, path);
        MachineTest::TearDown();
    }
    std::string Sub(const std::string& name) const { return path + "\\" + name; }

    std::string path; // the test key below HKEY_CURRENT_USER
};

TEST_F(Registry, ReadOfAMissingKeyCreatesItAndFindsNoValue) {
    RegistryKey key(HKEY_CURRENT_USER, path.c_str());
    char buffer[400] = "alt";
    EXPECT_FALSE(key.ReadString("general", "dir", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Sub("general")));

    // The same for every other operation that opens a key.
    DWORD number;
    EXPECT_FALSE(key.ReadDword("d1", "n", &number));
    EXPECT_FALSE(key.ReadBinary("d2", "n", buffer, sizeof buffer));
    key.DeleteValue("d3", "n");
    EXPECT_TRUE(key.BeginValueEnum("d4"));
    EXPECT_FALSE(key.NextValueName(buffer, sizeof buffer));
    key.EndValueEnum();
    for (const char* sub : {"d1", "d2", "d3", "d4"})
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Sub(sub))) << sub;

    // ReadRegistryString creates the key too, and leaves the buffer alone.
    strcpy(buffer, "vorher");
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, Sub("d5").c_str(), "x", buffer, 400));
    EXPECT_STREQ(buffer, "vorher");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Sub("d5")));
}

TEST_F(Registry, ValuesKeepTheirTypeAndSize) {
    RegistryKey key(HKEY_CURRENT_USER, path.c_str());
    ASSERT_TRUE(key.WriteString("general", "dir", "C:\\WG\\"));
    ASSERT_TRUE(key.WriteString(nullptr, "fuenf", "abcde"));
    ASSERT_TRUE(key.WriteDword("general", "2", 0x01020304));
    const unsigned char bytes[] = {0, 1, 0xFF, 0x80};
    ASSERT_TRUE(key.WriteBinary("general", "bin", bytes, sizeof bytes));

    Stored five = Query(HKEY_CURRENT_USER, path, "fuenf");
    EXPECT_EQ(five.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(five.data, std::string("abcde\0", 6)); // the terminator is stored
    Stored number = Query(HKEY_CURRENT_USER, Sub("general"), "2");
    EXPECT_EQ(number.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(number.data, std::string("\x04\x03\x02\x01", 4));
    Stored binary = Query(HKEY_CURRENT_USER, Sub("general"), "bin");
    EXPECT_EQ(binary.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(binary.data, std::string(reinterpret_cast<const char*>(bytes), sizeof bytes));

    char text[400];
    EXPECT_TRUE(key.ReadString("general", "DIR", text, sizeof text)); // case-blind names
    EXPECT_STREQ(text, "C:\\WG\\");
    DWORD n = 0;
    EXPECT_TRUE(key.ReadDword("general", "2", &n));
    EXPECT_EQ(n, 0x01020304u);
    unsigned char back[8] = {};
    EXPECT_TRUE(key.ReadBinary("general", "bin", back, sizeof back));
    EXPECT_EQ(memcmp(back, bytes, sizeof bytes), 0);

    // Missing name, text or data fail.
    EXPECT_FALSE(key.WriteString("general", nullptr, "x"));
    EXPECT_FALSE(key.WriteString("general", "x", nullptr));
    EXPECT_FALSE(key.WriteBinary("general", "x", nullptr, 3));
    EXPECT_FALSE(key.ReadString("general", nullptr, text, sizeof text));
    EXPECT_FALSE(key.ReadString("general", "dir", nullptr, 10));
}

TEST_F(Registry, TypeMismatchesFail) {
    RegistryKey key(HKEY_CURRENT_USER, path.c_str());
    ASSERT_TRUE(key.WriteDword(nullptr, "zahl", 7));
    ASSERT_TRUE(key.WriteString(nullptr, "text", "7"));
    const char raw[] = "roh";
    ASSERT_TRUE(key.WriteBinary(nullptr, "roh", raw, 3));

    char buffer[16];
    memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(key.ReadString(nullptr, "zahl", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, ""); // the copied number does not stay behind as text
    memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(key.ReadString(nullptr, "roh", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");
    DWORD n;
    EXPECT_FALSE(key.ReadDword(nullptr, "text", &n));
    EXPECT_FALSE(key.ReadBinary(nullptr, "text", buffer, sizeof buffer));
    EXPECT_FALSE(key.ReadBinary(nullptr, "zahl", buffer, sizeof buffer));

    // ReadRegistryString does not look at the type.
    memset(buffer, 'x', sizeof buffer);
    EXPECT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, path.c_str(), "text", buffer, 16));
    EXPECT_STREQ(buffer, "7");
}

TEST_F(Registry, AValueThatDoesNotFitFails) {
    RegistryKey key(HKEY_CURRENT_USER, path.c_str());
    ASSERT_TRUE(key.WriteString(nullptr, "v", "hallo")); // 6 bytes
    char buffer[16];
    strcpy(buffer, "alt");
    EXPECT_FALSE(key.ReadString(nullptr, "v", buffer, 5));
    EXPECT_STREQ(buffer, "");
    EXPECT_TRUE(key.ReadString(nullptr, "v", buffer, 6));
    EXPECT_STREQ(buffer, "hallo");

    strcpy(buffer, "alt");
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, path.c_str(), "v", buffer, 5));
    EXPECT_STREQ(buffer, "alt");
    EXPECT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, path.c_str(), "v", buffer, 6));
    EXPECT_STREQ(buffer, "hallo");

    const char four[] = "1234";
    ASSERT_TRUE(key.WriteBinary(nullptr, "b", four, 4));
    EXPECT_FALSE(key.ReadBinary(nullptr, "b", buffer, 3));
    DWORD n;
    ASSERT_TRUE(key.WriteBinary(nullptr, "b5", "12345", 5));
    EXPECT_FALSE(key.ReadDword(nullptr, "b5", &n));
}

// A text read always ends inside the caller's buffer, whatever is stored.
TEST_F(Registry, TextReadsEndInsideTheBuffer) {
    RegistryKey key(HKEY_CURRENT_USER, path.c_str());
    // A string stored without terminator ("X" is not part of the value).
    SetRaw(HKEY_CURRENT_USER, path, "ohne", REG_SZ, "halloX", 5);
    char buffer[16];
    memset(buffer, 'x', sizeof buffer);
    EXPECT_TRUE(key.ReadString(nullptr, "ohne", buffer, 6));
    EXPECT_STREQ(buffer, "hallo");
    memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(key.ReadString(nullptr, "ohne", buffer, 5)); // fills it, no room for the zero
    EXPECT_STREQ(buffer, "");

    // Binary data through ReadRegistryString (no type check).
    SetRaw(HKEY_CURRENT_USER, path, "drei", REG_BINARY, "abc", 3);
    memset(buffer, 'x', sizeof buffer);
    buffer[15] = 0;
    EXPECT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, path.c_str(), "drei", buffer, 8));
    EXPECT_STREQ(buffer, "abc");
    strcpy(buffer, "alt");
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, path.c_str(), "drei", buffer, 3));
    EXPECT_STREQ(buffer, "alt");
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, path.c_str(), "ohne", buffer, 5));
    EXPECT_STREQ(buffer, "alt");
    EXPECT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, path.c_str(), "ohne", buffer, 6));
    EXPECT_STREQ(buffer, "hallo");
}

TEST_F(Registry, FreeFunctionsAndTheDefaultValue) {
    ASSERT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, Sub("neu\\tief").c_str(), "", "standard"));
    ASSERT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, Sub("neu\\tief").c_str(), "Name", "wert"));
    char buffer[400];
    EXPECT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, Sub("NEU\\Tief").c_str(), "", buffer, 400));
    EXPECT_STREQ(buffer, "standard");
    EXPECT_TRUE(
        ReadRegistryString(HKEY_CURRENT_USER, Sub("neu\\tief").c_str(), "name", buffer, 400));
    EXPECT_STREQ(buffer, "wert");
    EXPECT_EQ(Query(HKEY_CURRENT_USER, Sub("neu\\tief"), "Name").data, std::string("wert\0", 5));
    EXPECT_FALSE(WriteRegistryString(HKEY_CURRENT_USER, Sub("neu").c_str(), "x", nullptr));
    // The default value of a key without one is missing, not empty.
    strcpy(buffer, "alt");
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, Sub("neu").c_str(), "", buffer, 400));
    EXPECT_STREQ(buffer, "alt");
}

TEST_F(Registry, BasePathIsCutTo259Characters) {
    std::string base = path;
    while (base.size() < 300)
        base += "\\abcdefghijklmnopqrstuvwxyz";
    base.resize(300);
    std::string cut = base.substr(0, 259);
    ASSERT_NE(cut.back(), '\\');
    RegistryKey key(HKEY_CURRENT_USER, base.c_str());
    ASSERT_TRUE(key.WriteString(nullptr, "v", "kurz"));
    EXPECT_EQ(Query(HKEY_CURRENT_USER, cut, "v").data, std::string("kurz\0", 5));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base));
    char buffer[16];
    EXPECT_TRUE(key.ReadString(nullptr, "v", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "kurz");

    // A full path longer than 523 characters fails rather than being cut.
    std::string longSub(300, 'q');
    longSub[150] = '\\';
    EXPECT_FALSE(key.WriteString(longSub.c_str(), "v", "x"));
}

TEST_F(Registry, ZeroRootTouchesNothing) {
    RegistryKey key(nullptr, path.c_str());
    char buffer[16] = "alt";
    DWORD n;
    EXPECT_FALSE(key.WriteString(nullptr, "v", "x"));
    EXPECT_FALSE(key.WriteDword(nullptr, "v", 1));
    EXPECT_FALSE(key.WriteBinary(nullptr, "v", "x", 1));
    EXPECT_FALSE(key.ReadString(nullptr, "v", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "alt");
    EXPECT_FALSE(key.ReadDword(nullptr, "v", &n));
    EXPECT_FALSE(key.ReadBinary(nullptr, "v", buffer, sizeof buffer));
    key.DeleteValue(nullptr, "v");
    EXPECT_FALSE(key.BeginValueEnum(nullptr));
    EXPECT_FALSE(key.NextValueName(buffer, sizeof buffer));
    key.EndValueEnum();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path));
}

TEST_F(Registry, EnumerationAdvancesEvenPastTheEnd) {
    RegistryKey key(HKEY_CURRENT_USER, path.c_str());
    for (const char* name : {"a", "b", "c"})
        ASSERT_TRUE(key.WriteDword(nullptr, name, 1));
    char name[32];
    EXPECT_FALSE(key.NextValueName(name, sizeof name)); // no enumeration open
    ASSERT_TRUE(key.BeginValueEnum(nullptr));
    EXPECT_FALSE(key.BeginValueEnum(nullptr)); // the first one goes on
    std::vector<std::string> seen;
    while (key.NextValueName(name, sizeof name))
        seen.push_back(name);
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b", "c"}));
    // The failed fetch at index 3 moved the index to 4: of the values added
    // now (names order after "c"), index 3 is skipped.
    ASSERT_TRUE(key.WriteDword(nullptr, "d", 1));
    ASSERT_TRUE(key.WriteDword(nullptr, "e", 1));
    ASSERT_TRUE(key.NextValueName(name, sizeof name));
    EXPECT_STREQ(name, "e");
    key.EndValueEnum();
    key.EndValueEnum(); // harmless

    // A name that does not fit fails, and the index moves on anyway.
    ASSERT_TRUE(key.WriteDword(nullptr, "langername", 1));
    ASSERT_TRUE(key.BeginValueEnum(nullptr));
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(key.NextValueName(name, 2)) << i; // a..e
    EXPECT_FALSE(key.NextValueName(name, 4));         // "langername"
    EXPECT_FALSE(key.NextValueName(name, sizeof name));
    key.EndValueEnum();
}

TEST_F(Registry, DeletingDuringEnumerationShiftsTheRest) {
    RegistryKey key(HKEY_CURRENT_USER, path.c_str());
    for (const char* n : {"a", "b", "c", "d"})
        ASSERT_TRUE(key.WriteString("werte", n, n));
    char name[32];
    ASSERT_TRUE(key.BeginValueEnum("werte"));
    ASSERT_TRUE(key.NextValueName(name, sizeof name));
    EXPECT_STREQ(name, "a");
    key.DeleteValue("werte", name);
    ASSERT_TRUE(key.NextValueName(name, sizeof name));
    EXPECT_STREQ(name, "c"); // "b" moved to index 0
    key.EndValueEnum();

    // The uninstall's way to delete every value: begin, fetch the first,
    // delete it, end; until the fetch fails.
    int rounds = 0;
    for (;;) {
        ASSERT_TRUE(key.BeginValueEnum("werte"));
        bool fetched = key.NextValueName(name, sizeof name);
        if (fetched)
            key.DeleteValue("werte", name);
        key.EndValueEnum();
        if (!fetched)
            break;
        ASSERT_LT(++rounds, 10);
    }
    EXPECT_EQ(rounds, 3);
    HKEY h;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, Sub("werte").c_str(), &h), ERROR_SUCCESS);
    DWORD size = sizeof name;
    EXPECT_EQ(RegEnumValueA(h, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    RegCloseKey(h);
}

// ---- The platform calls as the program relies on them ----

TEST_F(Registry, QueryReportsTypeAndSizeWhenTheBufferIsTooSmall) {
    SetRaw(HKEY_CURRENT_USER, path, "s", REG_SZ, "hello", 6);
    HKEY key;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, path.c_str(), &key), ERROR_SUCCESS);
    char buffer[8];
    memset(buffer, 'x', sizeof buffer);
    DWORD type = 77, size = 3;
    EXPECT_EQ(RegQueryValueExA(key, "s", nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(buffer[0], 'x');
    type = 0;
    size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "s", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(RegQueryValueExA(key, "nichts", nullptr, &type, nullptr, &size),
              ERROR_FILE_NOT_FOUND);

    // Enumerating a name into a buffer that is too small.
    char name[4];
    DWORD nameSize = sizeof name;
    SetRaw(HKEY_CURRENT_USER, path, "zzzzz", REG_SZ, "", 1);
    EXPECT_EQ(RegEnumValueA(key, 1, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    RegCloseKey(key);
}

TEST_F(Registry, KeysKeepTheirCaseAndDeleteOnlyWhenEmpty) {
    HKEY key, sub;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyA(key, "MiXed\\Kind", &sub), ERROR_SUCCESS);
    RegCloseKey(sub);
    ASSERT_EQ(RegCreateKeyA(key, "MIXED", &sub), ERROR_SUCCESS); // the same key
    RegCloseKey(sub);
    char name[32];
    ASSERT_EQ(RegEnumKeyA(key, 0, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "MiXed");
    EXPECT_EQ(RegEnumKeyA(key, 1, name, sizeof name), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumKeyA(key, 0, name, 5), ERROR_MORE_DATA);

    EXPECT_EQ(RegDeleteKeyA(key, "mixed"), ERROR_ACCESS_DENIED); // it has a subkey
    EXPECT_EQ(RegDeleteKeyA(key, "nicht-da"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(key, "mixed\\kind"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(key, "mixed"), ERROR_SUCCESS);
    EXPECT_EQ(RegEnumKeyA(key, 0, name, sizeof name), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegOpenKeyA(key, "mixed", &sub), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCreateKeyA(key, "\\fuehrend", &sub), ERROR_BAD_PATHNAME);
    RegCloseKey(key);
}

TEST_F(Registry, ClosedAndDeletedHandlesFailCleanly) {
    HKEY key, other;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, Sub("weg").c_str(), &key), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, Sub("weg").c_str(), &other), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS); // predefined: no effect

    // Deleted while "other" is open: every use of it fails, closing works.
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, Sub("weg").c_str()), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(other, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExA(other, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
              ERROR_KEY_DELETED);
    HKEY child;
    EXPECT_EQ(RegCreateKeyA(other, "kind", &child), ERROR_KEY_DELETED);
    char name[16];
    DWORD nameSize = sizeof name;
    EXPECT_EQ(RegEnumValueA(other, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(other), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Sub("weg")));

    // A read-only handle cannot change values.
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
              ERROR_ACCESS_DENIED);
    RegCloseKey(key);
}

// The typed text access the records of the setting items use: the type
// comes back with the text and goes back with it; what is missing is looked
// at without creating it, and put back missing with the keys it lacked.
TEST_F(Registry, TypedTextsAndAbsencesAreKeptWithoutCreatingKeys) {
    std::string deep = path + "\\eins\\zwei";
    ASSERT_TRUE(WriteRegistryText(HKEY_CURRENT_USER, path.c_str(), "x", "%SystemRoot%\\a.cur",
                                  REG_EXPAND_SZ));
    Stored stored = Query(HKEY_CURRENT_USER, path, "x");
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(stored.data, std::string("%SystemRoot%\\a.cur", 19)) << "with its zero";
    char text[64] = "";
    DWORD type = 0;
    ASSERT_TRUE(ReadRegistryText(HKEY_CURRENT_USER, path.c_str(), "x", text, sizeof text, &type));
    EXPECT_STREQ(text, "%SystemRoot%\\a.cur");
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));

    EXPECT_EQ(MissingRegistryKeys(HKEY_CURRENT_USER, path.c_str()), 0);
    EXPECT_EQ(MissingRegistryKeys(HKEY_CURRENT_USER, deep.c_str()), 2);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path + "\\eins")) << "looking created nothing";
    EXPECT_TRUE(RegistryValueExists(HKEY_CURRENT_USER, path.c_str(), "x"));
    EXPECT_FALSE(RegistryValueExists(HKEY_CURRENT_USER, path.c_str(), "y"));
    EXPECT_FALSE(RegistryValueExists(HKEY_CURRENT_USER, deep.c_str(), "x"));

    // A value written where nothing was, then taken back with its keys; a
    // key that holds something else by then stays.
    ASSERT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, deep.c_str(), "", "neu.wav"));
    EXPECT_TRUE(DeleteRegistryValue(HKEY_CURRENT_USER, deep.c_str(), ""));
    EXPECT_TRUE(DeleteRegistryValue(HKEY_CURRENT_USER, deep.c_str(), "")) << "gone is gone";
    ASSERT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, (path + "\\eins").c_str(), "fremd", "1"));
    EXPECT_FALSE(DeleteEmptyRegistryKeys(HKEY_CURRENT_USER, deep.c_str(), 2));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, deep));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, path + "\\eins"));
    RegistryKey(HKEY_CURRENT_USER, path.c_str()).DeleteValue("eins", "fremd");
    EXPECT_TRUE(DeleteEmptyRegistryKeys(HKEY_CURRENT_USER, deep.c_str(), 2));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path + "\\eins"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, path));
}

TEST_F(Registry, PredefinedRootsShowTheirKeys) {
    // HKEY_CLASSES_ROOT shows HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
    std::string name = path.substr(path.find('\\') + 1);
    ASSERT_TRUE(WriteRegistryString(HKEY_LOCAL_MACHINE, ("SOFTWARE\\Classes\\" + name).c_str(), "",
                                    "klasse"));
    char buffer[32] = "";
    EXPECT_TRUE(ReadRegistryString(HKEY_CLASSES_ROOT, name.c_str(), "", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "klasse");
    DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\" + name);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, name));

    // HKEY_CURRENT_USER is not HKEY_USERS\.Default.
    ASSERT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, path.c_str(), "wer", "benutzer"));
    EXPECT_FALSE(KeyExists(HKEY_USERS, ".Default\\" + path));
    EXPECT_TRUE(KeyExists(HKEY_USERS, ".Default"));
}

} // namespace
