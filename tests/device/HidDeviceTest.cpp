// SPDX-License-Identifier: GPL-2.0-or-later

#include "device/HidDevice.h"

#include <gtest/gtest.h>

#include <future>

#include "support/ScriptedHid.h"

namespace {

TEST(HidPath, NumbersAreHexAfterTheirMarkerIgnoringCase) {
    struct Case {
        const char* path;
        uint32_t vid, pid, mi, col;
    } cases[] = {
        {"/dev/hidraw3#vid_320f&pid_226e&mi_01&col02", 0x320F, 0x226E, 1, 2},
        {"/dev/hidraw3#VID_320F&PID_226E&MI_01&COL04", 0x320F, 0x226E, 1, 4},
        {"/dev/hidraw3#vid_320F&Pid_226e&Mi_0a&cOl1f", 0x320F, 0x226E, 0x0A, 0x1F},
        {"/dev/hidraw0#vid_0c76&pid_1630", 0x0C76, 0x1630, 0, 0},
        {"no markers at all", 0, 0, 0, 0},
        {"trailing marker &mi_", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ParseHidPathNumber(c.path, "vid_"), c.vid);
        EXPECT_EQ(ParseHidPathNumber(c.path, "pid_"), c.pid);
        EXPECT_EQ(ParseHidPathNumber(c.path, "&mi_"), c.mi);
        EXPECT_EQ(ParseHidPathNumber(c.path, "&col"), c.col);
    }
    EXPECT_EQ(MakeHidInterfacePath("/dev/hidraw3", 0x320F, 0x226E, 1, 2),
              "/dev/hidraw3#vid_320f&pid_226e&mi_01&col02");
    EXPECT_EQ(MakeHidInterfacePath("/dev/hidraw1", 0x0C76, 0x1630, 3, 0),
              "/dev/hidraw1#vid_0c76&pid_1630&mi_03");
    EXPECT_EQ(HidPathNode("/dev/hidraw3#vid_320f"), "/dev/hidraw3");
}

TEST(HidDevice, EnumerationKeepsEveryPathAndEndsWithNull) {
    CScriptedBackend backend;
    CHidDevice device(&backend);
    EXPECT_EQ(device.NextPath(), nullptr);  // before any enumeration

    for (int i = 0; i < 37; ++i)
        backend.Add("node" + std::to_string(100 + i) + "#vid_320f&pid_226e&mi_01", {});
    ASSERT_EQ(device.BeginEnumeration(), 1);
    int count = 0;
    while (device.NextPath())
        ++count;
    EXPECT_EQ(count, 37);
    EXPECT_EQ(device.NextPath(), nullptr);

    device.FreePathList();
    EXPECT_EQ(device.NextPath(), nullptr);
}

TEST(HidDevice, OpenReadsCapabilitiesAndPathNumbers) {
    CScriptedBackend backend;
    const std::string path = "node#VID_320F&PID_226E&MI_01&COL04";
    backend.Add(path, MouseConfigProps());
    CHidDevice device(&backend);
    ASSERT_EQ(device.Open(path, true, true, true, false), 1);
    EXPECT_TRUE(device.IsOpen());
    EXPECT_EQ(device.GetVendorId(), 0x320F);
    EXPECT_EQ(device.GetProductId(), 0x226E);
    EXPECT_EQ(device.GetVersion(), 0x0105);
    EXPECT_EQ(device.GetUsagePage(), 0xFF1C);
    EXPECT_EQ(device.GetUsage(), 0x92);
    EXPECT_EQ(device.GetInputReportLength(), 64);
    EXPECT_NE(device.GetInputReportBuffer(), nullptr);
    EXPECT_EQ(device.GetInterfaceNumber(), 1u);
    EXPECT_EQ(device.GetCollectionNumber(), 4u);
}

TEST(HidDevice, OpenOnVanishedPathFailsAndLeavesItClosed) {
    CScriptedBackend backend;
    backend.Add("good#vid_320f&pid_226e&mi_01&col02", MouseConfigProps());
    CHidDevice device(&backend);
    ASSERT_EQ(device.Open("good#vid_320f&pid_226e&mi_01&col02", true, true, true, false), 1);

    EXPECT_EQ(device.Open("gone#vid_320f&pid_226e&mi_01&col02", true, true, true, false), 0);
    EXPECT_FALSE(device.IsOpen());
    EXPECT_NE(device.GetLastOpenError(), 0);
    uint8_t buffer[64];
    uint32_t got = 99;
    EXPECT_EQ(device.Read(buffer, 64, &got, 0), 0);
    EXPECT_EQ(got, 0u);

    EXPECT_EQ(device.Open("good#vid_320f&pid_226e&mi_01&col02", true, true, true, false), 1);
    EXPECT_EQ(device.GetLastOpenError(), 0);
}

TEST(HidDevice, ReadTimesOutThenWorks) {
    CScriptedBackend backend;
    auto connection = backend.Add("n#vid_320f&pid_226e&mi_01&col02", MouseConfigProps());
    CHidDevice device(&backend);
    ASSERT_EQ(device.Open("n#vid_320f&pid_226e&mi_01&col02", true, true, true, false), 1);

    uint8_t buffer[64] = {};
    uint32_t got = 99;
    EXPECT_EQ(device.Read(buffer, 64, &got, 20), 0);
    EXPECT_EQ(got, 0u);

    connection->Push(Report(64, 0x5A));
    EXPECT_EQ(device.Read(buffer, 64, &got, 1000), 1);
    EXPECT_EQ(got, 64u);
    EXPECT_EQ(buffer[63], 0x5A);
}

TEST(HidDevice, CloseFromAnotherThreadReleasesABlockedRead) {
    CScriptedBackend backend;
    auto connection = backend.Add("n#vid_320f&pid_226e&mi_01&col02", MouseConfigProps());
    CHidDevice device(&backend);
    ASSERT_EQ(device.Open("n#vid_320f&pid_226e&mi_01&col02", true, true, true, false), 1);

    std::promise<void> started;
    connection->onRead = [&] { started.set_value(); };
    auto reader = std::async(std::launch::async, [&] {
        uint8_t buffer[64];
        uint32_t got = 0;
        return device.Read(buffer, 64, &got, -1);
    });
    started.get_future().wait();
    device.Close();
    EXPECT_EQ(reader.get(), 0);
    EXPECT_FALSE(device.IsOpen());
}

}  // namespace
