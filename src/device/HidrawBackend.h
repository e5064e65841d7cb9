// SPDX-License-Identifier: GPL-2.0-or-later
// HID interfaces of the Linux kernel's hidraw nodes, found and watched through libudev.
#pragma once

#include <memory>

#include "device/HidBackend.h"

// Each top-level collection of each /dev/hidraw* node is one interface path
// ("/dev/hidraw3#vid_320f&pid_226e&mi_01&col02"; no "&col" when the node has one collection).
// ChangeFd() is a udev monitor on the hidraw subsystem.
std::shared_ptr<IHidBackend> MakeHidrawBackend();
