// Cursor files as the system's loader takes them (LoadCursorFromFileA, the
// user's cursor scheme). Only for the emulation's areas.
#pragma once

#include <string>

namespace cursor_file {

// What the system's loader takes as a cursor: an icon or cursor directory
// whose first image lies wholly inside the data and starts with a sane
// bitmap header, or an animated cursor (RIFF form ACON) with a header chunk
// "anih" that declares icon frames and a "fram" list holding as many icon
// chunks as it declares frames, each such a directory.
// `host` is the file's host path.
bool IsCursorFile(const std::string& host);

} // namespace cursor_file
