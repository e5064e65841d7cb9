// SPDX-License-Identifier: GPL-2.0-or-later
// Checks a handler table against the controls under a root: each row names at least one control,
// and the notify mapper sends the row's type for that control's class, so no row is a handler
// that can never run.
#pragma once

#include <QStringList>
#include <QWidget>
#include <span>
#include <string>

#include "ui/NotifyMapper.h"
#include "ui/Page.h"

// The rows that cannot fire under `root`, each with the reason.
template <class Owner>
QStringList RowsThatCannotFire(const QWidget& root, std::span<const PageHandler<Owner>> table) {
    QList<const QWidget*> all = {&root};
    for (const QWidget* child : root.findChildren<const QWidget*>())
        all << child;
    QStringList faults;
    for (const PageHandler<Owner>& row : table) {
        const QString type = QString::fromLatin1(row.type);
        const std::string prefix = row.name;
        const bool numbered = !prefix.empty() && prefix.back() == '_';
        int controls = 0;
        for (const QWidget* control : all) {
            const QString name = control->objectName();
            if (numbered ? ControlNumber(name, prefix) < 0 : name != QLatin1String(row.name))
                continue;
            ++controls;
            if (!CNotifyMapper::TypesSent(*control).contains(type))
                faults << QStringLiteral("\"%1\" of %2 (%3)")
                              .arg(type, name, QLatin1String(control->metaObject()->className()));
        }
        if (controls == 0)
            faults << QStringLiteral("\"%1\" of %2: no such control")
                          .arg(type, QLatin1String(row.name));
    }
    return faults;
}
