// SPDX-License-Identifier: GPL-2.0-or-later

#include "emulator/SimDescriptors.h"

std::vector<uint8_t> SimEventInterfaceDescriptor() {
    // clang-format off
    return {
        // Mouse: 5 buttons, 16-bit relative X/Y, wheel.
        0x05, 0x01,        // Usage Page (Generic Desktop)
        0x09, 0x02,        // Usage (Mouse)
        0xA1, 0x01,        // Collection (Application)
        0x85, kSimMouseReportId,
        0x09, 0x01,        //   Usage (Pointer)
        0xA1, 0x00,        //   Collection (Physical)
        0x05, 0x09,        //     Usage Page (Button)
        0x19, 0x01,        //     Usage Minimum (1)
        0x29, 0x05,        //     Usage Maximum (5)
        0x15, 0x00,        //     Logical Minimum (0)
        0x25, 0x01,        //     Logical Maximum (1)
        0x95, 0x05,        //     Report Count (5)
        0x75, 0x01,        //     Report Size (1)
        0x81, 0x02,        //     Input (Data, Variable, Absolute)
        0x95, 0x01,        //     Report Count (1)
        0x75, 0x03,        //     Report Size (3)
        0x81, 0x03,        //     Input (Constant)
        0x05, 0x01,        //     Usage Page (Generic Desktop)
        0x09, 0x30,        //     Usage (X)
        0x09, 0x31,        //     Usage (Y)
        0x16, 0x01, 0x80,  //     Logical Minimum (-32767)
        0x26, 0xFF, 0x7F,  //     Logical Maximum (32767)
        0x75, 0x10,        //     Report Size (16)
        0x95, 0x02,        //     Report Count (2)
        0x81, 0x06,        //     Input (Data, Variable, Relative)
        0x09, 0x38,        //     Usage (Wheel)
        0x15, 0x81,        //     Logical Minimum (-127)
        0x25, 0x7F,        //     Logical Maximum (127)
        0x75, 0x08,        //     Report Size (8)
        0x95, 0x01,        //     Report Count (1)
        0x81, 0x06,        //     Input (Data, Variable, Relative)
        0xC0,              //   End Collection
        0xC0,              // End Collection

        // Keyboard: modifiers, reserved byte, six key slots (macros play keys through it).
        0x05, 0x01,        // Usage Page (Generic Desktop)
        0x09, 0x06,        // Usage (Keyboard)
        0xA1, 0x01,        // Collection (Application)
        0x85, kSimKeyboardReportId,
        0x05, 0x07,        //   Usage Page (Keyboard)
        0x19, 0xE0,        //   Usage Minimum (Left Control)
        0x29, 0xE7,        //   Usage Maximum (Right GUI)
        0x15, 0x00,        //   Logical Minimum (0)
        0x25, 0x01,        //   Logical Maximum (1)
        0x75, 0x01,        //   Report Size (1)
        0x95, 0x08,        //   Report Count (8)
        0x81, 0x02,        //   Input (Data, Variable, Absolute)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x01,        //   Report Count (1)
        0x81, 0x03,        //   Input (Constant)
        0x19, 0x00,        //   Usage Minimum (0)
        0x2A, 0xFF, 0x00,  //   Usage Maximum (255)
        0x15, 0x00,        //   Logical Minimum (0)
        0x26, 0xFF, 0x00,  //   Logical Maximum (255)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x06,        //   Report Count (6)
        0x81, 0x00,        //   Input (Data, Array)
        0xC0,              // End Collection

        // Consumer control: one 16-bit value; the mouse's notifications ride on it.
        0x05, 0x0C,                    // Usage Page (Consumer)
        0x09, 0x01,                    // Usage (Consumer Control)
        0xA1, 0x01,                    // Collection (Application)
        0x85, kSimEventReportId,
        0x19, 0x00,                    //   Usage Minimum (0)
        0x2A, 0xFF, 0xFF,              //   Usage Maximum (65535)
        0x15, 0x00,                    //   Logical Minimum (0)
        0x27, 0xFF, 0xFF, 0x00, 0x00,  //   Logical Maximum (65535)
        0x75, 0x10,                    //   Report Size (16)
        0x95, 0x01,                    //   Report Count (1)
        0x81, 0x00,                    //   Input (Data, Array)
        0xC0,                          // End Collection
    };
    // clang-format on
}

std::vector<uint8_t> SimConfigInterfaceDescriptor() {
    // clang-format off
    return {
        // System control: power down, sleep, wake up.
        0x05, 0x01,        // Usage Page (Generic Desktop)
        0x09, 0x80,        // Usage (System Control)
        0xA1, 0x01,        // Collection (Application)
        0x85, kSimSystemReportId,
        0x19, 0x81,        //   Usage Minimum (System Power Down)
        0x29, 0x83,        //   Usage Maximum (System Wake Up)
        0x15, 0x00,        //   Logical Minimum (0)
        0x25, 0x01,        //   Logical Maximum (1)
        0x75, 0x01,        //   Report Size (1)
        0x95, 0x03,        //   Report Count (3)
        0x81, 0x02,        //   Input (Data, Variable, Absolute)
        0x75, 0x05,        //   Report Size (5)
        0x95, 0x01,        //   Report Count (1)
        0x81, 0x03,        //   Input (Constant)
        0xC0,              // End Collection

        // Vendor configuration: 63 data bytes each way after the report ID.
        0x06, 0x1C, 0xFF,  // Usage Page (0xFF1C)
        0x09, 0x92,        // Usage (0x92)
        0xA1, 0x01,        // Collection (Application)
        0x85, kSimConfigReportId,
        0x15, 0x00,        //   Logical Minimum (0)
        0x26, 0xFF, 0x00,  //   Logical Maximum (255)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x3F,        //   Report Count (63)
        0x09, 0x01,        //   Usage (0x01)
        0x81, 0x02,        //   Input (Data, Variable, Absolute)
        0x09, 0x02,        //   Usage (0x02)
        0x91, 0x02,        //   Output (Data, Variable, Absolute)
        0xC0,              // End Collection
    };
    // clang-format on
}
