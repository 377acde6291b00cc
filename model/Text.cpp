#include "model/Text.h"

#include <charconv>
#include <cstdio>

namespace vantrel::model {

namespace {

// The degree sign, U+00B0, in UTF-8.
constexpr std::string_view kDegree = "\xC2\xB0";
// Raw temperature value that means "not available".
constexpr std::uint16_t kTemperatureNotAvailable = 0xFFFF;
// Readings above this many degrees Celsius are negative values in disguise.
constexpr double kHighestPositiveCelsius = 4095.0;
constexpr char16_t kReplacement = 0xFFFD;

// A number with one decimal and the given separator, whatever the process
// locale is (the toolkit sets the user's locale, which would turn printf's
// '.' into ',' behind the caller's back).
void appendOneDecimal(std::string& out, double value, std::string_view separator) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 1);
    const std::string_view number(buf, res.ec == std::errc{} ? static_cast<std::size_t>(res.ptr - buf) : 0);
    const std::size_t point = number.find('.');
    if (point == std::string_view::npos) {
        out += number;
        return;
    }
    out += number.substr(0, point);
    out += separator;
    out += number.substr(point + 1);
}

} // namespace

std::string ipText(const Ip4& ip) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d.%d.%d.%d", ip[0], ip[1], ip[2], ip[3]);
    return buf;
}

std::string macText(const Mac& mac) {
    char buf[18];
    std::snprintf(buf, sizeof buf, "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return buf;
}

std::optional<Ip4> parseIp(std::string_view text) {
    Ip4 ip{};
    std::size_t pos = 0;
    for (std::size_t octet = 0; octet < ip.size(); ++octet) {
        if (octet > 0) {
            if (pos >= text.size() || text[pos] != '.') return std::nullopt;
            ++pos;
        }
        // One to three decimal digits (leading zeros allowed, so that a padded
        // sort key reads back), value at most 255.
        int value = 0;
        std::size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 3) {
            value = value * 10 + (text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || value > 255) return std::nullopt;
        if (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') return std::nullopt; // 4+ digits
        ip[octet] = static_cast<std::uint8_t>(value);
    }
    if (pos != text.size()) return std::nullopt;
    return ip;
}

std::string networkAddressText(const Ip4& ip, const Ip4& mask) {
    Ip4 net{};
    for (std::size_t i = 0; i < net.size(); ++i) net[i] = static_cast<std::uint8_t>(ip[i] & mask[i]);
    return ipText(net);
}

std::optional<std::string> networkAddressText(std::string_view ip, std::string_view mask) {
    const auto a = parseIp(ip);
    const auto m = parseIp(mask);
    if (!a || !m) return std::nullopt;
    return networkAddressText(*a, *m);
}

std::string temperatureText(std::uint16_t raw, std::string_view decimalSeparator) {
    if (raw == kTemperatureNotAvailable) return "N/A";
    double celsius = raw / 10.0;
    if (celsius > kHighestPositiveCelsius) celsius = -((0xFFFF - raw) / 10.0);
    const double fahrenheit = celsius * 1.8 + 32;
    std::string out;
    appendOneDecimal(out, celsius, decimalSeparator);
    out += kDegree;
    out += "C / ";
    appendOneDecimal(out, fahrenheit, decimalSeparator);
    out += kDegree;
    out += 'F';
    return out;
}

std::string ipSortKey(std::string_view dotted) {
    const auto ip = parseIp(dotted);
    if (!ip) return std::string(dotted);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.3d.%.3d.%.3d.%.3d", (*ip)[0], (*ip)[1], (*ip)[2], (*ip)[3]);
    return buf;
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement; // lone surrogate
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::u16string fromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        if (b0 < 0x80) {
            out += static_cast<char16_t>(b0);
            ++i;
            continue;
        }
        // Sequence length and the allowed range of the second byte (this rules
        // out overlong forms, encoded surrogates and values above U+10FFFF).
        std::size_t len = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        char32_t cp = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            len = 2;
            cp = b0 & 0x1F;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            len = 3;
            cp = b0 & 0x0F;
            if (b0 == 0xE0) lo = 0xA0;
            if (b0 == 0xED) hi = 0x9F;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            len = 4;
            cp = b0 & 0x07;
            if (b0 == 0xF0) lo = 0x90;
            if (b0 == 0xF4) hi = 0x8F;
        } else {
            out += kReplacement; // stray continuation byte or invalid lead byte
            ++i;
            continue;
        }
        std::size_t j = 1;
        for (; j < len; ++j) {
            if (i + j >= text.size()) break;
            const auto b = static_cast<unsigned char>(text[i + j]);
            const unsigned char low = j == 1 ? lo : 0x80;
            const unsigned char high = j == 1 ? hi : 0xBF;
            if (b < low || b > high) break;
            cp = (cp << 6) | (b & 0x3F);
        }
        if (j < len) {
            // A truncated or broken sequence becomes one replacement character;
            // reading goes on at the byte that broke it.
            out += kReplacement;
            i += j;
            continue;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::optional<Mac> parseMac(std::string_view text) {
    constexpr std::size_t kLength = 17; // "02:4E:4C:00:00:01"
    if (text.size() != kLength) return std::nullopt;
    const char separator = text[2];
    if (separator != ':' && separator != '-') return std::nullopt;
    Mac mac{};
    for (std::size_t i = 0; i < mac.size(); ++i) {
        const std::size_t at = i * 3;
        if (i > 0 && text[at - 1] != separator) return std::nullopt;
        unsigned value = 0;
        const auto res = std::from_chars(text.data() + at, text.data() + at + 2, value, 16);
        if (res.ec != std::errc{} || res.ptr != text.data() + at + 2) return std::nullopt;
        mac[i] = static_cast<std::uint8_t>(value);
    }
    return mac;
}

std::optional<double> temperatureCelsius(std::uint16_t raw) {
    if (raw == kTemperatureNotAvailable) return std::nullopt;
    const double celsius = raw / 10.0;
    return celsius > kHighestPositiveCelsius ? -((0xFFFF - raw) / 10.0) : celsius;
}

std::string csvField(std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(field);
    std::string out = "\"";
    for (const char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

std::string csvLine(const std::vector<std::string>& fields) {
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) out += (i ? "," : "") + csvField(fields[i]);
    return out;
}

} // namespace vantrel::model
