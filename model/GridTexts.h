#pragma once
// The five texts of a controller's row in the device grid, in column order:
// Model, Nickname, IP, Firmware, Temperature. The main window's grid and the
// command line's listing show the same texts.

#include <array>
#include <string>
#include <string_view>

#include "model/NodaluxCtrl.h"

namespace vantrel::model {

struct GridTexts {
    std::u16string model;    // a current reply's model name; for a legacy controller the model table's name
    std::u16string nickname; // the characters before the first NUL
    std::string ip;          // the current address, "%d.%d.%d.%d"
    std::u16string firmware; // the firmware text, up to its first NUL
    std::string temperature; // empty for a controller in its bootloader, "N/A", or "45.3°C / 113.5°F" (UTF-8)
};

// `decimalSeparator` (UTF-8) is written in the temperature: the user's, for a window.
GridTexts gridTexts(const TNodaluxCtrl& record, std::string_view decimalSeparator = ".");

} // namespace vantrel::model
