// SPDX-License-Identifier: GPL-2.0-or-later
// The skin: its folder, the map of layout ids ("res.xml"), the style sheet and the language
// texts. One per process, as the windows share it.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include "ui/LanguageResource.h"

class CSkinResources {
  public:
    // Reads "res.xml" of the folder and makes "skin:" name its files (style sheets use
    // url(skin:image/...)). False when the map cannot be read.
    bool Load(const QString& folder);
    bool IsLoaded() const { return !m_folder.isEmpty(); }
    const QString& Folder() const { return m_folder; }

    // A layout id of the map ("XML_MAIN") or a path relative to the skin ("XML\\a.xml" or
    // "XML/a.xml") as an absolute file name.
    QString LayoutFile(const QString& idOrPath) const;
    QStringList LayoutIds() const { return m_layouts.keys(); }
    // Any file of the skin by relative path.
    QString FilePath(const QString& relative) const;
    QString AppIconFile() const { return FilePath(m_appIcon); }

    // The style sheet with its pixel sizes multiplied by `scale` (1.5 at 144 DPI).
    QString StyleSheet(double scale) const;

    // Loads "lang/<fileName>".
    bool LoadLanguage(const QString& fileName);
    const CLanguageResource& Language() const { return m_language; }
    QString Text(const QString& key) const { return m_language.Text(key); }

  private:
    QString m_folder;
    QHash<QString, QString> m_layouts;
    QString m_styleSheetText;
    QString m_appIcon;
    CLanguageResource m_language;
};

CSkinResources& Skin();

// Multiplies every "<n>px" of a style sheet by `scale`, rounding, never below 1 for a non-zero n.
QString ScaleStyleSheet(const QString& styleSheet, double scale);
