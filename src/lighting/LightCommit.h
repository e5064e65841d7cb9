// SPDX-License-Identifier: GPL-2.0-or-later
// What the lighting page asks of its device: an edit of the light record, run on the device's
// worker. The mouse implements it; the page never sees more of the device.
#pragma once

#include <functional>

#include "records/ProfileRecords.h"

// What an edit reached: the device, and the profile file.
struct LightCommitResult {
    bool sent = false;
    bool saved = false;
};

class ILightPageDevice {
  public:
    using LightEdit = std::function<void(LightInfo&)>;
    // The record as the device has it then, edited, stored, applied to the preview state and
    // written; `leaveSync` first ends the synchronised lighting. After a failure the device's
    // page is shown the profile as it then stands.
    virtual LightCommitResult CommitLightEdit(const LightEdit& edit, bool leaveSync) = 0;

  protected:
    ~ILightPageDevice() = default;
};
