// The shell-link object (CLSID_ShellLink): IShellLinkA keeps a link's target,
// description, working directory, arguments and icon; IPersistFile loads and
// saves it as a link file on the emulated machine (the format is in
// link_file.cpp). The target is kept as a full path.
#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/api_files.h"
#include "platform/posix/kernel/calls.h"
#include "platform/posix/kernel/file_checks.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/kernel/trace.h"
#include "platform/posix/shell/api_shell.h"
#include "platform/posix/shell/shell_internal.h"

#include <string.h>

#include <string>

using namespace shell_internal;

namespace {

const HRESULT kAccessDenied = static_cast<HRESULT>(0x80070005L);
HRESULT FromWin32(DWORD error) {
    return static_cast<HRESULT>((error & 0xFFFF) | 0x80070000u);
}

void CopyOut(const std::string& text, LPSTR buffer, int capacity) {
    if (!buffer || capacity <= 0)
        return;
    size_t n = text.size() < static_cast<size_t>(capacity - 1) ? text.size()
                                                               : static_cast<size_t>(capacity - 1);
    memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

std::string Narrow(LPCWSTR wide) {
    int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return "";
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text.data(), size, nullptr, nullptr);
    text.resize(static_cast<size_t>(size - 1));
    return text;
}

// The object's fields are the link's (LinkFields), read and written as a
// whole by ParseLink and SerialiseLink.
class ShellLink final : public IShellLinkA, public IPersistFile, public Counted, LinkFields {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (SameGuid(riid, IID_IUnknown) || SameGuid(riid, IID_IShellLinkA))
            *object = static_cast<IShellLinkA*>(this);
        else if (SameGuid(riid, IID_IPersistFile))
            *object = static_cast<IPersistFile*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        DoAddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return DoAddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return DoRelease(); }

    HRESULT STDMETHODCALLTYPE GetPath(LPSTR file, int capacity, WIN32_FIND_DATAA* data,
                                      DWORD) override {
        CopyOut(path, file, capacity);
        if (data) {
            memset(data, 0, sizeof *data);
            size_t slash = path.rfind('\\');
            CopyOut(slash == std::string::npos ? path : path.substr(slash + 1), data->cFileName,
                    MAX_PATH);
        }
        return path.empty() ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetPath(LPCSTR file) override {
        if (!file)
            return E_INVALIDARG;
        // The shell keeps the full path of the target.
        char full[MAX_PATH];
        DWORD length = GetFullPathNameA(file, MAX_PATH, full, nullptr);
        path = length > 0 && length < MAX_PATH ? full : file;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDescription(LPSTR name, int capacity) override {
        CopyOut(description, name, capacity);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR name) override {
        if (!name)
            return E_INVALIDARG;
        description = name;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR iconPath, int capacity, int* icon) override {
        CopyOut(iconLocation, iconPath, capacity);
        if (icon)
            *icon = iconIndex;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR iconPath, int icon) override {
        iconLocation = iconPath ? iconPath : "";
        iconIndex = icon;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR directory, int capacity) override {
        CopyOut(workingDirectory, directory, capacity);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR directory) override {
        if (!directory)
            return E_INVALIDARG;
        workingDirectory = directory;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetArguments(LPSTR text, int capacity) override {
        CopyOut(arguments, text, capacity);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR text) override {
        if (!text)
            return E_INVALIDARG;
        arguments = text;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Load(LPCWSTR fileName, DWORD) override {
        if (!fileName)
            return E_INVALIDARG;
        machine::Resolved r = machine::Resolve(Narrow(fileName).c_str());
        if (!r.ok || !r.exists)
            return FromWin32(r.error ? r.error : ERROR_FILE_NOT_FOUND);
        std::string bytes;
        if (!machine::ReadWholeFile(r.host, &bytes))
            return kAccessDenied;
        if (!ParseLink(bytes, this))
            return E_FAIL;
        currentFile = r.canonical;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Save(LPCWSTR fileName, BOOL remember) override {
        std::string name = fileName ? Narrow(fileName) : currentFile;
        if (name.empty())
            return E_INVALIDARG;
        machine::Resolved r = machine::Resolve(name.c_str());
        if (!r.ok || !r.parentExists)
            return FromWin32(r.error ? r.error : ERROR_PATH_NOT_FOUND);
        if (files::OnProtectedDiskette(r))
            return FromWin32(ERROR_WRITE_PROTECT);
        if (r.exists && (files::IsHostDirectory(r.host) || files::IsReadOnlyHost(r.host)))
            return kAccessDenied;
        return calls::Run(
            calls::kSaveLink, [&] { return Write(r, remember); },
            [&](HRESULT saved) -> calls::Lines {
                if (saved != S_OK)
                    return {};
                std::string what =
                    "save link " + trace::Text(r.canonical) + " -> " + trace::Quoted(path);
                if (!arguments.empty())
                    what += ", arguments " + trace::Quoted(arguments);
                if (!workingDirectory.empty())
                    what += ", in " + trace::Quoted(workingDirectory);
                what += ", icon " + trace::Quoted(iconLocation) + "," + std::to_string(iconIndex);
                return {what};
            });
    }

  private:
    HRESULT Write(const machine::Resolved& r, BOOL remember) {
        if (!machine::WriteFileAtomically(r.host, SerialiseLink(*this)))
            return E_FAIL;
        if (remember)
            currentFile = r.canonical;
        return S_OK;
    }

    std::string currentFile; // the file last loaded or saved with remember
};

} // namespace

HRESULT shell_internal::CreateShellLink(REFIID riid, void** object) {
    ShellLink* link = new ShellLink;
    HRESULT result = link->QueryInterface(riid, object);
    link->Release();
    return result;
}
