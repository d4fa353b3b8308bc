// The link file format of the shell-link object: a 0x4C-byte header with
// the link class id, a LinkInfo block holding the target as a local path on
// a volume, and the description, working directory, arguments and icon
// location as counted code page 1252 strings (the IsUnicode flag is never
// set, as on Windows 95), then the terminal block.
#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/shell/api_shell.h"
#include "platform/posix/shell/shell_internal.h"

#include <string.h>
#include <sys/stat.h>

#include <string>

using namespace shell_internal;

namespace {

const uint32_t kHasLinkInfo = 0x02;
const uint32_t kHasName = 0x04;
const uint32_t kHasWorkingDirectory = 0x10;
const uint32_t kHasArguments = 0x20;
const uint32_t kHasIconLocation = 0x40;
const uint32_t kIsUnicode = 0x80;
const uint32_t kHasLinkTargetIdList = 0x01;
const uint32_t kVolumeIdAndLocalBasePath = 0x01;
const uint32_t kShowNormal = 1;

uint32_t DriveType(char letter) {
    if (letter == 'A' || letter == 'B')
        return 2; // removable
    if (letter == 'C')
        return 3; // fixed
    return 5;     // the installation medium: CD-ROM
}

} // namespace

std::string shell_internal::SerialiseLink(const LinkFields& link) {
    uint32_t flags = 0;
    machine::Resolved target = machine::Resolve(link.path.c_str());
    bool local = target.ok && link.path.size() >= 3 && link.path[1] == ':' && link.path[2] == '\\';
    if (local)
        flags |= kHasLinkInfo;
    if (!link.description.empty())
        flags |= kHasName;
    if (!link.workingDirectory.empty())
        flags |= kHasWorkingDirectory;
    if (!link.arguments.empty())
        flags |= kHasArguments;
    if (!link.iconLocation.empty())
        flags |= kHasIconLocation;

    uint32_t attributes = 0, size = 0;
    uint64_t writeTime = 0;
    struct stat st;
    if (local && target.exists && stat(target.host.c_str(), &st) == 0) {
        attributes = machine::HostAttributes(target.host);
        size = static_cast<uint32_t>(st.st_size);
        writeTime = (static_cast<uint64_t>(st.st_mtim.tv_sec) + 11644473600ull) * 10000000ull +
                    static_cast<uint64_t>(st.st_mtim.tv_nsec) / 100;
    }

    std::string out;
    Put32(out, 0x4C);
    out.append(reinterpret_cast<const char*>(&CLSID_ShellLink), sizeof(CLSID));
    Put32(out, flags);
    Put32(out, attributes);
    for (int i = 0; i < 3; ++i) { // creation, access, write
        Put32(out, static_cast<uint32_t>(writeTime));
        Put32(out, static_cast<uint32_t>(writeTime >> 32));
    }
    Put32(out, size);
    Put32(out, static_cast<uint32_t>(link.iconIndex));
    Put32(out, kShowNormal);
    Put16(out, 0); // hot key
    Put16(out, 0); // reserved
    Put32(out, 0);
    Put32(out, 0);

    if (flags & kHasLinkInfo) {
        // VolumeID: size, drive type, serial number, label offset, label.
        std::string volume;
        Put32(volume, 0x11);
        Put32(volume, DriveType(target.drive));
        Put32(volume, 0x57480000u | static_cast<uint32_t>(target.drive));
        Put32(volume, 0x10);
        volume += '\0';
        const uint32_t headerSize = 0x1C;
        uint32_t basePathOffset = headerSize + static_cast<uint32_t>(volume.size());
        uint32_t suffixOffset = basePathOffset + static_cast<uint32_t>(link.path.size()) + 1;
        uint32_t total = suffixOffset + 1;
        Put32(out, total);
        Put32(out, headerSize);
        Put32(out, kVolumeIdAndLocalBasePath);
        Put32(out, headerSize); // VolumeID follows the header
        Put32(out, basePathOffset);
        Put32(out, 0); // no network link
        Put32(out, suffixOffset);
        out += volume;
        out += link.path;
        out += '\0';
        out += '\0'; // empty common path suffix
    }
    for (const std::string* text :
         {&link.description, &link.workingDirectory, &link.arguments, &link.iconLocation}) {
        if (text->empty())
            continue;
        size_t n = text->size() > 0xFFFF ? 0xFFFF : text->size();
        Put16(out, static_cast<uint32_t>(n));
        out.append(*text, 0, n);
    }
    Put32(out, 0); // terminal block
    return out;
}

bool shell_internal::ParseLink(const std::string& bytes, LinkFields* link) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t size = bytes.size(), at = 0x4C;
    if (size < 0x4C || Get32(p) != 0x4C || memcmp(p + 4, &CLSID_ShellLink, sizeof(CLSID)))
        return false;
    uint32_t flags = Get32(p + 0x14);
    std::string target, name, directory, commandLine, icon;
    if (flags & kHasLinkTargetIdList) {
        if (at + 2 > size)
            return false;
        at += 2 + Get16(p + at);
    }
    if (flags & kHasLinkInfo) {
        if (at + 0x1C > size || Get32(p + at) < 0x1C || at + Get32(p + at) > size)
            return false;
        const unsigned char* info = p + at;
        uint32_t infoSize = Get32(info);
        if ((Get32(info + 8) & kVolumeIdAndLocalBasePath) && Get32(info + 16) < infoSize &&
            Get32(info + 24) < infoSize) {
            target = std::string(reinterpret_cast<const char*>(info + Get32(info + 16)),
                                 strnlen(reinterpret_cast<const char*>(info + Get32(info + 16)),
                                         infoSize - Get32(info + 16)));
            target += std::string(reinterpret_cast<const char*>(info + Get32(info + 24)),
                                  strnlen(reinterpret_cast<const char*>(info + Get32(info + 24)),
                                          infoSize - Get32(info + 24)));
        }
        at += infoSize;
    }
    const uint32_t stringFlags[] = {kHasName, 0x08, kHasWorkingDirectory, kHasArguments,
                                    kHasIconLocation};
    for (uint32_t flag : stringFlags) {
        if (!(flags & flag))
            continue;
        if (at + 2 > size)
            return false;
        size_t count = Get16(p + at);
        at += 2;
        size_t length = (flags & kIsUnicode) ? count * 2 : count;
        if (at + length > size)
            return false;
        std::string text;
        for (size_t i = 0; i < count; ++i) {
            if (!(flags & kIsUnicode)) {
                text += static_cast<char>(p[at + i]);
                continue;
            }
            unsigned char byte;
            text +=
                codepage::FromUnicode(Get16(p + at + 2 * i), &byte) ? static_cast<char>(byte) : '?';
        }
        at += length;
        if (flag == kHasName)
            name = text;
        else if (flag == kHasWorkingDirectory)
            directory = text;
        else if (flag == kHasArguments)
            commandLine = text;
        else if (flag == kHasIconLocation)
            icon = text;
    }
    link->path = target;
    link->description = name;
    link->workingDirectory = directory;
    link->arguments = commandLine;
    link->iconLocation = icon;
    link->iconIndex = static_cast<int32_t>(Get32(p + 0x38));
    return true;
}
