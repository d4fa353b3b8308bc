// The whole install on the native host, against what its work costs at the
// least, and the emulated registry's cost by its size:
//   install     setup-host installs the theme from a medium of realistic
//               size (a 10 MB screen saver, a 1 MB wallpaper) on a fresh
//               emulated machine, driven by the first-run scenario
//   uninstall   setup-host takes it off again (the uninstall scenario)
//   copy        the same medium's files copied with 1 MiB reads and writes
//   inflate     its packages inflated with a bare zlib loop (64 KiB buffers)
//   registry    one value set in a registry of 100, 10,000 and 100,000 values
// Times are the best of the runs (wall clock); the peak memory is that of
// the setup-host process (maximum resident set).
//
//   install_bench --host SETUP-HOST --scenarios DIR [--dir DIR] [--runs N]
//
// --dir is where the machines and the medium are made (default: the
// temporary directory); the emulation flushes every file it replaces, so a
// disk and a memory file system give different figures.
#include "platform/posix/kernel/machine.h"
#include "platform/win32.h"
#include "tools/make-medium/medium.h"

#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <zlib.h>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

uint32_t Next(uint32_t& x) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
}

bool WriteFile(const fs::path& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Program-like bytes: instruction patterns with varying operands, and now
// and then a run of text or a table.
void AppendCode(std::string& out, uint32_t& x, size_t size) {
    static const char* const patterns[] = {
        "\x55\x8b\xec", "\x8b\x45", "\x89\x45", "\xe8", "\x83\xc4", "\x50",     "\x51",    "\x52",
        "\x5d\xc3",     "\x6a",     "\xff\x15", "\x74", "\x75",     "\x33\xc0", "\x85\xc0"};
    const size_t count = sizeof patterns / sizeof patterns[0];
    size_t end = out.size() + size;
    while (out.size() < end) {
        uint32_t r = Next(x);
        if (r % 97 == 0) {
            out += "Wiesenhain: Pflanzen, gie\xDF"
                   "en und j\xE4ten nach der Jahreszeit.";
            continue;
        }
        out += patterns[r % count];
        int operands = static_cast<int>((r >> 8) % 4);
        for (int i = 0; i < operands; ++i)
            out += static_cast<char>(i == 0 ? (r >> 24) : (Next(x) % 16));
    }
    out.resize(end);
}

// A screen saver of the given size: a program with garden pictures as its
// resources.
std::string ScreenSaver(size_t size) {
    std::string out = "MZ";
    uint32_t x = 31415;
    AppendCode(out, x, size * 2 / 5);
    for (int i = 0; out.size() < size; ++i)
        out += medium::GardenBitmap(320 + 64 * (i % 5), 240 + 48 * (i % 3));
    out.resize(size);
    return out;
}

struct MediumInfo {
    size_t files = 0, bytes = 0, installedBytes = 0;
};

// The medium: setup.exe (300 KiB of program) and the eight packages, the
// wallpaper 1 MB and the screen saver 10 MiB when unpacked.
MediumInfo MakeMedium(const fs::path& folder) {
    MediumInfo info;
    std::string setupProgram = "MZ";
    uint32_t x = 27182;
    AppendCode(setupProgram, x, 300u << 10);
    fs::create_directories(folder);
    WriteFile(folder / "setup.exe", setupProgram);
    info.files = 1;
    info.bytes = setupProgram.size();
    std::vector<medium::NamedFile> files = medium::DemoFiles();
    files[0].data = medium::GardenBitmap(1200, 872);
    files[7].data = ScreenSaver(10u << 20);
    for (size_t i = 0; i < files.size(); ++i) {
        std::string package = medium::Deflate(files[i].data);
        WriteFile(folder / medium::kPackages[i].package, package);
        ++info.files;
        info.bytes += package.size();
        info.installedBytes += files[i].data.size();
    }
    return info;
}

// ---- The native host ----

struct HostRun {
    bool ok = false;
    double seconds = 0;
    long peakKiB = 0;
};

HostRun RunHost(const std::string& host, const fs::path& machineFolder, const fs::path& medium,
                const std::string& scenario) {
    HostRun run;
    auto start = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        const char* args[] = {host.c_str(),   "--machine",  machineFolder.c_str(), "--medium",
                              medium.c_str(), "--scenario", scenario.c_str(),      nullptr};
        execv(host.c_str(), const_cast<char* const*>(args));
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    run.seconds = Since(start);
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.peakKiB = usage.ru_maxrss;
    return run;
}

// A fresh machine, made before the clock starts.
bool FreshMachine(const fs::path& folder, const fs::path& medium) {
    fs::remove_all(folder.parent_path());
    fs::create_directories(folder.parent_path());
    std::string error;
    if (!machine::Open(folder.string(), medium.string(), &error)) {
        fprintf(stderr, "install_bench: %s\n", error.c_str());
        return false;
    }
    machine::Close();
    return true;
}

// ---- The bare contenders ----

bool CopyMedium(const fs::path& medium, const fs::path& target) {
    fs::create_directories(target);
    std::vector<char> block(1u << 20);
    for (const auto& entry : fs::directory_iterator(medium)) {
        int in = open(entry.path().c_str(), O_RDONLY);
        int out =
            open((target / entry.path().filename()).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0)
            return false;
        ssize_t n;
        while ((n = read(in, block.data(), block.size())) > 0)
            if (write(out, block.data(), static_cast<size_t>(n)) != n)
                return false;
        close(in);
        close(out);
    }
    return true;
}

bool InflatePackages(const fs::path& medium, const fs::path& target) {
    fs::create_directories(target);
    const size_t kBlock = 64u << 10;
    std::vector<unsigned char> input(kBlock), output(kBlock);
    for (const medium::PackageName& p : medium::kPackages) {
        int in = open((medium / p.package).c_str(), O_RDONLY);
        int out = open((target / p.file).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0)
            return false;
        z_stream stream{};
        inflateInit2(&stream, -15);
        int result = Z_OK;
        while (result == Z_OK) {
            if (stream.avail_in == 0) {
                ssize_t n = read(in, input.data(), kBlock);
                if (n <= 0)
                    break;
                stream.next_in = input.data();
                stream.avail_in = static_cast<uInt>(n);
            }
            stream.next_out = output.data();
            stream.avail_out = static_cast<uInt>(kBlock);
            result = inflate(&stream, Z_NO_FLUSH);
            size_t produced = kBlock - stream.avail_out;
            if (write(out, output.data(), produced) != static_cast<ssize_t>(produced))
                result = Z_ERRNO;
        }
        inflateEnd(&stream);
        close(in);
        close(out);
        if (result != Z_STREAM_END)
            return false;
    }
    return true;
}

// ---- The registry by its size ----

struct RegistryFigures {
    size_t fileBytes = 0;
    double loadSeconds = 0, setSeconds = 0;
};

bool SetString(HKEY root, const char* key, const char* name, const char* text) {
    HKEY k;
    if (RegCreateKeyA(root, key, &k) != ERROR_SUCCESS)
        return false;
    LONG r = RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                            static_cast<DWORD>(strlen(text) + 1));
    RegCloseKey(k);
    return r == ERROR_SUCCESS;
}

// A fresh machine whose registry gets `values` values in all (other
// programs' values under one key, written into the file directly), then
// the best time of one set of a desktop value, of `sets` sets.
bool MeasureRegistry(const fs::path& folder, size_t values, int sets, RegistryFigures* figures) {
    if (!FreshMachine(folder, ""))
        return false;
    std::string error;
    machine::Open(folder.string(), "", &error);
    bool ok = SetString(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper", "(None)");
    machine::Close();
    fs::path file = folder / "registry.reg";
    std::string text = ReadFile(file);
    size_t present = 0;
    for (size_t at = 0; (at = text.find("\r\n\"", at)) != std::string::npos; ++at)
        ++present;
    for (size_t at = 0; (at = text.find("\r\n@=", at)) != std::string::npos; ++at)
        ++present;
    if (values > present) {
        text += "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Gartenplaner\\Beete]\r\n";
        char line[96];
        for (size_t i = present; i < values; ++i) {
            snprintf(line, sizeof line,
                     "\"Beet%06zu\"=\"C:\\\\Programme\\\\Garten\\\\beet%06zu.dat\"\r\n", i, i);
            text += line;
        }
        ok = ok && WriteFile(file, text);
    }
    figures->fileBytes = text.size();
    ok = ok && machine::Open(folder.string(), "", &error);
    auto start = Clock::now();
    HKEY probe;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &probe) == ERROR_SUCCESS)
        RegCloseKey(probe);
    figures->loadSeconds = Since(start);
    figures->setSeconds = 1e9;
    char wallpaper[64];
    for (int i = 0; ok && i < sets; ++i) {
        snprintf(wallpaper, sizeof wallpaper, "C:\\WINDOWS\\Bild%d.bmp", i);
        start = Clock::now();
        ok = SetString(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper", wallpaper);
        figures->setSeconds = std::min(figures->setSeconds, Since(start));
    }
    machine::Close();
    return ok;
}

int Usage() {
    fprintf(stderr, "usage: install_bench --host SETUP-HOST --scenarios DIR [--dir DIR] "
                    "[--runs N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string host, scenarios, base = fs::temp_directory_path().string();
    int runs = 3;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool more = i + 1 < argc;
        if (arg == "--host" && more)
            host = argv[++i];
        else if (arg == "--scenarios" && more)
            scenarios = argv[++i];
        else if (arg == "--dir" && more)
            base = argv[++i];
        else if (arg == "--runs" && more)
            runs = std::max(1, atoi(argv[++i]));
        else
            return Usage();
    }
    if (host.empty() || scenarios.empty())
        return Usage();
    std::string pattern = base + "/wiesen-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        fprintf(stderr, "install_bench: cannot make a folder in %s\n", base.c_str());
        return 1;
    }
    fs::path work = pattern;
    fs::path medium = work / "medium", machineFolder = work / "machine/m";
    MediumInfo info = MakeMedium(medium);
    printf("medium: %zu files, %.1f MB packed, %.1f MB unpacked\n", info.files,
           static_cast<double>(info.bytes) / 1e6, static_cast<double>(info.installedBytes) / 1e6);

    double install = 1e9, uninstall = 1e9, copy = 1e9, inflate = 1e9;
    long installKiB = 0, uninstallKiB = 0;
    bool ok = true;
    for (int run = 0; ok && run < runs; ++run) {
        ok = FreshMachine(machineFolder, medium);
        HostRun r = RunHost(host, machineFolder, medium, scenarios + "/program-first-run.scn");
        ok = ok && r.ok;
        install = std::min(install, r.seconds);
        installKiB = std::max(installKiB, r.peakKiB);
        r = RunHost(host, machineFolder, medium, scenarios + "/program-uninstall.scn");
        ok = ok && r.ok;
        uninstall = std::min(uninstall, r.seconds);
        uninstallKiB = std::max(uninstallKiB, r.peakKiB);

        fs::remove_all(work / "bare");
        auto start = Clock::now();
        ok = ok && CopyMedium(medium, work / "bare/copy");
        copy = std::min(copy, Since(start));
        start = Clock::now();
        ok = ok && InflatePackages(medium, work / "bare/inflated");
        inflate = std::min(inflate, Since(start));
    }
    if (!ok) {
        fprintf(stderr, "install_bench: a run failed (kept %s)\n", work.c_str());
        return 1;
    }
    printf("best of %d runs             seconds   peak memory\n", runs);
    printf("install (setup-host)       %8.3f   %6.1f MiB\n", install, installKiB / 1024.0);
    printf("uninstall (setup-host)     %8.3f   %6.1f MiB\n", uninstall, uninstallKiB / 1024.0);
    printf("copy the medium            %8.3f\n", copy);
    printf("inflate its packages       %8.3f\n", inflate);
    printf("copy + inflate             %8.3f   (install / that: %.2f)\n", copy + inflate,
           install / (copy + inflate));

    printf("\nregistry values   file bytes   first access (load)   one set (best of 5)\n");
    for (size_t values : {size_t{100}, size_t{10000}, size_t{100000}}) {
        RegistryFigures f;
        if (!MeasureRegistry(work / "registry/m", values, 5, &f)) {
            fprintf(stderr, "install_bench: the registry of %zu values failed\n", values);
            return 1;
        }
        printf("%15zu %12zu %18.2f ms %18.2f ms\n", values, f.fileBytes, f.loadSeconds * 1e3,
               f.setSeconds * 1e3);
    }
    fs::remove_all(work);
    return 0;
}
