// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/PageRoad.h"

#include <QFileInfo>

#include "base/Debug.h"
#include "ui/SkinResources.h"

void CPageMessages::Show(const PageMessage& message, bool ask, std::function<void(bool)> answered) {
    m_keys << message.key;
    if (m_answerer) {
        const bool yes = m_answerer(message, ask);
        if (answered)
            answered(yes);
        return;
    }
    QString text = Skin().Text(message.key);
    if (!message.argument.isNull())
        text = text.arg(message.argument);
    if (!m_opener) {
        DebugPrintf(DebugArea::App, "message not shown: %s", qPrintable(text));
        if (answered)
            answered(false);
        return;
    }
    m_opener(text, ask, std::move(answered));
}

void CPageMessages::Tell(const PageMessage& message) {
    Show(message, false, {});
}

void CPageMessages::Ask(const PageMessage& message, std::function<void()> confirmed) {
    Show(message, true, [confirmed = std::move(confirmed)](bool yes) {
        if (yes && confirmed)
            confirmed();
    });
}

void WriteUnlessDeclined(CPageMessages* messages, const QString& file,
                         std::function<void()> write) {
    if (!QFileInfo::exists(file)) {
        write();
        return;
    }
    if (!messages)
        return;
    messages->Ask({QStringLiteral("file_replace_text"), QFileInfo(file).fileName()},
                  std::move(write));
}
