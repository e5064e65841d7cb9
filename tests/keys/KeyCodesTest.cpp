// SPDX-License-Identifier: GPL-2.0-or-later

#include <gtest/gtest.h>

#include <climits>

#include "keys/KeyCodes.h"

TEST(KeyCodesTest, BuildersKeepOnlyTheBitsTheCodeHolds) {
    struct Case {
        const char* what;
        KeyCode built;
        KeyCode expected;
    };
    const Case cases[] = {
        {"wheel down 3", MakeWheelCode(true, 3, 0, 0), {0x12, 0x00, 0xFD}},
        {"swing right 3", MakeSwingCode(true, 3, 0, 0), {0x11, 0x00, 0x83}},
        {"wheel down 3, delay 2, speed 5", MakeWheelCode(true, 3, 2, 5), {0x12, 0x25, 0xFD}},
        {"swing right 3, delay 1, speed 1", MakeSwingCode(true, 3, 1, 1), {0x11, 0x11, 0x83}},
        {"swing left 200", MakeSwingCode(false, 200, 0, 0), {0x11, 0x00, 0x48}},
        {"swing right 200", MakeSwingCode(true, 200, 0, 0), {0x11, 0x00, 0xC8}},
        {"wheel up 127", MakeWheelCode(false, 127, 15, 15), {0x12, 0xFF, 0x7F}},
        {"wheel down 0", MakeWheelCode(true, 0, 0, 0), {0x12, 0x00, 0x80}},
        {"wheel down 128", MakeWheelCode(true, 128, 0, 0), {0x12, 0x00, 0x80}},
        {"wheel down 127", MakeWheelCode(true, 127, 0, 0), {0x12, 0x00, 0x81}},
        {"delay and speed above 15", MakeWheelCode(false, 1, 17, 18), {0x12, 0x12, 0x01}},
        {"negative count up", MakeWheelCode(false, -1, 0, 0), {0x12, 0x00, 0x7F}},
        {"extreme counts", MakeWheelCode(true, INT_MIN, INT_MAX, INT_MIN), {0x12, 0xF0, 0x80}},
        {"extreme swing", MakeSwingCode(true, INT_MAX, INT_MIN, -1), {0x11, 0x0F, 0xFF}},
        {"fire interval 300", MakeFireCode(300, 2), {0x14, 44, 0x02}},
        {"fire negative", MakeFireCode(-1, INT_MIN), {0x14, 0xFF, 0x00}},
        {"keyboard", MakeKeyboardCode(kModLeftShift, 0x04), {0x20, 0x02, 0x04}},
        {"media, low byte first", MakeMediaCode(0x0223), {0x30, 0x23, 0x02}},
        {"macro mode 1", MakeMacroCode(2, 1), {0x70, 0x02, 0x01}},
        {"macro repeat 5", MakeMacroRepeatCode(2, 5), {0x71, 0x02, 0x05}},
        {"macro repeat 256", MakeMacroRepeatCode(2, 256), {0x71, 0x02, 0x00}},
        {"gun 3", MakeGunCode(3), {0x72, 0x03, 0x00}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.built, c.expected) << c.what;
    }
}

TEST(KeyCodesTest, ReadersReturnWhatTheBuildersStored) {
    for (int delay = 0; delay < 16; ++delay) {
        for (int speed = 0; speed < 16; ++speed) {
            for (int count = 0; count < 128; ++count) {
                const auto d = static_cast<uint8_t>(delay), s = static_cast<uint8_t>(speed);
                const auto n = static_cast<uint8_t>(count);
                ASSERT_EQ(ReadSwingCode(MakeSwingCode(false, count, delay, speed)),
                          (SwingParams{d, s, false, n}));
                ASSERT_EQ(ReadSwingCode(MakeSwingCode(true, count, delay, speed)),
                          (SwingParams{d, s, true, n}));
                ASSERT_EQ(ReadWheelCode(MakeWheelCode(false, count, delay, speed)),
                          (WheelParams{d, s, false, n}));
                // Down counts run 1 .. 128.
                ASSERT_EQ(ReadWheelCode(MakeWheelCode(true, count + 1, delay, speed)),
                          (WheelParams{d, s, true, static_cast<uint16_t>(count + 1)}));
            }
        }
    }
    for (int interval : {0, 1, 80, 255}) {
        EXPECT_EQ(
            ReadFireCode(MakeFireCode(interval, 255 - interval)),
            (FireParams{static_cast<uint8_t>(interval), static_cast<uint8_t>(255 - interval)}));
    }
}

TEST(KeyCodesTest, ReadersTakeCodesFromTheDevice) {
    EXPECT_EQ(ReadWheelCode({0x12, 0x22, 0xFD}), (WheelParams{2, 2, true, 3}));
    // A wheel-down count of 0 is stored as 128's code and so reads back as 128.
    EXPECT_EQ(ReadWheelCode(MakeWheelCode(true, 0, 0, 0)).count, 128);
    EXPECT_EQ(ReadSwingCode({0x11, 0xF1, 0xFF}), (SwingParams{15, 1, true, 127}));
    EXPECT_EQ(ReadFireCode({0x14, 0x50, 0x02}), (FireParams{0x50, 0x02}));
}

TEST(KeyCodesTest, MacroCodesAreTheTwoMacroTypes) {
    EXPECT_TRUE(IsMacroCode(MakeMacroCode(0, 0)));
    EXPECT_TRUE(IsMacroCode(MakeMacroRepeatCode(7, 3)));
    EXPECT_FALSE(IsMacroCode(MakeGunCode(0)));
    EXPECT_FALSE(IsMacroCode({0x00, 0x70, 0x71}));
}
