// make-medium: builds, lists and checks installation media.
//
//   make-medium --setup FILE [--input FOLDER] OUTPUT
//   make-medium --list MEDIUM
//   make-medium --check MEDIUM
#include "tools/make-medium/medium.h"

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
                 "       make-medium --list MEDIUM\n"
                 "       make-medium --check MEDIUM\n"
                 "\n"
                 "Builds an installation medium: OUTPUT gets setup.exe (a copy of FILE) and\n"
                 "the eight package files, each the raw deflate stream of one file from\n"
                 "FOLDER (named as installed: wiesenhain.bmp, ...), or of the demo set when\n"
                 "no FOLDER is given. --list shows the packages, --check unpacks each.\n");
    return code;
}

int Build(const std::string& setup, const std::string& input, const std::string& output) {
    std::string setupData;
    if (!ReadFile(setup, &setupData)) {
        fprintf(stderr, "make-medium: cannot read %s\n", setup.c_str());
        return 1;
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
    std::error_code error;
    fs::create_directories(output, error);
    uintmax_t total = setupData.size();
    if (!WriteFile(fs::path(output) / "setup.exe", setupData)) {
        fprintf(stderr, "make-medium: cannot write into %s\n", output.c_str());
        return 1;
    }
    for (size_t i = 0; i < files.size(); ++i) {
        std::string packed = medium::Deflate(files[i].data);
        if (packed.empty() || !WriteFile(fs::path(output) / medium::kPackages[i].package, packed)) {
            fprintf(stderr, "make-medium: cannot write %s\n", medium::kPackages[i].package);
            return 1;
        }
        total += packed.size();
    }
    printf("%s: 9 files, %ju bytes\n", output.c_str(), total);
    return 0;
}

int ListOrCheck(const std::string& folder, bool check) {
    int bad = 0;
    std::string setup;
    if (ReadFile(fs::path(folder) / "setup.exe", &setup))
        printf("%-14s %9zu\n", "setup.exe", setup.size());
    else
        printf("%-14s %9s\n", "setup.exe", "missing"), bad += check;
    for (const auto& p : medium::kPackages) {
        std::string packed, plain;
        if (!ReadFile(fs::path(folder) / p.package, &packed)) {
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
    if (check)
        printf(bad ? "%d faults\n" : "medium is complete\n", bad);
    return check && bad ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string setup, input, output, list, check;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--setup" && hasValue)
            setup = argv[++i];
        else if (arg == "--input" && hasValue)
            input = argv[++i];
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
    if (setup.empty() || output.empty())
        return Usage(stderr, 2);
    return Build(setup, input, output);
}
