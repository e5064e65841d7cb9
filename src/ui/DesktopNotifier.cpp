// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include "base/Debug.h"

void CDBusNotifier::Notify(const QString& tag, const QString& summary, const QString& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        DebugPrintf(DebugArea::App, "no session bus for the notification \"%s\"",
                    qPrintable(summary));
        return;
    }
    unsigned replaces = 0;
    for (const Sent& sent : *m_sent)
        if (sent.tag == tag)
            replaces = sent.id;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("kestrune-q418"));
    call << QStringLiteral("Kestrune Q418-RGB") << replaces << QStringLiteral("kestrune-q418")
         << summary << body << QStringList() << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [sent = m_sent, tag](QDBusPendingCallWatcher* finished) {
                         QDBusPendingReply<unsigned> reply = *finished;
                         finished->deleteLater();
                         if (reply.isError()) {
                             DebugPrintf(DebugArea::App, "notification not shown: %s",
                                         qPrintable(reply.error().message()));
                             return;
                         }
                         for (Sent& each : *sent) {
                             if (each.tag == tag) {
                                 each.id = reply.value();
                                 return;
                             }
                         }
                         sent->push_back({tag, reply.value()});
                     });
}
