// SPDX-License-Identifier: GPL-2.0-or-later
// One tool per user session: the first start listens on a local socket; a later start tells it
// to come to the front and ends.
#pragma once

#include <QLocalServer>
#include <QObject>

class CSingleInstance : public QObject {
    Q_OBJECT
  public:
    // The socket under $XDG_RUNTIME_DIR (else the temporary folder) named after the product.
    static QString DefaultName();

    explicit CSingleInstance(QString name = DefaultName(), QObject* parent = nullptr);

    // True when this is the first instance (and now listens); false when another one runs and
    // was asked to raise its window.
    bool Claim();

  signals:
    // Another start asked this instance to come to the front.
    void RaiseRequested();

  private:
    bool WakeRunning();

    QString m_name;
    QLocalServer* m_server = nullptr;
};
