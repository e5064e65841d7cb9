// SPDX-License-Identifier: GPL-2.0-or-later
// The colour palette (element "ColorPallet"): a saturation/value square for the chosen hue and a
// hue strip beside it. Picking with the mouse or the arrow keys raises ColourChanged; setting
// the colour from code does not.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

class QLineEdit;
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

// A swatch: a button that shows a colour as its background. The colour is kept in the property
// "bkcolor" as eight hexadecimal digits AARRGGBB, which layouts may set.
inline constexpr const char* kSwatchColourProperty = "bkcolor";
// Without `paint` the skin's look of an empty swatch shows instead; `image` (a skin path) is
// drawn over the colour.
void ShowSwatch(QWidget* swatch, uint32_t argb, bool paint = true, const QString& image = {});
// The swatch's colour; 0 when it has none (or no swatch).
uint32_t SwatchColour(const QWidget* swatch);

// A red, green or blue edit: digits only, at most three.
void LimitToColourChannel(QLineEdit* edit);
// The edit's channel: its text as a decimal number within 0 … 255 (not a number: 0), shown back
// as that number.
int TakeColourChannel(QLineEdit* edit);
