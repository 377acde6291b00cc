#pragma once
// One simulated controller: its settings (the record it reports), the layout
// it answers in, and its run state (bootloader, identify, test).

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/NodaluxCtrl.h"
#include "protocol/ByteWriter.h"
#include "protocol/Header.h"

namespace vantrel::sim {

// Legacy reply lengths: without LED type, with LED type, with banks 3 and 4.
inline constexpr std::size_t kLegacyReplyShort = 383;
inline constexpr std::size_t kLegacyReplyWithLedType = 384;
inline constexpr std::size_t kLegacyReplyFull = 388;
// Width of the legacy and version-5 firmware text.
inline constexpr std::size_t kFixedFirmwareWidth = 20;
// Legacy replies cover 16 outputs and report two power banks before the long form.
inline constexpr int kLegacyReplyOutputs = 16;
inline constexpr std::uint16_t kBankNotReported = 0xFFFF;
// Longest text a current-layout length byte can announce.
inline constexpr std::size_t kMaxCountedText = 255;

struct SimController {
    // The controller's settings and state. Its reply carries what its layout holds (replyRecord).
    model::TNodaluxCtrl rec;
    // Version byte of the controller's replies: 0..4 legacy layout, 5 and up current layout.
    std::uint8_t layoutVersion = 8;
    // Legacy only: reply length (383, 384 or 388) and the model text on the wire.
    std::size_t legacyLength = kLegacyReplyFull;
    std::u16string wireModel;

    // The host address its packets leave from and its unicasts arrive at. It
    // follows CurrentIP, except where a new address is not on this host: then
    // the controller keeps sending from here (its replies carry the new address).
    model::Ip4 boundIP{};

    // Run state.
    bool bootloader = false;
    std::u16string bootloaderFirmware = u"Bootloader V1.0.2";
    bool identifying = false;
    std::uint8_t identifyOption = 0;

    bool legacy() const { return layoutVersion < protocol::kFirstCurrentVersion; }
    // The version byte of packets this controller sends (test announces use it too).
    std::uint8_t announceVersion() const { return legacy() ? layoutVersion : rec.QorvanaProtVer; }

    // The record a reader makes of this controller's reply, in its current
    // form (normal or bootloader): rec less what the layout does not carry.
    model::TNodaluxCtrl replyRecord() const;
    // The reply bytes, in its current form.
    protocol::Bytes replyBytes() const;
};

// Makes the record describable by the controller's layout: the legacy model
// fields from the model table (unknown model texts refused), counts cut to the
// record's arrays, texts to one byte a character, fixed-width texts padded,
// driver tables of exactly NumDrivers entries. Fields the layout does not
// carry stay in the record (the controller keeps them) and are left out of
// its replies (replyRecord). False with a message when the controller cannot
// be described (unknown legacy model, texts too long for their length byte).
bool canonicalize(SimController& c, std::string* error = nullptr);

// Pads (with NULs) or cuts a text to `width` characters.
std::u16string fixedWidth(std::u16string_view text, std::size_t width);

} // namespace vantrel::sim
