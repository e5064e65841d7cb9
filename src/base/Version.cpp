// SPDX-License-Identifier: GPL-2.0-or-later

#include "base/Version.h"

// Only this file is rebuilt when the version changes.
std::string_view ApplicationVersion() {
    return KESTRUNE_VERSION;
}
