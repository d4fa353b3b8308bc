// setup.exe's own string, format and 64-bit division functions
// (platform/windows/runtime), as the test programs get them (with the
// "runtime_" prefix): tables of cases, run natively and under Wine. Where
// the C standard fixes the result, each case is also held against the
// host's C library or the host's division.
#include "platform/windows/runtime/runtime.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <stdint.h>
#include <string>

namespace {

// ---- Formatting --------------------------------------------------------------

using Formatter = int (*)(char* out, size_t capacity);

struct FormatCase {
    const char* name;
    const char* expected;
    Formatter runtime;
    Formatter host; // null where the host's result is not the standard's
};

// clang-format off
#define WIESEN_FORMAT(expected, ...)                                                  \
    {#__VA_ARGS__, expected,                                                          \
     [](char* out, size_t n) { return runtime_snprintf(out, n, __VA_ARGS__); },       \
     [](char* out, size_t n) { return snprintf(out, n, __VA_ARGS__); }}
#define WIESEN_FORMAT_OWN(expected, ...)                                              \
    {#__VA_ARGS__, expected,                                                          \
     [](char* out, size_t n) { return runtime_snprintf(out, n, __VA_ARGS__); }, nullptr}
// clang-format on

const char* const kNull = nullptr;
const char* const kPath = "C:\\WINDOWS\\";

const FormatCase kFormatCases[] = {
    // What the program formats: paths, names, numbers of dialogs and errors.
    WIESEN_FORMAT("C:\\WINDOWS\\system.ini", "%s%s", kPath, "system.ini"),
    WIESEN_FORMAT("C:\\WINDOWS\\Sysnative\\x.dll", "%s\\%s", "C:\\WINDOWS\\Sysnative", "x.dll"),
    WIESEN_FORMAT("Fehler\nCode: 1392", "%s\n%s%u", "Fehler", "Code: ", 1392u),
    WIESEN_FORMAT("~al~007.tmp", "~al~%03d.tmp", 7),
    WIESEN_FORMAT("~al~999.tmp", "~al~%03d.tmp", 999),
    WIESEN_FORMAT("Wiesenhain.scr,3", "%s,%u", "Wiesenhain.scr", 3u),
    WIESEN_FORMAT("16777215", "%lu", 16777215ul),
    WIESEN_FORMAT("4294967295", "%lu", static_cast<unsigned long>(4294967295u)),
    WIESEN_FORMAT("255 128 0", "%u %u %u", 255u, 128u, 0u),
    WIESEN_FORMAT("Seek failure on a.dat.  errno = -22", "Seek failure on %s.  errno = %d", "a.dat",
                  -22),
    WIESEN_FORMAT("Soll Wiesenhain", "%.*s%s", 5, "Soll ?", "Wiesenhain"),
    WIESEN_FORMAT("\"say \"x\"\"", "\"%s\"", "say \"x\""),
    WIESEN_FORMAT("100%", "100%%"),
    // Numbers at their limits, signs, zeros and widths.
    WIESEN_FORMAT("-2147483648 2147483647", "%d %d", INT_MIN, INT_MAX),
    WIESEN_FORMAT("0 -1 4294967295", "%d %i %u", 0, -1, 4294967295u),
    WIESEN_FORMAT("-07|1234|000", "%03d|%03d|%03d", -7, 1234, 0),
    WIESEN_FORMAT("   42|42   |00042", "%5d|%-5d|%.5d", 42, 42, 42),
    WIESEN_FORMAT("  -42|-0042", "%5d|%05d", -42, -42),
    WIESEN_FORMAT_OWN("  007", "%05.3d", 7), // the standard's too: 0 is ignored with a precision
    WIESEN_FORMAT("|", "%.0d|", 0),
    WIESEN_FORMAT("ff FF 0", "%x %X %x", 255u, 255u, 0u),
    WIESEN_FORMAT("-2147483648", "%ld", static_cast<long>(INT_MIN)),
    // Texts: precision, width, star arguments, characters.
    WIESEN_FORMAT("abc|ab|abcdef", "%.3s|%.*s|%.9s", "abcdef", 2, "abcdef", "abcdef"),
    WIESEN_FORMAT("   ab|ab   |", "%5s|%-5s|", "ab", "ab"),
    WIESEN_FORMAT("   ab|ab   |", "%*s|%*s|", 5, "ab", -5, "ab"),
    WIESEN_FORMAT("abcdef", "%.*s", -1, "abcdef"),
    WIESEN_FORMAT("A|  B|C  ", "%c|%3c|%-3c", 'A', 'B', 'C'),
    WIESEN_FORMAT("", "%s", ""),
    WIESEN_FORMAT("\xe4\xf6\xfc", "%s", "\xe4\xf6\xfc"),
    // The runtime's own rules: a null text and directives it does not know.
    WIESEN_FORMAT_OWN("(null)", "%s", kNull),
    WIESEN_FORMAT_OWN("%q|%lc|%5%|x", "%q|%lc|%5%|%s", "x"),
    WIESEN_FORMAT_OWN("end %", "end %"),
};

TEST(RuntimeText, FormatsEveryCaseAndCutsItAtEveryCapacity) {
    for (const FormatCase& c : kFormatCases) {
        SCOPED_TRACE(c.name);
        const std::string expected = c.expected;
        char big[256];
        EXPECT_EQ(c.runtime(big, sizeof big), static_cast<int>(expected.size()));
        EXPECT_EQ(std::string(big), expected);
        if (c.host) {
            char host[256];
            EXPECT_EQ(c.host(host, sizeof host), static_cast<int>(expected.size()));
            EXPECT_EQ(std::string(host), expected) << "the host's C library";
        }
        // Every capacity up to the whole result: as much as fits, terminated,
        // nothing written past the capacity, the whole length returned.
        for (size_t capacity = 0; capacity <= expected.size() + 1; ++capacity) {
            char out[258];
            memset(out, '#', sizeof out);
            EXPECT_EQ(c.runtime(out, capacity), static_cast<int>(expected.size()));
            if (capacity > 0) {
                size_t kept = capacity - 1 < expected.size() ? capacity - 1 : expected.size();
                EXPECT_EQ(std::string(out, kept), expected.substr(0, kept));
                EXPECT_EQ(out[kept], '\0') << "capacity " << capacity;
            }
            for (size_t i = capacity; i < sizeof out; ++i)
                ASSERT_EQ(out[i], '#') << "written past capacity " << capacity;
        }
    }
}

TEST(RuntimeText, VsnprintfTakesTheArgumentsOfACaller) {
    struct Local {
        static int Format(char* out, size_t capacity, const char* format, ...) {
            va_list args;
            va_start(args, format);
            int n = runtime_vsnprintf(out, capacity, format, args);
            va_end(args);
            return n;
        }
    };
    char out[64];
    EXPECT_EQ(Local::Format(out, sizeof out, "%s=%d (%lu)", "Farbe", -3, 70000ul), 16);
    EXPECT_STREQ(out, "Farbe=-3 (70000)");
}

// ---- Strings and memory --------------------------------------------------------

struct NumberCase {
    const char* text;
    int base;
    unsigned long expected;
    int used;      // bytes up to the end of the number
    bool standard; // the host agrees (msvcrt.dll takes "0x" alone as no number)
};

const NumberCase kNumberCases[] = {
    {"16777215", 10, 16777215ul, 8, true},
    {"  +42x", 10, 42, 5, true},
    {"\t\n 7", 10, 7, 4, true},
    {"-1", 10, 0ul - 1ul, 2, true},
    {"0x1F", 0, 31, 4, true},
    {"0X1f", 16, 31, 4, true},
    {"1F", 16, 31, 2, true},
    {"017", 0, 15, 3, true},
    {"0x", 0, 0, 1, false},
    {"0xg", 16, 0, 1, false},
    {"z", 36, 35, 1, true},
    {"129", 8, 10, 2, true},
    {"", 10, 0, 0, true},
    {"  -", 10, 0, 0, true},
    {"abc", 10, 0, 0, true},
    {"99999999999999999999999", 10, ULONG_MAX, 23, true},
};

TEST(RuntimeText, StrtoulReadsAsTheCLibraryDoes) {
    for (const NumberCase& c : kNumberCases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\" base " + std::to_string(c.base));
        char* end = nullptr;
        EXPECT_EQ(runtime_strtoul(c.text, &end, c.base), c.expected);
        EXPECT_EQ(end - c.text, c.used);
        if (!c.standard)
            continue;
        char* hostEnd = nullptr;
        EXPECT_EQ(strtoul(c.text, &hostEnd, c.base), c.expected) << "the host's C library";
        EXPECT_EQ(hostEnd - c.text, c.used) << "the host's C library";
    }
    EXPECT_EQ(runtime_strtoul("12", nullptr, 10), 12ul);
}

int Sign(int v) {
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

TEST(RuntimeText, ComparisonsAndSearchesTakeBytesAsUnsigned) {
    // Bytes above 0x7F (the ANSI code page's letters) sort above ASCII.
    const char* pairs[][2] = {{"abc", "abc"}, {"abc", "abd"}, {"ab", "abc"},
                              {"\xe4", "a"},  {"", ""},       {"Z", "a"}};
    for (auto& p : pairs) {
        SCOPED_TRACE(std::string(p[0]) + " / " + p[1]);
        EXPECT_EQ(Sign(runtime_strcmp(p[0], p[1])), Sign(strcmp(p[0], p[1])));
        size_t n = strlen(p[0]) < strlen(p[1]) ? strlen(p[0]) + 1 : strlen(p[1]) + 1;
        EXPECT_EQ(Sign(runtime_memcmp(p[0], p[1], n)), Sign(memcmp(p[0], p[1], n)));
    }
    EXPECT_EQ(runtime_memcmp("a", "b", 0), 0);

    const char* text = "C:\\Programme\\Wiesenhain\\wiesenhain.exe";
    EXPECT_EQ(runtime_strlen(text), strlen(text));
    EXPECT_EQ(runtime_strlen(""), 0u);
    EXPECT_EQ(runtime_strchr(text, '\\'), text + 2);
    EXPECT_EQ(runtime_strrchr(text, '\\'), text + 23);
    EXPECT_EQ(runtime_strchr(text, '\0'), text + strlen(text));
    EXPECT_EQ(runtime_strrchr(text, '\0'), text + strlen(text));
    EXPECT_EQ(runtime_strchr(text, '/'), nullptr);
    EXPECT_EQ(runtime_strrchr("", 'a'), nullptr);
    const char* umlaut = "x\xe4";
    EXPECT_EQ(runtime_strchr(umlaut, 0xE4), umlaut + 1); // the value as char
    EXPECT_EQ(runtime_strstr(text, "Wiesen"), text + 13);
    EXPECT_EQ(runtime_strstr(text, "wiesenhain.exe"), text + 24);
    EXPECT_EQ(runtime_strstr(text, ""), text);
    EXPECT_EQ(runtime_strstr("", ""), static_cast<const char*>(""));
    EXPECT_EQ(runtime_strstr(text, "exe2"), nullptr);
    const char* twice = "aab";
    EXPECT_EQ(runtime_strstr(twice, "ab"), twice + 1);
    EXPECT_EQ(runtime_strcspn(text, "\\/"), 2u);
    EXPECT_EQ(runtime_strcspn("abc", ""), 3u);
    EXPECT_EQ(runtime_strcspn("", "a"), 0u);
    EXPECT_EQ(runtime_strpbrk(text, "\"\n"), nullptr);
    const char* quoted = "say \"x\"";
    EXPECT_EQ(runtime_strpbrk(quoted, "\"\n"), quoted + 4);
    const unsigned char bytes[] = {1, 0, 0xE4, 7};
    EXPECT_EQ(runtime_memchr(bytes, 0xE4, 4), bytes + 2);
    EXPECT_EQ(runtime_memchr(bytes, 0x1E4, 4), bytes + 2); // the value as unsigned char
    EXPECT_EQ(runtime_memchr(bytes, 7, 3), nullptr);
}

TEST(RuntimeText, CopiesFillsAndMovesOverlappingAreas) {
    char buffer[16];
    EXPECT_EQ(runtime_memset(buffer, 'x', sizeof buffer), buffer);
    EXPECT_EQ(std::string(buffer, 16), std::string(16, 'x'));
    runtime_memset(buffer, 0x141, 2); // the value as unsigned char
    EXPECT_EQ(buffer[0], 'A');
    EXPECT_EQ(runtime_memcpy(buffer, "Wiese", 6), buffer);
    EXPECT_STREQ(buffer, "Wiese");
    EXPECT_EQ(runtime_strcat(buffer, "nhain"), buffer);
    EXPECT_STREQ(buffer, "Wiesenhain");
    runtime_strcat(buffer, "");
    EXPECT_STREQ(buffer, "Wiesenhain");

    char up[] = "0123456789";
    EXPECT_EQ(runtime_memmove(up + 2, up, 6), up + 2); // forward overlap
    EXPECT_STREQ(up, "0101234589");
    char down[] = "0123456789";
    runtime_memmove(down, down + 3, 7); // backward overlap
    EXPECT_STREQ(down, "3456789789");
    char same[] = "abc";
    runtime_memmove(same, same, 3);
    runtime_memcpy(same, "zz", 0);
    EXPECT_STREQ(same, "abc");
}

TEST(RuntimeText, CaseChangesOnlyTheAsciiLettersAsInTheCLocale) {
    for (int c = -1; c < 256; ++c) {
        int upper = c >= 'a' && c <= 'z' ? c - 32 : c;
        int lower = c >= 'A' && c <= 'Z' ? c + 32 : c;
        EXPECT_EQ(runtime_toupper(c), upper) << c;
        EXPECT_EQ(runtime_tolower(c), lower) << c;
    }
}

// ---- 64-bit division (GCC's helpers on the 32-bit target) ------------------

TEST(RuntimeDivision, QuotientsAndRemaindersAreTheHostsDivision) {
    const int64_t kMin = INT64_MIN + 1; // INT64_MIN / -1 overflows
    const int64_t values[] = {0,
                              1,
                              -1,
                              7,
                              -7,
                              10,
                              86400,
                              146097,
                              10000000,
                              0x7FFFFFFF,
                              0x80000000LL,
                              0xFFFFFFFFLL,
                              0x100000000LL,
                              0x123456789ABCDEFLL,
                              -0x123456789ABCDEFLL,
                              116444736000000000LL,
                              INT64_MAX,
                              kMin};
    for (int64_t a : values) {
        for (int64_t b : values) {
            if (b == 0)
                continue;
            SCOPED_TRACE(std::to_string(a) + " / " + std::to_string(b));
            EXPECT_EQ(runtime_divdi3(a, b), a / b);
            EXPECT_EQ(runtime_moddi3(a, b), a % b);
            int64_t rest = 0;
            EXPECT_EQ(runtime_divmoddi4(a, b, &rest), a / b);
            EXPECT_EQ(rest, a % b);
            uint64_t ua = static_cast<uint64_t>(a), ub = static_cast<uint64_t>(b);
            EXPECT_EQ(runtime_udivdi3(ua, ub), ua / ub);
            EXPECT_EQ(runtime_umoddi3(ua, ub), ua % ub);
        }
    }
    // The most negative number by -1 wraps, as the division instruction's
    // 64-bit result would.
    int64_t rest = 1;
    EXPECT_EQ(runtime_divmoddi4(INT64_MIN, -1, &rest), INT64_MIN);
    EXPECT_EQ(rest, 0);
    EXPECT_EQ(runtime_udivdi3(UINT64_MAX, UINT64_MAX - 1), 1u);
    EXPECT_EQ(runtime_umoddi3(UINT64_MAX, 0x8000000000000000ULL), 0x7FFFFFFFFFFFFFFFULL);
}

} // namespace
