// What the simulated controller reads from the tool: configurations of both
// layouts, network settings, test sets, identify and the bootloader trigger.
#include "fuzz/fuzz_common.h"
#include "protocol/ConfigPackets.h"
#include "protocol/TestPackets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantrel;
    const auto bytes = fuzz::input(data, size);
    // A target sized by the first byte, so every configuration length is reachable.
    model::TNodaluxCtrl target;
    const std::uint8_t shape = size > 0 ? data[0] : 0;
    target.NumStrings = static_cast<std::uint8_t>(1 + shape % 32);
    target.DMXOutputs = static_cast<std::uint8_t>((shape >> 5) % 5);
    target.QorvanaProtVer = size > 11 ? data[11] : 8;
    if (size >= 18)
        for (std::size_t i = 0; i < 6; ++i) target.MAC[i] = data[12 + i];
    (void)protocol::applyConfig(target, bytes);
    (void)protocol::applyConfigV4Below(target, bytes);
    (void)protocol::readNetworkSettings(bytes);
    (void)protocol::readTestSet(bytes);
    (void)protocol::readIdentify(bytes);
    (void)protocol::readBootloaderTrigger(bytes);
    return 0;
}
