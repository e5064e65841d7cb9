// SPDX-License-Identifier: GPL-2.0-or-later
// The tray icon: left click and right click reported to the owner. Desktops without a tray
// (plain X servers, some Wayland shells) have none; the owner asks IsAvailable.
#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <optional>

class CTrayIcon : public QObject {
    Q_OBJECT
  public:
    explicit CTrayIcon(QObject* parent = nullptr);
    ~CTrayIcon() override;

    void Create(const QIcon& icon, const QString& toolTip);
    void Remove();
    bool IsCreated() const { return m_icon != nullptr; }
    void SetToolTip(const QString& toolTip);
    QString ToolTip() const { return m_toolTip; }

    // Whether a tray exists to bring a hidden window back from.
    static bool IsAvailable();
    // Tests stand in for a desktop with or without a tray.
    static void SetAvailabilityForTesting(std::optional<bool> available);

    // As the tray reports them; tests call it directly.
    void Activate(QSystemTrayIcon::ActivationReason reason);

  signals:
    void LeftClicked();
    void RightClicked(const QPoint& globalPosition);

  private:
    QSystemTrayIcon* m_icon = nullptr;
    QString m_toolTip;
};
