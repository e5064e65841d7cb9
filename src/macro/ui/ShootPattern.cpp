// SPDX-License-Identifier: GPL-2.0-or-later

#include "macro/ui/ShootPattern.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

CShootPatternUI::CShootPatternUI(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_StyledBackground);
    setMinimumSize(120, 160);
}

void CShootPatternUI::SetBullets(std::vector<ShootBullet> bullets) {
    m_bullets = std::move(bullets);
    update();
}

void CShootPatternUI::SetChosen(int bullet) {
    m_chosen = bullet;
    update();
}

void CShootPatternUI::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The pointer path: each correction in screen directions (left and up are "down").
    std::vector<QPointF> points{{0, 0}};
    for (const ShootBullet& bullet : m_bullets) {
        const QPointF last = points.back();
        points.push_back(
            last + QPointF(bullet.left ? -bullet.x : bullet.x, bullet.up ? -bullet.y : bullet.y));
    }
    double left = 0, right = 0, top = 0, bottom = 0;
    for (const QPointF& p : points) {
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    const QRectF area = QRectF(rect()).adjusted(14, 14, -14, -14);
    const double spanX = std::max(right - left, 1.0);
    const double spanY = std::max(bottom - top, 1.0);
    const double scale = std::min(area.width() / spanX, area.height() / spanY);
    const QPointF origin(area.center().x() - (left + right) / 2 * scale,
                         area.center().y() - (top + bottom) / 2 * scale);
    auto map = [&](const QPointF& p) { return origin + p * scale; };

    QPainterPath path(map(points.front()));
    for (size_t i = 1; i < points.size(); ++i)
        path.lineTo(map(points[i]));
    painter.setPen(QPen(QColor(0x2f, 0xe0, 0xc8, 140), 1.5));
    painter.drawPath(path);
    painter.setPen(Qt::NoPen);
    for (size_t i = 1; i < points.size(); ++i) {
        const bool chosen = static_cast<int>(i) - 1 == m_chosen;
        painter.setBrush(chosen ? QColor(0xff, 0xff, 0xff) : QColor(0x2f, 0xe0, 0xc8));
        painter.drawEllipse(map(points[i]), chosen ? 5.0 : 3.0, chosen ? 5.0 : 3.0);
    }
}
