#pragma once
// The controller record: everything the tool knows about one controller.
//
// Fields are in the record's declaration order. Texts are UTF-16 code units;
// on the wire each character is one byte (received bytes become 0..255, sent
// characters keep their low eight bits). A freshly appended record is all
// zero until a reader fills it.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::model {

inline constexpr int kMaxOutputs = 32;
inline constexpr int kMaxDmxOutputs = 4;
inline constexpr int kMaxBanks = 4;
inline constexpr int kNicknameLength = 40;

using Ip4 = std::array<std::uint8_t, 4>;
using Mac = std::array<std::uint8_t, 6>;

struct TNodaluxCtrl {
    Ip4 CurrentIP{};
    std::uint8_t DHCP = 0;
    std::array<char16_t, kNicknameLength> Nickname{};
    std::u16string Firmware;
    Mac MAC{};
    std::uint16_t Temperature = 0;
    std::array<std::int32_t, kMaxOutputs> NumNodes{};
    std::uint8_t Protocol = 0;
    std::uint8_t DmxMix = 0;
    std::uint8_t MixMode = 0;
    Ip4 StaticIP{};
    Ip4 SM{};
    std::uint16_t DmxStart = 0;
    std::uint16_t SacnUniv = 0;
    std::uint16_t SacnChan = 0;
    std::uint8_t DriverChip = 0;
    std::array<std::uint8_t, 4> Gamma{};
    std::array<std::uint16_t, kMaxBanks> Voltage{};
    std::array<std::uint16_t, kMaxOutputs> AdvUniv{};
    std::array<std::uint16_t, kMaxOutputs> AdvChan{};
    std::array<std::uint8_t, kMaxOutputs> AdvNull{};
    std::array<std::uint16_t, kMaxOutputs> AdvZig{};
    std::array<std::uint8_t, kMaxOutputs> AdvReverse{};
    std::array<std::uint8_t, 3> RgbOrder{};
    std::array<std::uint8_t, kMaxDmxOutputs> DmxOutOn{};
    std::array<std::uint16_t, kMaxDmxOutputs> DmxOutUniv{};
    std::uint8_t HwRev = 0;
    std::uint8_t NumStrings = 0;
    std::uint8_t NumUsableOutputs = 0;
    std::uint8_t ProtocolSpeed = 0;
    std::array<std::uint8_t, kMaxOutputs> AdvRgbOrder{};
    std::array<std::uint16_t, kMaxOutputs> Grouping{};
    std::array<std::uint8_t, kMaxOutputs> Brightness{};
    std::uint8_t HoldLastFrame = 0;
    std::uint8_t FanTemp = 0;
    Ip4 CurrentSM{};
    std::uint8_t CondensedMode = 0;
    std::array<std::uint8_t, 3> MinVantrelVer{};
    std::uint8_t TestMode = 0;
    std::array<std::uint8_t, 4> TestModeCols{};
    std::uint8_t TestOutputNum = 0;
    std::uint16_t TestSinglePixelNum = 0;
    std::uint8_t LedType = 0;
    std::u16string ModelName;
    std::uint8_t SimpleConfig = 0;
    std::uint8_t DMXOutputs = 0;
    std::uint8_t NumDrivers = 0;
    std::uint8_t DriverNameLength = 0;
    std::vector<std::uint8_t> DriverType;
    std::vector<std::uint8_t> DriverSpeed;
    std::vector<std::uint8_t> DriverExpandable;
    std::vector<std::u16string> DriverNames;
    std::uint8_t QorvanaProtVer = 0;
    std::uint8_t Brand = 0;
    std::uint8_t NumBanks = 0;
    std::uint16_t MaxPixels = 0;
    std::u16string Model;
    bool DmxSacnCapable = false;
    bool DmxArtNetCapable = false;

    bool operator==(const TNodaluxCtrl&) const = default;
};

// True when the firmware text starts with the ten characters "Bootloader":
// the controller is running its bootloader.
bool isBootloader(const TNodaluxCtrl& c);

// The characters of a fixed-width text field before the first NUL.
std::u16string untilNul(std::u16string_view text);

// The nickname as shown: the characters before the first NUL.
std::u16string nicknameText(const TNodaluxCtrl& c);

// Sets the 40-character nickname field from a text: all 40 cleared, then at
// most `maxChars` characters copied.
void setNickname(TNodaluxCtrl& c, std::u16string_view text, std::size_t maxChars = kNicknameLength);

} // namespace vantrel::model
