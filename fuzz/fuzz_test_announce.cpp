// Test announcements under every version byte, applied to a small list.
#include "fuzz/fuzz_common.h"
#include "protocol/TestPackets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantrel;
    const auto bytes = fuzz::input(data, size);
    const std::uint8_t version = size > 11 ? data[11] : 0;
    const auto announce = protocol::readTestAnnounce(bytes, version);
    if (announce) {
        model::ControllerList list;
        model::TNodaluxCtrl record;
        record.CurrentIP = announce->ip;
        list.append(record);
        protocol::applyTestAnnounce(list, *announce);
        fuzz::requireInvariants(list);
    }
    return 0;
}
