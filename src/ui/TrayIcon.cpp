// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/TrayIcon.h"

#include <QCursor>

namespace {
std::optional<bool> g_availability;
}

CTrayIcon::CTrayIcon(QObject* parent) : QObject(parent) {}

CTrayIcon::~CTrayIcon() {
    Remove();
}

void CTrayIcon::Create(const QIcon& icon, const QString& toolTip) {
    Remove();
    m_icon = new QSystemTrayIcon(icon, this);
    m_toolTip = toolTip;
    m_icon->setToolTip(toolTip);
    connect(m_icon, &QSystemTrayIcon::activated, this, &CTrayIcon::Activate);
    m_icon->show();
}

void CTrayIcon::SetToolTip(const QString& toolTip) {
    m_toolTip = toolTip;
    if (m_icon)
        m_icon->setToolTip(toolTip);
}

void CTrayIcon::Remove() {
    if (!m_icon)
        return;
    m_icon->hide();
    delete m_icon;
    m_icon = nullptr;
}

bool CTrayIcon::IsAvailable() {
    // isVisible() says true even where no tray exists; only this is reliable.
    return g_availability ? *g_availability : QSystemTrayIcon::isSystemTrayAvailable();
}

void CTrayIcon::SetAvailabilityForTesting(std::optional<bool> available) {
    g_availability = available;
}

void CTrayIcon::Activate(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger)
        emit LeftClicked();
    else if (reason == QSystemTrayIcon::Context)
        emit RightClicked(QCursor::pos());
}
