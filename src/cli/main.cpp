// SPDX-License-Identifier: GPL-2.0-or-later

#include <iostream>

#include "cli/Cli.h"

int main(int argc, char** argv) {
    return RunKestrunectl(argc, argv, std::cout, std::cerr);
}
