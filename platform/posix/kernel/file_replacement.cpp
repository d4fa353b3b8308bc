// Crash-safe replacement of host files: the new content goes into a
// temporary file (in the machine's pending folder, or beside a file outside
// the machine), is flushed and renamed over the old file, so a crash leaves
// the old file or the new one; opening a machine removes what killed
// processes left in the pending folder. Also the reading of a whole file.
#include "platform/posix/kernel/machine.h"

#include "platform/posix/kernel/machine_internal.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <string>

namespace machine {
namespace {

std::string PendingFolder(const std::string& root) {
    return root + "/pending";
}

} // namespace

// Removes the temporary files that processes killed while replacing a file
// left in the pending folder ("PID.NAME.XXXXXX"); those of a live process
// (another program on the same machine) stay.
void RemoveAbandonedFiles(const std::string& root) {
    std::string pending = PendingFolder(root);
    DIR* d = opendir(pending.c_str());
    if (!d)
        return;
    while (dirent* e = readdir(d)) {
        char* end = nullptr;
        long pid = strtol(e->d_name, &end, 10);
        if (e->d_name[0] == '.' || *end != '.')
            continue;
        if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            CountChange();
            unlink((pending + "/" + e->d_name).c_str());
        }
    }
    closedir(d);
}

bool WriteFileAtomically(const std::string& hostPath, const std::string& bytes) {
    size_t slash = hostPath.rfind('/');
    std::string dir = slash == std::string::npos ? "." : hostPath.substr(0, slash);
    std::string name = hostPath.substr(slash + 1);
    // Inside the machine the temporary file waits in its pending folder,
    // out of sight of the emulated drives; Open removes what a crash left.
    std::string temp = hostPath + ".XXXXXX";
    if (!g_root.empty() && hostPath.compare(0, g_root.size() + 1, g_root + "/") == 0 &&
        MakeDirectories(PendingFolder(g_root)))
        temp = PendingFolder(g_root) + "/" + std::to_string(getpid()) + "." + name + ".XXXXXX";
    CountChange();
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    // Written in two halves, so that a crash test can stop in between.
    size_t done = 0;
    for (size_t end : {bytes.size() / 2, bytes.size()}) {
        if (done < end)
            CountChange();
        while (done < end) {
            ssize_t n = write(fd, bytes.data() + done, end - done);
            if (n <= 0) {
                close(fd);
                unlink(temp.c_str());
                return false;
            }
            done += static_cast<size_t>(n);
        }
    }
    // Keep the mode and the Windows attributes of the file it replaces.
    struct stat st;
    CountChange();
    fchmod(fd, stat(hostPath.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    for (const char* name : {kAttribXattr, kShortXattr}) {
        std::string kept = GetXattr(hostPath, name);
        if (!kept.empty()) {
            CountChange();
            fsetxattr(fd, name, kept.data(), kept.size(), 0);
        }
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        unlink(temp.c_str());
        return false;
    }
    CountChange();
    if (rename(temp.c_str(), hostPath.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return true;
}

bool ReadWholeFile(const std::string& hostPath, std::string* bytes) {
    FILE* f = fopen(hostPath.c_str(), "rb");
    if (!f)
        return false;
    std::string data;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, n);
    bool ok = !ferror(f);
    fclose(f);
    if (ok)
        *bytes = std::move(data);
    return ok;
}

} // namespace machine
