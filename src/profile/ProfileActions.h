// SPDX-License-Identifier: GPL-2.0-or-later
// Profile-list workflows that more than one front end runs: kestrunectl now, the window's profile
// control next. Each leaves the list as it found it when a step fails.
#pragma once

#include <string_view>

#include "profile/ProfileList.h"

// The list of a device type (its device class `kind`, its type key "mouse") where both programs
// keep it: GetDeviceDataFolder(typeKey), new profiles made from GetDefaultProfileFile(typeKey).
// Returns what LoadList returns.
ProfileResult LoadDeviceProfileList(CProfileList& list, int kind, std::string_view typeKey);

struct ProfileAddition {
    ProfileResult result = ProfileResult::Done;
    int index = -1;  // the new profile's, when done
};

// Adds a profile made from the default document, named `name` (empty: the next free
// "ProfileN"), and makes it the current one. On failure the new profile is deleted again and
// the profile current before is current again, also for the next start.
ProfileAddition AddAndSelectProfile(CProfileList& list, std::string_view name);
