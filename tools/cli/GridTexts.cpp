#include "tools/cli/GridTexts.h"

#include "model/Text.h"
#include "tools/common/RecordJson.h"

namespace vantrel::cli {

QStringList gridColumnNames() {
    return {QStringLiteral("Model"), QStringLiteral("Nickname"), QStringLiteral("IP"), QStringLiteral("Firmware"),
            QStringLiteral("Temperature")};
}

GridTexts gridTexts(const model::TNodaluxCtrl& record) {
    GridTexts t;
    // Only the legacy reader fills Model (from its model table); a current
    // reply carries ModelName instead.
    t.model = tools::untilNul(record.Model.empty() ? record.ModelName : record.Model);
    t.nickname = tools::toQString(model::nicknameText(record));
    t.ip = QString::fromStdString(model::ipText(record.CurrentIP));
    t.firmware = tools::untilNul(record.Firmware);
    if (!model::isBootloader(record))
        t.temperature = QString::fromStdString(model::temperatureText(record.Temperature));
    return t;
}

} // namespace vantrel::cli
