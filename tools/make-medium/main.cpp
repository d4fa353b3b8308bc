// make-medium: builds, lists and checks installation media, as a folder or
// as a diskette image.
//
//   make-medium --setup FILE [--input FOLDER] OUTPUT
//   make-medium --setup FILE [--input FOLDER] --image IMAGE
//   make-medium --list MEDIUM
//   make-medium --check MEDIUM
#include "engine/install_file_table.h"
#include "tools/make-medium/diskette_image.h"
#include "tools/make-medium/medium.h"

#include <ctype.h>
#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

bool ReadFile(const fs::path& path, std::string* data) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    *data = s.str();
    return true;
}

bool WriteFile(const fs::path& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

int Usage(FILE* out, int code) {
    fprintf(out, "usage: make-medium --setup FILE [--input FOLDER] OUTPUT\n"
                 "       make-medium --setup FILE [--input FOLDER] --image IMAGE\n"
                 "       make-medium --list MEDIUM\n"
                 "       make-medium --check MEDIUM\n"
                 "\n"
                 "Builds an installation medium: OUTPUT gets setup.exe (a copy of FILE) and\n"
                 "the eight package files, each the raw deflate stream of one file from\n"
                 "FOLDER (named as installed: wiesenhain.bmp, ...), or of the demo set when\n"
                 "no FOLDER is given. With --image the nine files go into the root of a\n"
                 "1.44 MB diskette image (FAT12, made with mtools) instead; FILE must then be\n"
                 "a 32-bit Windows program. --list shows the packages of a medium folder or\n"
                 "image, --check unpacks each.\n");
    return code;
}

// The volume label of the diskette: the product name in capitals.
std::string VolumeLabel() {
    std::string label = kProductName;
    for (char& c : label)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return label.substr(0, 11);
}

int Build(const std::string& setup, const std::string& input, const std::string& output,
          const std::string& image) {
    std::string setupData;
    if (!ReadFile(setup, &setupData)) {
        fprintf(stderr, "make-medium: cannot read %s\n", setup.c_str());
        return 1;
    }
    if (!image.empty()) {
        std::string why = diskette_image::WhyNotWindowsProgram(setupData);
        if (!why.empty()) {
            fprintf(stderr, "make-medium: %s is not a Windows program for the diskette: %s\n",
                    setup.c_str(), why.c_str());
            return 1;
        }
    }
    std::vector<medium::NamedFile> files;
    if (input.empty()) {
        files = medium::DemoFiles();
    } else {
        for (const auto& p : medium::kPackages) {
            medium::NamedFile f{p.file, ""};
            if (!ReadFile(fs::path(input) / p.file, &f.data)) {
                fprintf(stderr, "make-medium: cannot read %s\n",
                        (fs::path(input) / p.file).c_str());
                return 1;
            }
            files.push_back(f);
        }
    }
    std::vector<diskette_image::File> nine{{"setup.exe", setupData}};
    uintmax_t total = setupData.size();
    for (size_t i = 0; i < files.size(); ++i) {
        std::string packed = medium::Deflate(files[i].data);
        if (packed.empty()) {
            fprintf(stderr, "make-medium: cannot pack %s\n", files[i].name.c_str());
            return 1;
        }
        total += packed.size();
        nine.push_back({medium::kPackages[i].package, packed});
    }
    if (!image.empty()) {
        std::string error, label = VolumeLabel();
        uintmax_t freeBytes = 0;
        if (!diskette_image::Write(image, nine, label, &freeBytes, &error)) {
            fprintf(stderr, "make-medium: %s: %s\n", image.c_str(), error.c_str());
            return 1;
        }
        printf("%s: %zu files, %ju bytes, label %s, %ju bytes free\n", image.c_str(), nine.size(),
               total, label.c_str(), freeBytes);
        return 0;
    }
    std::error_code error;
    fs::create_directories(output, error);
    for (const diskette_image::File& f : nine) {
        if (!WriteFile(fs::path(output) / f.name, f.data)) {
            fprintf(stderr, "make-medium: cannot write %s into %s\n", f.name.c_str(),
                    output.c_str());
            return 1;
        }
    }
    printf("%s: %zu files, %ju bytes\n", output.c_str(), nine.size(), total);
    return 0;
}

// One file of a medium folder or image; false when it is missing or cannot
// be read (then *failed is set and the reason printed).
bool ReadMediumFile(const std::string& path, bool image, const char* name, std::string* data,
                    int* failed) {
    if (!image)
        return ReadFile(fs::path(path) / name, data);
    std::string error;
    diskette_image::ReadResult r = diskette_image::ReadFile(path, name, data, &error);
    if (r == diskette_image::ReadResult::Failed) {
        fprintf(stderr, "make-medium: %s: %s\n", path.c_str(), error.c_str());
        ++*failed;
    }
    return r == diskette_image::ReadResult::Ok;
}

int ListOrCheck(const std::string& path, bool check) {
    std::error_code error;
    bool image = fs::is_regular_file(path, error);
    std::string label, openError;
    uintmax_t freeBytes = 0;
    if (image && !diskette_image::Open(path, &label, &freeBytes, &openError)) {
        fprintf(stderr, "make-medium: %s\n", openError.c_str());
        return 1;
    }
    int bad = 0, failed = 0;
    std::string setup;
    if (ReadMediumFile(path, image, "setup.exe", &setup, &failed))
        printf("%-14s %9zu\n", "setup.exe", setup.size());
    else
        printf("%-14s %9s\n", "setup.exe", "missing"), bad += check;
    for (const auto& p : medium::kPackages) {
        std::string packed, plain;
        if (!ReadMediumFile(path, image, p.package, &packed, &failed)) {
            printf("%-14s %9s  %s\n", p.package, "missing", p.file);
            ++bad;
            continue;
        }
        bool ok = medium::Inflate(packed, &plain);
        if (ok)
            printf("%-14s %9zu  %s (%zu bytes)\n", p.package, packed.size(), p.file, plain.size());
        else
            printf("%-14s %9zu  %s: damaged\n", p.package, packed.size(), p.file);
        bad += ok ? 0 : 1;
    }
    if (image)
        printf("diskette image, label %s, %ju bytes free\n",
               label.empty() ? "(none)" : label.c_str(), freeBytes);
    if (check)
        printf(bad ? "%d faults\n" : "medium is complete\n", bad);
    return (check && bad) || failed ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string setup, input, output, image, list, check;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--setup" && hasValue)
            setup = argv[++i];
        else if (arg == "--input" && hasValue)
            input = argv[++i];
        else if (arg == "--image" && hasValue)
            image = argv[++i];
        else if (arg == "--list" && hasValue)
            list = argv[++i];
        else if (arg == "--check" && hasValue)
            check = argv[++i];
        else if (arg == "--help" || arg == "-h")
            return Usage(stdout, 0);
        else if (arg[0] != '-' && output.empty())
            output = arg;
        else
            return Usage(stderr, 2);
    }
    if (!list.empty())
        return ListOrCheck(list, false);
    if (!check.empty())
        return ListOrCheck(check, true);
    // One medium per run: a folder or an image.
    if (setup.empty() || output.empty() == image.empty())
        return Usage(stderr, 2);
    return Build(setup, input, output, image);
}
