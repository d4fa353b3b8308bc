// The desktop folder and change notifications: SHGetDesktopFolder gives the
// desktop's IShellFolder, whose EnumObjects lists the desktop's virtual
// folders (Computer, Network, Recycle Bin) as item identifier lists;
// SHChangeNotify records each notification for tests and front ends
// (shell_state.h) and traces it.
#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/calls.h"
#include "platform/posix/kernel/trace.h"
#include "platform/posix/shell/api_shell.h"
#include "platform/posix/shell/shell_internal.h"
#include "platform/posix/shell/shell_state.h"

#include <stdio.h>

#include <string>
#include <utility>
#include <vector>

using namespace shell_internal;

namespace {

const IID kIidShellFolder = {0x000214E6, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidEnumIdList = {0x000214F2, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

class DesktopEnumerator final : public IEnumIDList, public Counted {
  public:
    explicit DesktopEnumerator(std::vector<int> roots) : roots(std::move(roots)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (SameGuid(riid, IID_IUnknown) || SameGuid(riid, kIidEnumIdList)) {
            DoAddRef();
            *object = static_cast<IEnumIDList*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return DoAddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return DoRelease(); }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, LPITEMIDLIST* items, ULONG* fetched) override {
        if (!items || (count > 1 && !fetched))
            return E_INVALIDARG;
        ULONG n = 0;
        while (n < count && next < roots.size()) {
            std::string list;
            PutItem(list, RootItem(roots[next]));
            items[n] = AllocList(list);
            if (!items[n])
                break;
            ++next;
            ++n;
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }

  private:
    std::vector<int> roots;
    size_t next = 0;
};

// The desktop folder is one object for the process; the shell holds a
// reference of its own, so the last caller's Release leaves 1.
class DesktopFolder final : public IShellFolder, public Resident {
  public:
    DesktopFolder() : Resident(1) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (SameGuid(riid, IID_IUnknown) || SameGuid(riid, kIidShellFolder)) {
            DoAddRef();
            *object = static_cast<IShellFolder*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return DoAddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return DoRelease(); }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND, DWORD flags, IEnumIDList** enumerator) override {
        if (!enumerator)
            return E_INVALIDARG;
        *enumerator = nullptr;
        return calls::Run(calls::kEnumObjects, [&]() -> HRESULT {
            std::vector<int> roots;
            if (flags & SHCONTF_FOLDERS)
                for (int i = 0; i < static_cast<int>(sizeof kRootFolders / sizeof kRootFolders[0]);
                     ++i)
                    roots.push_back(i);
            *enumerator = new DesktopEnumerator(roots);
            return S_OK;
        });
    }
};

} // namespace

// ---- Shell ----

HRESULT WINAPI SHGetDesktopFolder(IShellFolder** folder) {
    Called();
    if (!folder)
        return E_INVALIDARG;
    *folder = nullptr;
    return calls::Run(calls::kSHGetDesktopFolder, [&]() -> HRESULT {
        static DesktopFolder desktop;
        desktop.AddRef();
        *folder = &desktop;
        return S_OK;
    });
}

void WINAPI SHChangeNotify(LONG eventId, UINT flags, LPCVOID item1, LPCVOID item2) {
    Called();
    auto name = [flags](LPCVOID item) -> std::string {
        if (!item)
            return "";
        switch (flags & 0xFF) {
        case SHCNF_IDLIST:
            return ListName(static_cast<LPCITEMIDLIST>(item));
        case 0x0001: // SHCNF_PATHA
            return static_cast<const char*>(item);
        default:
            return "?";
        }
    };
    calls::Run(
        calls::kSHChangeNotify,
        [&] {
            g_state.notifications.push_back({eventId, flags, name(item1), name(item2)});
        },
        [&]() -> calls::Lines {
            const shell_state::Notification& n = g_state.notifications.back();
            std::string what = "notify ";
            if (eventId == SHCNE_UPDATEITEM)
                what += "update item";
            else if (eventId == SHCNE_UPDATEDIR)
                what += "update directory";
            else if (eventId == SHCNE_ASSOCCHANGED)
                what += "associations changed";
            else {
                char text[32];
                snprintf(text, sizeof text, "event 0x%08lx", static_cast<unsigned long>(eventId));
                what += text;
            }
            if (!n.item1.empty())
                what += " " + trace::Text(n.item1);
            if (!n.item2.empty() && n.item2 != n.item1)
                what += ", " + trace::Text(n.item2);
            return {what};
        });
}
