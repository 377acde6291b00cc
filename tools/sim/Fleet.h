#pragma once
// Building a simulated fleet: the built-in default fleet, generated fleets for
// scale runs, and fleet files (JSON).
//
// Fleet file:
//   { "controllers": [ { "layoutVersion": 8, "record": { <record fields by name> },
//                        "bootloader": false, "bootloaderFirmware": "Bootloader V1.0.2",
//                        "legacyLength": 388, "wireModel": "Nodalux 16 LR" }, ... ] }
// Record fields not given are 0 or empty. "layoutVersion" defaults to the
// record's QorvanaProtVer (legacy controllers must give 0..4); legacy
// controllers name their model by "wireModel" or by the record's "Model".
//
// A fleet file may also be what `vantrel-cli discover --records` prints: a
// JSON array of records, each with its grid texts under "grid".

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

#include "tools/sim/SimController.h"

namespace vantrel::sim {

// Host k (1-based) counted from `base`. From the lab's first host 10.77.1.1 the
// lab's numbering applies: 10.77.(1 + (k-1)/250).(1 + (k-1)%250), that is
// 10.77.1.1 .. 10.77.1.250, 10.77.2.1 ..; from any other base the address is
// simply incremented. Nothing when the numbering runs out of addresses.
std::optional<model::Ip4> hostAddress(const model::Ip4& base, int k);

inline constexpr model::Ip4 kLabBase{10, 77, 1, 1};
inline constexpr model::Ip4 kLabMask{255, 255, 0, 0};

// The built-in fleet: legacy controllers of protocol 0 to 4 with several model
// texts, firmware versions and reply lengths; current controllers of protocol
// 5 to 9 with different driver tables, DMX outputs and power banks; one
// controller in its bootloader. Addresses are the lab's hosts 1, 2, ... in order.
std::vector<SimController> defaultFleet();

// `count` protocol-8 controllers at hosts 1..count from `base`, each with its
// own MAC and nickname. Nothing, with a message, when the count is below 1 or
// the addresses run out.
std::optional<std::vector<SimController>> generatedFleet(int count, const model::Ip4& base,
                                                         const model::Ip4& mask, QString& error);

// Moves the fleet to hosts 1, 2, ... from `base` with `mask` (static
// addresses follow where they equalled the old current address).
bool readdressFleet(std::vector<SimController>& fleet, const model::Ip4& base, const model::Ip4& mask,
                    QString& error);

// Reads a fleet file; nothing, with a message, when it cannot be used.
std::optional<std::vector<SimController>> loadFleet(const QString& path, QString& error);
std::optional<std::vector<SimController>> fleetFromJson(const QJsonObject& json, QString& error);
QJsonObject fleetToJson(const std::vector<SimController>& fleet);
// The records `vantrel-cli discover --records` prints, as they are printed:
// each controller answers with the reply that gave its record (legacy ones in
// the full 388-byte layout; one listed in its bootloader starts in it, its
// application's firmware unknown).
std::optional<std::vector<SimController>> fleetFromRecords(const QJsonArray& records, QString& error);

} // namespace vantrel::sim
