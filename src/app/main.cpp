// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/WindowApp.h"

int main(int argc, char** argv) {
    return RunWindowApp(argc, argv);
}
