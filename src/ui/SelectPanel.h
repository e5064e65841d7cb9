// SPDX-License-Identifier: GPL-2.0-or-later
// The device picture panel (element "SelectPanel"): the device drawn from an SVG file at the
// panel's size, with the device's key and light buttons placed on it as children.
#pragma once

#include <QColor>
#include <QPointF>
#include <QPointer>
#include <QSvgRenderer>
#include <QTransform>
#include <QWidget>
#include <optional>
#include <vector>

// One LED of the device picture: a glow in its colour, drawn with the colour's alpha as its
// brightness. Unlit it leaves only a faint outline, so the LED positions stay visible.
class CLightLedUI : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor colour READ Colour WRITE SetColour)
  public:
    explicit CLightLedUI(QWidget* parent = nullptr);
    QColor Colour() const { return m_colour; }
    // Repaints only when the colour changed.
    void SetColour(const QColor& colour);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor m_colour{0, 0, 0, 0};
};

class CSelectPanelUI : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString file READ File WRITE SetFile)
  public:
    explicit CSelectPanelUI(QWidget* parent = nullptr);

    QString File() const { return m_file; }
    void SetFile(const QString& file);
    bool IsValid() const { return m_renderer.isValid(); }

    // LEDs "light_0", "light_1", ... over the picture, at these points of the picture's own
    // coordinates (its view box); replaces the ones there were.
    void SetLeds(const std::vector<QPointF>& points);
    int LedCount() const { return static_cast<int>(m_leds.size()); }
    CLightLedUI* Led(int n) const;
    // Keeps `control` (a child) over this rectangle of the picture's own coordinates as the
    // panel changes size.
    void PlaceControl(QWidget* control, const QRectF& inPicture);
    // Where the picture is drawn, in the panel's coordinates.
    QRectF PictureRect() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    // The picture's own coordinates to the panel's; none before the picture has a place.
    std::optional<QTransform> PictureToPanel() const;
    void PlaceLeds();
    void PlaceControls();

    QString m_file;
    QSvgRenderer m_renderer;
    std::vector<QPointF> m_ledPoints;
    std::vector<CLightLedUI*> m_leds;
    std::vector<std::pair<QPointer<QWidget>, QRectF>> m_placed;
};
