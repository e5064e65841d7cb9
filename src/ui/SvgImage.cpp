// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/SvgImage.h"

#include <QPainter>

#include "base/Debug.h"
#include "ui/ColorPalette.h"
#include "ui/SelectPanel.h"
#include "ui/SkinBuilder.h"
#include "ui/SkinResources.h"

CSvgImageUI::CSvgImageUI(QWidget* parent) : QWidget(parent) {}

void CSvgImageUI::SetFile(const QString& file) {
    m_file = file;
    if (!m_renderer.load(Skin().FilePath(file)))
        DebugPrintf(DebugArea::App, "image %s cannot be read", qPrintable(file));
    update();
}

void CSvgImageUI::paintEvent(QPaintEvent*) {
    if (!m_renderer.isValid())
        return;
    // Kept in proportion and centred.
    QSizeF size = m_renderer.defaultSize();
    size.scale(QSizeF(rect().size()), Qt::KeepAspectRatio);
    QRectF target(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_renderer.render(&painter, target);
}

void RegisterSkinControls() {
    CSkinBuilder::RegisterControlClass(QStringLiteral("SvgImage"),
                                       [](QWidget* parent) { return new CSvgImageUI(parent); });
    CSkinBuilder::RegisterControlClass(QStringLiteral("SelectPanel"),
                                       [](QWidget* parent) { return new CSelectPanelUI(parent); });
    CSkinBuilder::RegisterControlClass(QStringLiteral("ColorPallet"),
                                       [](QWidget* parent) { return new CColorPaletteUI(parent); });
}
