// The colour palette (element "ColorPallet"): a saturation/value square for the chosen hue and a
// hue strip beside it. Picking with the mouse or the arrow keys raises ColourChanged; setting
// the colour from code does not.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <cstdint>

class CColorPaletteUI : public QWidget {
    Q_OBJECT
  public:
    explicit CColorPaletteUI(QWidget* parent = nullptr);

    // Always opaque; exactly the colour set, until the user picks another.
    QColor Colour() const { return m_colour; }
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

    QColor m_colour{Qt::black};
    int m_hue = 0;         // 0 … 359
    int m_saturation = 0;  // 0 … 255
    int m_value = 0;       // 0 … 255
    Part m_dragging = Part::None;
    QImage m_square;  // cached for m_squareHue at its size
    int m_squareHue = -1;
};

// Shows a colour as a control's background (colour buttons and swatches); the colour is kept in
// its property "color" as 0xAARRGGBB.
void ShowSwatch(QWidget* control, QColor colour);
// The colour ShowSwatch gave the control, else its "color" property of the layout ("#RRGGBB");
// 0 when it has none.
uint32_t SwatchColour(const QWidget* control);
