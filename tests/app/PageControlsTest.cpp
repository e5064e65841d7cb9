// SPDX-License-Identifier: GPL-2.0-or-later
// Every window and page names the controls it looks up once, in its own table; each table
// against its layout in the real skin, so a control renamed in a layout fails here.
#include <gtest/gtest.h>

#include <memory>

#include "app/AboutWnd.h"
#include "app/MainWnd.h"
#include "app/MsgWnd.h"
#include "lighting/ui/ColorSelectWnd.h"
#include "mouse/ui/DevicePage.h"
#include "tests/app/HandlerRowCheck.h"
#include "ui/Page.h"
#include "ui/SkinBuilder.h"

TEST(PageControls, EveryTableMatchesItsLayout) {
    const PageLayoutControls tables[] = {
        {CMainWnd::kLayout, CMainWnd::kControls},
        {CMsgWnd::kLayout, CMsgWnd::kControls},
        {CAboutWnd::kLayout, CAboutWnd::kControls},
        {CDevicePageUI::kLayout, CDevicePageUI::kControls},
        {CDevicePageUI::kLayout, CDpiTabUI::kControls},
        {CDevicePageUI::kLayout, CPerformanceTabUI::kControls},
        {CDevicePageUI::kLayout, CPointerTabUI::kControls},
        {CLightControlUI::kLayout, CLightControlUI::kControls},
        {CKeySetControlUI::kLayout, CKeySetControlUI::kControls},
        {CDevicePageUI::kLayout, CButtonsTabUI::kControls},
        {CColorSelectWnd::kLayout, CColorSelectWnd::kControls},
        {CDeviceProfileUI::kLayout, CDeviceProfileUI::kControls},
        {CShootControlUI::kLayout, CShootControlUI::kControls},
    };
    for (const PageLayoutControls& table : tables) {
        // The device page's root is its own element.
        CSkinBuilder builder([](const QString& element, QWidget* parent) -> QWidget* {
            if (element == QLatin1String("QuillonMouseDevice"))
                return new CDevicePageUI(element, parent);
            return CreateMousePageControl(element, parent);
        });
        std::unique_ptr<QWidget> root(builder.Build(QString::fromLatin1(table.layout)));
        ASSERT_TRUE(root) << table.layout;
        EXPECT_EQ(MissingControls(*root, table.controls), QStringList()) << table.layout;
    }
}

namespace {

std::unique_ptr<QWidget> BuildLayout(const char* layout) {
    CSkinBuilder builder([](const QString& element, QWidget* parent) -> QWidget* {
        if (element == QLatin1String("QuillonMouseDevice"))
            return new CDevicePageUI(element, parent);
        return CreateMousePageControl(element, parent);
    });
    return std::unique_ptr<QWidget>(builder.Build(QString::fromLatin1(layout)));
}

template <class Owner>
QStringList FaultsOf(const char* layout) {
    std::unique_ptr<QWidget> root = BuildLayout(layout);
    if (!root)
        return {QStringLiteral("no layout %1").arg(QLatin1String(layout))};
    return RowsThatCannotFire<Owner>(*root, Owner::HandlerTable());
}

}  // namespace

// A row whose control never sends its type (a "killfocus" of a control that is not there, a
// "selectchanged" of a button that cannot be checked) is a handler that never runs. The buttons
// tab makes its key buttons and list rows at run time: its table is checked on the live window.
TEST(PageControls, EveryHandlerRowIsOneTheMapperSendsForItsControl) {
    EXPECT_EQ(FaultsOf<CDevicePageUI>(CDevicePageUI::kLayout), QStringList());
    EXPECT_EQ(FaultsOf<CDpiTabUI>(CDevicePageUI::kLayout), QStringList());
    EXPECT_EQ(FaultsOf<CPerformanceTabUI>(CDevicePageUI::kLayout), QStringList());
    EXPECT_EQ(FaultsOf<CPointerTabUI>(CDevicePageUI::kLayout), QStringList());
    EXPECT_EQ(FaultsOf<CLightControlUI>(CLightControlUI::kLayout), QStringList());
    EXPECT_EQ(FaultsOf<CKeySetControlUI>(CKeySetControlUI::kLayout), QStringList());
    EXPECT_EQ(FaultsOf<CDeviceProfileUI>(CDeviceProfileUI::kLayout), QStringList());
    EXPECT_EQ(FaultsOf<CShootControlUI>(CShootControlUI::kLayout), QStringList());
    EXPECT_EQ(FaultsOf<CColorSelectWnd>(CColorSelectWnd::kLayout), QStringList());
}

TEST(PageControls, NumberedControlsAndTheirPrefix) {
    struct Case {
        const char* name;
        const char* prefix;
        int number;
    };
    for (const Case& c : std::initializer_list<Case>{{"DPI_edit_3", "DPI_edit_", 3},
                                                     {"DPI_edit_12", "DPI_edit_", 12},
                                                     {"DPI_edit_", "DPI_edit_", -1},
                                                     {"DPI_edit_3a", "DPI_edit_", -1},
                                                     {"DPI_slider_3", "DPI_edit_", -1},
                                                     {"DPI_edit_99999999999", "DPI_edit_", -1}})
        EXPECT_EQ(ControlNumber(QString::fromLatin1(c.name), c.prefix), c.number) << c.name;
}
