// SPDX-License-Identifier: GPL-2.0-or-later
// The colour dialog on the real skin: what it shows on opening, the rules of its presets,
// collected slots, palette and edits, the colour file it keeps, its DPI and its results.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "base/Debug.h"
#include "lighting/ui/ColorSelectWnd.h"
#include "profile/JsonFile.h"
#include "tests/support/TempHome.h"
#include "ui/ColorPalette.h"
#include "ui/SkinResources.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDefaultData = fs::path(KESTRUNE_SOURCE_DATA_DIR) / "DefaultData";

class ColorSelectWndTest : public testing::Test {
  protected:
    void Open(uint32_t colour = 0xFF336699, bool sevenColour = false) {
        const char* language = std::getenv("KESTRUNE_TEST_LANGUAGE");
        ASSERT_TRUE(Skin().LoadLanguage(QString::fromLatin1(language ? language : "lan_en.xml")));
        dialog = std::make_unique<CColorSelectWnd>(nullptr, file);
        ASSERT_TRUE(dialog->Init());
        dialog->SetColour(colour);
        dialog->EnableSevenColour(sevenColour);
        dialog->Open();
    }
    template <class T = QWidget>
    T* Find(const QString& name) {
        return dialog->FindControl<T>(name);
    }
    QAbstractButton* Button(const char* name) {
        return Find<QAbstractButton>(QString::fromLatin1(name));
    }
    QAbstractButton* Preset(int n) {
        return Find<QAbstractButton>(CColorSelectWnd::kPresetPrefix + QString::number(n));
    }
    QAbstractButton* Slot(int n) {
        return Find<QAbstractButton>(CColorSelectWnd::kCollectedPrefix + QString::number(n));
    }
    QLineEdit* Edit(const char* name) { return Find<QLineEdit>(QString::fromLatin1(name)); }
    CColorPaletteUI* Palette() { return Find<CColorPaletteUI>(CColorSelectWnd::kPalette); }
    // The palette keeps hue, saturation and value, so a colour may come back a step off.
    static bool Near(const QColor& shown, uint32_t colour) {
        const QColor wanted = QColor::fromRgb(colour);
        return std::abs(shown.red() - wanted.red()) <= 2 &&
               std::abs(shown.green() - wanted.green()) <= 2 &&
               std::abs(shown.blue() - wanted.blue()) <= 2;
    }
    static uint32_t Swatch(const QAbstractButton* button) { return SwatchColour(button); }
    uint32_t Shown() { return Swatch(Button(CColorSelectWnd::kShowButton)); }
    QStringList EditTexts() {
        return {Edit(CColorSelectWnd::kEditRed)->text(), Edit(CColorSelectWnd::kEditGreen)->text(),
                Edit(CColorSelectWnd::kEditBlue)->text()};
    }
    void Type(const char* name, const QString& text) {
        QLineEdit* edit = Edit(name);
        edit->setText(text);
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(edit, &out);
    }
    Json::Value Collected(int n) {
        return CJsonFile::ReadDocument(
            file.Path())["coloroptioninfo"]["palletDialogcollectcoloroption"][n];
    }
    // Saves the dialog when KESTRUNE_TEST_SHOT names a file, at KESTRUNE_TEST_DPI if given.
    void Shot() {
        const char* shot = std::getenv("KESTRUNE_TEST_SHOT");
        if (!shot)
            return;
        if (const char* dpi = std::getenv("KESTRUNE_TEST_DPI"))
            dialog->SetDpi(std::atoi(dpi));
        QApplication::processEvents();
        dialog->grab().save(QString::fromLocal8Bit(shot));
    }

    CTempHome home;
    CColorOptionFile file{home.Root() / "user", kDefaultData};
    std::unique_ptr<CColorSelectWnd> dialog;
};

}  // namespace

TEST_F(ColorSelectWndTest, OpensOnTheColourWithTheLayoutsPresetsAndTheFilesChoice) {
    Open(0xFF336699);
    EXPECT_EQ(Shown(), 0xFF336699u);
    EXPECT_TRUE(Near(Palette()->Colour(), 0xFF336699));
    EXPECT_EQ(EditTexts(), (QStringList{"51", "102", "153"}));
    // The default file went to the user's folder, and its presets are the layout's.
    ASSERT_TRUE(CJsonFile::Exists(file.Path()));
    const ColourOptions shipped = ColourOptionsFromDocument(CJsonFile::ReadDocument(file.Path()));
    for (int n = 0; n < 20; ++n) {
        ASSERT_TRUE(Preset(n) && Slot(n)) << n;
        EXPECT_EQ(Swatch(Preset(n)), shipped.presets[static_cast<size_t>(n)]) << n;
        EXPECT_EQ(Preset(n)->isChecked(), n == shipped.presetSelected) << n;
        EXPECT_EQ(Slot(n)->property(CColorSelectWnd::kUserDataProperty).toString(), "0") << n;
        EXPECT_FALSE(Slot(n)->isChecked()) << n;
    }
    EXPECT_TRUE(dialog->IsOpen());
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(ColorSelectWndTest, AFilledSlotOfTheFileShowsAndAClickTakesItsColour) {
    Json::Value document = CJsonFile::ReadDocument(kDefaultData / CColorOptionFile::kFileName);
    Json::Value& info = document["coloroptioninfo"];
    info["palletDialogcollectcoloroption"][4]["color"] = "FF112233";
    info["palletDialogcollectcoloroption"][4]["UserData"] = "1";
    // A colour kept in an empty slot shows as empty.
    info["palletDialogcollectcoloroption"][6]["color"] = "FF445566";
    info["palletDialogcollectcoloroption_selectitem"] = 4;
    fs::create_directories(file.Path().parent_path());
    ASSERT_TRUE(CJsonFile::WriteDocument(file.Path(), document));
    Open(0xFF000000, true);

    EXPECT_EQ(Slot(4)->property(CColorSelectWnd::kUserDataProperty).toString(), "1");
    EXPECT_EQ(Swatch(Slot(4)), 0xFF112233u);
    EXPECT_EQ(Swatch(Slot(6)), 0xFFFFFFFFu);
    EXPECT_FALSE(Slot(4)->isChecked());
    EXPECT_EQ(dialog->Options().collectedSelected, -1);

    Button(CColorSelectWnd::kSevenColour)->click();
    ASSERT_TRUE(dialog->SevenColour());
    Slot(4)->click();
    EXPECT_EQ(Shown(), 0xFF112233u);
    EXPECT_TRUE(Near(Palette()->Colour(), 0xFF112233));
    EXPECT_EQ(EditTexts(), (QStringList{"17", "34", "51"}));
    EXPECT_FALSE(dialog->SevenColour());
    EXPECT_FALSE(Button(CColorSelectWnd::kSevenColour)->isChecked());
    EXPECT_EQ(CJsonFile::ReadDocument(
                  file.Path())["coloroptioninfo"]["palletDialogcollectcoloroption_selectitem"]
                  .asInt(),
              4);
    Shot();
}

TEST_F(ColorSelectWndTest, EditsTakeWhatTheyHoldWithinZeroTo255) {
    const struct {
        const char* green;
        uint32_t colour;
        const char* shown;
    } cases[] = {{"", 0xFFC8000A, "0"},   {"300", 0xFFC8FF0A, "255"}, {"abc", 0xFFC8000A, "0"},
                 {"-5", 0xFFC8000A, "0"}, {"077", 0xFFC84D0A, "77"},  {" 64", 0xFFC8400A, "64"}};
    Open(0xFF336699);
    for (const auto& c : cases) {
        Edit(CColorSelectWnd::kEditRed)->setText("200");
        Edit(CColorSelectWnd::kEditBlue)->setText("10");
        Type(CColorSelectWnd::kEditGreen, QString::fromLatin1(c.green));
        EXPECT_EQ(dialog->Colour(), c.colour) << c.green;
        EXPECT_EQ(Shown(), c.colour) << c.green;
        EXPECT_TRUE(Near(Palette()->Colour(), c.colour)) << c.green;
        EXPECT_EQ(EditTexts(), (QStringList{"200", c.shown, "10"})) << c.green;
    }
}

TEST_F(ColorSelectWndTest, ASlotKeepsAColourOnlyWhileItIsSelected) {
    Open();
    // No slot selected: a preset choice keeps nothing.
    Preset(5)->click();
    EXPECT_EQ(Shown(), Swatch(Preset(5)));
    for (int n = 0; n < 20; ++n)
        ASSERT_EQ(Collected(n)["UserData"].asString(), "0") << n;

    // An empty slot chosen waits for the next colour, then keeps each one chosen.
    Slot(3)->click();
    EXPECT_EQ(Shown(), Swatch(Preset(5)));
    EXPECT_EQ(Collected(3)["UserData"].asString(), "0");
    Preset(7)->click();
    EXPECT_TRUE(Slot(3)->isChecked());
    EXPECT_EQ(Slot(3)->property(CColorSelectWnd::kUserDataProperty).toString(), "1");
    EXPECT_EQ(Swatch(Slot(3)), Swatch(Preset(7)));
    EXPECT_EQ(Collected(3)["UserData"].asString(), "1");
    EXPECT_EQ(Collected(3)["color"].asString(), ColourText(Swatch(Preset(7))));
    EXPECT_EQ(CJsonFile::ReadDocument(
                  file.Path())["coloroptioninfo"]["palletDialogcoloroption_selectitem"]
                  .asInt(),
              7);

    QSignalSpy picked(Palette(), &CColorPaletteUI::ColourChanged);
    QTest::mouseClick(Palette(), Qt::LeftButton, {}, QPoint(40, 30));
    ASSERT_EQ(picked.size(), 1);
    const uint32_t fromPalette = Palette()->Colour().rgba();
    EXPECT_EQ(Shown(), fromPalette);
    EXPECT_EQ(Collected(3)["color"].asString(), ColourText(fromPalette));

    Type(CColorSelectWnd::kEditBlue, "3");
    const uint32_t typed = (fromPalette & 0xFFFFFF00u) | 3u;
    EXPECT_EQ(Swatch(Slot(3)), typed);
    EXPECT_EQ(Collected(3)["color"].asString(), ColourText(typed));
    for (int n = 0; n < 20; ++n) {
        if (n != 3) {
            EXPECT_EQ(Collected(n)["UserData"].asString(), "0") << n;
        }
    }
    Shot();
}

TEST_F(ColorSelectWndTest, TheSevenColourChoiceShowsItsImageUntilAColourIsChosen) {
    Open(0xFF336699, true);
    auto* check = Button(CColorSelectWnd::kSevenColour);
    ASSERT_TRUE(check->isEnabled());
    check->click();
    EXPECT_TRUE(dialog->SevenColour());
    EXPECT_TRUE(Button(CColorSelectWnd::kShowButton)
                    ->styleSheet()
                    .contains(QLatin1String(CColorSelectWnd::kSevenColourImage)));
    Shot();
    Preset(2)->click();
    EXPECT_FALSE(dialog->SevenColour());
    EXPECT_FALSE(check->isChecked());
    EXPECT_FALSE(Button(CColorSelectWnd::kShowButton)
                     ->styleSheet()
                     .contains(QLatin1String(CColorSelectWnd::kSevenColourImage)));

    check->click();
    dialog->EnableSevenColour(false);
    EXPECT_FALSE(dialog->SevenColour());
    EXPECT_FALSE(check->isChecked());
    EXPECT_FALSE(check->isEnabled());
    EXPECT_TRUE(Find(CColorSelectWnd::kSevenColourLayout)->isHidden());
}

TEST_F(ColorSelectWndTest, TheButtonsEndTheDialogWithTheirResults) {
    const struct {
        const char* button;
        bool palette;
        int result;
    } cases[] = {{CColorSelectWnd::kOkButton, true, 1},
                 {CColorSelectWnd::kOkButton, false, 2},
                 {CSkinWindow::kCloseButton, true, 0},
                 {CColorSelectWnd::kLaterButton, true, 0}};
    for (const auto& c : cases) {
        Open(0xFF336699);
        if (!c.palette)
            delete Palette();
        QSignalSpy finished(dialog.get(), &CSkinWindow::Finished);
        Preset(9)->click();
        Button(c.button)->click();
        ASSERT_EQ(finished.size(), 1) << c.button;
        EXPECT_EQ(finished[0][0].toInt(), c.result) << c.button;
        EXPECT_FALSE(dialog->isVisible()) << c.button;
        EXPECT_FALSE(dialog->IsOpen()) << c.button;
        if (c.result == 1) {
            EXPECT_EQ(dialog->ResultColour(), Swatch(Preset(9)));
        }
    }
}

TEST_F(ColorSelectWndTest, AnUnsupportedDpiGives96) {
    Open();
    {
        CDebugCapture capture;
        EXPECT_EQ(dialog->SetDpi(110), 96);
        EXPECT_TRUE(capture.Contains(CColorSelectWnd::kDpiError));
        EXPECT_EQ(dialog->size(), QSize(800, 572));
    }
    CDebugCapture capture;
    EXPECT_EQ(dialog->SetDpi(144), 144);
    EXPECT_FALSE(capture.Contains(CColorSelectWnd::kDpiError));
    EXPECT_EQ(dialog->size(), QSize(1200, 858));
}
