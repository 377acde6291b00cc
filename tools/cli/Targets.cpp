#include "tools/cli/Targets.h"

#include <algorithm>

#include "model/Text.h"
#include "tools/common/RecordJson.h"

namespace vantrel::cli {

namespace {
const QString kNicknamePrefix = QStringLiteral("nickname:");
const QString kAll = QStringLiteral("all");
} // namespace

bool Selector::matches(const model::TNodaluxCtrl& record) const {
    switch (kind) {
    case Kind::Ip: return record.CurrentIP == ip;
    case Kind::Mac: return record.MAC == mac;
    case Kind::Nickname: return model::nicknameText(record) == nickname;
    case Kind::All: return true;
    }
    return false;
}

std::optional<Selector> parseSelector(const QString& text, QString& error) {
    Selector s;
    s.text = text;
    if (text == kAll) return s;
    if (text.startsWith(kNicknamePrefix)) {
        s.kind = Selector::Kind::Nickname;
        s.nickname = tools::fromQString(text.mid(kNicknamePrefix.size()));
        if (!s.nickname.empty()) return s;
    } else if (const auto ip = model::parseIp(text.toStdString())) {
        s.kind = Selector::Kind::Ip;
        s.ip = *ip;
        return s;
    } else if (const auto mac = model::parseMac(text.toStdString())) {
        s.kind = Selector::Kind::Mac;
        s.mac = *mac;
        return s;
    }
    error = QStringLiteral("--target \"%1\" is none of: an IP address like 10.77.1.5, a MAC like "
                           "02:4e:c0:a8:4d:10 or 02-4E-C0-A8-4D-10, nickname:TEXT, all")
                .arg(text);
    return std::nullopt;
}

Resolution resolveTargets(const std::vector<Selector>& selectors, const std::vector<model::TNodaluxCtrl>& listed) {
    Resolution out;
    std::vector<QString> namedBy(listed.size());
    for (const Selector& s : selectors) {
        bool any = false;
        for (std::size_t i = 0; i < listed.size(); ++i) {
            if (!s.matches(listed[i])) continue;
            any = true;
            if (namedBy[i].isEmpty()) namedBy[i] = s.text;
        }
        if (!any) out.unresolved.append(s.text);
    }
    for (std::size_t i = 0; i < listed.size(); ++i)
        if (!namedBy[i].isEmpty()) out.controllers.push_back({namedBy[i], listed[i]});
    return out;
}

bool allExactTargetsListed(const std::vector<Selector>& selectors, const std::vector<model::TNodaluxCtrl>& listed) {
    return std::all_of(selectors.begin(), selectors.end(), [&](const Selector& s) {
        return s.exact() && std::any_of(listed.begin(), listed.end(), [&](const auto& r) { return s.matches(r); });
    });
}

} // namespace vantrel::cli
