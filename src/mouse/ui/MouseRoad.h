// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse's end of the page road (ui/PageRoad.h): the commits of the mouse pages run on the
// mouse's worker with the mouse itself, and a MouseResult names its message once, here.
#pragma once

#include "mouse/QuillonMouseDevice.h"
#include "ui/PageRoad.h"

using MouseRoad = CCommitRoad<CQuillonMouseDevice>;
using MouseCommitted = Committed<MouseResult>;

// The mouse that stopped answering first, then what did not fit, then the macros alone, then
// the profile file.
PageMessage ResultMessage(const CommitNames& names, const MouseResult& result);

// The messages each operation of the mouse pages names for its failures.
namespace mouse_commits {
// A settings change (DPI, performance, pointer, lighting): the profile file, then the mouse.
inline constexpr CommitNames kSettings{"settings_busy_text", "settings_not_sent_text",
                                       "settings_not_saved_text", nullptr, nullptr};
// The button functions and the macros they use.
inline constexpr CommitNames kButtons{"keyset_apply_busy_mouse_text", "keyset_apply_failed_text",
                                      "keyset_profile_not_saved_text", "message_text_16",
                                      "message_text_7"};
// A profile switch or reset.
inline constexpr CommitNames kSwitch{"profile_switch_busy_text", "profile_switch_failed_text",
                                     nullptr, "profile_macros_too_long_text", "message_text_7"};
// The default settings restored; the page names the folder of a file it could not write.
inline constexpr CommitNames kDefaults{
    "profile_defaults_busy_text", "profile_defaults_not_written_text", nullptr, nullptr, nullptr};
// Work that has nothing to tell.
inline constexpr CommitNames kQuiet{};
}  // namespace mouse_commits
