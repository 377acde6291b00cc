#include "model/GridTexts.h"

#include "model/Text.h"

namespace vantrel::model {

GridTexts gridTexts(const TNodaluxCtrl& record, std::string_view decimalSeparator) {
    GridTexts t;
    // Only the legacy reader fills Model (from its model table); a current
    // reply carries ModelName instead.
    t.model = untilNul(record.Model.empty() ? record.ModelName : record.Model);
    t.nickname = nicknameText(record);
    t.ip = ipText(record.CurrentIP);
    t.firmware = untilNul(record.Firmware);
    if (!isBootloader(record)) t.temperature = temperatureText(record.Temperature, decimalSeparator);
    return t;
}

} // namespace vantrel::model
