// The protocol floor of one settings image write: begin, the image in chunks of 56 (cable) or
// 24 (receiver) bytes, end, the receiver asking for the link first; two report intervals per
// transaction plus the 10 ms pause before the end command.
#pragma once

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
