// SPDX-License-Identifier: GPL-2.0-or-later

#include "mouse/ui/MouseRoad.h"

namespace {

PageMessage Named(const char* key, const QString& argument = {}) {
    return key ? PageMessage{QLatin1String(key), argument} : PageMessage{};
}

}  // namespace

PageMessage ResultMessage(const CommitNames& names, const MouseResult& result) {
    if (CQuillonMouseDevice::LostTheMouse(result))
        return Named(names.failed);
    if (result.overLimit > 0)
        return Named(names.overLimit, QString::number(result.overLimit));
    if (result.failed == MouseStep::kMacros)
        return Named(names.partial);
    if (!result.Sent())
        return Named(names.failed);
    if (!result.saved)
        return Named(names.notSaved);
    return {};
}
