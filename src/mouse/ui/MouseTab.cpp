// SPDX-License-Identifier: GPL-2.0-or-later

#include "mouse/ui/MouseTab.h"

#include "base/Debug.h"
#include "base/ThreadCheck.h"

CMouseTabUI::CMouseTabUI(QWidget* parent) : CPageUI(parent) {
    // Its panel background comes from the style sheet.
    setAttribute(Qt::WA_StyledBackground);
}

std::function<MouseResult(CQuillonMouseDevice&)> CMouseTabUI::Committed(MouseChange change,
                                                                        Tail tail) {
    return [tail, change = std::move(change)](CQuillonMouseDevice& mouse) {
        change(mouse);
        const MouseResult result =
            tail == Tail::kSaveAndWrite ? mouse.CommitSettings() : mouse.SaveProfile();
        if (!result.Done()) {
            DebugPrintf(DebugArea::Mouse, "settings change: saved %d, mouse result %d",
                        result.saved, result.device);
            // What the profile holds now, in place of what the page hoped for.
            mouse.ApplyProfile();
        }
        return result;
    };
}

void CMouseTabUI::Post(MouseChange change, Tail tail, Reply reply) {
    Commit(mouse_commits::kSettings, Committed(std::move(change), tail), std::move(reply));
}

void CMouseTabUI::Commit(const CommitNames& names,
                         std::function<MouseResult(CQuillonMouseDevice&)> work, Reply reply) {
    ExpectUiThread("CMouseTabUI::Commit");
    m_road.Commit<MouseResult>(this, names, std::move(work), std::move(reply));
}
