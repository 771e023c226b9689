#include <gtest/gtest.h>

#include "platform/ModeText.h"

namespace {

using orvane::ModeSettings;
using orvane::ParseModeText;

TEST(ModeText, LoadCommandModeText) {
    ModeSettings m;
    ASSERT_TRUE(ParseModeText("baud=19200 parity=N stop=1 data=8", m));
    EXPECT_EQ(m.baud, 19200U);
    EXPECT_EQ(m.parity, ModeSettings::Parity::None);
    EXPECT_EQ(m.stopBits, ModeSettings::StopBits::One);
    EXPECT_EQ(m.dataBits, 8);
    EXPECT_FALSE(m.xonXoff.has_value());
    EXPECT_FALSE(m.dtr.has_value());
}

struct BaudCase {
    const char* text;
    uint32_t baud;
};

TEST(ModeText, BaudValuesAndShortForms) {
    const BaudCase cases[] = {
        {"baud=9600", 9600},     {"baud=1", 1},
        {"baud=250000", 250000}, {"BAUD=115200", 115200},
        {"baud=11", 110},        {"baud=15", 150},
        {"baud=30", 300},        {"baud=60", 600},
        {"baud=12", 1200},       {"baud=24", 2400},
        {"baud=48", 4800},       {"baud=96", 9600},
        {"baud=19", 19200},      {"baud=13", 13},
        {"baud=019", 19},        {"baud=4294967295", 4294967295U},
    };
    for (const auto& c : cases) {
        ModeSettings m;
        ASSERT_TRUE(ParseModeText(c.text, m)) << c.text;
        EXPECT_EQ(m.baud, c.baud) << c.text;
    }
}

TEST(ModeText, EverySetting) {
    ModeSettings m;
    ASSERT_TRUE(ParseModeText(
        "baud=57600 parity=e data=7 stop=2 to=on xon=OFF odsr=on octs=off dtr=hs rts=tg idsr=on",
        m));
    EXPECT_EQ(m.baud, 57600U);
    EXPECT_EQ(m.parity, ModeSettings::Parity::Even);
    EXPECT_EQ(m.dataBits, 7);
    EXPECT_EQ(m.stopBits, ModeSettings::StopBits::Two);
    EXPECT_EQ(m.timeout, true);
    EXPECT_EQ(m.xonXoff, false);
    EXPECT_EQ(m.dsrOutputFlow, true);
    EXPECT_EQ(m.ctsOutputFlow, false);
    EXPECT_EQ(m.dtr, ModeSettings::Dtr::Handshake);
    EXPECT_EQ(m.rts, ModeSettings::Rts::Toggle);
    EXPECT_EQ(m.dsrSensitivity, true);
}

TEST(ModeText, ValueVariants) {
    struct Case {
        const char* text;
        bool (*check)(const ModeSettings&);
    };
    const Case cases[] = {
        {"parity=o", [](const ModeSettings& m) { return m.parity == ModeSettings::Parity::Odd; }},
        {"parity=M", [](const ModeSettings& m) { return m.parity == ModeSettings::Parity::Mark; }},
        {"parity=s", [](const ModeSettings& m) { return m.parity == ModeSettings::Parity::Space; }},
        {"data=5", [](const ModeSettings& m) { return m.dataBits == 5; }},
        {"stop=1.5",
         [](const ModeSettings& m) { return m.stopBits == ModeSettings::StopBits::OneAndHalf; }},
        {"dtr=on", [](const ModeSettings& m) { return m.dtr == ModeSettings::Dtr::On; }},
        {"dtr=Off", [](const ModeSettings& m) { return m.dtr == ModeSettings::Dtr::Off; }},
        {"rts=HS", [](const ModeSettings& m) { return m.rts == ModeSettings::Rts::Handshake; }},
        {"rts=off", [](const ModeSettings& m) { return m.rts == ModeSettings::Rts::Off; }},
        // Blanks of any run length separate; a later setting of a key wins.
        {"\t baud=300  \tbaud=600 ", [](const ModeSettings& m) { return m.baud == 600U; }},
    };
    for (const auto& c : cases) {
        ModeSettings m;
        ASSERT_TRUE(ParseModeText(c.text, m)) << c.text;
        EXPECT_TRUE(c.check(m)) << c.text;
    }
}

TEST(ModeText, RefusesWhatItCannotParse) {
    const char* bad[] = {
        "",
        "   ",
        "baud=0",
        "baud=00",
        "baud=",
        "baud=-1",
        "baud=+9600",
        "baud=4294967296",
        "baud=99999999999999999999",
        "baud=96k",
        "baud = 9600",  // spaces split it into three settings
        "baud9600",
        "=9600",
        "speed=9600",
        "parity=x",
        "parity=none",
        "parity=",
        "data=4",
        "data=9",
        "data=08",
        "stop=0",
        "stop=3",
        "stop=1.0",
        "to=yes",
        "xon=1",
        "dtr=tg",
        "rts=toggle",
        "idsr=",
        "baud=9600 parity=N data=8 stop=1 junk",
        "96,n,8,1",
        "baud=9600,parity=N",
    };
    for (const char* text : bad) {
        ModeSettings m;
        EXPECT_FALSE(ParseModeText(text, m)) << '"' << text << '"';
    }
}

}  // namespace
