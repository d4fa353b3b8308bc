// Stored forms of the registry key texts, made at compile time.
#include "text/item_key_texts.h"

namespace {

template <size_t N> constexpr ScrambledBytes<N> KeyText(const char (&plain)[N]) {
    return ScrambleText(plain, kItemKeyScrambleStart, kItemKeyScramblePeriod);
}

auto iconKeyPrefix = KeyText("CLSID\\{");
auto iconKeySuffix = KeyText("}\\DefaultIcon");
auto computer = KeyText("20D04FE0-3AEA-1069-A2D8-08002B30309D");
auto network = KeyText("208D2C60-3AEA-1069-A2D7-08002B30309D");
auto recycleBin = KeyText("645FF040-5081-101B-9F08-00AA002F954E");
auto desktopKeyPath = KeyText("Control Panel\\Desktop");
auto colorsKeyPath = KeyText("Control Panel\\Colors");

} // namespace

const StoredText IconKeyPrefix = {iconKeyPrefix.bytes, sizeof iconKeyPrefix.bytes};
const StoredText IconKeySuffix = {iconKeySuffix.bytes, sizeof iconKeySuffix.bytes};
const StoredText ItemKeyPartComputer = {computer.bytes, sizeof computer.bytes};
const StoredText ItemKeyPartNetwork = {network.bytes, sizeof network.bytes};
const StoredText ItemKeyPartRecycleBin = {recycleBin.bytes, sizeof recycleBin.bytes};
const StoredText DesktopKeyPath = {desktopKeyPath.bytes, sizeof desktopKeyPath.bytes};
const StoredText ColorsKeyPath = {colorsKeyPath.bytes, sizeof colorsKeyPath.bytes};
