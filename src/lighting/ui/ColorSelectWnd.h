// SPDX-License-Identifier: GPL-2.0-or-later
// The colour dialog: a palette, the chosen colour with its red, green and blue, twenty preset
// colours and twenty slots of the user's own colours, kept in the colour file. It runs modal
// over its owner without an event loop of its own: Open, then Finished with the result.
#pragma once

#include <QPointer>
#include <cstdint>
#include <functional>
#include <optional>

#include "lighting/ui/ColorOptionFile.h"
#include "ui/Page.h"
#include "ui/SkinWindow.h"

class CColorPaletteUI;
class QAbstractButton;
class QLineEdit;

class CColorSelectWnd : public CSkinWindow {
    Q_OBJECT
  public:
    static constexpr const char* kLayout = "XML/PalletDialog.xml";
    static constexpr const char* kMenuButton = "menubtn";
    static constexpr const char* kLaterButton = "laterbtn";
    static constexpr const char* kOkButton = "okbtn";
    static constexpr const char* kPalette = "Pallet";
    static constexpr const char* kShowButton = "color_show_btn";
    static constexpr const char* kEditRed = "color_edit_r";
    static constexpr const char* kEditGreen = "color_edit_g";
    static constexpr const char* kEditBlue = "color_edit_b";
    static constexpr const char* kPresetPrefix = "color_option_";
    static constexpr const char* kCollectedPrefix = "collect_color_option_";
    static constexpr const char* kSevenColour = "7color";
    static constexpr const char* kSevenColourLayout = "7color_layout";
    static constexpr int kLastOption = static_cast<int>(kColourOptionCount) - 1;
    static constexpr PageControl kControls[] = {
        {kCloseButton},
        {kMaxButton},
        {kRestoreButton},
        {kMinButton},
        {kMenuButton},
        {kLaterButton},
        {kPalette},
        {kShowButton},
        {kEditRed},
        {kEditGreen},
        {kEditBlue},
        {kPresetPrefix, 0, kLastOption},
        {kCollectedPrefix, 0, kLastOption},
        {kSevenColour},
        {kSevenColourLayout},
        {kOkButton},
    };
    // A collected slot's user data ("1" when filled); its colour is the swatch's.
    static constexpr const char* kUserDataProperty = "UserData";
    // What "color_show_btn" shows while the seven colours are chosen.
    static constexpr const char* kSevenColourImage = "common/base1.png";
    static constexpr const char* kDpiError = "SET_WND DPI SET ERROR";

    // The results Finished carries.
    enum Result : int { kCancelled = 0, kChosen = 1, kChosenWithoutPalette = 2 };

    // Opens a dialog over `opener`'s window at its DPI, showing `colour` (0xAARRGGBB), with or
    // without the seven-colour choice; `chosen` runs when the user confirms a colour. `open`,
    // the opener's, holds the dialog while it is open: one at a time, a second call brings the
    // open one to the front. The dialog deletes itself when it closes.
    static void Choose(QPointer<CColorSelectWnd>& open, QWidget* opener, uint32_t colour,
                       bool sevenColour, std::function<void(const CColorSelectWnd&)> chosen);

    // The colour file defaults to the user's data folder and the program's default data.
    explicit CColorSelectWnd(QWidget* owner = nullptr);
    CColorSelectWnd(QWidget* owner, CColorOptionFile file);

    // Builds the layout and shows the colour file's selections and collected colours; false
    // when the layout cannot be built.
    bool Init();
    // 48, 72, 96, 120, 144, 168 or 192, anything else gives 96; the window takes its size.
    int SetDpi(int dpi);
    // 0xAARRGGBB.
    void SetColour(uint32_t colour);
    uint32_t Colour() const { return m_colour; }
    // Disabled: "7color" off and its layout hidden.
    void EnableSevenColour(bool enable);
    bool SevenColour() const { return m_sevenColour; }
    // The colour "okbtn" chose; before that, the one shown.
    uint32_t ResultColour() const;
    // The texts again after a language change.
    void ApplyLanguage();

    // What the dialog shows of the colour file.
    const ColourOptions& Options() const { return m_options; }

    void Notify(TNotifyUI& msg) override;

  private:
    void OnPreset(TNotifyUI& msg, int n);
    void OnCollected(TNotifyUI& msg, int n);
    void OnPalette(TNotifyUI& msg, int n);
    void OnEditDone(TNotifyUI& msg, int n);
    void OnSevenColour(TNotifyUI& msg, int n);
    void OnOk(TNotifyUI& msg, int n);
    void OnCancel(TNotifyUI& msg, int n);
    void OnMinimise(TNotifyUI& msg, int n);
    void OnMaximise(TNotifyUI& msg, int n);
    void OnRestore(TNotifyUI& msg, int n);

  public:
    // The handler table, for the check that each of its rows can fire.
    static std::span<const PageHandler<CColorSelectWnd>> HandlerTable();

  private:
    static const PageHandler<CColorSelectWnd> kHandlers[];

    QAbstractButton* Preset(int n) const;
    QAbstractButton* Collected(int n) const;
    // The options as the layout gives them, then what the file holds.
    void LoadOptions();
    void ShowCollected(int n);
    // "color_show_btn", the palette and the edits take the current colour.
    void ShowColour();
    void ShowEdits();
    void ShowSevenColour();
    // A chosen colour goes into the selected collected slot, if any, and ends the seven colours.
    void StoreCollected();

    CColorOptionFile m_file;
    ColourOptions m_options;
    uint32_t m_colour = 0xFFFFFFFF;
    bool m_sevenColour = false;
    bool m_sevenColourEnabled = true;
    std::optional<uint32_t> m_chosen;
    QPointer<CColorPaletteUI> m_palette;
};
