// SPDX-License-Identifier: GPL-2.0-or-later
// The protocol floor of one settings image write: begin, the image in chunks of 56 (cable) or
// 24 (receiver) bytes, end, the receiver asking for the link first; two report intervals per
// transaction plus the 10 ms pause before the end command.
#pragma once

#include "device/ReportChannel.h"
#include "mouse/MouseSettingsBlock.h"

struct SettingsWriteFloor {
    unsigned transactions;
    double ms;
};

inline SettingsWriteFloor SettingsImageFloor(bool receiver, double intervalMs) {
    const unsigned chunk = receiver ? 24 : 56;
    const unsigned transactions =
        (receiver ? 1 : 0) + 2 + (kMouseSettingsBlockSize + chunk - 1) / chunk;
    return {transactions, transactions * 2 * intervalMs + 10.0};
}

// The floor of one block sent as the macro download does: the information block read (34 bytes
// in chunks), begin,
// the block in chunks, end; through the receiver each of the last three asks for the link first.
// The key table adds one more link query before its information block read.
inline SettingsWriteFloor BlockFloor(bool receiver, double intervalMs, unsigned bytes,
                                     bool keyTable) {
    const unsigned chunk = receiver ? 24 : 56;
    const unsigned information = (kInformationBlockSize + chunk - 1) / chunk;
    const unsigned transactions =
        information + 2 + (bytes + chunk - 1) / chunk + (receiver ? 3u + (keyTable ? 1u : 0u) : 0u);
    return {transactions, transactions * 2 * intervalMs + 10.0};
}

// A profile switch: the settings image, the macro block, then the key table, each its own
// configuration with its own pause before the end.
inline SettingsWriteFloor ProfileSwitchFloor(bool receiver, double intervalMs,
                                             unsigned macroBlockBytes, unsigned keyTableBytes) {
    const SettingsWriteFloor parts[] = {SettingsImageFloor(receiver, intervalMs),
                                        BlockFloor(receiver, intervalMs, macroBlockBytes, false),
                                        BlockFloor(receiver, intervalMs, keyTableBytes, true)};
    SettingsWriteFloor total{0, 0.0};
    for (const SettingsWriteFloor& part : parts) {
        total.transactions += part.transactions;
        total.ms += part.ms;
    }
    return total;
}
