#include "tools/make-medium/diskette_image.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

extern char** environ;

namespace diskette_image {

namespace {

namespace fs = std::filesystem;

unsigned Le16(const std::string& s, size_t at) {
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}

uint32_t Le32(const std::string& s, size_t at) {
    return Le16(s, at) | static_cast<uint32_t>(Le16(s, at + 2)) << 16;
}

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    size_t start = s.find_first_not_of(' ');
    return start == std::string::npos ? "" : s.substr(start);
}

// Runs ARGS[0], found on PATH, with standard input from /dev/null, and
// collects its standard output and error. Returns its exit status, or -1
// with *err saying why when it could not be started.
int Run(const std::vector<std::string>& args, std::string* out, std::string* err) {
    out->clear();
    err->clear();
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0)
        return *err = std::string("pipe: ") + strerror(errno), -1;
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return *err = std::string("pipe: ") + strerror(errno), -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (rc != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        if (rc == ENOENT)
            *err = args[0] + " not found: the diskette image needs mtools (the Debian package "
                             "mtools; bash tools/install-deps all installs it)";
        else
            *err = "cannot start " + args[0] + ": " + strerror(rc);
        return -1;
    }
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {out, err};
    for (int open = 2; open > 0;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char block[65536];
            ssize_t n = read(fds[i].fd, block, sizeof block);
            if (n > 0) {
                sinks[i]->append(block, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (pollfd& f : fds)
        if (f.fd >= 0)
            close(f.fd);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return *err = std::string("waitpid: ") + strerror(errno), -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs an mtools command that must succeed; *error gets its message.
bool RunMtools(const std::vector<std::string>& args, std::string* out, std::string* error) {
    std::string err;
    int rc = Run(args, out, &err);
    if (rc == 0)
        return true;
    *error = rc < 0 ? err : args[0] + " failed: " + Trimmed(err);
    return false;
}

// The cluster size from the boot sector that mformat wrote.
uintmax_t ClusterBytes(const std::string& image) {
    std::ifstream in(image, std::ios::binary);
    std::string boot(512, '\0');
    if (!in.read(boot.data(), static_cast<std::streamsize>(boot.size())))
        return 0;
    return static_cast<uintmax_t>(Le16(boot, 11)) * static_cast<unsigned char>(boot[13]);
}

bool WriteWhole(const fs::path& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out.flush());
}

} // namespace

std::string WhyNotWindowsProgram(const std::string& data) {
    if (data.compare(0, 4,
                     "\x7f"
                     "ELF") == 0)
        return "it is a Linux (ELF) program, not a Windows one (a native medium's setup.exe "
               "is the native host; the diskette takes the Windows build, "
               "build/windows/setup.exe)";
    if (data.size() < 64 || data.compare(0, 2, "MZ") != 0)
        return "it has no MZ header, so it is no Windows program";
    uint32_t pe = Le32(data, 0x3C);
    if (pe > data.size() || data.size() - pe < 24 || data.compare(pe, 4, std::string("PE\0\0", 4)))
        return "it has an MZ header but no PE header: a DOS program, not a Windows one";
    unsigned machine = Le16(data, pe + 4);
    if (machine == 0x8664)
        return "it is a 64-bit (x86-64) Windows program; Windows 95 and 98 run only 32-bit "
               "ones (build/windows/setup.exe)";
    if (machine != 0x14C) {
        char text[96];
        snprintf(text, sizeof text, "it is a Windows program for another processor (machine %#x)",
                 machine);
        return text;
    }
    return "";
}

uintmax_t OnDisk(uintmax_t size, uintmax_t cluster) {
    return (size + cluster - 1) / cluster * cluster;
}

bool Open(const std::string& image, std::string* label, uintmax_t* freeBytes, std::string* error) {
    std::error_code ec;
    if (!fs::is_regular_file(image, ec))
        return *error = image + " is not a file", false;
    std::string out;
    if (!RunMtools({"mdir", "-i", image, "::"}, &out, error)) {
        *error = image + " is no diskette image that mtools can read: " + *error;
        return false;
    }
    // " Volume in drive : is WIESENHAIN", ..., "  1 457 152 bytes free".
    label->clear();
    *freeBytes = 0;
    size_t at = out.find(" is ");
    if (out.compare(0, 17, " Volume in drive ") == 0 && at != std::string::npos)
        *label = Trimmed(out.substr(at + 4, out.find('\n') - at - 4));
    size_t end = out.rfind(" bytes free");
    if (end == std::string::npos)
        return *error = "mdir did not say how many bytes are free on " + image, false;
    size_t start = out.rfind('\n', end);
    start = start == std::string::npos ? 0 : start + 1;
    for (size_t i = start; i < end; ++i)
        if (out[i] >= '0' && out[i] <= '9')
            *freeBytes = *freeBytes * 10 + static_cast<uintmax_t>(out[i] - '0');
    return true;
}

bool Write(const std::string& image, const std::vector<File>& files, const std::string& label,
           uintmax_t* freeBytes, std::string* error) {
    std::error_code ec;
    std::string folderTemplate = (fs::temp_directory_path(ec) / "make-medium.XXXXXX").string();
    if (!mkdtemp(folderTemplate.data()))
        return *error = "cannot make a temporary folder: " + std::string(strerror(errno)), false;
    fs::path folder = folderTemplate;
    std::string temporary = image + ".XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0) {
        fs::remove_all(folder, ec);
        return *error = "cannot write beside " + image + ": " + strerror(errno), false;
    }
    fchmod(fd, 0644); // mkstemp's 0600 would make the image private
    close(fd);

    bool ok = true;
    std::string out;
    std::vector<std::string> copy = {"mcopy", "-i", temporary, "-D", "o"};
    for (const File& f : files) {
        if (!WriteWhole(folder / f.name, f.data)) {
            *error = "cannot write " + (folder / f.name).string();
            ok = false;
            break;
        }
        copy.push_back((folder / f.name).string());
    }
    copy.push_back("::");
    // -C writes the whole image file; -f 1440 is 80 x 2 x 18 sectors.
    ok = ok && RunMtools({"mformat", "-C", "-f", "1440", "-v", label, "-i", temporary, "::"}, &out,
                         error);
    std::string readLabel;
    uintmax_t empty = 0;
    ok = ok && Open(temporary, &readLabel, &empty, error);
    if (ok) {
        uintmax_t cluster = ClusterBytes(temporary), need = 0;
        const File* largest = nullptr;
        for (const File& f : files) {
            need += OnDisk(f.data.size(), cluster ? cluster : 512);
            if (!largest || f.data.size() > largest->data.size())
                largest = &f;
        }
        if (need > empty) {
            char text[320];
            snprintf(text, sizeof text,
                     "the %zu files do not fit on a 1.44 MB diskette: they take %ju bytes in "
                     "%ju-byte clusters, %ju bytes more than the %ju bytes free on an empty one "
                     "(the largest, %s, is %zu bytes)",
                     files.size(), need, cluster, need - empty, empty,
                     largest ? largest->name.c_str() : "", largest ? largest->data.size() : 0);
            *error = text;
            ok = false;
        }
    }
    ok = ok && RunMtools(copy, &out, error);
    ok = ok && Open(temporary, &readLabel, freeBytes, error);
    if (ok && rename(temporary.c_str(), image.c_str()) != 0) {
        *error = "cannot rename " + temporary + " to " + image + ": " + strerror(errno);
        ok = false;
    }
    if (!ok)
        fs::remove(temporary, ec);
    fs::remove_all(folder, ec);
    return ok;
}

ReadResult ReadFile(const std::string& image, const std::string& name, std::string* data,
                    std::string* error) {
    std::string err;
    int rc = Run({"mtype", "-i", image, "::" + name}, data, &err);
    if (rc == 0)
        return ReadResult::Ok;
    data->clear();
    // mtype: File "::wall.ppk" not found
    if (rc > 0 && err.find("not found") != std::string::npos)
        return ReadResult::Missing;
    *error = rc < 0 ? err : "mtype failed: " + Trimmed(err);
    return ReadResult::Failed;
}

} // namespace diskette_image
