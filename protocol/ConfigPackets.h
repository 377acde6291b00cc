#pragma once
// Packets that carry settings from the tool to a controller: configuration
// (opcode 5, both layouts), network settings (7), identify (10) and the
// bootloader triggers (6). Builders return nothing where a version gate says
// nothing is sent. The apply/read functions are the controller's side, used
// by the simulator and by round-trip tests.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "model/NodaluxCtrl.h"
#include "protocol/ByteWriter.h"

namespace vantrel::protocol {

// Fixed packet lengths.
inline constexpr std::size_t kConfigV4BelowSize = 338;
inline constexpr std::size_t kNetworkSettingsSize = 27;
inline constexpr std::size_t kIdentifySize = 19;
inline constexpr std::size_t kBootloaderTriggerSize = 18;
inline constexpr std::size_t kBootloaderTriggerV4BelowSize = 12;
// Lowest protocol version that takes the current configuration layout.
inline constexpr std::uint8_t kFirstCurrentConfigVersion = 5;
// First protocol version whose configuration carries the white gamma byte.
inline constexpr std::uint8_t kFirstWhiteGammaVersion = 6;
// The only protocol version that takes the identify packet.
inline constexpr std::uint8_t kIdentifyVersion = 8;
// Width of the model-name field of the legacy configuration.
inline constexpr std::size_t kLegacyModelNameWidth = 20;
// Outputs of every legacy configuration, whatever the controller has.
inline constexpr int kLegacyOutputs = 16;
// DMX outputs of every legacy configuration.
inline constexpr int kLegacyDmxOutputs = 4;

// Length of a current-layout configuration for N outputs, D DMX outputs and
// protocol `version` (5..8): 78 + 14N + 3D, one more from version 6 on. N and
// D are cut to the record's arrays (32, 4). 0 for versions outside 5..8.
std::size_t configSize(std::uint8_t numStrings, std::uint8_t dmxOutputs, std::uint8_t version);

// Current layout: 78 + 14N + 3D bytes for protocol 5, 79 + 14N + 3D for 6..8;
// nothing above 8, and nothing below 5 (those controllers take the legacy
// layout). N = NumStrings, D = DMXOutputs (each cut to the record's arrays).
std::optional<Bytes> buildConfig(const model::TNodaluxCtrl& record);

// Legacy layout: always 338 bytes, version byte 2, 16 outputs.
Bytes buildConfigV4Below(const model::TNodaluxCtrl& record);

// The configuration packet of a controller in its family's layout (legacy:
// protocol 4 and earlier), built from the record as the configuration
// window's OK sends it (model::configurationAsSent). Nothing above protocol 8.
std::optional<Bytes> buildConfigAsSent(const model::TNodaluxCtrl& record);

// 27 bytes, broadcast; nothing above protocol 8.
std::optional<Bytes> buildNetworkSettings(const model::TNodaluxCtrl& record);

// 19 bytes, broadcast; only for protocol exactly 8. Stop carries six zero bytes as MAC.
std::optional<Bytes> buildIdentify(const model::TNodaluxCtrl& record, bool enable, std::uint8_t option = 0);

// Current layout trigger: 18 bytes with the MAC; nothing above protocol 8.
std::optional<Bytes> buildBootloaderTrigger(const model::TNodaluxCtrl& record);
// Legacy trigger: the 12-byte header with version byte 2.
Bytes buildBootloaderTriggerV4Below();

// --- controller side ---

// Applies a current-layout configuration packet to `target`, whose
// NumStrings, DMXOutputs and QorvanaProtVer size the packet. False (and
// `target` unchanged) when the packet's length or MAC does not match.
bool applyConfig(model::TNodaluxCtrl& target, std::span<const std::uint8_t> packet);

// Applies a 338-byte legacy configuration packet to `target` (16 outputs).
// False (and `target` unchanged) for any other length.
bool applyConfigV4Below(model::TNodaluxCtrl& target, std::span<const std::uint8_t> packet);

struct NetworkSettings {
    model::Mac mac{};
    std::uint8_t dhcp = 0;
    model::Ip4 staticIP{};
    model::Ip4 mask{};
};
std::optional<NetworkSettings> readNetworkSettings(std::span<const std::uint8_t> packet);

struct IdentifyRequest {
    model::Mac mac{};
    std::uint8_t option = 0;
};
// Exactly 19 bytes with opcode 10.
std::optional<IdentifyRequest> readIdentify(std::span<const std::uint8_t> packet);

// The MAC a current-layout trigger names (18 bytes), or nothing.
std::optional<model::Mac> readBootloaderTrigger(std::span<const std::uint8_t> packet);

} // namespace vantrel::protocol
