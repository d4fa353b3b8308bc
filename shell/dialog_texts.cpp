// Dialog texts and messages.
#include "shell/dialog_texts.h"

#include "engine/item_key_texts.h"
#include "state/setup_state.h"

#include <initializer_list>
#include <stdlib.h>
#include <string.h>

namespace {
enum : int {
    kCreditLineControl = 207,
    kMessagePartCapacity = 399, // 398 characters and the terminator
};

auto creditLine = ScrambleText("\xA9 1999 Vorq Software GmbH \x95 Gartenstra\xDF"
                               "e 12 \x95 Wiesenfeld",
                               kCreditLineScrambleStart, kCreditLineScramblePeriod);
} // namespace

const StoredText CreditLine = {creditLine.bytes, sizeof creditLine.bytes};

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

void UnscrambleText(char* text, size_t length, unsigned start, unsigned period) {
    if (!text || length == 0 || period == 0)
        return;
    for (size_t k = 0; k < length; ++k) {
        unsigned value =
            static_cast<unsigned char>(text[k]) - start - static_cast<unsigned>(k % period);
        text[k] = static_cast<char>(value & 0xFF);
        if (text[k] == '\0')
            return;
    }
    // No byte became zero: the text ends at its last stored byte.
    text[length - 1] = '\0';
}

bool ShowCreditLine() {
    // The texts are unscrambled in place, so only once per process: a second
    // main dialog (tests run several) would scramble them again.
    static bool plain = false;
    if (!plain) {
        UnscrambleText(CreditLine.text, CreditLine.length, kCreditLineScrambleStart,
                       kCreditLineScramblePeriod);
        for (const StoredText* part :
             {&ItemKeyPartComputer, &ItemKeyPartNetwork, &ItemKeyPartRecycleBin})
            UnscrambleText(part->text, part->length, kItemKeyScrambleStart, kItemKeyScramblePeriod);
        plain = true;
    }
    return SetDlgItemTextA(g_setup.mainDialog, kCreditLineControl, CreditLine.text) != FALSE;
}
