// SPDX-License-Identifier: GPL-2.0-or-later
// The device page's own state: the button chosen on the picture and the function switch.
#include <gtest/gtest.h>

#include "device/QuillonUSBDevice.h"
#include "mouse/ui/DevicePage.h"

TEST(DevicePageTest, FunctionSwitchTabsFollowTheTypeAndTheDeviceClass) {
    struct Case {
        int type, deviceClass;
        FunctionSwitchTabs tabs;
    };
    for (const Case& c : std::initializer_list<Case>{{1, 2, {0, 0}},
                                                     {2, 2, {0, 1}},
                                                     {3, 2, {1, -1}},
                                                     {4, 1, {3, -1}},
                                                     {4, 2, {3, -1}},
                                                     {4, 3, {0, 2}},
                                                     {5, 2, {2, -1}},
                                                     {6, 2, {0, 1}},
                                                     {7, 2, {0, 2}},
                                                     {8, 2, {1, -1}},
                                                     {9, 2, {4, -1}},
                                                     {0, 2, {0, 0}},
                                                     {42, 2, {0, 0}}}) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " class " << c.deviceClass);
        CQuillonUSBDevice device;
        HidInterfaceInfo record;
        record.deviceClass = static_cast<uint16_t>(c.deviceClass);
        device.SetDeviceRecord(record);
        CDevicePageUI page(QStringLiteral("QuillonMouseDevice"));
        page.SetDevice(&device);
        EXPECT_EQ(page.ShowFunctionSwitch(c.type), c.tabs);
        EXPECT_EQ(page.FunctionSwitch(), c.type);
        EXPECT_EQ(FunctionSwitchTabsFor(c.type, c.deviceClass), c.tabs);
    }
}
