// Dialog texts and messages: the common operations through which the
// program's dialogs load texts from the resources, show messages, centre
// themselves and choose their default button, and the stored scrambled
// credit line.
#pragma once

#include "platform/win32.h"
#include "shell/scrambled_text.h"

#include <stddef.h>

enum : unsigned {
    kCreditLineScrambleStart = 0x37,
    kCreditLineScramblePeriod = 5,
};

// The credit line of the main dialog (control 207), stored scrambled.
extern const StoredText CreditLine;

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

// Unscrambles a stored text in place: the k-th byte is reduced by
// start + (k mod period), modulo 256, and the walk stops right after a byte
// has become zero. It never goes past `length` stored bytes, even when no
// byte becomes zero (then the last stored byte is made the terminator).
void UnscrambleText(char* text, size_t length, unsigned start, unsigned period);

// Unscrambles the credit line and the three ItemKeyPart texts and puts the
// credit line into control 207 of SetupState::mainDialog. Runs once per run;
// returns whether the control's text could be set.
bool ShowCreditLine();

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
