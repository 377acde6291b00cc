#include "tools/sim/Fleet.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>

#include <algorithm>

#include "model/Text.h"
#include "protocol/Header.h"
#include "protocol/PollReply.h"
#include "tools/common/RecordJson.h"

namespace vantrel::sim {

namespace {

// The lab's numbering: 250 hosts per third octet.
constexpr int kLabHostsPerBlock = 250;
constexpr int kMaxFleet = 65535;

// Locally administered MACs: 02-4E-4C, then the controller's number.
constexpr std::uint8_t kMacPrefix[3] = {0x02, 0x4E, 0x4C};
// Generated controllers count from here so their MACs differ from the default fleet's.
constexpr std::uint32_t kGeneratedMacBase = 0x010000;

constexpr std::uint8_t kStatic = 0;
constexpr std::uint8_t kSacn = 0, kArtNet = 1;
constexpr std::uint8_t kRgb = 0, kRgbw = 1;
constexpr std::uint16_t kTempNotAvailable = 0xFFFF;
constexpr std::uint8_t kFanAlwaysOff = 255;
constexpr std::uint8_t kSimpleBit = 0x01;

// Keys of a fleet file's controller entry.
const QString kKeyControllers = QStringLiteral("controllers");
const QString kKeyLayout = QStringLiteral("layoutVersion");
const QString kKeyRecord = QStringLiteral("record");
const QString kKeyBootloader = QStringLiteral("bootloader");
const QString kKeyBootFirmware = QStringLiteral("bootloaderFirmware");
const QString kKeyLegacyLength = QStringLiteral("legacyLength");
const QString kKeyWireModel = QStringLiteral("wireModel");
// The grid texts beside each record of `vantrel-cli discover --records`.
const QString kKeyGrid = QStringLiteral("grid");
const QString kKeyFirmware = QStringLiteral("Firmware");
const QString kKeyProtocolVersion = QStringLiteral("QorvanaProtVer");
// Legacy controllers from records answer in the layout that carries every field.
constexpr int kRecordsLegacyLayout = 4;

model::Mac macFor(std::uint32_t n) {
    return {kMacPrefix[0],
            kMacPrefix[1],
            kMacPrefix[2],
            static_cast<std::uint8_t>(n >> 16),
            static_cast<std::uint8_t>(n >> 8),
            static_cast<std::uint8_t>(n)};
}

std::uint32_t toU32(const model::Ip4& ip) {
    return (std::uint32_t{ip[0]} << 24) | (std::uint32_t{ip[1]} << 16) | (std::uint32_t{ip[2]} << 8) | ip[3];
}

model::Ip4 fromU32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

// One driver of a current controller's table.
struct Driver {
    std::u16string_view name;
    std::uint8_t type;       // 0 RGB, 1 RGBW, 2 either
    std::uint8_t speed;      // 0 none, 1 slow, 2 fast, 3 choice, 4 clock
    std::uint8_t expandable; // 0 neither, 1 expandable, 2 condensable
};

// Driver tables of different sizes and name widths, as different hardware reports them.
constexpr Driver kTableWide[] = {
    {u"WS2811/12", 0, 3, 2}, {u"SK6812 RGBW", 1, 0, 2}, {u"APA102", 2, 4, 0},
    {u"UCS1903", 0, 1, 1},   {u"TM1814", 1, 2, 0},
};
constexpr Driver kTableSmall[] = {
    {u"WS2811", 0, 3, 0},
    {u"WS2815", 0, 2, 0},
    {u"SK6812W", 1, 0, 0},
};
constexpr Driver kTableLarge[] = {
    {u"WS2811/12", 0, 3, 2},       {u"WS2811 Expanded", 0, 3, 1}, {u"SK6812 RGBW", 1, 0, 2},
    {u"APA102 / SK9822", 2, 4, 0}, {u"LPD8806", 0, 4, 0},         {u"TM1829", 0, 2, 1},
    {u"GS8208", 0, 1, 0},
};
constexpr Driver kTableSingle[] = {{u"WS2811", 0, 3, 0}};

void setDrivers(model::TNodaluxCtrl& r, std::span<const Driver> table, std::uint8_t nameLength) {
    r.NumDrivers = static_cast<std::uint8_t>(table.size());
    r.DriverNameLength = nameLength;
    r.DriverType.clear();
    r.DriverSpeed.clear();
    r.DriverExpandable.clear();
    r.DriverNames.clear();
    for (const Driver& d : table) {
        r.DriverType.push_back(d.type);
        r.DriverSpeed.push_back(d.speed);
        r.DriverExpandable.push_back(d.expandable);
        r.DriverNames.push_back(fixedWidth(d.name, nameLength));
    }
}

// Outputs laid out one after another in simple mode: each output's pixels
// start where the previous one's ended (3 channels a pixel, 170 pixels a universe).
void layOutputs(model::TNodaluxCtrl& r, int outputs, int pixels, std::uint16_t startUniverse) {
    constexpr int kPixelsPerUniverse = 170;
    r.NumStrings = static_cast<std::uint8_t>(outputs);
    const int universesPerOutput = (pixels + kPixelsPerUniverse - 1) / kPixelsPerUniverse;
    for (int i = 0; i < outputs; ++i) {
        const auto k = static_cast<std::size_t>(i);
        r.NumNodes[k] = pixels;
        r.AdvUniv[k] = static_cast<std::uint16_t>(startUniverse + i * std::max(1, universesPerOutput));
        r.AdvChan[k] = 1;
        r.AdvNull[k] = static_cast<std::uint8_t>(i % 3);
        r.AdvZig[k] = static_cast<std::uint16_t>(i % 4 == 3 ? 10 : 0);
        r.AdvReverse[k] = static_cast<std::uint8_t>(i % 5 == 4 ? 1 : 0);
        r.AdvRgbOrder[k] = static_cast<std::uint8_t>(i % 6);
        r.Grouping[k] = 1;
        r.Brightness[k] = static_cast<std::uint8_t>(100 - (i % 4) * 10);
    }
}

void setNick(model::TNodaluxCtrl& r, std::u16string_view text) {
    model::setNickname(r, text);
}

// ---- legacy controllers --------------------------------------------------

struct LegacyShape {
    std::uint8_t layout;
    std::u16string_view wireModel;
    std::u16string_view firmware;
    std::size_t length;
    std::u16string_view nickname;
    std::uint8_t chip;
    std::uint8_t ledType; // kept by every controller; replies shorter than 384 bytes do not report it
    std::uint16_t temperature;
};

SimController legacyController(const LegacyShape& s, int number) {
    SimController c;
    c.layoutVersion = s.layout;
    c.legacyLength = s.length;
    c.wireModel = std::u16string(s.wireModel);
    auto& r = c.rec;
    r.Firmware = std::u16string(s.firmware);
    r.MAC = macFor(static_cast<std::uint32_t>(number));
    r.DHCP = kStatic;
    setNick(r, s.nickname);
    r.Temperature = s.temperature;
    const protocol::LegacyModel* m = nullptr;
    for (const auto& e : protocol::legacyModels())
        if (e.wire == s.wireModel) m = &e;
    const int outputs = m ? m->outputs : 16;
    layOutputs(r, outputs, 170, 1);
    r.Protocol = static_cast<std::uint8_t>(number % 2 == 0 ? kSacn : kArtNet);
    r.DmxMix = 0;
    r.MixMode = 1;
    r.DmxStart = 1;
    r.SacnUniv = 1;
    r.SacnChan = 1;
    r.DriverChip = s.chip;
    r.Gamma = {22, 22, 22, 0};
    r.Voltage = {240, 238, 121, 50};
    r.RgbOrder = {0, 1, 2};
    r.DmxOutOn = {1, 0, 1, 0};
    r.DmxOutUniv = {100, 101, 102, 103};
    r.HwRev = static_cast<std::uint8_t>(3 + number % 4);
    r.ProtocolSpeed = 1;
    r.HoldLastFrame = 1;
    r.FanTemp = 45;
    r.MinVantrelVer = {1, 0, 0};
    r.TestMode = 0;
    r.LedType = s.ledType;
    return c;
}

// ---- current controllers -------------------------------------------------

struct CurrentShape {
    std::uint8_t version;
    std::u16string_view modelName;
    std::u16string_view firmware;
    std::u16string_view nickname;
    int outputs;
    int pixels;
    int dmxOutputs;
    bool artNetDmx;
    int banks;
    std::span<const Driver> drivers;
    std::uint8_t driverNameLength;
    std::uint8_t ledType;
    std::array<std::uint8_t, 3> minToolVersion;
    std::uint16_t temperature;
};

SimController currentController(const CurrentShape& s, int number) {
    SimController c;
    c.layoutVersion = s.version;
    auto& r = c.rec;
    r.QorvanaProtVer = s.version;
    r.MAC = macFor(static_cast<std::uint32_t>(number));
    r.ModelName = std::u16string(s.modelName);
    r.HwRev = static_cast<std::uint8_t>(4 + number % 3);
    r.MinVantrelVer = s.minToolVersion;
    r.Firmware = std::u16string(s.firmware);
    r.Brand = static_cast<std::uint8_t>(number % 3 == 0 ? 1 : 0);
    r.DHCP = kStatic;
    r.Protocol = kSacn;
    r.HoldLastFrame = 1;
    r.SimpleConfig = kSimpleBit;
    r.MaxPixels = static_cast<std::uint16_t>(s.ledType == kRgbw ? 680 : 1020);
    layOutputs(r, s.outputs, s.pixels, 1);
    r.DMXOutputs = static_cast<std::uint8_t>(s.dmxOutputs);
    for (int j = 0; j < s.dmxOutputs; ++j) {
        r.DmxOutOn[static_cast<std::size_t>(j)] = static_cast<std::uint8_t>(j % 2 == 0 ? 1 : 0);
        r.DmxOutUniv[static_cast<std::size_t>(j)] = static_cast<std::uint16_t>(500 + j);
    }
    r.DmxArtNetCapable = s.artNetDmx;
    r.DmxSacnCapable = true;
    setDrivers(r, s.drivers, s.driverNameLength);
    r.DriverChip = 0;
    r.LedType = s.ledType;
    r.ProtocolSpeed = 1;
    r.CondensedMode = 0;
    r.Gamma = {22, 22, 22, 10};
    setNick(r, s.nickname);
    r.Temperature = s.temperature;
    r.FanTemp = static_cast<std::uint8_t>(number % 4 == 0 ? kFanAlwaysOff : 50);
    r.NumBanks = static_cast<std::uint8_t>(s.banks);
    for (int b = 0; b < s.banks; ++b)
        r.Voltage[static_cast<std::size_t>(b)] = static_cast<std::uint16_t>(240 - b * 3);
    r.TestMode = 0;
    r.TestModeCols = {255, 128, 0, 0};
    r.TestOutputNum = 0;
    r.TestSinglePixelNum = 1;
    return c;
}

// Finishes a controller: static address = current address, canonical record.
void place(SimController& c, const model::Ip4& ip, const model::Ip4& mask) {
    c.rec.CurrentIP = ip;
    c.rec.CurrentSM = mask;
    c.rec.StaticIP = ip;
    c.rec.SM = mask;
    c.boundIP = ip;
    canonicalize(c);
}

QString entryError(int index, const QString& what) {
    return QStringLiteral("controllers[%1]: %2").arg(index).arg(what);
}

bool isNumber(const QJsonValue& v, qint64 lo, qint64 hi, qint64& out) {
    if (!v.isDouble()) return false;
    const double d = v.toDouble();
    if (d != static_cast<double>(static_cast<qint64>(d))) return false;
    out = static_cast<qint64>(d);
    return out >= lo && out <= hi;
}

} // namespace

std::optional<model::Ip4> hostAddress(const model::Ip4& base, int k) {
    if (k < 1) return std::nullopt;
    if (base == kLabBase) {
        const int third = 1 + (k - 1) / kLabHostsPerBlock;
        const int fourth = 1 + (k - 1) % kLabHostsPerBlock;
        if (third > 255) return std::nullopt;
        return model::Ip4{base[0], base[1], static_cast<std::uint8_t>(third),
                          static_cast<std::uint8_t>(fourth)};
    }
    const std::uint64_t v = std::uint64_t{toU32(base)} + static_cast<std::uint64_t>(k - 1);
    if (v > 0xFFFFFFFFu) return std::nullopt;
    return fromU32(static_cast<std::uint32_t>(v));
}

std::vector<SimController> defaultFleet() {
    // Legacy controllers: every model text, layouts 0..4, firmware from before
    // and after the feature thresholds, all three reply lengths.
    static constexpr LegacyShape kLegacy[] = {
        {0, u"Nodalux 16", u"V1.2.8", 383, u"Legacy Stage Left", 4, kRgb, 412},
        {1, u"Arvello 16", u"V1.3.2", 383, u"Arvello Truss", 12, kRgbw, 398},
        {2, u"Nodalux 16 LR", u"V1.4.4", 384, u"Long Run Facade", 10, kRgb, 455},
        {3, u"Nodalux 16 PP", u"V1.4.10", 388, u"Plug and Play Bar", 12, kRgbw, 0xFFFF},
        {4, u"Nodalux 4", u"V1.4.11", 388, u"Small Four", 7, kRgb, 377},
        {4, u"Nodalux 4 Rugged", u"V1.4.11", 384, u"Rugged Outdoor", 12, kRgbw, 65525},
        {3, u"Nodalux 4 Pro", u"V1.4.4", 388, u"Pro Four", 13, kRgb, 501},
    };
    static constexpr std::array<std::uint8_t, 3> kTool200{2, 0, 0};
    static constexpr std::array<std::uint8_t, 3> kTool230{2, 3, 0};
    static constexpr std::array<std::uint8_t, 3> kToolNewer{2, 4, 0};
    // Current controllers: protocols 5 to 9 with different driver tables, DMX outputs and banks.
    const CurrentShape current[] = {
        {5, u"Nodalux 16 MkII", u"V2.0.4", u"Five Sixteen", 16, 170, 0, true, 2, kTableSmall, 8, kRgb,
         kTool200, 420},
        {6, u"Nodalux 4 MkII", u"V2.1.0", u"Six Four RGBW", 4, 120, 1, false, 1, kTableWide, 12, kRgbw,
         kTool200, 388},
        {7, u"Nodalux 32 MkII", u"V2.2.3", u"Seven ThirtyTwo", 32, 340, 4, true, 4, kTableLarge, 16, kRgb,
         kTool230, 512},
        {7, u"Arvello 8 Mk2", u"V2.2.1", u"Seven Eight", 8, 50, 2, true, 3, kTableSingle, 6, kRgb, kTool200,
         65000},
        {8, u"Nodalux 16 MkII", u"V2.3.1", u"Eight Sixteen", 16, 200, 2, true, 2, kTableWide, 12, kRgb,
         kTool230, 455},
        {8, u"Nodalux 4 MkII", u"V2.3.5", u"Eight Four", 4, 600, 1, false, 1, kTableLarge, 16, kRgbw,
         kTool230, kTempNotAvailable},
        {9, u"Nodalux 16 Mk3", u"V3.0.0", u"Nine Sixteen", 16, 100, 4, true, 4, kTableWide, 12, kRgb,
         kToolNewer, 333},
        {8, u"Nodalux 16 MkII", u"V2.3.1", u"Awaiting Update", 16, 170, 2, true, 2, kTableWide, 12, kRgb,
         kTool230, 400},
    };

    std::vector<SimController> fleet;
    int number = 1;
    for (const auto& s : kLegacy)
        fleet.push_back(legacyController(s, number++));
    for (const auto& s : current)
        fleet.push_back(currentController(s, number++));
    fleet.back().bootloader = true; // the last one runs its bootloader
    fleet.back().bootloaderFirmware = u"Bootloader V1.0.2";

    for (std::size_t i = 0; i < fleet.size(); ++i)
        place(fleet[i], *hostAddress(kLabBase, static_cast<int>(i) + 1), kLabMask);
    return fleet;
}

std::optional<std::vector<SimController>> generatedFleet(int count, const model::Ip4& base,
                                                         const model::Ip4& mask, QString& error) {
    if (count < 1 || count > kMaxFleet) {
        error = QStringLiteral("--count must be between 1 and %1").arg(kMaxFleet);
        return std::nullopt;
    }
    const CurrentShape shape{8, u"Nodalux 16 MkII", u"V2.3.1", u"",  16,        170, 2, true,
                           2, kTableWide,         12,        kRgb, {2, 3, 0}, 430};
    std::vector<SimController> fleet;
    fleet.reserve(static_cast<std::size_t>(count));
    for (int k = 1; k <= count; ++k) {
        const auto ip = hostAddress(base, k);
        if (!ip) {
            error = QStringLiteral("%1 addresses from %2 run past the last address")
                        .arg(count)
                        .arg(QString::fromStdString(model::ipText(base)));
            return std::nullopt;
        }
        SimController c = currentController(shape, k);
        c.rec.MAC = macFor(kGeneratedMacBase + static_cast<std::uint32_t>(k));
        setNick(c.rec, model::fromUtf8("Sim " + std::to_string(k)));
        c.rec.Temperature = static_cast<std::uint16_t>(300 + k % 200);
        place(c, *ip, mask);
        fleet.push_back(std::move(c));
    }
    return fleet;
}

bool readdressFleet(std::vector<SimController>& fleet, const model::Ip4& base, const model::Ip4& mask,
                    QString& error) {
    for (std::size_t i = 0; i < fleet.size(); ++i) {
        const auto ip = hostAddress(base, static_cast<int>(i) + 1);
        if (!ip) {
            error = QStringLiteral("%1 addresses from %2 run past the last address")
                        .arg(fleet.size())
                        .arg(QString::fromStdString(model::ipText(base)));
            return false;
        }
        auto& r = fleet[i].rec;
        if (r.StaticIP == r.CurrentIP) {
            r.StaticIP = *ip;
            r.SM = mask;
        }
        r.CurrentIP = *ip;
        r.CurrentSM = mask;
        fleet[i].boundIP = *ip;
    }
    return true;
}

QJsonObject fleetToJson(const std::vector<SimController>& fleet) {
    QJsonArray list;
    for (const SimController& c : fleet) {
        QJsonObject e;
        e[kKeyLayout] = c.layoutVersion;
        if (c.legacy()) {
            e[kKeyLegacyLength] = static_cast<qint64>(c.legacyLength);
            e[kKeyWireModel] = tools::toQString(c.wireModel);
        }
        e[kKeyBootloader] = c.bootloader;
        e[kKeyBootFirmware] = tools::toQString(c.bootloaderFirmware);
        e[kKeyRecord] = tools::recordToJson(c.rec);
        list.append(e);
    }
    QJsonObject root;
    root[kKeyControllers] = list;
    return root;
}

std::optional<std::vector<SimController>> fleetFromJson(const QJsonObject& json, QString& error) {
    const QJsonValue listValue = json.value(kKeyControllers);
    if (!listValue.isArray()) {
        error = QStringLiteral("the fleet needs a \"controllers\" array");
        return std::nullopt;
    }
    const QJsonArray list = listValue.toArray();
    if (list.isEmpty()) {
        error = QStringLiteral("the fleet's \"controllers\" array is empty");
        return std::nullopt;
    }
    if (list.size() > kMaxFleet) {
        error = QStringLiteral("the fleet has more than %1 controllers").arg(kMaxFleet);
        return std::nullopt;
    }

    const QJsonObject allFields = tools::recordToJson(model::TNodaluxCtrl{});
    const QSet<QString> entryKeys{kKeyLayout,       kKeyRecord,       kKeyBootloader,
                                  kKeyBootFirmware, kKeyLegacyLength, kKeyWireModel};

    std::vector<SimController> fleet;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const int index = static_cast<int>(i);
        if (!list[i].isObject()) {
            error = entryError(index, QStringLiteral("expected an object"));
            return std::nullopt;
        }
        const QJsonObject e = list[i].toObject();
        for (auto it = e.begin(); it != e.end(); ++it) {
            if (!entryKeys.contains(it.key())) {
                error = entryError(index, QStringLiteral("unknown key \"%1\"").arg(it.key()));
                return std::nullopt;
            }
        }
        if (!e.value(kKeyRecord).isObject()) {
            error = entryError(index, QStringLiteral("needs a \"record\" object"));
            return std::nullopt;
        }
        const QJsonObject recordJson = e.value(kKeyRecord).toObject();
        for (auto it = recordJson.begin(); it != recordJson.end(); ++it) {
            if (!allFields.contains(it.key())) {
                error = entryError(index, QStringLiteral("record: unknown field \"%1\"").arg(it.key()));
                return std::nullopt;
            }
        }

        SimController c;
        QString fieldError;
        if (!tools::recordFromJson(recordJson, c.rec, &fieldError)) {
            error = entryError(index, QStringLiteral("record: ") + fieldError);
            return std::nullopt;
        }
        qint64 n = 0;
        c.layoutVersion = c.rec.QorvanaProtVer;
        if (e.contains(kKeyLayout)) {
            if (!isNumber(e.value(kKeyLayout), 0, 255, n)) {
                error = entryError(index, QStringLiteral("\"layoutVersion\" must be a whole number 0..255"));
                return std::nullopt;
            }
            c.layoutVersion = static_cast<std::uint8_t>(n);
            // A current controller reports its own protocol version; unless the
            // file says otherwise that is the version of its layout.
            if (!recordJson.contains(QStringLiteral("QorvanaProtVer")) && !c.legacy())
                c.rec.QorvanaProtVer = c.layoutVersion;
        }
        if (e.contains(kKeyLegacyLength)) {
            if (!isNumber(e.value(kKeyLegacyLength), 0, 1 << 16, n)) {
                error = entryError(index, QStringLiteral("\"legacyLength\" must be 383, 384 or 388"));
                return std::nullopt;
            }
            c.legacyLength = static_cast<std::size_t>(n);
        }
        if (e.contains(kKeyWireModel)) {
            if (!e.value(kKeyWireModel).isString()) {
                error = entryError(index, QStringLiteral("\"wireModel\" must be a text"));
                return std::nullopt;
            }
            c.wireModel = tools::fromQString(e.value(kKeyWireModel).toString());
        }
        if (e.contains(kKeyBootloader)) {
            if (!e.value(kKeyBootloader).isBool()) {
                error = entryError(index, QStringLiteral("\"bootloader\" must be true or false"));
                return std::nullopt;
            }
            c.bootloader = e.value(kKeyBootloader).toBool();
        }
        if (e.contains(kKeyBootFirmware)) {
            const QJsonValue v = e.value(kKeyBootFirmware);
            if (!v.isString() || !v.toString().startsWith(QStringLiteral("Bootloader"))) {
                error = entryError(
                    index, QStringLiteral("\"bootloaderFirmware\" must be a text starting \"Bootloader\""));
                return std::nullopt;
            }
            c.bootloaderFirmware = tools::fromQString(v.toString());
        }
        if (c.rec.CurrentIP == model::Ip4{}) {
            error = entryError(index, QStringLiteral("record: \"CurrentIP\" is missing or 0.0.0.0"));
            return std::nullopt;
        }
        if (!c.legacy() && model::isBootloader(c.rec)) {
            error =
                entryError(index, QStringLiteral("record: \"Firmware\" starts with \"Bootloader\"; give the "
                                                 "application's firmware and \"bootloader\": true instead"));
            return std::nullopt;
        }
        std::string why;
        if (!canonicalize(c, &why)) {
            error = entryError(index, QString::fromStdString(why));
            return std::nullopt;
        }
        c.boundIP = c.rec.CurrentIP;
        fleet.push_back(std::move(c));
    }
    return fleet;
}

std::optional<std::vector<SimController>> fleetFromRecords(const QJsonArray& records, QString& error) {
    QJsonArray entries;
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (!records[i].isObject()) {
            error = QStringLiteral("records[%1]: expected a record object").arg(i);
            return std::nullopt;
        }
        QJsonObject record = records[i].toObject();
        record.remove(kKeyGrid);
        QJsonObject entry;
        const int version = record.value(kKeyProtocolVersion).toInt(0);
        if (version <= kRecordsLegacyLayout) {
            entry[kKeyLayout] = kRecordsLegacyLayout;
            entry[kKeyLegacyLength] = static_cast<qint64>(kLegacyReplyFull);
        }
        const QString firmware = record.value(kKeyFirmware).toString();
        if (firmware.startsWith(QStringLiteral("Bootloader")) && version > kRecordsLegacyLayout) {
            entry[kKeyBootloader] = true;
            entry[kKeyBootFirmware] = firmware;
            record[kKeyFirmware] = QString();
        }
        entry[kKeyRecord] = record;
        entries.append(entry);
    }
    QString why;
    auto fleet = fleetFromJson(QJsonObject{{kKeyControllers, entries}}, why);
    if (!fleet) error = why.replace(QStringLiteral("controllers["), QStringLiteral("records["));
    return fleet;
}

std::optional<std::vector<SimController>> loadFleet(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read the fleet file %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("the fleet file %1 is not valid JSON: %2 at byte %3")
                    .arg(path, parseError.errorString())
                    .arg(parseError.offset);
        return std::nullopt;
    }
    if (!doc.isObject() && !doc.isArray()) {
        error = QStringLiteral("the fleet file %1 must hold a JSON object with a \"controllers\" array, or the "
                               "records 'vantrel-cli discover --records' prints")
                    .arg(path);
        return std::nullopt;
    }
    QString why;
    auto fleet = doc.isArray() ? fleetFromRecords(doc.array(), why) : fleetFromJson(doc.object(), why);
    if (!fleet) error = QStringLiteral("the fleet file %1 cannot be used: %2").arg(path, why);
    return fleet;
}

} // namespace vantrel::sim
