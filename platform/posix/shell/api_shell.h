// Component objects and the shell of the emulated machine: the shell-link
// object, special folders, the desktop folder and change notifications.
#pragma once

#include "platform/posix/win_types.h"

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

  protected:
    ~IUnknown() = default;
};

struct IPersistFile : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Load(LPCWSTR fileName, DWORD mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE Save(LPCWSTR fileName, BOOL remember) = 0;
};

struct IShellLinkA : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetPath(LPSTR file, int capacity, WIN32_FIND_DATAA* data,
                                              DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPath(LPCSTR file) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDescription(LPSTR name, int capacity) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR iconPath, int capacity, int* icon) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR iconPath, int icon) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR directory, int capacity) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR directory) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetArguments(LPSTR arguments, int capacity) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR arguments) = 0;
};

struct IMalloc : IUnknown {
    virtual void* STDMETHODCALLTYPE Alloc(size_t size) = 0;
    virtual void STDMETHODCALLTYPE Free(void* block) = 0;
};

struct IEnumIDList : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, LPITEMIDLIST* items, ULONG* fetched) = 0;
};

struct IShellFolder : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE EnumObjects(HWND owner, DWORD flags,
                                                  IEnumIDList** enumerator) = 0;
};

extern const CLSID CLSID_ShellLink;
extern const IID IID_IUnknown;
extern const IID IID_IShellLinkA;
extern const IID IID_IPersistFile;

HRESULT WINAPI CoInitialize(LPVOID reserved);
void WINAPI CoUninitialize();
HRESULT WINAPI CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                                LPVOID* object);
HRESULT WINAPI SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* list);
BOOL WINAPI SHGetPathFromIDListA(LPCITEMIDLIST list, LPSTR path);
HRESULT WINAPI SHGetMalloc(IMalloc** allocator);
HRESULT WINAPI SHGetDesktopFolder(IShellFolder** folder);
void WINAPI SHChangeNotify(LONG eventId, UINT flags, LPCVOID item1, LPCVOID item2);
