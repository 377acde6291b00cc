#pragma once
// Poll replies (opcode 2), both layouts.
//
// Readers take the received bytes and return a fully decoded record, or
// nothing when the datagram is not acceptable: a wrong header, a reply that
// ends before a field its layout requires, counts larger than the record
// holds (more than 32 outputs, more than 4 DMX outputs or banks), or, for the
// legacy layout, an unknown model text. A rejected reply leaves no trace.
//
// Encoders are the controller's side: the simulator and the tests use them to
// produce byte-exact replies from a record.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "model/NodaluxCtrl.h"
#include "protocol/ByteWriter.h"

namespace vantrel::protocol {

// Current layout, version byte 5 and above (versions above 8 read as 8).
std::optional<model::TNodaluxCtrl> readPollReply(std::span<const std::uint8_t> datagram);

// Legacy layout, version byte 4 and below. The record gets QorvanaProtVer 0,
// NumStrings and Model from the model table, Art-Net false, sACN true.
std::optional<model::TNodaluxCtrl> readPollReplyV4Below(std::span<const std::uint8_t> datagram);

// Builds a current-layout reply of layout version `version` (5 and above)
// from the record: field 1 carries the record's QorvanaProtVer, the counts
// come from NumStrings, DMXOutputs, NumDrivers, DriverNameLength, NumBanks and
// the length of Firmware and ModelName. Version 5 writes the firmware text as
// exactly 20 characters. A firmware text starting "Bootloader" gives the
// short bootloader form.
Bytes encodePollReply(const model::TNodaluxCtrl& record, std::uint8_t version);

// Builds a legacy reply (version byte `version`, 0..4) of `length` bytes:
// 383 (no LED type, no banks 3 and 4), 384 (with LED type) or 388 (all).
// `wireModel` is the model text as sent (for example "Nodalux 16 LR").
Bytes encodePollReplyV4Below(const model::TNodaluxCtrl& record, std::uint8_t version, std::size_t length,
                             std::u16string_view wireModel);

// The legacy model table: the text on the wire, the outputs it implies and
// the model name the grid shows.
struct LegacyModel {
    std::u16string_view wire;
    std::uint8_t outputs;
    std::u16string_view shown;
};
std::span<const LegacyModel> legacyModels();
// The table entry whose shown name is `shown`, if any.
const LegacyModel* legacyModelByShownName(std::u16string_view shown);

} // namespace vantrel::protocol
