// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/LanguageResource.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include "base/Debug.h"

bool CLanguageResource::Load(const QString& file) {
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        DebugPrintf(DebugArea::App, "language file %s cannot be read", qPrintable(file));
        return false;
    }
    QHash<QString, QString> texts;
    QStringList duplicates;
    QXmlStreamReader xml(&input);
    if (xml.readNextStartElement() && xml.name() == QLatin1String("Language")) {
        while (xml.readNextStartElement()) {
            if (xml.name() != QLatin1String("Text")) {
                xml.skipCurrentElement();
                continue;
            }
            QString id = xml.attributes().value(QLatin1String("id")).toString();
            QString text = xml.readElementText();
            if (id.isEmpty())
                continue;
            if (texts.contains(id))
                duplicates << id;
            else
                texts.insert(id, text);
        }
    } else {
        xml.raiseError(QStringLiteral("not a language file"));
    }
    if (xml.hasError()) {
        DebugPrintf(DebugArea::App, "language file %s: %s (line %lld)", qPrintable(file),
                    qPrintable(xml.errorString()), static_cast<long long>(xml.lineNumber()));
        return false;
    }
    m_texts = std::move(texts);
    m_duplicates = std::move(duplicates);
    m_fileName = QFileInfo(file).fileName();
    return true;
}

QString CLanguageResource::Text(const QString& key) const {
    auto it = m_texts.constFind(key);
    if (it != m_texts.constEnd())
        return *it;
    DebugPrintf(DebugArea::App, "language key %s missing", qPrintable(key));
    return key;
}
