// SPDX-License-Identifier: GPL-2.0-or-later
// Texts by language key, read from one language file of the skin ("lang/lan_en.xml").
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class CLanguageResource {
  public:
    // Replaces the texts with the file's; false (texts unchanged) when it cannot be read.
    bool Load(const QString& file);
    // The key's text; an unknown key shows as itself, so a gap is visible rather than blank.
    QString Text(const QString& key) const;
    bool Has(const QString& key) const { return m_texts.contains(key); }
    QStringList Keys() const { return m_texts.keys(); }
    // Keys that appeared more than once in the last file loaded (the first one counts).
    const QStringList& Duplicates() const { return m_duplicates; }
    // The file's name ("lan_en.xml"); empty before a load.
    const QString& FileName() const { return m_fileName; }

  private:
    QHash<QString, QString> m_texts;
    QStringList m_duplicates;
    QString m_fileName;
};
