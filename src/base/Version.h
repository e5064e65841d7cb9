// SPDX-License-Identifier: GPL-2.0-or-later
// The application's version: the build's project version, set once in the top CMakeLists.txt.
#pragma once

#include <string_view>

// "MAJOR.MINOR.PATCH", as both programs' --version, the about window, the package and the
// AppStream releases show it; the version the update service is asked about.
std::string_view ApplicationVersion();
