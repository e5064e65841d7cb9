// SPDX-License-Identifier: GPL-2.0-or-later
// What the recoil page asks of its device: the four patterns sent, on the device's worker. The
// mouse implements it; the page never sees more of the device.
#pragma once

enum class RecoilSent {
    kNotSent,  // the mouse did not take them
    kSent,
    kTooLarge,  // too large to describe: nothing was sent
};

class IRecoilDevice {
  public:
    virtual RecoilSent SendRecoilPatterns() = 0;

  protected:
    ~IRecoilDevice() = default;
};
