// Installation media: the eight package files of the theme, each the raw
// deflate stream (no header, no check value) of one installed file, next to
// setup.exe. The demo set is a complete set of real files, small enough that
// a whole medium fits on one 1.44 MB diskette.
#pragma once

#include <string>
#include <vector>

namespace medium {

struct PackageName {
    const char* package; // on the medium, e.g. "wall.ppk"
    const char* file;    // the installed file it unpacks to
};

// The eight packages in the order of the diskette list (after setup.exe).
extern const PackageName kPackages[8];

struct NamedFile {
    std::string name; // the installed file's name (PackageName::file)
    std::string data;
};

// The demo set: wallpaper bitmap, two animated cursors, one static cursor,
// a chime as PCM wave, two animation files, a placeholder screen saver.
std::vector<NamedFile> DemoFiles();

// Single demo files (also used by tests).
std::string GardenBitmap(int width, int height);
std::string StaticCursor(int variant);
std::string AnimatedCursor(int frames, int variant);
std::string ChimeWave();

// Raw deflate (window bits -15) and its inverse; Inflate returns false on a
// damaged or truncated stream.
std::string Deflate(const std::string& data);
bool Inflate(const std::string& stream, std::string* out);

} // namespace medium
