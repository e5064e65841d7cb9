// SPDX-License-Identifier: GPL-2.0-or-later
// A button of the device picture (class "DeviceKeyButton"): a clickable area over one of the
// mouse's buttons, "key_" + its key-list index. It shows where the pointer is and which button
// is being edited; its tool tip names the button and its function.
#pragma once

#include <QColor>
#include <QPushButton>
#include <QString>

class CDeviceKeyButtonUI : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(QString lightimage READ LightImage WRITE SetLightImage)
    Q_PROPERTY(QString keysetimage READ KeySetImage WRITE SetKeySetImage)
    Q_PROPERTY(QString gmnametextcolor READ GmNameTextColour WRITE SetGmNameTextColour)
  public:
    static constexpr const char* kClassName = "DeviceKeyButton";

    explicit CDeviceKeyButtonUI(QWidget* parent = nullptr);

    QString LightImage() const { return m_lightImage; }
    void SetLightImage(const QString& image) { m_lightImage = image; }
    QString KeySetImage() const { return m_keySetImage; }
    void SetKeySetImage(const QString& image) { m_keySetImage = image; }
    // Accepted for older layouts; it changes nothing.
    QString GmNameTextColour() const { return {}; }
    void SetGmNameTextColour(const QString&) {}

    // The LED preview's state of the button (its light is drawn when the flag is set).
    void SetLightImageState(uint32_t colour, int brightness, int flag);
    uint32_t LightColour() const { return m_lightColour; }
    int LightBrightness() const { return m_lightBrightness; }
    int LightFlag() const { return m_lightFlag; }
    void SetKeySetImageHidden(bool hidden);
    bool IsKeySetImageHidden() const { return m_keySetImageHidden; }

    // The tool tip: the button's name over its function.
    void SetUserToolTitle(const QString& title);
    void SetUserToolText(const QString& text);
    QString UserToolTitle() const { return m_toolTitle; }
    QString UserToolText() const { return m_toolText; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void UpdateToolTip();

    QString m_lightImage;
    QString m_keySetImage;
    int m_lightFlag = 0;
    uint32_t m_lightColour = 0xFF;
    int m_lightBrightness = 200;
    bool m_keySetImageHidden = true;
    QString m_toolTitle;
    QString m_toolText;
};

// Registers "DeviceKeyButton" (and "CDeviceKeyButtonUI") with the control factory.
void RegisterDeviceKeyButton();
