// SPDX-License-Identifier: GPL-2.0-or-later
// A device's page in "device_switch": the root of the page layout named in the device tables
// (element "QuillonMouseDevice", ...). It knows its device, its picture panel and its settings
// tabs; the family's page code binds the rest of its controls.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <vector>

#include "lighting/LightFrame.h"
#include "lighting/ui/LightControl.h"
#include "macro/ui/ShootControl.h"
#include "mouse/QuillonMouseDevice.h"
#include "mouse/ui/ButtonsTab.h"
#include "mouse/ui/DpiTab.h"
#include "mouse/ui/PerformanceTab.h"
#include "mouse/ui/PointerTab.h"
#include "profile/ui/DeviceProfile.h"
#include "ui/Page.h"
#include "ui/SelectPanel.h"

class CQuillonUSBDevice;

// Tabs of the page's "device_function_switch" (F) and "device_key_function_switch" (K) tab
// layouts for a function-switch type; -1 leaves that switch on its tab.
struct FunctionSwitchTabs {
    int functionTab;
    int keyTab;
    bool operator==(const FunctionSwitchTabs&) const = default;
};
FunctionSwitchTabs FunctionSwitchTabsFor(int type, int deviceClass);

// The controls of the mouse page's layout that are pages of their own (the settings tabs
// "MouseButtonsTab", "MouseDpiTab", "MousePerformanceTab", "MousePointerTab", the assignment
// editor "KeySetControl", the lighting control "LightControl", the recoil tab "ShootControl" and
// the profile control "DeviceProfile"); null for any other element.
QWidget* CreateMousePageControl(const QString& element, QWidget* parent);
// The picture's key buttons ("DeviceKeyButton") for the layouts that name them.
void RegisterMousePageControls();

class CDevicePageUI : public CPageUI {
    Q_OBJECT
  public:
    static constexpr const char* kLayout = "XML/DeviceXml/mousedevice.xml";
    // The option buttons "mouse_device_seting_option_" + n choose item n of the tab layout
    // "mouse_device_seting_layout".
    static constexpr const char* kSettingsTabs = "mouse_device_seting_layout";
    static constexpr const char* kSettingsOptions = "mouse_option_layout";
    static constexpr const char* kSettingsOptionPrefix = "mouse_device_seting_option_";
    static constexpr int kSettingsTabCount = 6;
    // The picture the light preview is painted on.
    static constexpr const char* kLightPanel = "mouse_light_panel";
    static constexpr const char* kConnectionLabel = "device_page_connection";
    static constexpr const char* kLightControl = "LightControlItem";
    static constexpr const char* kProfileControl = "DeviceProfileItem";
    static constexpr const char* kShootControl = "ShootControlItem";
    static constexpr PageControl kControls[] = {
        {kSettingsTabs},   {kSettingsOptions}, {kSettingsOptionPrefix, 0, kSettingsTabCount - 1},
        {kLightPanel},     {kConnectionLabel}, {kLightControl},
        {kProfileControl}, {kShootControl},
    };

    // `family`: the element name the page was built from.
    CDevicePageUI(const QString& family, QWidget* parent = nullptr);

    const QString& Family() const { return m_family; }
    // A mouse also gives the lighting control its class and its preview, the profile control
    // its list and the recoil tab its files.
    void SetDevice(CQuillonUSBDevice* device);
    CQuillonUSBDevice* Device() const { return m_device; }

    // The first "SelectPanel" of the page; null when it has none.
    QWidget* PictureControl() const;

    // Shows settings tab n (tab 0 when n is past the last) and selects its option alone.
    void SelectSettingsTab(int n);
    int CurrentSettingsTab() const;
    bool HandleNotify(TNotifyUI& msg) override;

    // Shows the profile the device applied (UI thread; the snapshot was taken on its worker),
    // on every tab.
    void ShowProfile(const MouseProfileSnapshot& profile);
    // The road of the page's commits: the device's worker (the window's entry posts them) and
    // the window's message channel; every tab and control of the page takes it.
    void SetRoad(const WorkPoster& poster, CQuillonMouseDevice* mouse, CPageMessages* messages);
    const MouseRoad& Road() const { return m_road; }
    // A switch, reset or restore of the defaults ends what every tab held of the old profile.
    void EndEdits();
    // The lighting control ("LightControlItem"); null when the layout has none.
    CLightControlUI* LightControl() const { return m_lightControl; }
    // The profile control ("DeviceProfileItem") and the recoil tab; null when the layout has none.
    CDeviceProfileUI* ProfileControl() const { return m_profileControl; }
    CShootControlUI* ShootControl() const { return m_shootControl; }
    // The profile last shown; empty before the first.
    const MouseProfileSnapshot& ShownProfile() const { return m_profile; }

    // The button chosen on the picture (-1: none).
    void SelectKey(int index) { m_selectedKey = index; }
    int SelectedKey() const { return m_selectedKey; }
    // Stores the function-switch type and returns the tabs the page selects for the device.
    FunctionSwitchTabs ShowFunctionSwitch(int type);
    int FunctionSwitch() const { return m_functionSwitch; }

    // The connection line of the page header.
    void SetConnectionText(const QString& text);

    // Puts the mouse's LEDs on the light picture (after the layout is built); false when the
    // page has no such picture.
    bool BindLightPreview();
    CSelectPanelUI* LightPanel() const { return m_lightPanel; }
    // Whether someone can see the LEDs: the light picture is on screen, not minimised.
    bool IsLightPreviewShown() const;
    // Paints the frame's colours onto the LEDs; entries beyond the LEDs are skipped.
    void ShowLightFrame(const std::vector<LightColour>& frame);

  private:
    void OnSettingsOption(TNotifyUI& msg, int n);

  public:
    // The handler table, for the check that each of its rows can fire.
    static std::span<const PageHandler<CDevicePageUI>> HandlerTable();

  private:
    static const PageHandler<CDevicePageUI> kHandlers[];

    QString m_family;
    CQuillonUSBDevice* m_device = nullptr;
    QPointer<CSelectPanelUI> m_lightPanel;
    QPointer<CLightControlUI> m_lightControl;
    QPointer<CDeviceProfileUI> m_profileControl;
    QPointer<CShootControlUI> m_shootControl;
    MouseProfileSnapshot m_profile;
    MouseRoad m_road;
    int m_selectedKey = -1;
    int m_functionSwitch = 1;
};
