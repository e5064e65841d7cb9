// SPDX-License-Identifier: GPL-2.0-or-later
// A picture of the skin drawn from an SVG file at the control's size, so it stays sharp at
// every DPI. Element name "SvgImage"; the property "file" is relative to the skin.
#pragma once

#include <QSvgRenderer>
#include <QWidget>

class CSvgImageUI : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString file READ File WRITE SetFile)
  public:
    explicit CSvgImageUI(QWidget* parent = nullptr);

    QString File() const { return m_file; }
    void SetFile(const QString& file);
    bool IsValid() const { return m_renderer.isValid(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString m_file;
    QSvgRenderer m_renderer;
};

// Registers the adapter's own control classes with the skin builder.
void RegisterSkinControls();
