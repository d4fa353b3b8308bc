// Running host commands from the native tests (the built setup-host, tmux).
#pragma once

#include <stdio.h>
#include <string>

// `text` as one word of a POSIX shell command.
inline std::string ShellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs `command` with /bin/sh and returns its standard output; `status`
// (when given) gets the wait status, as pclose gives it.
inline std::string RunShell(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    int rc = pclose(pipe);
    if (status)
        *status = rc;
    return out;
}
