// Legacy poll replies: any bytes are read without a read past the end.
#include "fuzz/fuzz_common.h"
#include "protocol/PollReply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantrel;
    const auto record = protocol::readPollReplyV4Below(fuzz::input(data, size));
    if (record) {
        model::ControllerList list;
        list.append(*record);
        fuzz::requireInvariants(list);
    }
    return 0;
}
