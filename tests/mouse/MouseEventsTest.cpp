// SPDX-License-Identifier: GPL-2.0-or-later
// What each event report asks for.
#include "mouse/MouseEvents.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct EventCase {
    uint16_t code;
    bool receiver;
    MouseEventAction action;
    int slot;
    int stage;
};

TEST(MouseEvents, CodesDecodeIntoWhatToDo) {
    using A = MouseEventAction;
    const EventCase cases[] = {
        {0x0401, false, A::kReloadSettings, -1, -1},
        {0x0401, true, A::kReloadSettings, -1, -1},
        {0x0403, false, A::kReactiveLight, -1, -1},
        {0x0403, true, A::kIgnore, -1, -1},  // the reactive trigger is the cable's only
        {0x1123, false, A::kRefreshProfile, 3, 2},
        {0x1005, true, A::kRefreshProfile, 5, -1},
        {0x11F0, false, A::kRefreshProfile, 0, -1},  // no stage 15
        {0x0402, false, A::kIgnore, -1, -1},
        {0x1200, false, A::kIgnore, -1, -1},
        {0x0400, false, A::kIgnore, -1, -1},
        {0x0FFF, false, A::kIgnore, -1, -1},
    };
    for (const EventCase& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.code << (c.receiver ? " receiver" : ""));
        const std::vector<uint8_t> report = {0x03, static_cast<uint8_t>(c.code),
                                             static_cast<uint8_t>(c.code >> 8), 0x04};
        const MouseEvent event = DecodeMouseEvent(report, c.receiver);
        EXPECT_EQ(event.code, c.code);
        EXPECT_EQ(event.action, c.action);
        EXPECT_EQ(event.profileSlot, c.slot);
        EXPECT_EQ(event.dpiStage, c.stage);
        EXPECT_EQ(event.delayMs, c.action == A::kReloadSettings ? 50 : 0);
    }
    EXPECT_EQ(DecodeMouseEvent(std::vector<uint8_t>{0x03, 0x01}, false), MouseEvent{});
    EXPECT_EQ(DescribeMouseEvent(DecodeMouseEvent(std::vector<uint8_t>{3, 0x23, 0x11}, false)),
              "the mouse switched to profile slot 3, DPI stage 3: showing the profile again");
}

}  // namespace
