#pragma once
// Texts the tool derives from record values: addresses, temperatures, grid
// sort keys. Display texts are UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/NodaluxCtrl.h"

namespace vantrel::model {

// "%d.%d.%d.%d": decimal octets without leading zeros.
std::string ipText(const Ip4& ip);
// Six bytes as upper-case hex pairs joined by "-" (0A-1B-2C-3D-4E-5F).
std::string macText(const Mac& mac);
// Parses a dotted IPv4 text of four decimal octets 0..255; nothing otherwise.
std::optional<Ip4> parseIp(std::string_view text);
// The network address text: each octet of the address AND the mask, dotted.
std::string networkAddressText(const Ip4& ip, const Ip4& mask);
// The same from dotted texts (as the adapter list holds them); nothing when either is not an address.
std::optional<std::string> networkAddressText(std::string_view ip, std::string_view mask);

// The grid's temperature text from the raw tenths of a degree Celsius:
// "N/A" for 0xFFFF, otherwise "%.1f°C / %.1f°F" (values above 4095.0 °C read as
// negative), the decimals after `decimalSeparator` (UTF-8). The core knows no
// locale: windows pass the user's separator, files and scripts keep ".".
std::string temperatureText(std::uint16_t raw, std::string_view decimalSeparator = ".");

// The IP column's sort key: "%.3d.%.3d.%.3d.%.3d" of the dotted text, so that
// 10.0.0.9 sorts before 10.0.0.10. A text that is not four numbers is returned unchanged.
std::string ipSortKey(std::string_view dotted);

// UTF-16 code units to UTF-8 (a lone surrogate becomes U+FFFD).
std::string toUtf8(std::u16string_view text);
// UTF-8 to UTF-16 code units (invalid bytes become U+FFFD).
std::u16string fromUtf8(std::string_view text);

// One CSV line (RFC 4180) without its line end: fields holding a comma, a
// quote or a line break are quoted, quotes doubled. UTF-8 in and out.
std::string csvLine(const std::vector<std::string>& fields);
// One field of it.
std::string csvField(std::string_view field);

// Parses a MAC address: six pairs of hex digits (either case) joined by ":"
// or by "-"; nothing otherwise.
std::optional<Mac> parseMac(std::string_view text);

// The temperature in degrees Celsius from the raw tenths, by the rule of the
// grid's text; nothing for 0xFFFF (not available).
std::optional<double> temperatureCelsius(std::uint16_t raw);

} // namespace vantrel::model
