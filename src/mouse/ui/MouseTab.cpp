#include "mouse/ui/MouseTab.h"

#include "base/Debug.h"
#include "base/ThreadCheck.h"

CMouseTabUI::CMouseTabUI(QWidget* parent) : CPageUI(parent) {
    // Its panel background comes from the style sheet.
    setAttribute(Qt::WA_StyledBackground);
}

CMouseTabUI::MouseChange CMouseTabUI::Committed(const char* what, MouseChange change, Tail tail) {
    return [what, tail, change = std::move(change)](CQuillonMouseDevice& mouse) {
        change(mouse);
        if (tail == Tail::kNone)
            return;
        const MouseResult result =
            tail == Tail::kSaveAndWrite ? mouse.CommitSettings() : mouse.SaveProfile();
        if (!result.Done())
            DebugPrintf(DebugArea::Mouse, "%s: saved %d, mouse result %d", what, result.saved,
                        result.device);
    };
}

void CMouseTabUI::Post(const char* what, MouseChange change, Tail tail, Reply reply) {
    ExpectUiThread("CMouseTabUI::Post");
    if (!m_poster) {
        DebugPrintf(DebugArea::App, "%s not sent: the tab has no device", what);
        if (reply)
            reply(false);
        return;
    }
    m_poster(Committed(what, std::move(change), tail), std::move(reply));
}
