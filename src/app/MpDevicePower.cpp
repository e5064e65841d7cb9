// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/MpDevicePower.h"

#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QRegularExpression>
#include <QStyle>
#include <algorithm>
#include <array>

#include "ui/SkinResources.h"

namespace {

constexpr const char* kImageProperty = "bkimage";
// At or below this the battery shows in the warning colour.
constexpr int kLowLevel = 20;

}  // namespace

QString ImageAttributeFile(const QString& attribute) {
    static const QRegularExpression kFile(QStringLiteral("file='([^']*)'"));
    QRegularExpressionMatch match = kFile.match(attribute);
    return match.hasMatch() ? match.captured(1) : attribute.trimmed();
}

CMpDevicePowerUI::CMpDevicePowerUI(QWidget* parent) : QWidget(parent) {
    // Painted by the style sheet as the device column's card.
    setAttribute(Qt::WA_StyledBackground);
}

template <class T>
T* CMpDevicePowerUI::Sub(const char* name) {
    return findChild<T*>(QString::fromLatin1(name));
}

void CMpDevicePowerUI::SetClassAndKind(int deviceClass, int kind) {
    m_class = deviceClass;
    m_kind = kind;
    // Only the mouse pad reports a phone.
    if (QWidget* phone = Sub(kPhoneType))
        phone->setVisible(deviceClass == 3);
}

void CMpDevicePowerUI::SetWirelessCapable(bool capable) {
    m_wirelessCapable = capable;
    if (QWidget* battery = Sub(kBatteryLayout))
        battery->setVisible(capable);
}

QString CMpDevicePowerUI::ImageOf(const QWidget* control) {
    return control ? control->property(kImageProperty).toString() : QString();
}

void CMpDevicePowerUI::SetImage(QWidget* control, const QString& attribute) {
    if (!control)
        return;
    control->setProperty(kImageProperty, attribute);
    if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setScaledContents(true);
        label->setPixmap(QPixmap(Skin().FilePath(ImageAttributeFile(attribute))));
    }
}

void CMpDevicePowerUI::Update(std::span<const uint8_t> record) {
    std::array<uint8_t, kMaxRecordSize> bytes{};
    std::copy_n(record.begin(), std::min(record.size(), bytes.size()), bytes.begin());
    // A level past 100 is a misread: shown as full rather than as a negative bar.
    const int level = std::min<int>(bytes[0], 100);
    if (auto* progress = Sub<QProgressBar>(kProgress)) {
        progress->setRange(0, 100);
        // The bar is the empty part of the battery.
        progress->setValue(100 - level);
        const bool low = level <= kLowLevel;
        if (progress->property("low").toBool() != low) {
            progress->setProperty("low", low);
            progress->style()->unpolish(progress);
            progress->style()->polish(progress);
        }
    }
    if (auto* value = Sub<QLabel>(kValue))
        value->setText(QString::asprintf("%d%s", level, "%"));
    if (m_class == 2) {
        if (QWidget* logo = Sub(kReceiverLogo))
            logo->setVisible(bytes[3] == 1);
    }
    static const char* const kChargingImages[] = {
        "file='power/powered.png'", "file='power/powering.png'", "file='power/power.png'"};
    static const char* const kChargingTips[] = {
        "power_state_full_text", "power_state_charging_text", "power_state_battery_text"};
    if (bytes[1] <= 2) {
        if (QWidget* progress = Sub(kProgress))
            progress->show();
        QWidget* status = Sub(kStatus);
        SetImage(status, QString::fromLatin1(kChargingImages[bytes[1]]));
        if (status)
            status->setToolTip(Skin().Text(QString::fromLatin1(kChargingTips[bytes[1]])));
    }
    if (m_class == 3) {
        const char* key;
        switch (bytes[5]) {
            case 1:
                key = "Phone_type_iphone";
                break;
            case 2:
                key = "Phone_type_samsung";
                break;
            case 3:
                key = "Phone_type_other";
                break;
            default:
                key = "Phone_type_no_device";
                break;
        }
        if (QWidget* phone = Sub(kPhoneType)) {
            phone->setToolTip(Skin().Text(QString::fromLatin1(key)));
            SetImage(phone, QStringLiteral("file='power/%1.png'").arg(QString::fromLatin1(key)));
        }
    }
}
