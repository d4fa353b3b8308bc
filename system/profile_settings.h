// The product's section of the profile file "control.ini", where every
// setting item records the value the user had before the install, and the
// general profile-file operations beneath it.
//
// An empty value is never stored as an empty entry: it is written as the
// literal "(none)" and read back (without regard to case) as the empty text.
// A missing entry also reads as the empty text; only ValueLength and
// IsPresent tell the two apart. Nothing is cached: every write is in the
// file when the call returns.
#pragma once

// Writes key=value into a section of a profile file; an empty value is
// written as "(none)". Returns the platform's success flag.
int WriteProfileText(const char* fileName, const char* section, const char* key, const char* value);

// Reads a value into the caller's buffer (cut to size - 1 characters and
// terminated); a missing file, section or key, and "(none)", give the empty
// text. Always returns 1.
int ReadProfileText(const char* fileName, const char* section, const char* key, char* buffer,
                    int size);

// Whether a section of a profile file holds the key at all (with any text,
// the empty one included).
bool IsProfileKeyPresent(const char* fileName, const char* section, const char* key);

// Formats a colour value (low byte red, then green, then blue; the top byte
// ignored) as three decimal numbers separated by single blanks, e.g.
// "255 64 128", into a buffer of the given capacity (12 holds any colour).
void FormatColorTriple(unsigned long color, char* buffer, int capacity);

// The product's section of its profile file (state/product_names.h:
// "Wiesenhain" of "control.ini").
struct ProfileSettings {
    static int Write(const char* key, const char* value);
    static int Read(const char* key, char* buffer, int size);
    // Number of characters stored under the key (0 when missing or empty),
    // at most 298; "(none)" counts 6.
    static int ValueLength(const char* key);
    static int Remove(const char* key);
    static int RemoveSection();
    // 1 when the key holds at least one character in that section of
    // "control.ini".
    static int IsPresent(const char* section, const char* key);
};
