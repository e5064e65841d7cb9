// SPDX-License-Identifier: GPL-2.0-or-later
// The power item of a device: battery level, charging state and whether the mouse is reached
// through its receiver. Element "MpDevicePower", built from
// "XML\CustomControlXML\MpDevicePower.xml".
#pragma once

#include <QWidget>
#include <cstdint>
#include <span>

#include "ui/Page.h"

class QLabel;
class QProgressBar;

class CMpDevicePowerUI : public QWidget {
    Q_OBJECT
  public:
    static constexpr size_t kMaxRecordSize = 64;
    static constexpr const char* kPhoneType = "device_phone_type";
    static constexpr const char* kBatteryLayout = "device_power_Layout";
    static constexpr const char* kProgress = "device_Power_progress";
    static constexpr const char* kValue = "device_power_value";
    static constexpr const char* kReceiverLogo = "device_wuxian_logo";
    static constexpr const char* kStatus = "device_power_status";
    static constexpr PageControl kControls[] = {{kBatteryLayout}, {kValue},  {kReceiverLogo},
                                                {kProgress},      {kStatus}, {kPhoneType}};

    explicit CMpDevicePowerUI(QWidget* parent = nullptr);

    void SetClassAndKind(int deviceClass, int kind);
    int DeviceClass() const { return m_class; }
    int Kind() const { return m_kind; }
    // The battery part shows only for devices with a battery.
    void SetWirelessCapable(bool capable);
    bool IsWirelessCapable() const { return m_wirelessCapable; }

    // A power status record: byte 0 battery percent, 1 charging state (0 full, 1 charging, 2 on
    // battery), 3 through the receiver, 5 phone type (mouse pad). At most 64 bytes are taken; a
    // shorter record reads as padded with zeros.
    void Update(std::span<const uint8_t> record);

    // The image attribute ("file='power/power.png'") last given to a sub-control.
    static QString ImageOf(const QWidget* control);

  private:
    template <class T = QWidget>
    T* Sub(const char* name);
    void SetImage(QWidget* control, const QString& attribute);

    int m_class = 0;
    int m_kind = 0;
    bool m_wirelessCapable = false;
};

// The file of an image attribute string ("file='power/power.png'"), or the text itself when it
// is a plain path.
QString ImageAttributeFile(const QString& attribute);
