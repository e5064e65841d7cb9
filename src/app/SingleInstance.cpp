// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/SingleInstance.h"

#include <unistd.h>
#include <QDir>
#include <QLocalSocket>

#include "base/Debug.h"
#include "base/Paths.h"

namespace {
constexpr int kWakeTimeoutMs = 2000;
constexpr char kRaise[] = "raise\n";
}  // namespace

QString CSingleInstance::DefaultName() {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty())
        return QDir(QDir::tempPath())
            .filePath(QStringLiteral("%1-%2").arg(kProductName).arg(getuid()));
    return QDir(folder).filePath(QString::fromUtf8(kProductName));
}

CSingleInstance::CSingleInstance(QString name, QObject* parent)
    : QObject(parent), m_name(std::move(name)) {}

bool CSingleInstance::WakeRunning() {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kWakeTimeoutMs))
        return false;
    socket.write(kRaise);
    socket.waitForBytesWritten(kWakeTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool CSingleInstance::Claim() {
    if (m_server)
        return true;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (WakeRunning()) {
            DebugLine(DebugArea::App, "another instance runs: raised it");
            return false;
        }
        // Nobody answers: a socket left by a crashed instance is stale.
        QLocalServer::removeServer(m_name);
        auto* server = new QLocalServer(this);
        server->setSocketOptions(QLocalServer::UserAccessOption);
        if (server->listen(m_name)) {
            m_server = server;
            connect(server, &QLocalServer::newConnection, this, [this] {
                while (QLocalSocket* peer = m_server->nextPendingConnection()) {
                    connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                        if (peer->readAll().contains("raise"))
                            emit RaiseRequested();
                    });
                    connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
                }
            });
            return true;
        }
        // Lost a race with another start: it listens now, so wake it.
        delete server;
    }
    DebugLine(DebugArea::App, "single instance socket unavailable: running anyway");
    return true;
}
