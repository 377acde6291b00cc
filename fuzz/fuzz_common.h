#pragma once
// Shared by the fuzz targets: the fuzzer's bytes as a span, and a rule that
// every target enforces on the controller list after feeding it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "model/Controllers.h"
#include "model/NodaluxCtrl.h"

namespace vantrel::fuzz {

inline std::span<const std::uint8_t> input(const std::uint8_t* data, std::size_t size) {
    return {data, size};
}

// A broken row map is as bad as a crash: abort so the fuzzer reports it.
inline void requireInvariants(const model::ControllerList& list) {
    if (!list.invariantsHold()) std::abort();
}

// A controller with every count set, so replies carry every field.
inline model::TNodaluxCtrl fullRecord(std::uint8_t version, std::uint8_t outputs, std::uint8_t dmx) {
    model::TNodaluxCtrl c;
    c.CurrentIP = {10, 77, 1, 1};
    c.CurrentSM = {255, 255, 0, 0};
    c.StaticIP = {192, 168, 0, 50};
    c.SM = {255, 255, 255, 0};
    c.MAC = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    model::setNickname(c, u"Seed controller");
    c.Firmware = u"V1.4.11";
    c.Temperature = 453;
    c.QorvanaProtVer = version;
    c.NumStrings = outputs;
    c.DMXOutputs = dmx;
    c.NumBanks = 4;
    for (int i = 0; i < outputs; ++i) {
        c.NumNodes[i] = 170;
        c.AdvUniv[i] = static_cast<std::uint16_t>(1 + i);
        c.AdvChan[i] = 1;
        c.Grouping[i] = 1;
        c.Brightness[i] = 100;
    }
    c.NumDrivers = 3;
    c.DriverNameLength = 8;
    c.DriverType = {0, 1, 0};
    c.DriverSpeed = {0, 1, 3};
    c.DriverExpandable = {0, 1, 0};
    c.DriverNames = {u"WS2811", u"SK6812", u"APA102"};
    c.ModelName = u"Nodalux 32";
    c.MaxPixels = 1023;
    return c;
}

// A legacy Nodalux 16 on firmware with every feature, in simple mode.
inline model::TNodaluxCtrl legacySettingsRecord() {
    model::TNodaluxCtrl c = fullRecord(0, 16, 4);
    c.Model = u"Nodalux 16";
    c.SacnUniv = 1;
    c.SacnChan = 1;
    c.HwRev = 5;
    c.DriverChip = 12;
    c.Gamma = {22, 22, 22, 0};
    return c;
}

} // namespace vantrel::fuzz
