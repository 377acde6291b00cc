#pragma once
// Packets decoded for the simulator's log: one JSON object per datagram,
// decoded with the same readers the tool uses.

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <span>

#include "model/NodaluxCtrl.h"

namespace vantrel::sim {

// What the datagram holds, as {"kind": ..., fields...}. A current-layout
// configuration can only be read against the record it is meant for (its
// NumStrings, DMXOutputs and QorvanaProtVer size the packet): pass it as
// `configTarget`. A packet that does not decode gets "error" with the reason.
QJsonObject decodePacket(std::span<const std::uint8_t> bytes,
                         const model::TNodaluxCtrl* configTarget = nullptr);

// Upper-case hex, two digits a byte, no separators.
QString hexText(std::span<const std::uint8_t> bytes);

// One log line for a datagram:
// {"dir","from","fromPort","to","toPort","opcode","version","len","hex","decoded"};
// opcode and version are null when the datagram has no valid header.
QJsonObject packetLine(const char* dir, const model::Ip4& from, std::uint16_t fromPort, const model::Ip4& to,
                       std::uint16_t toPort, std::span<const std::uint8_t> bytes, const QJsonObject& decoded);

} // namespace vantrel::sim
