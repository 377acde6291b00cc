// Writes a seed corpus of valid packets of every layout and version into the
// directory named on the command line, one file per packet. Every fuzz target
// starts from the whole corpus.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/fuzz_common.h"
#include "model/NodaluxCtrl.h"
#include "model/Settings.h"
#include "protocol/ConfigPackets.h"
#include "protocol/Diagnostic.h"
#include "protocol/Header.h"
#include "protocol/PollReply.h"
#include "protocol/TestPackets.h"

using namespace vantrel;

namespace {

int written = 0;

using fuzz::fullRecord;

void put(const std::filesystem::path& dir, const std::string& name, const protocol::Bytes& bytes) {
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ++written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);

    put(dir, "poll", protocol::buildPoll());
    for (std::uint8_t v = 5; v <= 9; ++v) {
        const auto small = fullRecord(v, 4, 1);
        const auto big = fullRecord(v, 32, 4);
        put(dir, "reply-v" + std::to_string(v) + "-4", protocol::encodePollReply(small, v));
        put(dir, "reply-v" + std::to_string(v) + "-32", protocol::encodePollReply(big, v));
        if (auto cfg = protocol::buildConfig(big)) put(dir, "config-v" + std::to_string(v), *cfg);
        if (auto ns = protocol::buildNetworkSettings(big)) put(dir, "netset-v" + std::to_string(v), *ns);
        if (auto ts = protocol::buildTestSet(big, protocol::kSinglePixelMode))
            put(dir, "testset-v" + std::to_string(v), *ts);
        if (auto tr = protocol::buildBootloaderTrigger(big)) put(dir, "trigger-v" + std::to_string(v), *tr);
    }
    auto boot = fullRecord(8, 4, 0);
    boot.Firmware = u"Bootloader";
    put(dir, "reply-bootloader", protocol::encodePollReply(boot, 8));

    for (const auto& m : protocol::legacyModels()) {
        auto legacy = fullRecord(0, m.outputs, 4);
        const std::string name(m.wire.begin(), m.wire.end());
        for (std::size_t length : {383u, 384u, 388u})
            put(dir, "legacy-" + std::to_string(length) + "-" + std::to_string(m.outputs) + "-" +
                         std::to_string(written),
                protocol::encodePollReplyV4Below(legacy, 2, length, m.wire));
    }
    put(dir, "config-legacy", protocol::buildConfigV4Below(fullRecord(0, 16, 4)));
    put(dir, "trigger-legacy", protocol::buildBootloaderTriggerV4Below());
    if (auto id = protocol::buildIdentify(fullRecord(8, 4, 0), true, 1)) put(dir, "identify", *id);

    for (std::uint8_t v = 0; v <= 8; ++v) {
        const protocol::TestAnnounce a{.ip = {10, 77, 1, 1},
                                       .mode = 8,
                                       .cols = {1, 2, 3, 4},
                                       .hasWhite = v >= 6,
                                       .hasSinglePixel = v >= 8,
                                       .outputNum = 2,
                                       .pixel = 300};
        put(dir, "announce-v" + std::to_string(v), protocol::encodeTestAnnounce(a, v, {1, 2, 3, 4, 5, 6}));
    }

    protocol::DiagnosticMessage msg{.mac = {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F},
                                    .ip = {10, 77, 1, 1},
                                    .model = u"Nodalux 8",
                                    .nickname = u"Stage left",
                                    .firmware = u"V1.4.11",
                                    .severity = 1,
                                    .message = u"Output 3 is hot"};
    put(dir, "diagnostic", protocol::encodeDiagnosticMessage(msg));
    put(dir, "diagnostic-long", protocol::encodeDiagnosticMessage(msg, 8, 40, 1000));

    // Settings files of both families.
    for (const auto& [name, record] : {std::pair{"settings-current", fullRecord(8, 4, 1)},
                                       std::pair{"settings-legacy", fuzz::legacySettingsRecord()}}) {
        const std::string text = model::settingsFileText(record).value_or("");
        put(dir, name, protocol::Bytes(text.begin(), text.end()));
    }

    std::printf("%d seed packets in %s\n", written, dir.c_str());
    return 0;
}
