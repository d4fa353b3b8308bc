// The program's list of setting items. The concrete kinds join it as they
// are built; until then the list is empty and every walk does nothing.
#include "engine/setting_item.h"

SettingItemList& SettingItemList::Program() {
    static SettingItemList list = {{}, 0};
    return list;
}

void PrepareSettingItems() {
    PrepareSettingItems(SettingItemList::Program());
}
