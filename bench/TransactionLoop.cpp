// SPDX-License-Identifier: GPL-2.0-or-later
// Runs N status transactions on the simulated mouse (N from argv, default 1000). Under
// callgrind, the difference between two N gives the instructions of one transaction.
#include <cstdio>
#include <cstdlib>

#include "BenchChannel.h"

int main(int argc, char** argv) {
    long count = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000;
    CBenchChannel bench(0);
    uint8_t status[2];
    long failed = 0;
    for (long i = 0; i < count; ++i)
        if (bench.channel->ReadStatusBytes(status, 2, 0) != kResultDone)
            ++failed;
    if (failed)
        std::fprintf(stderr, "%ld transactions failed\n", failed);
    return failed ? 1 : 0;
}
