#pragma once
// What the senders hand to sendNetworkPacket (and the endpoint's send): a built packet
// as a QByteArray and the dotted address it goes to.

#include <QByteArray>
#include <QString>

#include "model/NodaluxCtrl.h"
#include "model/Text.h"
#include "protocol/ByteWriter.h"

namespace vantrel::net {

// The limited broadcast, for packets every controller on the segment takes.
inline constexpr char kLimitedBroadcast[] = "255.255.255.255";

inline QByteArray toByteArray(const protocol::Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// The controller's present address as a dotted text.
inline QString currentAddress(const model::TNodaluxCtrl& record) {
    return QString::fromStdString(model::ipText(record.CurrentIP));
}

} // namespace vantrel::net
