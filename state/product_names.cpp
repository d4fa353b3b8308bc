#include "state/product_names.h"

const char kProductName[] = "Wiesenhain";
const char kProfileFileName[] = "control.ini";
const char kProductKeyPath[] = "SOFTWARE\\Vorq\\Wiesenhain";
const char kMakerKeyPath[] = "SOFTWARE\\Vorq";
const char kScreenSaverFileName[] = "Wiesenhain.scr";
