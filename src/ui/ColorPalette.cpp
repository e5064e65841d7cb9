// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/ColorPalette.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>

namespace {

// The hue strip grows with the palette, so it keeps its weight at every DPI.
int HueWidth(int height) {
    return std::clamp(height / 10, 12, 40);
}
int Gap(int height) {
    return HueWidth(height) / 2 + 1;
}

}  // namespace

CColorPaletteUI::CColorPaletteUI(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
}

void CColorPaletteUI::SetColour(const QColor& colour) {
    m_colour = QColor(colour.red(), colour.green(), colour.blue());
    const QColor hsv = m_colour.toHsv();
    if (hsv.hsvHue() >= 0)
        m_hue = hsv.hsvHue();
    m_saturation = hsv.hsvSaturation();
    m_value = hsv.value();
    update();
}

QRect CColorPaletteUI::SquareRect() const {
    return QRect(0, 0, std::max(1, width() - Gap(height()) - HueWidth(height())),
                 std::max(1, height()));
}

QRect CColorPaletteUI::HueRect() const {
    return QRect(width() - HueWidth(height()), 0, HueWidth(height()), std::max(1, height()));
}

void CColorPaletteUI::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect square = SquareRect();
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(square.size()) * ratio).toSize();
    if (m_squareHue != m_hue || m_square.size() != pixels) {
        // Saturation grows to the right, value upwards.
        m_square = QImage(pixels, QImage::Format_RGB32);
        const int w = std::max(1, pixels.width() - 1);
        const int h = std::max(1, pixels.height() - 1);
        for (int y = 0; y < pixels.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(m_square.scanLine(y));
            const int value = 255 - y * 255 / h;
            for (int x = 0; x < pixels.width(); ++x)
                line[x] = QColor::fromHsv(m_hue, x * 255 / w, value).rgb();
        }
        m_square.setDevicePixelRatio(ratio);
        m_squareHue = m_hue;
    }
    QPainterPath clip;
    clip.addRoundedRect(square, 6, 6);
    painter.setClipPath(clip);
    painter.drawImage(square.topLeft(), m_square);
    painter.setClipping(false);

    const QRect hue = HueRect();
    QLinearGradient strip(hue.topLeft(), hue.bottomLeft());
    for (int step = 0; step <= 6; ++step)
        strip.setColorAt(step / 6.0, QColor::fromHsv((360 - step * 60) % 360, 255, 255));
    painter.setPen(Qt::NoPen);
    painter.setBrush(strip);
    painter.drawRoundedRect(hue, 6, 6);

    // The markers, ringed in both black and white so they show on any colour.
    const QPointF at(square.left() + m_saturation * (square.width() - 1) / 255.0,
                     square.top() + (255 - m_value) * (square.height() - 1) / 255.0);
    const qreal unit = hue.width() / 18.0;
    const qreal radius = 6 * unit;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 3 * unit));
    painter.drawEllipse(at, radius, radius);
    painter.setPen(QPen(Qt::white, 1.5 * unit));
    painter.drawEllipse(at, radius, radius);
    const qreal hueY = hue.top() + (359 - m_hue) * (hue.height() - 1) / 359.0;
    const QRectF thumb(hue.left() - 2 * unit, hueY - 3 * unit, hue.width() + 4 * unit, 6 * unit);
    painter.setPen(QPen(Qt::black, 3 * unit));
    painter.drawRoundedRect(thumb, 2 * unit, 2 * unit);
    painter.setPen(QPen(Qt::white, 1.5 * unit));
    painter.drawRoundedRect(thumb, 2 * unit, 2 * unit);
    if (hasFocus()) {
        painter.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
}

void CColorPaletteUI::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    const QPoint point = event->position().toPoint();
    m_dragging =
        HueRect().adjusted(-Gap(height()) / 2, 0, 0, 0).contains(point) ? Part::Hue : Part::Square;
    PickAt(point, m_dragging);
}

void CColorPaletteUI::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        PickAt(event->position().toPoint(), m_dragging);
}

void CColorPaletteUI::PickAt(QPoint point, Part part) {
    if (part == Part::Hue) {
        const QRect hue = HueRect();
        const int y = std::clamp(point.y() - hue.top(), 0, hue.height() - 1);
        Choose(359 - y * 359 / std::max(1, hue.height() - 1), m_saturation, m_value);
    } else if (part == Part::Square) {
        const QRect square = SquareRect();
        const int x = std::clamp(point.x() - square.left(), 0, square.width() - 1);
        const int y = std::clamp(point.y() - square.top(), 0, square.height() - 1);
        Choose(m_hue, x * 255 / std::max(1, square.width() - 1),
               255 - y * 255 / std::max(1, square.height() - 1));
    }
}

void CColorPaletteUI::keyPressEvent(QKeyEvent* event) {
    // Arrows move the marker in the square, Page Up/Down the hue; Shift takes bigger steps.
    const int step = event->modifiers() & Qt::ShiftModifier ? 16 : 4;
    switch (event->key()) {
        case Qt::Key_Left:
            return Choose(m_hue, std::max(0, m_saturation - step), m_value);
        case Qt::Key_Right:
            return Choose(m_hue, std::min(255, m_saturation + step), m_value);
        case Qt::Key_Up:
            return Choose(m_hue, m_saturation, std::min(255, m_value + step));
        case Qt::Key_Down:
            return Choose(m_hue, m_saturation, std::max(0, m_value - step));
        case Qt::Key_PageUp:
            return Choose((m_hue + step) % 360, m_saturation, m_value);
        case Qt::Key_PageDown:
            return Choose((m_hue + 360 - step) % 360, m_saturation, m_value);
        default:
            QWidget::keyPressEvent(event);
    }
}

void CColorPaletteUI::Choose(int hue, int saturation, int value) {
    const QColor before = m_colour;
    m_hue = hue;
    m_saturation = saturation;
    m_value = value;
    m_colour = QColor::fromHsv(m_hue, m_saturation, m_value).toRgb();
    update();
    if (m_colour != before)
        emit ColourChanged(m_colour);
}

void ShowSwatch(QWidget* swatch, uint32_t argb, bool paint, const QString& image) {
    if (!swatch)
        return;
    swatch->setProperty(kSwatchColourProperty,
                        QStringLiteral("%1").arg(argb, 8, 16, QLatin1Char('0')).toUpper());
    QString sheet;
    if (paint)
        sheet = QStringLiteral("background-color: rgba(%1, %2, %3, %4);")
                    .arg(argb >> 16 & 0xFF)
                    .arg(argb >> 8 & 0xFF)
                    .arg(argb & 0xFF)
                    .arg(argb >> 24 & 0xFF);
    if (!image.isEmpty())
        sheet += QStringLiteral(" image: url(skin:%1);").arg(image);
    swatch->setStyleSheet(sheet);
    // Property selectors of the skin follow only a new polish.
    swatch->style()->unpolish(swatch);
    swatch->style()->polish(swatch);
}

uint32_t SwatchColour(const QWidget* swatch) {
    if (!swatch)
        return 0;
    const QString text = swatch->property(kSwatchColourProperty).toString();
    bool ok = false;
    const uint32_t argb = text.size() == 8 ? text.toUInt(&ok, 16) : 0;
    return ok ? argb : 0;
}

void LimitToColourChannel(QLineEdit* edit) {
    if (!edit)
        return;
    edit->setMaxLength(3);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), edit));
}

int TakeColourChannel(QLineEdit* edit) {
    bool number = false;
    const int typed = edit->text().trimmed().toInt(&number);
    const int value = number ? std::clamp(typed, 0, 255) : 0;
    if (edit->text() != QString::number(value)) {
        const QSignalBlocker block(edit);
        edit->setText(QString::number(value));
    }
    return value;
}
