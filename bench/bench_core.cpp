// Throughput of the packet code that runs once per datagram or per send:
// decoding a full-size poll reply (a search of many controllers decodes one
// per controller on the UI thread) and building the largest configuration.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "model/NodaluxCtrl.h"
#include "protocol/ConfigPackets.h"
#include "protocol/PollReply.h"

namespace {

using vantrel::model::TNodaluxCtrl;
namespace protocol = vantrel::protocol;

constexpr std::uint8_t kOutputs = 32;
constexpr std::uint8_t kDmxOutputs = 4;
constexpr std::uint8_t kVersion = 8;
constexpr std::uint8_t kDrivers = 24;
constexpr std::uint8_t kDriverNameLength = 16;

// The largest controller the record holds: 32 outputs, 4 DMX outputs, 4 power
// banks and a full driver table, every field set.
TNodaluxCtrl largestController() {
    TNodaluxCtrl c;
    c.QorvanaProtVer = kVersion;
    c.MAC = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
    c.ModelName = u"Nodalux 32 Pro";
    c.HwRev = 3;
    c.MinVantrelVer = {2, 3, 0};
    c.Firmware = u"V2.1.7";
    c.Brand = 1;
    c.CurrentIP = {192, 168, 77, 10};
    c.CurrentSM = {255, 255, 255, 0};
    c.DHCP = 0;
    c.StaticIP = c.CurrentIP;
    c.SM = c.CurrentSM;
    c.Protocol = 0;
    c.HoldLastFrame = 1;
    c.SimpleConfig = 1;
    c.MaxPixels = 1024;
    c.NumStrings = kOutputs;
    for (int i = 0; i < kOutputs; ++i) {
        c.NumNodes[i] = 170;
        c.AdvUniv[i] = static_cast<std::uint16_t>(1 + i);
        c.AdvChan[i] = 1;
        c.AdvNull[i] = 0;
        c.AdvZig[i] = 0;
        c.AdvReverse[i] = static_cast<std::uint8_t>(i % 2);
        c.AdvRgbOrder[i] = 0;
        c.Grouping[i] = 1;
        c.Brightness[i] = 100;
    }
    c.DMXOutputs = kDmxOutputs;
    c.DmxArtNetCapable = true;
    c.DmxSacnCapable = true;
    for (int j = 0; j < kDmxOutputs; ++j) {
        c.DmxOutOn[j] = 1;
        c.DmxOutUniv[j] = static_cast<std::uint16_t>(100 + j);
    }
    c.NumDrivers = kDrivers;
    c.DriverNameLength = kDriverNameLength;
    for (int k = 0; k < kDrivers; ++k) {
        c.DriverType.push_back(static_cast<std::uint8_t>(k % 4));
        c.DriverSpeed.push_back(static_cast<std::uint8_t>(k % 5));
        c.DriverExpandable.push_back(static_cast<std::uint8_t>(k % 3));
        std::u16string name = u"Driver " + std::u16string(1, static_cast<char16_t>(u'A' + k));
        name.resize(kDriverNameLength, u' ');
        c.DriverNames.push_back(name);
    }
    c.DriverChip = 5;
    c.LedType = 1;
    c.ProtocolSpeed = 1;
    c.Gamma = {22, 22, 22, 22};
    vantrel::model::setNickname(c, u"Main stage truss left");
    c.Temperature = 453;
    c.FanTemp = 50;
    c.NumBanks = 4;
    c.Voltage = {240, 241, 242, 243};
    c.TestModeCols = {10, 20, 30, 40};
    c.TestOutputNum = 0;
    c.TestSinglePixelNum = 1;
    return c;
}

void BM_DecodePollReplyV8_32(benchmark::State& state) {
    const protocol::Bytes reply = protocol::encodePollReply(largestController(), kVersion);
    if (!protocol::readPollReply(reply)) {
        state.SkipWithError("the reply does not decode");
        return;
    }
    for (auto _ : state) {
        auto record = protocol::readPollReply(reply);
        benchmark::DoNotOptimize(record);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(reply.size()));
    state.counters["reply_bytes"] = static_cast<double>(reply.size());
}
BENCHMARK(BM_DecodePollReplyV8_32);

void BM_BuildConfig32(benchmark::State& state) {
    const TNodaluxCtrl c = largestController();
    std::size_t size = 0;
    for (auto _ : state) {
        auto packet = protocol::buildConfig(c);
        size = packet->size();
        benchmark::DoNotOptimize(packet);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(size));
    state.counters["packet_bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_BuildConfig32);

} // namespace

BENCHMARK_MAIN();
