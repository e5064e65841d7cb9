// SPDX-License-Identifier: GPL-2.0-or-later

#include "mouse/ui/DevicePage.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <algorithm>

#include "base/Paths.h"
#include "base/ThreadCheck.h"
#include "keys/ui/DeviceKeyButton.h"
#include "ui/SelectPanel.h"

namespace {

// The mouse's LEDs over its picture (picture units): 0 … 6 down the left flank, 7 … 13 up the
// right one, so each wave group is a left and right pair, and 14 under the palm.
const std::vector<QPointF> kMouseLedPoints = {
    {59.5, 44.0},   {51.6, 68.3},  {48.5, 92.7},   {48.1, 117.0},  {49.8, 141.3},
    {54.5, 165.7},  {64.3, 190.0}, {135.7, 190.0}, {145.5, 165.7}, {150.2, 141.3},
    {151.9, 117.0}, {151.5, 92.7}, {148.4, 68.3},  {140.5, 44.0},  {100.0, 204.0},
};

}  // namespace

FunctionSwitchTabs FunctionSwitchTabsFor(int type, int deviceClass) {
    switch (type) {
        case 1:
            return {0, 0};
        case 2:
        case 6:
            return {0, 1};
        case 3:
        case 8:
            return {1, -1};
        case 4:
            return deviceClass == kDeviceClassKeyboard || deviceClass == kDeviceClassMouse
                       ? FunctionSwitchTabs{3, -1}
                       : FunctionSwitchTabs{0, 2};
        case 5:
            return {2, -1};
        case 7:
            return {0, 2};
        case 9:
            return {4, -1};
        default:
            return {0, 0};
    }
}

CDevicePageUI::CDevicePageUI(const QString& family, QWidget* parent)
    : CPageUI(parent), m_family(family) {
    setAttribute(Qt::WA_StyledBackground);
}

void CDevicePageUI::SetDevice(CQuillonUSBDevice* device) {
    m_device = device;
    if (auto* buttons = findChild<CButtonsTabUI*>(); buttons && device)
        buttons->BindKeyButtons(device->GetDeviceClass());
    m_lightControl = findChild<CLightControlUI*>(QString::fromLatin1(kLightControl));
    m_profileControl = findChild<CDeviceProfileUI*>(QString::fromLatin1(kProfileControl));
    m_shootControl = findChild<CShootControlUI*>(QString::fromLatin1(kShootControl));
    if (m_profileControl && device) {
        m_profileControl->SetKind(device->GetDeviceClass() ? device->GetDeviceClass()
                                                           : kDeviceClassMouse);
        m_profileControl->SetFolders(device->GetUserDeviceFolder(),
                                     GetDefaultProfileFile(device->GetTypeKey()));
        m_profileControl->LoadList();
        m_profileControl->SelectTab(1);
        ShowFunctionSwitch(1);
    }
    if (m_shootControl && device && device->AsMouse())
        m_shootControl->SetFolders(device->GetUserDeviceFolder(), GetDefaultDataFolder());
    if (!m_lightControl || !device)
        return;
    m_lightControl->SetDeviceClass(device->GetDeviceClass());
    CQuillonMouseDevice* mouse = device->AsMouse();
    if (!mouse)
        return;
    // The preview's engine reads its record without locks: the page gives it each change at
    // once, before the worker stores and writes it.
    CLightEngine* engine = &mouse->GetLightEngine();
    m_lightControl->SetPreviewSink([engine](const LightInfo& light, bool leaveSync) {
        if (leaveSync)
            engine->SetSynchronised(false);
        engine->ApplyLightInfo(light);
    });
}

QWidget* CDevicePageUI::PictureControl() const {
    return findChild<CSelectPanelUI*>();
}

void CDevicePageUI::SelectSettingsTab(int n) {
    auto* tabs = findChild<QStackedWidget*>(QString::fromLatin1(kSettingsTabs));
    if (!tabs)
        return;
    if (n < 0 || n >= tabs->count())
        n = 0;
    tabs->setCurrentIndex(n);
    QWidget* options = findChild<QWidget*>(QString::fromLatin1(kSettingsOptions));
    if (!options)
        return;
    const QString chosen = QString::fromLatin1(kSettingsOptionPrefix) + QString::number(n);
    for (auto* option : options->findChildren<QAbstractButton*>()) {
        if (!option->objectName().startsWith(QLatin1String(kSettingsOptionPrefix)))
            continue;
        QSignalBlocker block(option);
        option->setCheckable(true);
        option->setChecked(option->objectName() == chosen);
    }
}

int CDevicePageUI::CurrentSettingsTab() const {
    auto* tabs = findChild<QStackedWidget*>(QString::fromLatin1(kSettingsTabs));
    return tabs ? tabs->currentIndex() : -1;
}

const PageHandler<CDevicePageUI> CDevicePageUI::kHandlers[] = {
    {"click", kSettingsOptionPrefix, &CDevicePageUI::OnSettingsOption},
};

std::span<const PageHandler<CDevicePageUI>> CDevicePageUI::HandlerTable() {
    return kHandlers;
}

bool CDevicePageUI::HandleNotify(TNotifyUI& msg) {
    return Dispatch<CDevicePageUI>(kHandlers, msg);
}

void CDevicePageUI::OnSettingsOption(TNotifyUI&, int n) {
    SelectSettingsTab(n);
}

void CDevicePageUI::ShowProfile(const MouseProfileSnapshot& profile) {
    ExpectUiThread("CDevicePageUI::ShowProfile");
    const bool namesChanged = m_profile.effectNames != profile.effectNames ||
                              m_profile.effectVisible != profile.effectVisible;
    m_profile = profile;
    for (CMouseTabUI* tab : findChildren<CMouseTabUI*>())
        tab->ShowProfile(profile);
    if (m_lightControl) {
        if (namesChanged)
            m_lightControl->FillEffects(profile.effectNames, profile.effectVisible,
                                        kMouseLevelMaximum, kMouseLevelMaximum);
        m_lightControl->ShowLight(profile.light);
    }
}

void CDevicePageUI::SetRoad(const WorkPoster& poster, CQuillonMouseDevice* mouse,
                            CPageMessages* messages) {
    m_road = MouseRoad(poster, mouse, messages);
    for (CMouseTabUI* tab : findChildren<CMouseTabUI*>())
        tab->SetRoad(m_road);
    if (m_shootControl)
        m_shootControl->SetRoad(RecoilRoad(poster, mouse, messages));
    if (m_lightControl)
        m_lightControl->SetRoad(LightRoad(poster, mouse, messages));
    if (m_profileControl)
        m_profileControl->SetMessages(messages);
}

void CDevicePageUI::EndEdits() {
    for (CMouseTabUI* tab : findChildren<CMouseTabUI*>())
        tab->EndEdit();
}

QWidget* CreateMousePageControl(const QString& element, QWidget* parent) {
    auto is = [&element](const char* name) {
        return element.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    if (is(CDpiTabUI::kElement))
        return new CDpiTabUI(parent);
    if (is(CPerformanceTabUI::kElement))
        return new CPerformanceTabUI(parent);
    if (is(CPointerTabUI::kElement))
        return new CPointerTabUI(parent);
    if (is(CLightControlUI::kElement))
        return new CLightControlUI(parent);
    if (is(CButtonsTabUI::kElement))
        return new CButtonsTabUI(parent);
    if (is(CKeySetControlUI::kElement))
        return new CKeySetControlUI(parent);
    if (is(CShootControlUI::kElement))
        return new CShootControlUI(parent);
    if (is(CDeviceProfileUI::kElement))
        return new CDeviceProfileUI(parent);
    return nullptr;
}

void RegisterMousePageControls() {
    RegisterDeviceKeyButton();
}

FunctionSwitchTabs CDevicePageUI::ShowFunctionSwitch(int type) {
    m_functionSwitch = type;
    return FunctionSwitchTabsFor(type, m_device ? m_device->GetDeviceClass() : 0);
}

void CDevicePageUI::SetConnectionText(const QString& text) {
    if (auto* label = findChild<QLabel*>(QString::fromLatin1(kConnectionLabel)))
        label->setText(text);
}

bool CDevicePageUI::BindLightPreview() {
    m_lightPanel = findChild<CSelectPanelUI*>(QString::fromLatin1(kLightPanel));
    if (!m_lightPanel)
        return false;
    m_lightPanel->SetLeds(kMouseLedPoints);
    return true;
}

bool CDevicePageUI::IsLightPreviewShown() const {
    return m_lightPanel && m_lightPanel->isVisible() && !window()->isMinimized();
}

void CDevicePageUI::ShowLightFrame(const std::vector<LightColour>& frame) {
    if (!m_lightPanel)
        return;
    const int count = std::min(m_lightPanel->LedCount(), static_cast<int>(frame.size()));
    for (int n = 0; n < count; ++n) {
        const LightColour& entry = frame[static_cast<size_t>(n)];
        m_lightPanel->Led(n)->SetColour(QColor(entry.red, entry.green, entry.blue, entry.alpha));
    }
}
