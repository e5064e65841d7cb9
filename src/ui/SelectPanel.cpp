#include "ui/SelectPanel.h"

#include <QLabel>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>

#include "base/Debug.h"
#include "ui/SkinResources.h"

namespace {

constexpr int kTextGap = 8;

}  // namespace

CSelectPanelUI::CSelectPanelUI(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_StyledBackground);
}

void CSelectPanelUI::SetFile(const QString& file) {
    m_file = file;
    if (!m_renderer.load(Skin().FilePath(file)))
        DebugPrintf(DebugArea::App, "image %s cannot be read", qPrintable(file));
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
    QRectF target(QPointF(area.x() + (area.width() - size.width()) / 2,
                          area.y() + (area.height() - size.height()) / 2),
                  size);
    painter.setRenderHint(QPainter::Antialiasing);
    m_renderer.render(&painter, target);
}
