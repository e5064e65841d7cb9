// SPDX-License-Identifier: GPL-2.0-or-later
// The keyboard family. Its pages and settings come later; it has the base behaviour, and the
// base sends it the light-control notice.
#pragma once

#include "device/QuillonUSBDevice.h"

class CQuillonKeyboardDevice : public CQuillonUSBDevice {
  public:
    using CQuillonUSBDevice::CQuillonUSBDevice;
};
