#include "app/DevicePage.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSignalBlocker>
#include <QStackedWidget>

#include "ui/SelectPanel.h"

CDevicePageUI::CDevicePageUI(const QString& family, QWidget* parent)
    : QWidget(parent), m_family(family) {
    setAttribute(Qt::WA_StyledBackground);
}

QWidget* CDevicePageUI::PictureControl() const {
    return findChild<CSelectPanelUI*>();
}

void CDevicePageUI::SelectSettingsTab(int n) {
    auto* tabs = findChild<QStackedWidget*>(QString::fromLatin1(kSettingsTabs));
    if (!tabs)
        return;
    if (n < 0 || n >= tabs->count())
        n = 0;
    tabs->setCurrentIndex(n);
    QWidget* options = findChild<QWidget*>(QString::fromLatin1(kSettingsOptions));
    if (!options)
        return;
    const QString chosen = QString::fromLatin1(kSettingsOptionPrefix) + QString::number(n);
    for (auto* option : options->findChildren<QAbstractButton*>()) {
        if (!option->objectName().startsWith(QLatin1String(kSettingsOptionPrefix)))
            continue;
        QSignalBlocker block(option);
        option->setCheckable(true);
        option->setChecked(option->objectName() == chosen);
    }
}

int CDevicePageUI::CurrentSettingsTab() const {
    auto* tabs = findChild<QStackedWidget*>(QString::fromLatin1(kSettingsTabs));
    return tabs ? tabs->currentIndex() : -1;
}

bool CDevicePageUI::OnClick(const QString& name) {
    const QLatin1String prefix(kSettingsOptionPrefix);
    if (!name.startsWith(prefix))
        return false;
    bool ok = false;
    int n = name.mid(prefix.size()).toInt(&ok);
    if (!ok)
        return false;
    SelectSettingsTab(n);
    return true;
}

void CDevicePageUI::SetConnectionText(const QString& text) {
    if (auto* label = findChild<QLabel*>(QStringLiteral("device_page_connection")))
        label->setText(text);
}
