// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse-pad family: lighting only; the base behaviour for now.
#pragma once

#include "device/QuillonUSBDevice.h"

class CQuillonMousePadDevice : public CQuillonUSBDevice {
  public:
    using CQuillonUSBDevice::CQuillonUSBDevice;
};
