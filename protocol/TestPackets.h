#pragma once
// Test set (opcode 8, tool to controller) and test announce (opcode 9,
// controller to tool).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "model/Controllers.h"
#include "model/NodaluxCtrl.h"
#include "protocol/ByteWriter.h"

namespace vantrel::protocol {

inline constexpr std::uint8_t kSinglePixelMode = 8;

// What each protocol version adds to the test packets: the MAC (test set) or
// six uninterpreted bytes (announce) from the first current version
// (kFirstCurrentVersion), the white level from 6, the output and pixel
// numbers from 8.
inline constexpr std::uint8_t kFirstTestWhiteVersion = 6;
inline constexpr std::uint8_t kFirstSinglePixelVersion = 8;
// Index of white among the four test colours (red, green, blue, white).
inline constexpr std::size_t kTestWhite = 3;

// Test-set packet for `mode`, everything else from the record. Nothing for
// controllers above protocol 8. Lengths: 16 (protocol 0..4), 22 (5), 23 (6, 7), 26 (8).
std::optional<Bytes> buildTestSet(const model::TNodaluxCtrl& record, std::uint8_t mode);

// What a controller reports in a test announce; fields absent from its
// version are not set (`hasWhite`, `hasSinglePixel`).
struct TestAnnounce {
    model::Ip4 ip{};
    std::uint8_t mode = 0;
    std::array<std::uint8_t, 4> cols{};
    bool hasWhite = false;       // protocol 6 and above
    bool hasSinglePixel = false; // protocol 8
    std::uint8_t outputNum = 0;
    std::uint16_t pixel = 0;

    bool operator==(const TestAnnounce&) const = default;
};

// Reads an announce with the header's version byte. Nothing when the version
// is above 8 or the packet is shorter than its version's layout (20, 26, 27, 30 bytes).
std::optional<TestAnnounce> readTestAnnounce(std::span<const std::uint8_t> datagram, std::uint8_t version);

// The controller's side: an announce of layout `version` (0..8) carrying `mac` from protocol 5 on.
Bytes encodeTestAnnounce(const TestAnnounce& announce, std::uint8_t version, const model::Mac& mac);

struct AnnounceResult {
    int index = -1;       // the updated record, or -1 when no record has the address
    bool changed = false; // some field differed and was written
};
// Writes the announced values into the last record with that current IP,
// only where they differ.
AnnounceResult applyTestAnnounce(model::ControllerList& list, const TestAnnounce& announce);

// The controller's side of a test set: what it asks for, given the version
// byte of the packet. Nothing when the packet is too short for its version.
struct TestSetRequest {
    model::Mac mac{}; // protocol 5 and above
    std::uint8_t mode = 0;
    std::array<std::uint8_t, 4> cols{};
    bool hasWhite = false;
    bool hasSinglePixel = false;
    std::uint8_t outputNum = 0;
    std::uint16_t pixel = 0; // high byte, then the low byte (0 unless the mode is 8)
};
std::optional<TestSetRequest> readTestSet(std::span<const std::uint8_t> datagram);

} // namespace vantrel::protocol
