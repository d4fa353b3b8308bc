#include "engine/setting_item.h"

#include "system/profile_settings.h"

SettingItem::SettingItem(const char* keyName, LocationKind location)
    : location(location), keyName(keyName), isSaved(0) {}

void SettingItem::Prepare() {}

int SettingItem::SaveCurrent() {
    return MarkSaved();
}

int SettingItem::ReadSaved(char* buffer, int capacity) {
    ProfileSettings::Read(keyName, buffer, capacity);
    return 1;
}

int SettingItem::HasSaved() {
    return ProfileSettings::ValueLength(keyName);
}

void SettingItem::ForgetSaved() {
    isSaved = 0;
    ProfileSettings::Remove(keyName);
}

void SettingItem::SetThemeValue(const char*) {}

InstallCategory SettingItem::GetCategory() {
    return InstallCategory::Always;
}

int SettingItem::GetErrorCode() {
    return 0;
}

int SettingItem::RestoreSaved() {
    char value[kValueCapacity];
    if (!ReadSaved(value, sizeof value))
        return 0;
    return Apply(value);
}

int SettingItem::MarkSaved() {
    isSaved = 1;
    return 1;
}

void PrepareSettingItems(SettingItemList& list) {
    for (int i = 0; i < list.count; ++i)
        list.items[i]->Prepare();
}
