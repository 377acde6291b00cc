// Diagnostic messages: lengths beyond the packet never lead past its end.
#include "fuzz/fuzz_common.h"
#include "protocol/Diagnostic.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantrel;
    const auto msg = protocol::readDiagnosticMessage(fuzz::input(data, size));
    if (msg && (msg->model.size() > protocol::kMaxDiagnosticModel ||
                msg->message.size() > protocol::kMaxDiagnosticMessage))
        std::abort();
    return 0;
}
