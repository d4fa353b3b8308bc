// The change trace of the emulated machine: every call that changes the
// machine (registry, profile files, files and directories, display settings,
// shell links and notifications) reports the change here as one line, when
// a sink is installed. Off, a report costs one test of a flag; the lines are
// only formatted when someone listens.
//
// A line is "<area>: <what>", e.g.
//   registry: set value HKEY_CURRENT_USER\Control Panel\Desktop "Wallpaper" = "C:\..."
//   file: copy D:\setup.exe -> C:\WINDOWS\wiesenhain-remove.exe
// Texts and paths of the machine are code page 1252 and are written as
// UTF-8. Host programs and tests only; the program's code never includes
// this header.
#pragma once

#include <stdint.h>

#include <functional>
#include <string>

namespace trace {

using Sink = std::function<void(const std::string& line)>;

// Installs the sink that receives every line (without line end); an empty
// sink turns the trace off. Returns the previous sink.
Sink SetSink(Sink sink);

namespace detail {
extern bool g_on;
extern int g_quiet;
} // namespace detail

// True when a report would go anywhere.
inline bool On() {
    return detail::g_on && detail::g_quiet == 0;
}

// Reports one change; `what` is UTF-8 already (see Text).
void Report(const char* area, const std::string& what);

// A machine text (code page 1252) as UTF-8 in double quotes; double quotes
// and control characters are escaped (\", \r, \n, \t, \xNN) so that a
// line stays one line. Backslashes stay as they are: paths read as paths.
std::string Quoted(const std::string& cp1252);
// A machine path or name (code page 1252) as UTF-8, control characters
// escaped.
std::string Text(const std::string& cp1252);

// Registry data as text: a string with exactly one terminator in quotes
// (REG_EXPAND_SZ marked), a four-byte REG_DWORD as hex and decimal number,
// anything else as its type, size and first 32 bytes in hex.
std::string RegistryData(uint32_t type, const std::string& data);

// Keeps the calls made while it lives from reporting: a call that does its
// work through other calls reports once, in its own words.
class Quiet {
  public:
    Quiet() { ++detail::g_quiet; }
    ~Quiet() { --detail::g_quiet; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;
};

} // namespace trace
