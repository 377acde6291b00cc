// Current-layout poll replies: any bytes are read without a read past the end,
// and a reply that is taken goes into the list without breaking it.
#include "fuzz/fuzz_common.h"
#include "protocol/PollReply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantrel;
    const auto record = protocol::readPollReply(fuzz::input(data, size));
    if (record) {
        model::ControllerList list;
        list.append(*record);
        list.append(*record); // the duplicate rule keeps one
        if (list.size() != 1) std::abort();
        fuzz::requireInvariants(list);
    }
    return 0;
}
