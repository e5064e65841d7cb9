// The colour palette (element "ColorPallet"): a saturation/value square for the chosen hue and a
// hue strip beside it. Picking with the mouse or the arrow keys raises ColourChanged; setting
// the colour from code does not.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

class CColorPaletteUI : public QWidget {
    Q_OBJECT
  public:
    explicit CColorPaletteUI(QWidget* parent = nullptr);

    // Always opaque.
    QColor Colour() const;
    // Shows the colour without a notification. A grey keeps the hue shown before.
    void SetColour(const QColor& colour);

    QSize sizeHint() const override { return {260, 200}; }
    QSize minimumSizeHint() const override { return {120, 90}; }

  signals:
    void ColourChanged(const QColor& colour);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    enum class Part { None, Square, Hue };
    QRect SquareRect() const;
    QRect HueRect() const;
    void PickAt(QPoint point, Part part);
    // Takes the new hue, saturation and value; notifies when the colour changed.
    void Choose(int hue, int saturation, int value);

    int m_hue = 0;         // 0 … 359
    int m_saturation = 0;  // 0 … 255
    int m_value = 0;       // 0 … 255
    Part m_dragging = Part::None;
    QImage m_square;  // cached for m_squareHue at its size
    int m_squareHue = -1;
};
