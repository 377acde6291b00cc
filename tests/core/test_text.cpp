#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>

#include "model/Text.h"

using namespace vantrel::model;

TEST(Text, TemperatureTexts) {
    struct Case {
        std::uint16_t raw;
        const char* text;
    } cases[] = {
        {453, "45.3\u00B0C / 113.5\u00B0F"},
        {0xFFFF, "N/A"},
        {0, "0.0\u00B0C / 32.0\u00B0F"},
        {40950, "4095.0\u00B0C / 7403.0\u00B0F"},   // the highest positive reading
        {40951, "-2458.4\u00B0C / -4393.1\u00B0F"}, // above 4095.0: negative
        {65525, "-1.0\u00B0C / 30.2\u00B0F"},
        {65534, "-0.1\u00B0C / 31.8\u00B0F"},
    };
    for (const auto& k : cases) EXPECT_EQ(temperatureText(k.raw), k.text) << k.raw;
    // The degree sign is U+00B0 in UTF-8: C2 B0.
    EXPECT_NE(temperatureText(453).find("\xC2\xB0" "C"), std::string::npos);
}

TEST(Text, TemperatureWithTheWindowsSeparator) {
    // A window passes the user's separator; it replaces the '.' of both decimals.
    EXPECT_EQ(temperatureText(453, ","), "45,3\u00B0C / 113,5\u00B0F");
    EXPECT_EQ(temperatureText(65525, ","), "-1,0\u00B0C / 30,2\u00B0F");
    EXPECT_EQ(temperatureText(0xFFFF, ","), "N/A");
}

TEST(Text, TemperatureIgnoresTheProcessLocale) {
    // The toolkit switches the C library to the user's locale; a locale with a
    // decimal comma must not change the grid text.
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    bool switched = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
        if (std::setlocale(LC_NUMERIC, name) && std::localeconv()->decimal_point[0] == ',') {
            switched = true;
            break;
        }
    }
    const std::string text = temperatureText(453);
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!switched) GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(text, "45.3\u00B0C / 113.5\u00B0F");
}

TEST(Text, IpAndMacTexts) {
    EXPECT_EQ(ipText({192, 168, 0, 3}), "192.168.0.3");
    EXPECT_EQ(ipText({0, 0, 0, 0}), "0.0.0.0");
    EXPECT_EQ(ipText({255, 255, 255, 255}), "255.255.255.255");
    EXPECT_EQ(macText({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}), "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(macText({0xAB, 0xCD, 0xEF, 0xFF, 0x0A, 0x01}), "AB-CD-EF-FF-0A-01");
}

TEST(Text, ParseIp) {
    struct Good {
        const char* text;
        Ip4 ip;
    } good[] = {
        {"10.1.2.3", {10, 1, 2, 3}},
        {"255.255.255.255", {255, 255, 255, 255}},
        {"0.0.0.0", {0, 0, 0, 0}},
        {"010.000.000.009", {10, 0, 0, 9}}, // a padded sort key reads back
    };
    for (const auto& k : good) {
        const auto ip = parseIp(k.text);
        ASSERT_TRUE(ip.has_value()) << k.text;
        EXPECT_EQ(*ip, k.ip) << k.text;
    }
    const char* bad[] = {"",         "1.2.3",    "1.2.3.4.5", "1.2.3.256", "1.2.3.-4", "1..2.3",  "1.2.3.4 ",
                         " 1.2.3.4", "a.b.c.d",  "1.2.3.",    ".1.2.3",    "1.2.3.0004", "1,2,3,4", "1.2.3.4x"};
    for (const char* text : bad) EXPECT_FALSE(parseIp(text).has_value()) << '"' << text << '"';
}

TEST(Text, NetworkAddressText) {
    struct Case {
        const char* ip;
        const char* mask;
        const char* net;
    } cases[] = {
        {"10.1.2.3", "255.0.0.0", "10.0.0.0"},
        {"192.168.1.23", "255.255.255.0", "192.168.1.0"},
        {"192.168.1.50", "255.255.0.0", "192.168.0.0"},
        {"10.8.0.6", "255.255.255.255", "10.8.0.6"}, // a VPN-style mask gives the address itself
        {"172.16.5.130", "255.255.255.192", "172.16.5.128"},
        {"1.2.3.4", "0.0.0.0", "0.0.0.0"},
    };
    for (const auto& k : cases) {
        const auto net = networkAddressText(k.ip, k.mask);
        ASSERT_TRUE(net.has_value()) << k.ip;
        EXPECT_EQ(*net, k.net) << k.ip << "/" << k.mask;
        EXPECT_EQ(networkAddressText(*parseIp(k.ip), *parseIp(k.mask)), k.net);
    }
    EXPECT_FALSE(networkAddressText("10.1.2", "255.0.0.0").has_value());
    EXPECT_FALSE(networkAddressText("10.1.2.3", "").has_value());
}

TEST(Text, IpSortKeyOrdersNumerically) {
    EXPECT_EQ(ipSortKey("192.168.0.3"), "192.168.000.003");
    EXPECT_EQ(ipSortKey("10.0.0.9"), "010.000.000.009");
    EXPECT_EQ(ipSortKey("not an ip"), "not an ip"); // left as it is
    // As text, .100 < .20 < .3; as keys, .3 < .20 < .100 — and the keys read back unpadded.
    std::vector<std::string> ips = {"192.168.0.100", "192.168.0.20", "192.168.0.3"};
    std::vector<std::string> keys;
    for (const auto& ip : ips) keys.push_back(ipSortKey(ip));
    std::sort(keys.begin(), keys.end());
    std::vector<std::string> back;
    for (const auto& key : keys) back.push_back(ipText(*parseIp(key)));
    EXPECT_EQ(back, (std::vector<std::string>{"192.168.0.3", "192.168.0.20", "192.168.0.100"}));
}

TEST(Text, Utf8RoundTripsAndReplacesBrokenInput) {
    const std::u16string samples[] = {u"", u"Nodalux 16", u"Caf\u00E9 \u00B0C", u"\u20AC\uFFFF",
                                      u"\U0001F4A1 light"};
    for (const auto& s : samples) EXPECT_EQ(fromUtf8(toUtf8(s)), s);
    EXPECT_EQ(toUtf8(u"\u00B0"), "\xC2\xB0");
    EXPECT_EQ(toUtf8(u"\U0001F4A1"), "\xF0\x9F\x92\xA1");
    // Device text arrives as code units 0..255: they become two-byte UTF-8.
    EXPECT_EQ(toUtf8(std::u16string(1, char16_t{0xFF})), "\xC3\xBF");

    // Lone surrogates in UTF-16 become U+FFFD.
    EXPECT_EQ(toUtf8(std::u16string{char16_t{0xD800}, u'A'}), "\xEF\xBF\xBD" "A");
    EXPECT_EQ(toUtf8(std::u16string{u'A', char16_t{0xDC00}}), "A\xEF\xBF\xBD");

    struct Bad {
        std::string in;
        std::u16string out;
    } bad[] = {
        {"\x80", u"\uFFFD"},                    // stray continuation byte
        {"A\xC3", u"A\uFFFD"},                  // truncated at the end
        {"\xC0\xAF", u"\uFFFD\uFFFD"},          // overlong form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
        {"\xE2\x82" "A", u"\uFFFDA"},           // broken sequence, reading goes on
        {"\xFF", u"\uFFFD"},
    };
    for (const auto& k : bad) EXPECT_EQ(fromUtf8(k.in), k.out) << k.in.size();
}
