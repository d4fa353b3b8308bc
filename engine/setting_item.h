// The interface shared by every system setting the theme changes, and the
// fixed list of the twelve setting items.
//
// Each item records the user's current value under its key in the product
// section of "control.ini" before the install applies the theme's value, so
// that the uninstall, possibly run by a later program start, can apply the
// recorded value again. Values are texts of at most 400 characters
// (kValueCapacity, terminator included); with a directory in front at most
// 520 (kFullValueCapacity).
#pragma once

#include "state/setup_state.h"

#include <stdint.h>

enum : int {
    kValueCapacity = 400,
    kFullValueCapacity = 520,
};

class SettingItem {
  public:
    SettingItem(const char* keyName, LocationKind location);

    // The virtual operations, in their fixed slot order.

    // Slot 0: kinds that keep a registry key path scrambled unscramble it
    // here, once per program run. Base: nothing.
    virtual void Prepare();
    // Slot 1: records the current system value under keyName, then
    // MarkSaved. Base: MarkSaved only.
    virtual int SaveCurrent();
    // Slot 2: the recorded value ("(none)" and a missing key give "").
    // Always succeeds.
    virtual int ReadSaved(char* buffer, int capacity);
    // Slot 3: number of characters recorded; non-zero means a record exists
    // ("(none)" counts 6).
    virtual int HasSaved();
    // Slot 4: the theme's value, without directory.
    virtual void GetThemeValue(char* buffer, int capacity) = 0;
    // Slot 5: makes the value the system's current setting.
    virtual int Apply(const char* value) = 0;
    // Slot 6: clears isSaved, then removes the record.
    virtual void ForgetSaved();
    // Slot 7: replaces the theme's file name (two kinds). Base: nothing.
    virtual void SetThemeValue(const char* value);
    // Slot 8: the main-dialog option the item belongs to. Base: Always.
    virtual InstallCategory GetCategory();
    // Slot 9: the install's error code when Apply fails. Base: 0.
    virtual int GetErrorCode();
    // Slot 10: puts the recorded value back (the uninstall, and an install
    // whose Apply failed). Base: ReadSaved, then Apply of that text; kinds
    // that record registry values put back each place as recorded, its type
    // and its absence included (engine/recorded_value.h).
    virtual int RestoreSaved();

    // Sets isSaved; returns success.
    int MarkSaved();

    LocationKind location;
    const char* keyName;
    int32_t isSaved;

  protected:
    // Items are program data that live for the whole run and are never
    // deleted through the interface.
    ~SettingItem() = default;
};

// The fixed ordered list of the setting items, walked from index 0 to 11.
struct SettingItemList {
    static constexpr int kCount = 12;
    SettingItem* items[kCount];
    int count;

    // The program's own twelve items.
    static SettingItemList& Program();
};

// Prepare on every item of the list, in list order.
void PrepareSettingItems(SettingItemList& list);
void PrepareSettingItems();
