// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/AppFonts.h"

#include <QDir>
#include <QFontDatabase>

#include "base/Debug.h"

void CAppFonts::Load(const QString& fontFolder) {
    static const char* const kFiles[] = {"Simplified_Chinese.ttf", "Vuvureve-Regular.otf",
                                         "NotoSansThai-Regular.ttf", "NotoSansCJKtc-Regular.otf"};
    QDir folder(fontFolder);
    for (const char* file : kFiles) {
        QString path = folder.filePath(QString::fromLatin1(file));
        if (!QFile::exists(path))
            continue;
        int id = QFontDatabase::addApplicationFont(path);
        if (id < 0)
            DebugPrintf(DebugArea::App, "font %s cannot be loaded", qPrintable(path));
        else
            m_ids << id;
    }
}

void CAppFonts::Remove() {
    while (!m_ids.isEmpty())
        QFontDatabase::removeApplicationFont(m_ids.takeLast());
}
