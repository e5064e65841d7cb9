// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/Page.h"

int ControlNumber(const QString& name, std::string_view prefix) {
    const QLatin1String start(prefix.data(), static_cast<qsizetype>(prefix.size()));
    if (!name.startsWith(start) || name.size() == start.size())
        return -1;
    int number = 0;
    for (qsizetype i = start.size(); i < name.size(); ++i) {
        const QChar c = name[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9') || number > 100000)
            return -1;
        number = number * 10 + (c.unicode() - '0');
    }
    return number;
}

bool RouteToPages(TNotifyUI& msg) {
    for (QObject* each = msg.pSender ? msg.pSender->parent() : nullptr; each;
         each = each->parent()) {
        if (auto* page = qobject_cast<CPageUI*>(each); page && page->HandleNotify(msg))
            return true;
        // The sender may have gone with the handler's work.
        if (!msg.pSender)
            return true;
    }
    return false;
}

QStringList MissingControls(const QWidget& root, std::span<const PageControl> controls) {
    QStringList missing;
    auto check = [&](const QString& name) {
        if (root.objectName() != name && !root.findChild<QWidget*>(name))
            missing << name;
    };
    for (const PageControl& control : controls) {
        const QString name = QString::fromLatin1(control.name);
        if (!control.Numbered())
            check(name);
        for (int n = control.first; n <= control.last; ++n)
            check(name + QString::number(n));
    }
    return missing;
}
