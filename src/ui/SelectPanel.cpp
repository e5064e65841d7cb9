// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/SelectPanel.h"

#include <QLabel>
#include <QPainter>
#include <QRadialGradient>
#include <QStyleOption>
#include <QTransform>
#include <algorithm>
#include <cmath>

#include "base/Debug.h"
#include "ui/SkinResources.h"

namespace {

constexpr int kTextGap = 8;
// An LED's size in the picture's own units, glow included.
constexpr double kLedSize = 22.0;

}  // namespace

CLightLedUI::CLightLedUI(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void CLightLedUI::SetColour(const QColor& colour) {
    if (colour == m_colour)
        return;
    m_colour = colour;
    update();
}

void CLightLedUI::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPointF centre = box.center();
    const double radius = std::min(box.width(), box.height()) / 2;
    // The glow fades out from a bright core; its strength is the LED's brightness.
    if (m_colour.alpha() > 0) {
        QRadialGradient glow(centre, radius);
        QColor core = m_colour;
        QColor halo = m_colour;
        halo.setAlpha(m_colour.alpha() / 3);
        QColor edge = m_colour;
        edge.setAlpha(0);
        glow.setColorAt(0.0, core);
        glow.setColorAt(0.45, halo);
        glow.setColorAt(1.0, edge);
        painter.setPen(Qt::NoPen);
        painter.setBrush(glow);
        painter.drawEllipse(centre, radius, radius);
        painter.setBrush(core);
        painter.drawEllipse(centre, radius * 0.28, radius * 0.28);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 40), 1.0));
    painter.drawEllipse(centre, radius * 0.3, radius * 0.3);
}

CSelectPanelUI::CSelectPanelUI(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_StyledBackground);
}

void CSelectPanelUI::SetFile(const QString& file) {
    m_file = file;
    if (!m_renderer.load(Skin().FilePath(file)))
        DebugPrintf(DebugArea::App, "image %s cannot be read", qPrintable(file));
    PlaceLeds();
    PlaceControls();
    update();
}

void CSelectPanelUI::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The style sheet's background and border first.
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    if (!m_renderer.isValid())
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    m_renderer.render(&painter, PictureRect());
}

QRectF CSelectPanelUI::PictureRect() const {
    // The picture keeps clear of the texts laid out above or below it.
    QRect area = contentsRect();
    const int centre = area.center().y();
    for (auto* text : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (!text->isVisible())
            continue;
        if (text->geometry().center().y() > centre)
            area.setBottom(std::min(area.bottom(), text->geometry().top() - kTextGap));
        else
            area.setTop(std::max(area.top(), text->geometry().bottom() + kTextGap));
    }
    QSizeF size = m_renderer.defaultSize();
    size.scale(QSizeF(area.size()), Qt::KeepAspectRatio);
    return {QPointF(area.x() + (area.width() - size.width()) / 2,
                    area.y() + (area.height() - size.height()) / 2),
            size};
}

void CSelectPanelUI::SetLeds(const std::vector<QPointF>& points) {
    for (CLightLedUI* led : m_leds)
        delete led;
    m_leds.clear();
    m_ledPoints = points;
    for (size_t n = 0; n < points.size(); ++n) {
        auto* led = new CLightLedUI(this);
        led->setObjectName(QStringLiteral("light_%1").arg(n));
        m_leds.push_back(led);
    }
    PlaceLeds();
    for (CLightLedUI* led : m_leds)
        led->show();
}

CLightLedUI* CSelectPanelUI::Led(int n) const {
    return n >= 0 && n < LedCount() ? m_leds[static_cast<size_t>(n)] : nullptr;
}

std::optional<QTransform> CSelectPanelUI::PictureToPanel() const {
    if (!m_renderer.isValid())
        return std::nullopt;
    const QRectF picture = PictureRect();
    const QRectF box = m_renderer.viewBoxF();
    if (box.isEmpty() || picture.isEmpty())
        return std::nullopt;
    const double scale = picture.width() / box.width();
    return QTransform::fromTranslate(-box.x(), -box.y()) * QTransform::fromScale(scale, scale) *
           QTransform::fromTranslate(picture.x(), picture.y());
}

void CSelectPanelUI::PlaceLeds() {
    const std::optional<QTransform> toPanel = PictureToPanel();
    if (m_leds.empty() || !toPanel)
        return;
    const int size = std::max(6, static_cast<int>(std::lround(kLedSize * toPanel->m11())));
    for (size_t n = 0; n < m_leds.size(); ++n) {
        const QPointF at = toPanel->map(m_ledPoints[n]);
        m_leds[n]->setGeometry(static_cast<int>(std::lround(at.x() - size / 2.0)),
                               static_cast<int>(std::lround(at.y() - size / 2.0)), size, size);
    }
}

void CSelectPanelUI::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceLeds();
    PlaceControls();
}

void CSelectPanelUI::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    PlaceLeds();
    PlaceControls();
}

void CSelectPanelUI::PlaceControl(QWidget* control, const QRectF& inPicture) {
    m_placed.emplace_back(control, inPicture);
    PlaceControls();
}

void CSelectPanelUI::PlaceControls() {
    const std::optional<QTransform> toPanel = PictureToPanel();
    if (!toPanel)
        return;
    for (const auto& [control, area] : m_placed)
        if (control)
            control->setGeometry(toPanel->mapRect(area).toAlignedRect());
}
