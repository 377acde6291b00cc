#include "tools/common/RecordJson.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QStringList>

#include <limits>
#include <type_traits>

#include "model/Text.h"

namespace vantrel::tools {

namespace {

// Every field of the record, in declaration order, with how it is written.
template <class Record, class Visitor> void visitFields(Record& c, Visitor& v) {
    v.ip("CurrentIP", c.CurrentIP);
    v.number("DHCP", c.DHCP);
    v.nickname("Nickname", c.Nickname);
    v.text("Firmware", c.Firmware);
    v.mac("MAC", c.MAC);
    v.number("Temperature", c.Temperature);
    v.numbers("NumNodes", c.NumNodes);
    v.number("Protocol", c.Protocol);
    v.number("DmxMix", c.DmxMix);
    v.number("MixMode", c.MixMode);
    v.ip("StaticIP", c.StaticIP);
    v.ip("SM", c.SM);
    v.number("DmxStart", c.DmxStart);
    v.number("SacnUniv", c.SacnUniv);
    v.number("SacnChan", c.SacnChan);
    v.number("DriverChip", c.DriverChip);
    v.numbers("Gamma", c.Gamma);
    v.numbers("Voltage", c.Voltage);
    v.numbers("AdvUniv", c.AdvUniv);
    v.numbers("AdvChan", c.AdvChan);
    v.numbers("AdvNull", c.AdvNull);
    v.numbers("AdvZig", c.AdvZig);
    v.numbers("AdvReverse", c.AdvReverse);
    v.numbers("RgbOrder", c.RgbOrder);
    v.numbers("DmxOutOn", c.DmxOutOn);
    v.numbers("DmxOutUniv", c.DmxOutUniv);
    v.number("HwRev", c.HwRev);
    v.number("NumStrings", c.NumStrings);
    v.number("NumUsableOutputs", c.NumUsableOutputs);
    v.number("ProtocolSpeed", c.ProtocolSpeed);
    v.numbers("AdvRgbOrder", c.AdvRgbOrder);
    v.numbers("Grouping", c.Grouping);
    v.numbers("Brightness", c.Brightness);
    v.number("HoldLastFrame", c.HoldLastFrame);
    v.number("FanTemp", c.FanTemp);
    v.ip("CurrentSM", c.CurrentSM);
    v.number("CondensedMode", c.CondensedMode);
    v.numbers("MinVantrelVer", c.MinVantrelVer);
    v.number("TestMode", c.TestMode);
    v.numbers("TestModeCols", c.TestModeCols);
    v.number("TestOutputNum", c.TestOutputNum);
    v.number("TestSinglePixelNum", c.TestSinglePixelNum);
    v.number("LedType", c.LedType);
    v.text("ModelName", c.ModelName);
    v.number("SimpleConfig", c.SimpleConfig);
    v.number("DMXOutputs", c.DMXOutputs);
    v.number("NumDrivers", c.NumDrivers);
    v.number("DriverNameLength", c.DriverNameLength);
    v.numberList("DriverType", c.DriverType);
    v.numberList("DriverSpeed", c.DriverSpeed);
    v.numberList("DriverExpandable", c.DriverExpandable);
    v.texts("DriverNames", c.DriverNames);
    v.number("QorvanaProtVer", c.QorvanaProtVer);
    v.number("Brand", c.Brand);
    v.number("NumBanks", c.NumBanks);
    v.number("MaxPixels", c.MaxPixels);
    v.text("Model", c.Model);
    v.boolean("DmxSacnCapable", c.DmxSacnCapable);
    v.boolean("DmxArtNetCapable", c.DmxArtNetCapable);
}

class Writer {
  public:
    QJsonObject out;

    void ip(const char* name, const model::Ip4& v) {
        out[QLatin1String(name)] = QString::fromStdString(model::ipText(v));
    }
    void mac(const char* name, const model::Mac& v) {
        out[QLatin1String(name)] = QString::fromStdString(model::macText(v));
    }
    template <class T> void number(const char* name, const T& v) {
        out[QLatin1String(name)] = static_cast<qint64>(v);
    }
    template <class A> void numbers(const char* name, const A& a) {
        QJsonArray arr;
        for (const auto& v : a)
            arr.append(static_cast<qint64>(v));
        out[QLatin1String(name)] = arr;
    }
    void numberList(const char* name, const std::vector<std::uint8_t>& a) { numbers(name, a); }
    void text(const char* name, const std::u16string& s) { out[QLatin1String(name)] = toQString(s); }
    void nickname(const char* name, const std::array<char16_t, model::kNicknameLength>& n) {
        out[QLatin1String(name)] = toQString(std::u16string_view(n.data(), n.size()));
    }
    void texts(const char* name, const std::vector<std::u16string>& list) {
        QJsonArray arr;
        for (const auto& s : list)
            arr.append(toQString(s));
        out[QLatin1String(name)] = arr;
    }
    void boolean(const char* name, bool v) { out[QLatin1String(name)] = v; }
};

class Reader {
  public:
    explicit Reader(const QJsonObject& in) : in_(in) {}
    QStringList errors;

    void ip(const char* name, model::Ip4& v) { address(name, v); }
    void mac(const char* name, model::Mac& v) {
        if (!in_.contains(QLatin1String(name))) return;
        const QJsonValue j = in_.value(QLatin1String(name));
        const QStringList parts = j.toString().split(QRegularExpression(QStringLiteral("[-:]")));
        if (!j.isString() || parts.size() != 6) return fail(name, "six hex bytes like 02-4E-4C-00-00-01");
        model::Mac m{};
        for (int i = 0; i < 6; ++i) {
            bool ok = false;
            const uint b = parts[i].toUInt(&ok, 16);
            if (!ok || b > 0xFF) return fail(name, "six hex bytes like 02-4E-4C-00-00-01");
            m[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(b);
        }
        v = m;
    }
    template <class T> void number(const char* name, T& v) {
        if (!in_.contains(QLatin1String(name))) return;
        qint64 n = 0;
        if (!toNumber(in_.value(QLatin1String(name)), n, std::numeric_limits<T>::min(),
                      std::numeric_limits<T>::max()))
            return fail(name, "a whole number in the field's range");
        v = static_cast<T>(n);
    }
    template <class T, std::size_t N> void numbers(const char* name, std::array<T, N>& a) {
        if (!in_.contains(QLatin1String(name))) return;
        const QJsonValue j = in_.value(QLatin1String(name));
        const QJsonArray arr = j.toArray();
        if (!j.isArray() || static_cast<std::size_t>(arr.size()) > N)
            return fail(name, "an array of at most " + std::to_string(N) + " numbers");
        std::array<T, N> tmp{};
        for (qsizetype i = 0; i < arr.size(); ++i) {
            qint64 n = 0;
            if (!toNumber(arr[i], n, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()))
                return fail(name, "numbers in the field's range");
            tmp[static_cast<std::size_t>(i)] = static_cast<T>(n);
        }
        a = tmp;
    }
    void numberList(const char* name, std::vector<std::uint8_t>& a) {
        if (!in_.contains(QLatin1String(name))) return;
        const QJsonValue j = in_.value(QLatin1String(name));
        const QJsonArray arr = j.toArray();
        if (!j.isArray() || arr.size() > 255) return fail(name, "an array of at most 255 numbers 0..255");
        std::vector<std::uint8_t> tmp;
        for (const QJsonValue& e : arr) {
            qint64 n = 0;
            if (!toNumber(e, n, 0, 255)) return fail(name, "an array of numbers 0..255");
            tmp.push_back(static_cast<std::uint8_t>(n));
        }
        a = std::move(tmp);
    }
    void text(const char* name, std::u16string& s) {
        if (!in_.contains(QLatin1String(name))) return;
        const QJsonValue j = in_.value(QLatin1String(name));
        if (!j.isString()) return fail(name, "a text");
        s = fromQString(j.toString());
    }
    void nickname(const char* name, std::array<char16_t, model::kNicknameLength>& n) {
        if (!in_.contains(QLatin1String(name))) return;
        const QJsonValue j = in_.value(QLatin1String(name));
        if (!j.isString()) return fail(name, "a text");
        const std::u16string s = fromQString(j.toString());
        n.fill(u'\0');
        for (std::size_t i = 0; i < s.size() && i < n.size(); ++i)
            n[i] = s[i];
    }
    void texts(const char* name, std::vector<std::u16string>& list) {
        if (!in_.contains(QLatin1String(name))) return;
        const QJsonValue j = in_.value(QLatin1String(name));
        if (!j.isArray()) return fail(name, "an array of texts");
        std::vector<std::u16string> tmp;
        for (const QJsonValue& e : j.toArray()) {
            if (!e.isString()) return fail(name, "an array of texts");
            tmp.push_back(fromQString(e.toString()));
        }
        list = std::move(tmp);
    }
    void boolean(const char* name, bool& v) {
        if (!in_.contains(QLatin1String(name))) return;
        const QJsonValue j = in_.value(QLatin1String(name));
        if (!j.isBool()) return fail(name, "true or false");
        v = j.toBool();
    }

  private:
    template <std::size_t N> void address(const char* name, std::array<std::uint8_t, N>& v) {
        if (!in_.contains(QLatin1String(name))) return;
        const QJsonValue j = in_.value(QLatin1String(name));
        const auto parsed = model::parseIp(j.toString().toStdString());
        if (!j.isString() || !parsed) return fail(name, "a dotted IPv4 address");
        v = *parsed;
    }
    static bool toNumber(const QJsonValue& j, qint64& out, qint64 lo, qint64 hi) {
        if (!j.isDouble()) return false;
        const double d = j.toDouble();
        if (d != static_cast<double>(static_cast<qint64>(d))) return false;
        out = static_cast<qint64>(d);
        return out >= lo && out <= hi;
    }
    void fail(const char* name, const std::string& what) {
        errors << QStringLiteral("%1: expected %2").arg(QLatin1String(name), QString::fromStdString(what));
    }

    const QJsonObject& in_;
};

} // namespace

QJsonObject recordToJson(const model::TNodaluxCtrl& c) {
    Writer w;
    visitFields(c, w);
    return w.out;
}

bool recordFromJson(const QJsonObject& json, model::TNodaluxCtrl& out, QString* error) {
    model::TNodaluxCtrl tmp = out;
    Reader r(json);
    visitFields(tmp, r);
    if (!r.errors.isEmpty()) {
        if (error) *error = r.errors.join(QStringLiteral("; "));
        return false;
    }
    out = std::move(tmp);
    return true;
}

QString toQString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

std::u16string fromQString(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

QString untilNul(std::u16string_view text) { return toQString(model::untilNul(text)); }

} // namespace vantrel::tools
