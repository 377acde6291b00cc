// The receive path as a whole: the datagram is routed by its header and handed
// to its reader, the way the endpoint feeds the main window.
#include "fuzz/fuzz_common.h"
#include "protocol/Diagnostic.h"
#include "protocol/Header.h"
#include "protocol/PollReply.h"
#include "protocol/TestPackets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantrel;
    const auto bytes = fuzz::input(data, size);
    model::ControllerList list;
    switch (protocol::routeDatagram(bytes)) {
    case protocol::Route::PollReply:
        if (auto r = protocol::readPollReply(bytes)) list.append(*r);
        break;
    case protocol::Route::PollReplyV4Below:
        if (auto r = protocol::readPollReplyV4Below(bytes)) list.append(*r);
        break;
    case protocol::Route::TestAnnounce:
        if (auto a = protocol::readTestAnnounce(bytes, data[11])) protocol::applyTestAnnounce(list, *a);
        break;
    case protocol::Route::DiagnosticMessage:
        (void)protocol::readDiagnosticMessage(bytes);
        break;
    case protocol::Route::Drop:
        break;
    }
    fuzz::requireInvariants(list);
    return 0;
}
