#include "tools/cli/GridTexts.h"

#include "model/GridTexts.h"
#include "tools/common/RecordJson.h"

namespace vantrel::cli {

QStringList gridColumnNames() {
    return {QStringLiteral("Model"), QStringLiteral("Nickname"), QStringLiteral("IP"), QStringLiteral("Firmware"),
            QStringLiteral("Temperature")};
}

GridTexts gridTexts(const model::TNodaluxCtrl& record, const QString& decimalSeparator) {
    const model::GridTexts texts = model::gridTexts(record, decimalSeparator.toStdString());
    return {tools::toQString(texts.model), tools::toQString(texts.nickname), QString::fromStdString(texts.ip),
            tools::toQString(texts.firmware), QString::fromStdString(texts.temperature)};
}

} // namespace vantrel::cli
