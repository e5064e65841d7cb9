// The headset family; the base behaviour for now.
#pragma once

#include "device/QuillonUSBDevice.h"

class CQuillonHS6533Device : public CQuillonUSBDevice {
  public:
    using CQuillonUSBDevice::CQuillonUSBDevice;
    const char* ClassName() const override { return "QuillonHS6533Device"; }
};
