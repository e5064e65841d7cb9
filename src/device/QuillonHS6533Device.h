// SPDX-License-Identifier: GPL-2.0-or-later
// The headset family; the base behaviour for now.
#pragma once

#include "device/QuillonUSBDevice.h"

class CQuillonHS6533Device : public CQuillonUSBDevice {
  public:
    using CQuillonUSBDevice::CQuillonUSBDevice;
};
