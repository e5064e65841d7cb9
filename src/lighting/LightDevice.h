// SPDX-License-Identifier: GPL-2.0-or-later
// What the light threads need from a device. The mouse device implements it; the terminal
// preview and the tests have their own small ones.
#pragma once

#include "lighting/LightEngine.h"

class ILightDevice {
  public:
    virtual ~ILightDevice() = default;

    // Light state, LED count, the gates (present, synchronised, preview wanted) and the frame.
    // The device keeps the gates up to date: changing one wakes the threads that wait on it.
    virtual CLightEngine& GetLightEngine() = 0;
    // Device class (1 keyboard, 2 mouse, 3 mouse pad, 7 headset; 9 and 6 through the receiver).
    virtual int GetDeviceClass() const = 0;
    // A new frame is in the engine's frame. Runs on the light or synchronisation thread: paint
    // from it, or hand it to the UI thread; do not block.
    virtual void OnLightFrame(const CLightFrame& frame) = 0;
    // The synchronised lighting gives the device this record (its own effect number for the
    // common effect): show it on the lighting page, store it, apply it and write it to the device
    // (profile slot 0). Runs where CLightSync's hand-over puts it: the device's command thread.
    virtual void ApplySynchronisedLight(const LightInfo& info) = 0;
};
