#include "model/FirmwareFile.h"

namespace vantrel::model {

namespace {

constexpr std::u16string_view kFamilyMarker = u"Nodalux";
constexpr std::u16string_view kSecondGenMarkers[] = {u"MkII", u"Mk2"};
constexpr std::u16string_view kExtension = u".hex";

bool hasSecondGenMarker(std::u16string_view text) {
    for (const auto marker : kSecondGenMarkers)
        if (text.find(marker) != std::u16string_view::npos) return true;
    return false;
}

} // namespace

FirmwareCheck checkFirmwareFile(std::u16string_view fileName, std::u16string_view model) {
    if (fileName.size() < kExtension.size() || fileName.substr(fileName.size() - kExtension.size()) != kExtension)
        return FirmwareCheck::Invalid;
    if (model.find(kFamilyMarker) == std::u16string_view::npos) return FirmwareCheck::Send;
    return hasSecondGenMarker(model) == hasSecondGenMarker(fileName) ? FirmwareCheck::Send : FirmwareCheck::Warn;
}

std::u16string_view firmwareFileName(std::u16string_view path) {
    const auto cut = path.find_last_of(u"\\/");
    return cut == std::u16string_view::npos ? path : path.substr(cut + 1);
}

} // namespace vantrel::model
