// libFuzzer target: the desktop shortcut and the shell-link object under
// arbitrary texts. Three roads, chosen by the first byte:
//   0  CreateDesktopShortcut with arbitrary directory, file name, shortcut
//      name and icon index; a shortcut it made reads back with its
//      description and icon; nothing leaks; it is removed again;
//   1  the shell-link object's setters with arbitrary texts, saved and
//      loaded again: description and icon location come back whole;
//   2  arbitrary bytes as a link file, loaded and read out.
// Every read goes into a patterned buffer and must end inside it.
#include "platform/posix/shell/shell_state.h"
#include "platform/win32.h"
#include "state/setup_state.h"
#include "system/shell_integration.h"
#include "tests/fuzz/fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>

namespace {

std::string Text(FuzzedDataProvider& in, size_t most) {
    std::string s = in.ConsumeRandomLengthString(most);
    return s.substr(0, strlen(s.c_str())); // what a terminated text can carry
}

void WidePath(const std::string& path, WCHAR* wide) {
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) <= 0)
        abort();
}

// Reads the link's three texts into patterned buffers of the given size.
void ReadOut(IShellLinkA* link, int capacity, std::string* path, std::string* description,
             std::string* icon) {
    char buffer[MAX_PATH + 16];
    auto check = [&](std::string* into) {
        if (!fuzz_support::Untouched(buffer + capacity, sizeof buffer - capacity, capacity))
            abort();
        if (capacity > 0) {
            size_t n = strnlen(buffer, static_cast<size_t>(capacity));
            if (n >= static_cast<size_t>(capacity))
                abort();
            if (into)
                *into = buffer;
        }
    };
    fuzz_support::Fill(buffer, sizeof buffer);
    WIN32_FIND_DATAA found;
    link->GetPath(buffer, capacity, &found, 0);
    if (strnlen(found.cFileName, MAX_PATH) >= MAX_PATH)
        abort();
    check(path);
    fuzz_support::Fill(buffer, sizeof buffer);
    link->GetDescription(buffer, capacity);
    check(description);
    fuzz_support::Fill(buffer, sizeof buffer);
    int index = 0;
    link->GetIconLocation(buffer, capacity, &index);
    check(icon);
}

IShellLinkA* NewLink() {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))) ||
        !link)
        abort();
    return link;
}

IPersistFile* Persist(IShellLinkA* link) {
    IPersistFile* persist = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) ||
        !persist)
        abort();
    return persist;
}

void Shortcut(FuzzedDataProvider& in) {
    std::string directory = Text(in, 300);
    std::string fileName = Text(in, 300);
    std::string name = Text(in, 300);
    int iconIndex = in.ConsumeIntegral<int>();
    bool noDirectory = in.ConsumeBool();
    CreateDesktopShortcut(noDirectory ? nullptr : directory.c_str(), fileName.c_str(), name.c_str(),
                          iconIndex);
    if (shell_state::LiveObjects() != 0 || shell_state::LiveAllocations() != 0)
        abort();
    char shortcut[MAX_PATH + 16];
    fuzz_support::Fill(shortcut, sizeof shortcut);
    int built = DesktopShortcutPath(shortcut, name.c_str());
    if (!fuzz_support::Untouched(shortcut + MAX_PATH, 16, MAX_PATH) ||
        strnlen(shortcut, MAX_PATH) >= MAX_PATH)
        abort();
    std::string target =
        (noDirectory ? std::string(g_setup.systemDirectory) : directory) + fileName;
    if (built && target.size() < MAX_PATH &&
        GetFileAttributesA(shortcut) != INVALID_FILE_ATTRIBUTES &&
        !(GetFileAttributesA(shortcut) & FILE_ATTRIBUTE_DIRECTORY)) {
        IShellLinkA* link = NewLink();
        IPersistFile* persist = Persist(link);
        WCHAR wide[MAX_PATH];
        WidePath(shortcut, wide);
        if (SUCCEEDED(persist->Load(wide, 0))) {
            std::string description, icon;
            ReadOut(link, MAX_PATH, nullptr, &description, &icon);
            if (description != name.substr(0, MAX_PATH - 1))
                abort();
        }
        persist->Release();
        link->Release();
    }
    DeleteDesktopShortcut(name.c_str());
    if (shell_state::LiveObjects() != 0 || shell_state::LiveAllocations() != 0)
        abort();
}

void RoundTrip(FuzzedDataProvider& in) {
    std::string path = Text(in, 400);
    std::string description = Text(in, 400);
    std::string icon = Text(in, 400);
    int capacity = in.ConsumeIntegralInRange(0, MAX_PATH);
    IShellLinkA* link = NewLink();
    link->SetPath(path.c_str());
    link->SetDescription(description.c_str());
    link->SetIconLocation(icon.c_str(), in.ConsumeIntegral<int>());
    ReadOut(link, capacity, nullptr, nullptr, nullptr);
    IPersistFile* persist = Persist(link);
    const std::string file = fuzz_support::Scratch() + "fuzz.lnk";
    WCHAR wide[MAX_PATH];
    WidePath(file, wide);
    if (FAILED(persist->Save(wide, TRUE)))
        abort();
    persist->Release();
    link->Release();

    link = NewLink();
    persist = Persist(link);
    if (FAILED(persist->Load(wide, 0)))
        abort();
    std::string descriptionBack, iconBack;
    ReadOut(link, MAX_PATH, nullptr, &descriptionBack, &iconBack);
    if (descriptionBack != description.substr(0, MAX_PATH - 1) ||
        iconBack != icon.substr(0, MAX_PATH - 1))
        abort();
    persist->Release();
    link->Release();
}

void LoadBytes(FuzzedDataProvider& in) {
    int capacity = in.ConsumeIntegralInRange(0, MAX_PATH);
    const std::string file = fuzz_support::Scratch() + "fuzz.lnk";
    fuzz_support::WriteFile(file, in.ConsumeRemainingBytesAsString());
    IShellLinkA* link = NewLink();
    IPersistFile* persist = Persist(link);
    WCHAR wide[MAX_PATH];
    WidePath(file, wide);
    if (SUCCEEDED(persist->Load(wide, 0)))
        ReadOut(link, capacity, nullptr, nullptr, nullptr);
    persist->Release();
    link->Release();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = [] {
        fuzz_support::Scratch();
        CoInitialize(nullptr);
        GetSystemDirectoryA(g_setup.systemDirectory, sizeof g_setup.systemDirectory);
        strcat(g_setup.systemDirectory, "\\");
        return true;
    }();
    (void)ready;
    FuzzedDataProvider in(data, size);
    switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0:
        Shortcut(in);
        break;
    case 1:
        RoundTrip(in);
        break;
    default:
        LoadBytes(in);
        break;
    }
    if (shell_state::LiveObjects() != 0 || shell_state::LiveAllocations() != 0)
        abort();
    return 0;
}
