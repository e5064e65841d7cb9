// SPDX-License-Identifier: GPL-2.0-or-later
// The private font files of the program folder ("Font/"), loaded for this process only.
#pragma once

#include <QList>
#include <QString>

class CAppFonts {
  public:
    // Loads the files present, in order; missing or unreadable ones are skipped.
    void Load(const QString& fontFolder);
    // In reverse order.
    void Remove();
    int Count() const { return static_cast<int>(m_ids.size()); }

  private:
    QList<int> m_ids;
};
