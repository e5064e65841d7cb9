// SPDX-License-Identifier: GPL-2.0-or-later
// Window DPI: the values a window accepts and the one a monitor gets.
#pragma once

#include <string_view>

inline constexpr int kBaseDpi = 96;

// 48, 72, 96, 120, 144, 168 and 192.
bool IsSupportedDpi(int dpi);
// `dpi` when supported, else 96 with `errorLine` on the debug output.
int CheckedDpi(int dpi, std::string_view errorLine);
// 144 on a monitor wider than 1500 and taller than 960 pixels, else 96.
int DpiForMonitor(int width, int height);
// `dpi`, or the largest supported value below it at which a window of `baseWidth` × `baseHeight`
// (at 96 DPI) fits into `availableWidth` × `availableHeight`; 48 when none does.
int FittingDpi(int dpi, int baseWidth, int baseHeight, int availableWidth, int availableHeight);
inline double DpiScale(int dpi) {
    return dpi / static_cast<double>(kBaseDpi);
}
