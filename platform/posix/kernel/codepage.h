// Code page 1252, the emulated machine's ANSI code page, against the host's
// UTF-8: file names on the host, text in terminals.
#pragma once

#include <stdint.h>
#include <string>

namespace codepage {

// The Unicode code point of a code page 1252 byte (the five unassigned
// bytes 0x81, 0x8D, 0x8F, 0x90, 0x9D map to themselves, as Windows does).
uint32_t ToUnicode(unsigned char byte);

// The code page 1252 byte of a code point; false when it has none.
bool FromUnicode(uint32_t codePoint, unsigned char* byte);

// Whole texts. Utf8ToCp1252 fails on malformed UTF-8 and on characters
// that code page 1252 cannot hold (it never substitutes).
std::string Cp1252ToUtf8(const std::string& text);
bool Utf8ToCp1252(const std::string& text, std::string* out);

// Case-blind comparison as the Windows file system and registry do it for
// code page 1252 names (a-z and the accented letters fold to upper case).
unsigned char ToUpper(unsigned char byte);
unsigned char ToLower(unsigned char byte);
std::string Upper(const std::string& text);
bool EqualNoCase(const std::string& a, const std::string& b);

} // namespace codepage
