// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/DpiRule.h"

#include <algorithm>
#include <array>

#include "base/Debug.h"

bool IsSupportedDpi(int dpi) {
    static constexpr std::array kSupported = {48, 72, 96, 120, 144, 168, 192};
    return std::find(kSupported.begin(), kSupported.end(), dpi) != kSupported.end();
}

int CheckedDpi(int dpi, std::string_view errorLine) {
    if (IsSupportedDpi(dpi))
        return dpi;
    DebugLine(DebugArea::App, errorLine);
    return kBaseDpi;
}

int DpiForMonitor(int width, int height) {
    return width > 1500 && height > 960 ? 144 : kBaseDpi;
}

int FittingDpi(int dpi, int baseWidth, int baseHeight, int availableWidth, int availableHeight) {
    static constexpr std::array kDescending = {192, 168, 144, 120, 96, 72, 48};
    for (int candidate : kDescending) {
        if (candidate > dpi)
            continue;
        if (baseWidth * candidate <= availableWidth * kBaseDpi &&
            baseHeight * candidate <= availableHeight * kBaseDpi)
            return candidate;
    }
    return kDescending.back();
}
