#pragma once
// Byte comparison for packet tests: on a mismatch the failure message lists
// the lengths and a hex dump of every 16-byte row that differs, expected above
// actual, with the differing bytes marked.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace vantrel::testing {

inline std::string hexRow(std::span<const std::uint8_t> bytes, std::size_t start, std::size_t width) {
    std::string out;
    char buf[4];
    for (std::size_t i = start; i < start + width; ++i) {
        if (i < bytes.size()) {
            std::snprintf(buf, sizeof buf, "%02X ", bytes[i]);
            out += buf;
        } else {
            out += "   ";
        }
    }
    return out;
}

inline ::testing::AssertionResult bytesEqual(std::span<const std::uint8_t> expected,
                                             std::span<const std::uint8_t> actual) {
    if (std::equal(expected.begin(), expected.end(), actual.begin(), actual.end()))
        return ::testing::AssertionSuccess();
    constexpr std::size_t kRow = 16;
    auto result = ::testing::AssertionFailure();
    result << "expected " << expected.size() << " bytes, got " << actual.size() << "\n";
    const std::size_t longest = std::max(expected.size(), actual.size());
    for (std::size_t row = 0; row < longest; row += kRow) {
        bool differs = false;
        std::string marks;
        for (std::size_t i = row; i < row + kRow; ++i) {
            const bool inE = i < expected.size(), inA = i < actual.size();
            const bool diff = inE != inA || (inE && expected[i] != actual[i]);
            differs = differs || diff;
            marks += diff ? "^^ " : "   ";
        }
        if (!differs) continue;
        std::string off = std::to_string(row);
        off.insert(0, off.size() < 4 ? 4 - off.size() : 0, ' ');
        result << off << " exp " << hexRow(expected, row, kRow) << "\n"
               << "     got " << hexRow(actual, row, kRow) << "\n"
               << "         " << marks << "\n";
    }
    return result;
}

} // namespace vantrel::testing
