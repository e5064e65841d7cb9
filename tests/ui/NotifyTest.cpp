// SPDX-License-Identifier: GPL-2.0-or-later
// Qt signals of each control type arrive at the window's Notify as the notification types, with
// the sender; control timers by id.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include "ui/ColorPalette.h"
#include "ui/NotifyMapper.h"
#include "ui/SkinWindow.h"

namespace {

class CRecordingWindow : public CSkinWindow {
  public:
    void Notify(TNotifyUI& msg) override {
        if (msg.sType != NotifyType::kSetFocus && msg.sType != NotifyType::kKillFocus)
            seen << msg.sType + QLatin1Char(':') + msg.SenderName() + QLatin1Char(':') +
                        QString::number(msg.wParam);
    }
    QStringList seen;
};

class NotifyTest : public testing::Test {
  protected:
    void SetUp() override {
        QString file = m_dir.filePath(QStringLiteral("controls.xml"));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"(<ui version="4.0"><widget class="QWidget" name="top"><layout class="QVBoxLayout">
            <item><widget class="QPushButton" name="plain_btn"/></item>
            <item><widget class="QRadioButton" name="option_a"/></item>
            <item><widget class="QRadioButton" name="option_b"/></item>
            <item><widget class="QSlider" name="DPI_slider_1">
              <property name="orientation"><enum>Qt::Horizontal</enum></property></widget></item>
            <item><widget class="QSpinBox" name="rate_spin"/></item>
            <item><widget class="QComboBox" name="mode_combo"/></item>
            <item><widget class="QLineEdit" name="name_edit"/></item>
            <item><widget class="QListWidget" name="macro_list"/></item>
            <item><widget class="ColorPallet" name="deng_Color_Pallet"/></item>
            <item><widget class="QPushButton"/></item>
            </layout></widget></ui>)");
        f.close();
        ASSERT_TRUE(window.Create(file));
        window.seen.clear();
    }
    template <class T>
    T* Control(const char* name) {
        auto* control = window.FindControl<T>(QString::fromLatin1(name));
        EXPECT_TRUE(control) << name;
        return control;
    }

    QTemporaryDir m_dir;
    CRecordingWindow window;
};

}  // namespace

TEST_F(NotifyTest, WindowInitArrivesFromTheEventLoop) {
    CRecordingWindow fresh;
    ASSERT_TRUE(fresh.Create(m_dir.filePath(QStringLiteral("controls.xml"))));
    EXPECT_FALSE(fresh.seen.contains(QStringLiteral("windowinit:top:0")));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return fresh.seen.contains(QStringLiteral("windowinit:top:0")); }));
}

TEST_F(NotifyTest, ButtonsAndOptions) {
    Control<QPushButton>("plain_btn")->click();
    EXPECT_EQ(window.seen, QStringList{QStringLiteral("click:plain_btn:0")});
    window.seen.clear();
    Control<QRadioButton>("option_a")->click();
    Control<QRadioButton>("option_b")->click();
    // Options of one parent are exclusive: b's selection clears a's.
    EXPECT_EQ(window.seen,
              (QStringList{
                  QStringLiteral("selectchanged:option_a:1"), QStringLiteral("click:option_a:0"),
                  QStringLiteral("selectchanged:option_a:0"),
                  QStringLiteral("selectchanged:option_b:1"), QStringLiteral("click:option_b:0")}));
}

TEST_F(NotifyTest, SliderMovesThenSettles) {
    auto* slider = Control<QSlider>("DPI_slider_1");
    slider->setSliderDown(true);
    slider->setSliderPosition(40);
    slider->setSliderPosition(55);
    EXPECT_EQ(window.seen, (QStringList{QStringLiteral("movevaluechanged:DPI_slider_1:40"),
                                        QStringLiteral("movevaluechanged:DPI_slider_1:55")}));
    window.seen.clear();
    slider->setSliderDown(false);
    EXPECT_EQ(window.seen, QStringList{QStringLiteral("valuechanged:DPI_slider_1:55")});
    window.seen.clear();
    slider->setValue(70);  // keyboard or code: settles at once
    EXPECT_EQ(window.seen, QStringList{QStringLiteral("valuechanged:DPI_slider_1:70")});
}

TEST_F(NotifyTest, ValueItemAndTextControls) {
    Control<QSpinBox>("rate_spin")->setValue(5);
    auto* combo = Control<QComboBox>("mode_combo");
    combo->addItems({QStringLiteral("a"), QStringLiteral("b")});  // selects 0
    combo->setCurrentIndex(1);
    Control<QLineEdit>("name_edit")->setText(QStringLiteral("x"));
    auto* list = Control<QListWidget>("macro_list");
    list->addItems({QStringLiteral("m1"), QStringLiteral("m2")});
    list->setCurrentRow(1);
    EXPECT_EQ(window.seen, (QStringList{QStringLiteral("valuechanged:rate_spin:5"),
                                        QStringLiteral("itemselect:mode_combo:0"),
                                        QStringLiteral("itemselect:mode_combo:1"),
                                        QStringLiteral("textchanged:name_edit:0"),
                                        QStringLiteral("itemselect:macro_list:1")}));
}

TEST_F(NotifyTest, ControlsAddedLaterAreWiredOnRequest) {
    auto* late = new QPushButton(window.Root());
    late->setObjectName(QStringLiteral("device_select"));
    late->click();
    EXPECT_TRUE(window.seen.isEmpty());
    window.AttachControls(window.Root());
    window.AttachControls(window.Root());  // twice: still one notification per click
    late->click();
    EXPECT_EQ(window.seen, QStringList{QStringLiteral("click:device_select:0")});
}

TEST_F(NotifyTest, ControlTimersByIdAndSender) {
    auto* button = Control<QPushButton>("plain_btn");
    window.SetTimer(button, 1000, 1);
    window.SetTimer(button, 1001, 1);
    window.SetTimer(&window, 1000, 1);
    window.KillTimer(button, 1001);
    EXPECT_TRUE(window.IsTimerActive(button, 1000));
    EXPECT_FALSE(window.IsTimerActive(button, 1001));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return window.seen.contains(QStringLiteral("timer:plain_btn:1000")) &&
               window.seen.contains(QStringLiteral("timer::1000"));
    }));
    window.KillTimer(button, 1000);
    window.KillTimer(&window, 1000);
    // A control that goes away takes its timers with it.
    auto* doomed = new QPushButton(window.Root());
    window.SetTimer(doomed, 7, 1);
    delete doomed;
    EXPECT_FALSE(window.IsTimerActive(doomed, 7));
}

// The palette raises "colorchanged" for what the user picks, never for what code shows.
TEST_F(NotifyTest, PalettePicksByMouseAndKeys) {
    auto* palette = Control<CColorPaletteUI>("deng_Color_Pallet");
    ASSERT_TRUE(palette);
    palette->resize(228, 200);
    palette->SetColour(QColor(255, 0, 0));
    EXPECT_EQ(palette->Colour(), QColor(255, 0, 0));
    EXPECT_TRUE(window.seen.isEmpty());

    // Top right of the square: full saturation and value of the hue shown (red).
    QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(199, 0));
    EXPECT_EQ(palette->Colour(), QColor(255, 0, 0));
    EXPECT_TRUE(window.seen.isEmpty()) << "the same colour again is no change";
    // Bottom left: black.
    QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(0, 199));
    EXPECT_EQ(palette->Colour(), QColor(0, 0, 0));
    // The middle of the hue strip is cyan-ish; the square keeps its place (black stays black),
    // so move the value up with the keys.
    QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(220, 100));
    palette->setFocus();
    for (int i = 0; i < 16; ++i)
        QTest::keyClick(palette, Qt::Key_Up, Qt::ShiftModifier);
    for (int i = 0; i < 16; ++i)
        QTest::keyClick(palette, Qt::Key_Right, Qt::ShiftModifier);
    const QColor picked = palette->Colour();
    EXPECT_EQ(picked.value(), 255);
    EXPECT_EQ(picked.hsvSaturation(), 255);
    EXPECT_NEAR(picked.hsvHue(), 180, 2);
    ASSERT_FALSE(window.seen.isEmpty());
    EXPECT_EQ(
        window.seen.last(),
        QStringLiteral("colorchanged:deng_Color_Pallet:%1").arg(static_cast<int>(picked.rgb())));
    EXPECT_TRUE(window.seen.first().startsWith(QLatin1String("colorchanged:deng_Color_Pallet:")));
}

TEST(NotifyTypes, AControlSendsTheTypesOfItsClassAndState) {
    QPushButton button;
    button.setObjectName(QStringLiteral("a_button"));
    EXPECT_TRUE(CNotifyMapper::TypesSent(button).contains(NotifyType::kClick));
    EXPECT_FALSE(CNotifyMapper::TypesSent(button).contains(NotifyType::kSelectChanged));
    button.setCheckable(true);
    EXPECT_TRUE(CNotifyMapper::TypesSent(button).contains(NotifyType::kSelectChanged));
    QLineEdit edit;
    edit.setObjectName(QStringLiteral("an_edit"));
    EXPECT_TRUE(CNotifyMapper::TypesSent(edit).contains(NotifyType::kKillFocus));
    EXPECT_FALSE(CNotifyMapper::TypesSent(edit).contains(NotifyType::kClick));
    QLineEdit unnamed;
    EXPECT_TRUE(CNotifyMapper::TypesSent(unnamed).isEmpty());
}
