// The changes of host objects that the emulated calls make (machine.h), each
// counted as a change of the machine.
#include "platform/posix/kernel/machine.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace machine {

bool MakeHostDirectory(const std::string& hostPath) {
    CountChange();
    return mkdir(hostPath.c_str(), 0755) == 0;
}

bool RemoveHostDirectory(const std::string& hostPath) {
    CountChange();
    return rmdir(hostPath.c_str()) == 0;
}

bool RemoveHostFile(const std::string& hostPath) {
    CountChange();
    return unlink(hostPath.c_str()) == 0;
}

bool RenameHost(const std::string& from, const std::string& to) {
    CountChange();
    return rename(from.c_str(), to.c_str()) == 0;
}

int OpenHostFile(const std::string& hostPath, int flags, bool changes) {
    if (changes)
        CountChange();
    return open(hostPath.c_str(), flags, 0644);
}

long WriteHostFile(int fd, const void* data, size_t size) {
    if (size == 0)
        return 0;
    CountChange();
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, static_cast<const char*>(data) + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (done == 0)
                return -1;
            break;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<long>(done);
}

bool SetHostFileTimes(int fd, const struct timespec times[2]) {
    CountChange();
    return futimens(fd, times) == 0;
}

} // namespace machine
