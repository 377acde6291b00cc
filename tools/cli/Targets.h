#pragma once
// Which controllers a command acts on: --target SEL, where SEL is an IP
// address, a MAC (colons or dashes), nickname:TEXT, or all.

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

#include "model/NodaluxCtrl.h"

namespace vantrel::cli {

struct Selector {
    enum class Kind { Ip, Mac, Nickname, All };
    Kind kind = Kind::All;
    model::Ip4 ip{};
    model::Mac mac{};
    std::u16string nickname;
    QString text; // as given

    // Names controllers by their address or MAC only (a search may stop once they answered).
    bool exact() const { return kind == Kind::Ip || kind == Kind::Mac; }
    bool matches(const model::TNodaluxCtrl& record) const;
};

// Nothing, with a message in `error`, for a text that is none of the forms.
std::optional<Selector> parseSelector(const QString& text, QString& error);

// One controller a command acts on, and the first selector that named it.
struct Resolved {
    QString target;
    model::TNodaluxCtrl record;
};

struct Resolution {
    std::vector<Resolved> controllers; // each listed controller once, in the order of the list
    QStringList unresolved;            // selectors no controller answered to
};

// The controllers of `listed` the selectors name, in the list's order; a
// controller named twice is taken once.
Resolution resolveTargets(const std::vector<Selector>& selectors, const std::vector<model::TNodaluxCtrl>& listed);

// True when every selector names one address or MAC and each has answered.
bool allExactTargetsListed(const std::vector<Selector>& selectors, const std::vector<model::TNodaluxCtrl>& listed);

} // namespace vantrel::cli
