// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/SkinResources.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <cmath>

#include "base/Debug.h"

CSkinResources& Skin() {
    static CSkinResources resources;
    return resources;
}

bool CSkinResources::Load(const QString& folder) {
    QDir dir(folder);
    QFile map(dir.filePath(QStringLiteral("res.xml")));
    if (!map.open(QIODevice::ReadOnly)) {
        DebugPrintf(DebugArea::App, "skin map %s cannot be read", qPrintable(map.fileName()));
        return false;
    }
    QHash<QString, QString> layouts;
    QString styleSheet, appIcon;
    QXmlStreamReader xml(&map);
    if (xml.readNextStartElement() && xml.name() == QLatin1String("Res")) {
        while (xml.readNextStartElement()) {
            auto attributes = xml.attributes();
            QString file = attributes.value(QLatin1String("file")).toString();
            if (xml.name() == QLatin1String("Layout"))
                layouts.insert(attributes.value(QLatin1String("id")).toString(), file);
            else if (xml.name() == QLatin1String("StyleSheet"))
                styleSheet = file;
            else if (xml.name() == QLatin1String("Icon"))
                appIcon = file;
            xml.skipCurrentElement();
        }
    } else {
        xml.raiseError(QStringLiteral("not a skin map"));
    }
    if (xml.hasError()) {
        DebugPrintf(DebugArea::App, "skin map %s: %s", qPrintable(map.fileName()),
                    qPrintable(xml.errorString()));
        return false;
    }
    m_folder = dir.absolutePath();
    m_layouts = std::move(layouts);
    m_appIcon = appIcon;
    m_styleSheetText.clear();
    if (!styleSheet.isEmpty()) {
        QFile qss(FilePath(styleSheet));
        if (qss.open(QIODevice::ReadOnly))
            m_styleSheetText = QString::fromUtf8(qss.readAll());
        else
            DebugPrintf(DebugArea::App, "style sheet %s cannot be read", qPrintable(styleSheet));
    }
    QDir::setSearchPaths(QStringLiteral("skin"), {m_folder});
    return true;
}

QString CSkinResources::FilePath(const QString& relative) const {
    QString path = relative;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir(m_folder).filePath(path);
}

QString CSkinResources::LayoutFile(const QString& idOrPath) const {
    auto it = m_layouts.constFind(idOrPath);
    return FilePath(it != m_layouts.constEnd() ? *it : idOrPath);
}

QString CSkinResources::StyleSheet(double scale) const {
    return ScaleStyleSheet(m_styleSheetText, scale);
}

bool CSkinResources::LoadLanguage(const QString& fileName) {
    return m_language.Load(FilePath(QStringLiteral("lang/") + fileName));
}

QString ScaleStyleSheet(const QString& styleSheet, double scale) {
    if (scale == 1.0)
        return styleSheet;
    static const QRegularExpression kPixels(QStringLiteral("(\\d+(?:\\.\\d+)?)px"));
    QString result;
    result.reserve(styleSheet.size());
    qsizetype last = 0;
    auto matches = kPixels.globalMatch(styleSheet);
    while (matches.hasNext()) {
        auto match = matches.next();
        result += QStringView(styleSheet).mid(last, match.capturedStart() - last);
        double value = match.captured(1).toDouble();
        long scaled = std::lround(value * scale);
        if (value > 0 && scaled < 1)
            scaled = 1;
        result += QString::number(scaled) + QStringLiteral("px");
        last = match.capturedEnd();
    }
    result += QStringView(styleSheet).mid(last);
    return result;
}
