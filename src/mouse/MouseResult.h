// SPDX-License-Identifier: GPL-2.0-or-later
// What an operation of the mouse reached, in one shape for every operation the front ends call.
// The integer results of the family interface stay as they are; these are built beside them.
#pragma once

#include "device/ReportChannel.h"

// The transfer that failed first.
enum class MouseStep {
    kNone,
    kInformation,  // the information block and key table
    kStatus,       // battery and charging
    kSettings,     // the settings image
    kMacros,
    kKeyTable,
    kRecoil,
};

struct MouseResult {
    // The first failing command's result (kResultUnreachable with the receiver's link down, ...);
    // kResultDone when the mouse has everything.
    int device = kResultDone;
    MouseStep failed = MouseStep::kNone;
    // The profile file, where the operation saves it.
    bool saved = true;
    // What did not fit the mouse: macro events over its limit, 1 for recoil patterns too large
    // to describe. Nothing was sent then.
    int overLimit = 0;

    bool Sent() const { return device == kResultDone && overLimit == 0; }
    bool Done() const { return Sent() && saved; }

    static MouseResult Failed(MouseStep step, int device) { return {device, step, true, 0}; }
};
