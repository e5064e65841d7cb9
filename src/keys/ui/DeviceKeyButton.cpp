// SPDX-License-Identifier: GPL-2.0-or-later

#include "keys/ui/DeviceKeyButton.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/SkinBuilder.h"

namespace {

const QColor kAccent(0x2f, 0xe0, 0xc8);

}  // namespace

CDeviceKeyButtonUI::CDeviceKeyButtonUI(QWidget* parent) : QPushButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
}

void CDeviceKeyButtonUI::SetLightImageState(uint32_t colour, int brightness, int flag) {
    m_lightColour = colour;
    m_lightBrightness = brightness;
    m_lightFlag = flag;
}

void CDeviceKeyButtonUI::SetKeySetImageHidden(bool hidden) {
    if (m_keySetImageHidden == hidden)
        return;
    m_keySetImageHidden = hidden;
    update();
}

void CDeviceKeyButtonUI::SetUserToolTitle(const QString& title) {
    m_toolTitle = title;
    UpdateToolTip();
}

void CDeviceKeyButtonUI::SetUserToolText(const QString& text) {
    m_toolText = text;
    UpdateToolTip();
}

void CDeviceKeyButtonUI::UpdateToolTip() {
    setToolTip(m_toolText.isEmpty() ? m_toolTitle : m_toolTitle + QLatin1Char('\n') + m_toolText);
    setAccessibleName(m_toolTitle);
    setAccessibleDescription(m_toolText);
}

void CDeviceKeyButtonUI::paintEvent(QPaintEvent*) {
    // The picture draws the button itself; this only marks the pointer, the focus and the
    // button being edited.
    const bool hovered = underMouse() && isEnabled();
    const bool chosen = isChecked();
    if (!hovered && !chosen && !hasFocus())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(1, 1, -1, -1);
    const qreal radius = std::min(area.width(), area.height()) / 3.0;
    QColor fill = kAccent;
    fill.setAlpha(chosen ? 90 : 40);
    QColor edge = kAccent;
    edge.setAlpha(chosen || hasFocus() ? 255 : 160);
    painter.setPen(QPen(edge, chosen ? 2.0 : 1.4));
    painter.setBrush(fill);
    painter.drawRoundedRect(area, radius, radius);
}

void RegisterDeviceKeyButton() {
    for (const char* name : {CDeviceKeyButtonUI::kClassName, "CDeviceKeyButtonUI"})
        CSkinBuilder::RegisterControlClass(QString::fromLatin1(name), [](QWidget* parent) {
            return new CDeviceKeyButtonUI(parent);
        });
}
