// The emulated machine's registry file read as plain text, for tests that
// compare the registry before and after a run.
#pragma once

#include "platform/posix/kernel/machine.h"

#include <ctype.h>
#include <map>
#include <string>

// Key (upper case, with its root) -> value name ("@" for the default) ->
// data text as the file holds it; a key without values maps to an empty map.
using RegistryView = std::map<std::string, std::map<std::string, std::string>>;

inline RegistryView ParseRegistryView(const std::string& text) {
    RegistryView registry;
    std::string key;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > 2 && line[0] == '[' && line.back() == ']') {
            key = line.substr(1, line.size() - 2);
            for (char& c : key)
                c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
            registry[key];
        } else if (!line.empty() && !key.empty() && line != "REGEDIT4") {
            size_t eq = line[0] == '@' ? 1 : line.find("\"=");
            if (eq == std::string::npos)
                continue;
            std::string name = line[0] == '@' ? "@" : line.substr(1, eq - 1);
            registry[key][name] = line.substr(line[0] == '@' ? 2 : eq + 2);
        }
    }
    return registry;
}

inline RegistryView ReadRegistryView() {
    std::string text;
    machine::ReadWholeFile(machine::FolderFile("registry.reg"), &text);
    return ParseRegistryView(text);
}
