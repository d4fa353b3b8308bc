#include "system/dialog_support.h"

#include "state/setup_state.h"

#include <stdlib.h>
#include <string.h>

namespace {
enum : int {
    kMessagePartCapacity = 399, // 398 characters and the terminator
};
} // namespace

void CentreWindow(HWND window) {
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return;
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int left = GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2;
    int top = GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void SetDefaultButton(HWND dialog, int buttonId) {
    LRESULT answer = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    if (HIWORD(answer) == DC_HASDEFID)
        SendMessageA(dialog, DM_SETDEFID, static_cast<WPARAM>(buttonId), 0);
}

ResourceText::ResourceText(HINSTANCE instance, int resourceId) {
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(resourceId), RT_RCDATA);
    if (!found)
        return;
    HGLOBAL loaded = LoadResource(instance, found);
    if (!loaded)
        return;
    const void* bytes = LockResource(loaded);
    DWORD size = SizeofResource(instance, found);
    if (bytes) {
        buffer_ = static_cast<char*>(malloc(static_cast<size_t>(size) + 1));
        if (buffer_) {
            memcpy(buffer_, bytes, size);
            buffer_[size] = '\0';
            size_ = size;
        }
    }
    FreeResource(loaded);
}

ResourceText::~ResourceText() {
    Release();
}

void ResourceText::Release() {
    free(buffer_);
    buffer_ = nullptr;
    size_ = 0;
}

bool SetControlTextFromResource(HWND dialog, int controlId, int resourceId) {
    ResourceText text(g_setup.instance, resourceId);
    if (text.IsEmpty())
        return false;
    SetDlgItemTextA(dialog, controlId, text.Text());
    text.Release();
    return true;
}

int ShowResourceMessage(HWND owner, UINT captionId, UINT textId, UINT style) {
    char caption[kMessagePartCapacity];
    char text[kMessagePartCapacity];
    if (LoadStringA(g_setup.instance, captionId, caption, sizeof caption) <= 0)
        return 0;
    if (LoadStringA(g_setup.instance, textId, text, sizeof text) <= 0)
        return 0;
    return MessageBoxA(owner, text, caption, style);
}
