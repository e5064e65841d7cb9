// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated mouse as HID interfaces beside the real ones ("--emulate").
#pragma once

#include <memory>

#include "device/HidBackend.h"
#include "emulator/SimWorld.h"

// Paths are "<node>#vid_...": the node is the simulated interface's ("emulated/cable-if1").
std::shared_ptr<IHidBackend> MakeEmulatedHidBackend(std::shared_ptr<CSimWorld> world);
