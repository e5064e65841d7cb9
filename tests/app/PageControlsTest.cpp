// Every window and page names the controls it looks up once, in its own table; each table
// against its layout in the real skin, so a control renamed in a layout fails here.
#include <gtest/gtest.h>

#include <memory>

#include "app/AboutWnd.h"
#include "app/MainWnd.h"
#include "app/MsgWnd.h"
#include "lighting/ui/ColorSelectWnd.h"
#include "mouse/ui/DevicePage.h"
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
