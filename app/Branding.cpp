#include "app/Branding.h"

namespace vantrel::app {

namespace {

// clang-format off
constexpr BrandEntry kBrands[kBrandCount] = {
    // title prefix                  configuration caption              logo resource                 h    w    help   about
    {"Qorvana Vantrel - V",         "Nodalux Configuration",           ":/logos/LogoQorvana.png",   65, 262, true,  true},
    {"Brightwell PixelSetup - V",   "Brightwell Controller Setup",     ":/logos/LogoBrand1.png",    65, 231, false, true},
    {"Kestrel Node Manager - V",    "Kestrel Node Configuration",      ":/logos/LogoBrand2.png",    65, 197, false, true},
    {"Harborline Pixel Tool - V",   "Harborline Configuration",        ":/logos/LogoBrand3.png",    65, 176, false, false},
    {"Solwyn LED Config - V",       "Solwyn Controller Configuration", ":/logos/LogoBrand4.png",    66, 258, true,  true},
    {"Tidemark Pixel Utility - V",  "Configuration",                   ":/logos/LogoBrand5.png",    65, 211, false, false},
    {"Orrin Vale Setup - V",        "Configuration",                   ":/logos/LogoBrand6.png",    65, 306, false, false},
};
// clang-format on

} // namespace

const BrandEntry& brandEntry(std::uint8_t brand) { return kBrands[brand < kBrandCount ? brand : 0]; }

QString Branding::versionText() const {
    return QStringLiteral("%1.%2.%3").arg(AppVersion[0]).arg(AppVersion[1]).arg(AppVersion[2]);
}

QString Branding::mainTitle() const {
    QString title = QString::fromLatin1(entry().titlePrefix) + versionText();
    if (DevBuild) title += QStringLiteral(" - DEV");
    return title;
}

QString Branding::configCaption() const { return QString::fromLatin1(entry().configCaption); }

} // namespace vantrel::app
