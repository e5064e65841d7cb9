// SPDX-License-Identifier: GPL-2.0-or-later

#include "base/Debug.h"

#include <gtest/gtest.h>

TEST(Debug, AreasAreChosenByName) {
    struct Case {
        const char* spec;
        bool device, report, dump, mouse;
    } cases[] = {
        {"1", true, true, true, true},
        {"all", true, true, true, true},
        {"0", false, false, false, false},
        {"", false, false, false, false},
        {"device", true, false, false, false},
        {"report, mouse", false, true, true, true},  // report brings its dumps
        {"dump", false, false, true, false},
        {"nonsense,device", true, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        DebugConfigure(c.spec);
        EXPECT_EQ(DebugEnabled(DebugArea::Device), c.device);
        EXPECT_EQ(DebugEnabled(DebugArea::Report), c.report);
        EXPECT_EQ(DebugEnabled(DebugArea::ReportDump), c.dump);
        EXPECT_EQ(DebugEnabled(DebugArea::Mouse), c.mouse);
    }
    DebugConfigure("0");
}

TEST(Debug, CaptureTakesEveryAreaAndRestoresTheSettingAfterwards) {
    DebugConfigure("0");
    {
        CDebugCapture capture;
        DebugPrintf(DebugArea::Mouse, "stage %d", 3);
        DebugLine(DebugArea::Device, "鼠标设备丢失");
        EXPECT_EQ(capture.Lines(), (std::vector<std::string>{"stage 3", "鼠标设备丢失"}));
    }
    EXPECT_FALSE(DebugEnabled(DebugArea::Mouse));
}

TEST(Debug, ReportDumpGroupsBytesInFours) {
    std::vector<uint8_t> report(64);
    for (size_t i = 0; i < report.size(); ++i)
        report[i] = static_cast<uint8_t>(i);
    auto lines = FormatReportDump(report);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1],
              "20 21 22 23   24 25 26 27   28 29 2a 2b   2c 2d 2e 2f  30 31 32 33  34 35 36 37  "
              "38 39 3a 3b  3c 3d 3e 3f");
    // Short input is padded with zeros.
    EXPECT_EQ(FormatReportDump(std::vector<uint8_t>{0xAB})[0].substr(0, 5), "ab 00");
}
