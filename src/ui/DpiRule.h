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
inline double DpiScale(int dpi) {
    return dpi / static_cast<double>(kBaseDpi);
}
