// What every dialog of the program does alike: load texts from the
// resources, show messages, centre itself and choose its default button.
#pragma once

#include "platform/win32.h"

#include <stddef.h>

// Moves a window so that it is centred on the screen (left = W/2 - w/2,
// top = H/2 - h/2, each halving truncated), keeping its size and Z order.
void CentreWindow(HWND window);

// Makes `buttonId` the dialog's default push button, provided the dialog
// reports that it has one (DM_GETDEFID answers DC_HASDEFID in its high word).
void SetDefaultButton(HWND dialog, int buttonId);

// Puts the text of data resource `resourceId` of SetupState::instance into
// control `controlId`. False, with the control unchanged, when the resource
// cannot be loaded.
bool SetControlTextFromResource(HWND dialog, int controlId, int resourceId);

// Shows a message box whose caption and text are string-table entries (each
// up to 398 characters) with `style`, and returns its result; 0 without a
// box when either string cannot be loaded.
int ShowResourceMessage(HWND owner, UINT captionId, UINT textId, UINT style);

// A data resource loaded into memory: a copy of its bytes with one zero byte
// after them. Empty (no buffer) when the resource cannot be found, loaded or
// locked, or the copy cannot be allocated. The platform's handle is released
// as soon as the bytes are copied.
class ResourceText {
  public:
    ResourceText(HINSTANCE instance, int resourceId);
    ~ResourceText();
    ResourceText(const ResourceText&) = delete;
    ResourceText& operator=(const ResourceText&) = delete;

    bool IsEmpty() const { return buffer_ == nullptr; }
    const char* Text() const { return buffer_; }
    size_t Size() const { return size_; } // bytes of the resource, without the added zero
    void Release();

  private:
    char* buffer_ = nullptr;
    size_t size_ = 0;
};
