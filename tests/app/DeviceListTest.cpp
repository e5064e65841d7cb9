// SPDX-License-Identifier: GPL-2.0-or-later
// The device list: entries, pages and power items built from the real skin, driven by
// discovery and the simulated mouse (cable, receiver, link), and the list operations.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <memory>
#include <vector>

#include "app/DeviceOption.h"
#include "app/MainWnd.h"
#include "app/MpDevicePower.h"
#include "base/Debug.h"
#include "emulator/SimWorld.h"
#include "mouse/QuillonMouseDevice.h"
#include "mouse/ui/DevicePage.h"
#include "simulated/EmulatedHidBackend.h"
#include "tests/support/TempHome.h"
#include "ui/Page.h"
#include "ui/SkinBuilder.h"
#include "ui/SkinResources.h"

namespace {

constexpr int kWaitMs = 10000;

// The mouse, counting what its entry asks of it (on the entry's device worker).
class CCountingMouse : public CQuillonMouseDevice {
  public:
    using CQuillonMouseDevice::CQuillonMouseDevice;
    void InitialSync() override {
        ++syncs;
        CQuillonMouseDevice::InitialSync();
    }
    void RefreshStatus() override {
        ++statusReads;
        CQuillonMouseDevice::RefreshStatus();
    }
    std::atomic<int> syncs{0};
    std::atomic<int> statusReads{0};
};

template <class T = QWidget>
T* Sub(QWidget* root, const char* name) {
    return root ? root->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

// The window on the simulated mouse, through discovery.
class DeviceListWorld : public testing::Test {
  protected:
    void Start() {
        MainWndOptions options;
        options.backend = std::make_shared<CCompositeHidBackend>();
        options.backend->Add(MakeEmulatedHidBackend(world));
        options.factory = [](int type, IHidBackend* backend) -> std::unique_ptr<CQuillonUSBDevice> {
            if (type == 0)
                return std::make_unique<CCountingMouse>(backend);
            return MakeQuillonDevice(type, backend);
        };
        window = std::make_unique<CMainWnd>(options);
        QSignalSpy shown(window.get(), &CMainWnd::FirstShown);
        ASSERT_TRUE(window->Init());
        ASSERT_TRUE(shown.wait(kWaitMs));
        ASSERT_TRUE(QTest::qWaitFor([&] { return Entry() != nullptr; }, kWaitMs));
    }
    void TearDown() override {
        window.reset();
        EXPECT_EQ(world->ProtocolErrors(), 0u) << world->LastProtocolError();
    }
    CCountingMouse* Mouse() {
        auto* discovery = window ? window->Discovery() : nullptr;
        return discovery ? static_cast<CCountingMouse*>(discovery->Device(0)) : nullptr;
    }
    CDeviceOptionUI* Entry() { return Mouse() ? window->EntryOf(*Mouse()) : nullptr; }
    bool EntryShown() { return Entry()->IsEntryVisible() && Entry()->isVisible(); }
    QWidget* Control(const char* name) { return window->FindControl(QString::fromLatin1(name)); }
    bool NoDeviceShown() { return Control("No_device_Link")->isVisible(); }
    QString PowerText() { return Sub<QLabel>(Entry()->PowerItem(), "device_power_value")->text(); }
    // Runs the link poll now instead of in up to 3 s.
    void PollLinkNow() { Entry()->StartTimer(kTimerLinkPoll, 0); }

    CTempHome home;
    std::shared_ptr<CSimWorld> world = std::make_shared<CSimWorld>();
    std::unique_ptr<CMainWnd> window;
};

}  // namespace

TEST_F(DeviceListWorld, CableMouseIsListedSelectedAndSyncedThenUnplugHidesIt) {
    Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return EntryShown(); }, kWaitMs));
    CDeviceOptionUI* entry = Entry();
    EXPECT_TRUE(entry->IsSelected());
    EXPECT_EQ(window->SelectedDevice(), Mouse());
    EXPECT_FALSE(NoDeviceShown());
    auto* pages = window->FindControl<QStackedWidget>(QStringLiteral("device_switch"));
    EXPECT_EQ(pages->currentWidget(), window->PageOf(*Mouse()));
    EXPECT_EQ(Sub<QLabel>(entry, "device_select_name")->text(), Skin().Text("mouse"));
    EXPECT_EQ(Sub<QLabel>(entry, "device_select_state")->text(),
              Skin().Text("device_state_cable_text"));
    EXPECT_EQ(entry->ImagePath(CDeviceOptionUI::kNormal),
              QStringLiteral("common/device_ico/ms_device_normal.png"));
    EXPECT_EQ(entry->PictureControl(), window->PageOf(*Mouse())->PictureControl());
    ASSERT_TRUE(entry->PictureControl());

    // First contact opens the device; the status poll fills the power item.
    ASSERT_TRUE(QTest::qWaitFor([&] { return PowerText() == QLatin1String("85%"); }, kWaitMs));
    EXPECT_EQ(Mouse()->syncs.load(), 1);
    EXPECT_GE(Mouse()->statusReads.load(), 1);
    // The profile the worker applied reaches the page on the UI thread.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window->PageOf(*Mouse())->ShownProfile().stages.size() == kMaxDpiStages; },
        kWaitMs));
    EXPECT_TRUE(entry->IsTimerActive(kTimerStatus));
    auto* power = window->FindControl<QStackedWidget>(QStringLiteral("device_power_switch"));
    EXPECT_TRUE(power->isVisible());
    EXPECT_EQ(power->currentWidget(), entry->PowerItem());
    EXPECT_FALSE(Sub(entry->PowerItem(), "device_wuxian_logo")->isVisible());

    world->SetCablePlugged(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return NoDeviceShown(); }, kWaitMs));
    EXPECT_FALSE(entry->isVisible());
    EXPECT_FALSE(entry->IsSelected());
    EXPECT_EQ(window->SelectedDevice(), nullptr);
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_EQ(power->currentIndex(), 0);
    EXPECT_FALSE(power->isVisible());

    // Plugged again: listed and opened again.
    world->SetCablePlugged(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return EntryShown() && Mouse()->syncs == 2; }, kWaitMs));
    EXPECT_TRUE(entry->IsSelected());
}

TEST_F(DeviceListWorld, ReceiverMouseIsListedOnceReachableAndFollowsTheLink) {
    world->SetCablePlugged(false);
    world->SetReceiverPlugged(true);
    Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return EntryShown(); }, kWaitMs));
    CDeviceOptionUI* entry = Entry();
    EXPECT_TRUE(entry->IsSelected());
    EXPECT_EQ(Sub<QLabel>(entry, "device_select_state")->text(),
              Skin().Text("device_state_receiver_text"));
    QWidget* logo = Sub(entry->PowerItem(), "device_wuxian_logo");
    ASSERT_TRUE(QTest::qWaitFor([&] { return logo->isVisible(); }, kWaitMs));
    EXPECT_EQ(PowerText(), QStringLiteral("85%"));
    EXPECT_EQ(Mouse()->syncs.load(), 1);

    CDebugCapture capture;
    world->SetLinkUp(false);
    PollLinkNow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return NoDeviceShown(); }, kWaitMs));
    EXPECT_FALSE(entry->isVisible());
    EXPECT_TRUE(capture.Contains("2.4gcesvdfherhue 1"));

    std::string message;
    ASSERT_TRUE(world->SetByName("battery", "42", &message)) << message;
    world->SetLinkUp(true);
    PollLinkNow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return EntryShown(); }, kWaitMs));
    EXPECT_TRUE(entry->IsSelected());
    EXPECT_FALSE(NoDeviceShown());
    // Shown again with the battery read afresh; the link poll goes on.
    EXPECT_TRUE(QTest::qWaitFor([&] { return PowerText() == QLatin1String("42%"); }, kWaitMs));
    EXPECT_TRUE(entry->IsTimerActive(kTimerLinkPoll));
}

TEST_F(DeviceListWorld, AMouseThatDoesNotAnswerLeavesTheWindowResponsive) {
    world->SetCablePlugged(false);
    world->SetReceiverPlugged(true);
    Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return EntryShown(); }, kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Entry()->Worker()->IsIdle(); }, kWaitMs));
    world->HoldReplies();
    Entry()->StartTimer(kTimerStatus, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Entry()->Worker()->IsIdle(); }, kWaitMs));
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran; }, kWaitMs));
    EXPECT_FALSE(Entry()->Worker()->IsIdle()) << "the UI waited for the device";
    // Answered at last: the status read ends and the battery shows.
    world->ReleaseReplies();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Entry()->Worker()->IsIdle(); }, kWaitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return PowerText() == QLatin1String("85%"); }, kWaitMs))
        << PowerText().toStdString();
}

namespace {

// Three listed devices (types mouse, mouse pad, headset) on the mouse page layout, driven by
// the list operations alone.
class DeviceListOps : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(window.Init());
        QCoreApplication::processEvents();
        for (int type : {0, 2, 3}) {
            auto device = std::make_unique<CQuillonUSBDevice>();
            device->SetTypeIndex(type);
            device->SetTypeKey(std::string(kDeviceTypeTable[static_cast<size_t>(type)].typeKey));
            device->SetPageLayout("XML\\DeviceXml\\mousedevice.xml");
            device->SetWirelessCapable(type == 0);
            window.OnDeviceCreated(*device);
            ASSERT_TRUE(window.EntryOf(*device)) << type;
            devices.push_back(std::move(device));
        }
        window.BringUp();
    }
    CDeviceOptionUI* Entry(int i) { return window.Entries()[static_cast<size_t>(i)]; }
    int Selected() {
        for (int i = 0; i < 3; ++i)
            if (Entry(i)->IsEntryVisible() && Entry(i)->IsSelected())
                return i;
        return -1;
    }
    QStackedWidget* Tabs(const char* name) {
        return window.FindControl<QStackedWidget>(QString::fromLatin1(name));
    }
    void Click(const char* name) {
        auto* button = window.FindControl<QAbstractButton>(QString::fromLatin1(name));
        ASSERT_TRUE(button) << name;
        button->click();
    }

    // Declared first: the window's entries refer to them.
    std::vector<std::unique_ptr<CQuillonUSBDevice>> devices;
    CMainWnd window;
};

}  // namespace

TEST_F(DeviceListOps, NoVisibleEntryShowsNoDeviceLinkAndTabZero) {
    EXPECT_EQ(window.FirstVisibleEntry(), std::make_pair(-1, 0));
    EXPECT_TRUE(window.FindControl(QStringLiteral("No_device_Link"))->isVisible());
    window.ShowEntry(1, true, true);
    EXPECT_FALSE(window.FindControl(QStringLiteral("No_device_Link"))->isVisible());
    EXPECT_EQ(Tabs("device_switch")->currentWidget(), window.PageOf(*devices[1]));
    // Without a battery the power item stays out of sight.
    EXPECT_FALSE(Tabs("device_power_switch")->isVisible());
    EXPECT_EQ(window.FirstVisibleEntry(), std::make_pair(1, 1));
    window.HideEntry(1);
    EXPECT_TRUE(window.FindControl(QStringLiteral("No_device_Link"))->isVisible());
    EXPECT_EQ(Tabs("device_switch")->currentIndex(), 0);
    EXPECT_EQ(Tabs("device_power_switch")->currentIndex(), 0);
    EXPECT_EQ(window.SelectedDevice(), nullptr);
    window.HideEntry(7);  // no such entry: ignored
    window.ShowEntry(-1, true, true);
}

TEST_F(DeviceListOps, PreviousAndNextStepOverHiddenEntriesAndStopAtTheEnds) {
    window.ShowEntry(0, true, true);
    window.ShowEntry(1, true, false);
    window.ShowEntry(2, true, false);
    EXPECT_EQ(Selected(), 0);
    Click("device_select_prev");
    EXPECT_EQ(Selected(), 0);
    Click("device_select_next");
    EXPECT_EQ(Selected(), 1);
    EXPECT_EQ(Tabs("device_switch")->currentWidget(), window.PageOf(*devices[1]));
    Click("device_select_next");
    EXPECT_EQ(Selected(), 2);
    Click("device_select_next");
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(window.SelectedDevice(), devices[2].get());

    window.HideEntry(1);
    EXPECT_EQ(Selected(), 2);
    Click("device_select_prev");
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(window.SelectedIndex(), 0);
    // A mouse page with its battery shows its power item.
    EXPECT_TRUE(Tabs("device_power_switch")->isVisible());
    EXPECT_EQ(Tabs("device_power_switch")->currentWidget(), Entry(0)->PowerItem());
}

TEST_F(DeviceListOps, HidingTheSelectedEntrySelectsAnotherAndShowingKeepsTheSelection) {
    window.ShowEntry(0, true, true);
    window.ShowEntry(2, true, false);
    // Shown again (a transport switch does that): the selection stays where it is.
    window.ShowEntry(0, true, false);
    EXPECT_EQ(Selected(), 0);
    window.HideEntry(0);
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(Tabs("device_switch")->currentWidget(), window.PageOf(*devices[2]));
    EXPECT_FALSE(Entry(0)->IsSelected());
}

TEST_F(DeviceListOps, ChoosingAnEntryShowsItsPageAndTheSynchronisedOptionsNeedTwo) {
    window.ShowEntry(0, true, true);
    window.ShowEntry(1, true, false);
    Entry(1)->SelectButton()->click();
    EXPECT_EQ(Selected(), 1);
    EXPECT_FALSE(Entry(0)->IsSelected());
    EXPECT_EQ(window.SelectedIndex(), 1);
    EXPECT_EQ(Tabs("device_switch")->currentWidget(), window.PageOf(*devices[1]));
    EXPECT_TRUE(Entry(1)->property("selected").toBool());

    Entry(0)->SetSynchroSelected(true);
    Entry(1)->SetSynchroSelected(true);
    devices[0]->SetLightingSync(1);
    window.ShowEntry(1, true, false);
    EXPECT_TRUE(Entry(0)->IsSynchronised());
    EXPECT_EQ(Entry(0)->ImagePath(CDeviceOptionUI::kSynchroNormal),
              QStringLiteral("common/device_ico/ms_device_synchro_normal.png"));
    auto sameModeAllowed = [&](int i) {
        return window.PageOf(*devices[static_cast<size_t>(i)])->LightControl()->IsSameModeAllowed();
    };
    EXPECT_TRUE(sameModeAllowed(0) && sameModeAllowed(1) && sameModeAllowed(2));
    window.HideEntry(1);
    EXPECT_FALSE(Entry(0)->IsSynchronised());
    EXPECT_FALSE(Entry(1)->IsSynchronised());
    EXPECT_EQ(devices[0]->GetLightingSync(), 0);
    // One device left: no same-effect button on any page.
    EXPECT_FALSE(sameModeAllowed(0) || sameModeAllowed(1) || sameModeAllowed(2));
}

TEST_F(DeviceListOps, SettingsOptionsChooseTheirTab) {
    CDevicePageUI* page = window.PageOf(*devices[0]);
    window.ShowEntry(0, true, true);
    EXPECT_EQ(page->CurrentSettingsTab(), 0);
    auto* dpi = page->findChild<QAbstractButton*>(QStringLiteral("mouse_device_seting_option_1"));
    ASSERT_TRUE(dpi);
    dpi->click();
    EXPECT_EQ(page->CurrentSettingsTab(), 1);
    EXPECT_TRUE(dpi->isChecked());
    EXPECT_FALSE(page->findChild<QAbstractButton*>(QStringLiteral("mouse_device_seting_option_0"))
                     ->isChecked());
    page->SelectSettingsTab(99);
    EXPECT_EQ(page->CurrentSettingsTab(), 0);
}

TEST(DeviceEntry, ImageSetsByClassAndKind) {
    struct Case {
        int deviceClass, kind;
        const char* set;
        const char* tip;
    } cases[] = {{1, 0, "kb_device", "kb_device_name_text"},
                 {2, 5, "ms_device", "ms_device_name_text"},
                 {3, 1, "soft_mp_device", "soft_mp_device_name_text"},
                 {3, 0, "hard_mp_device", "hard_mp_device_name_text"},
                 {4, 0, "hd_device", "hd_device_name_text"},
                 {7, 0, "hd_device", "hd_device_name_text"},
                 {5, 0, "hub_device", "hub_device_name_text"},
                 {9, 0, "unknow_device", "unknow_device_name_text"}};
    CLanguageResource english, chinese;
    ASSERT_TRUE(english.Load(Skin().FilePath(QStringLiteral("lang/lan_en.xml"))));
    ASSERT_TRUE(chinese.Load(Skin().FilePath(QStringLiteral("lang/lan_cn.xml"))));
    for (const Case& c : cases) {
        EntryImageSet set{};
        ASSERT_TRUE(EntryImageSetFor(c.deviceClass, c.kind, set)) << c.deviceClass;
        EXPECT_STREQ(set.set, c.set);
        EXPECT_STREQ(set.tipKey, c.tip);
        for (const char* suffix : {"_normal", "_selected", "_synchro_normal", "_synchro_selected"})
            EXPECT_TRUE(QFile::exists(
                Skin().FilePath(QStringLiteral("common/device_ico/%1%2.png")
                                    .arg(QLatin1String(c.set), QLatin1String(suffix)))))
                << c.set << suffix;
        for (const CLanguageResource* language : {&english, &chinese})
            EXPECT_TRUE(language->Has(QString::fromLatin1(c.tip))) << c.tip;
    }
    // A mouse pad of another kind keeps the images it had.
    EntryImageSet set{};
    EXPECT_FALSE(EntryImageSetFor(3, 2, set));
    CDeviceOptionUI entry;
    entry.SetClassAndKind(2, 0);
    entry.SetClassAndKind(3, 2);
    EXPECT_EQ(entry.ImagePath(CDeviceOptionUI::kSelected),
              QStringLiteral("common/device_ico/ms_device_selected.png"));
}

TEST(DevicePower, ShowsAStatusRecord) {
    CSkinBuilder builder([](const QString& element, QWidget* parent) -> QWidget* {
        if (element == QLatin1String("MpDevicePower"))
            return new CMpDevicePowerUI(parent);
        return nullptr;
    });
    std::unique_ptr<QWidget> root(
        builder.Build(QStringLiteral("XML\\CustomControlXML\\MpDevicePower.xml")));
    auto* power = qobject_cast<CMpDevicePowerUI*>(root.get());
    ASSERT_TRUE(power);
    power->SetClassAndKind(2, 0);
    power->SetWirelessCapable(true);
    auto* value = Sub<QLabel>(power, "device_power_value");
    auto* progress = Sub<QProgressBar>(power, "device_Power_progress");
    QWidget* status = Sub(power, "device_power_status");
    QWidget* logo = Sub(power, "device_wuxian_logo");
    power->show();

    struct Case {
        std::vector<uint8_t> record;
        const char* text;
        int progress;
        const char* image;
        bool logo;
    } cases[] = {
        {{85, 0, 0, 0, 0, 0}, "85%", 15, "file='power/powered.png'", false},
        {{40, 1, 0, 1, 0, 0}, "40%", 60, "file='power/powering.png'", true},
        {{7, 2, 0, 0}, "7%", 93, "file='power/power.png'", false},
        // An unknown charging state leaves the image; a level past 100 reads as full.
        {{180, 9, 0, 1}, "100%", 0, "file='power/power.png'", true},
        // A short record reads as padded with zeros.
        {{55}, "55%", 45, "file='power/powered.png'", false},
    };
    for (const Case& c : cases) {
        power->Update(c.record);
        EXPECT_EQ(value->text(), QString::fromLatin1(c.text));
        EXPECT_EQ(progress->value(), c.progress) << c.text;
        EXPECT_EQ(CMpDevicePowerUI::ImageOf(status), QString::fromLatin1(c.image)) << c.text;
        EXPECT_EQ(logo->isVisible(), c.logo) << c.text;
        EXPECT_TRUE(
            QFile::exists(Skin().FilePath(ImageAttributeFile(QString::fromLatin1(c.image)))));
    }
    std::vector<uint8_t> oversized(100, 0);
    oversized[0] = 64;
    power->Update(oversized);
    EXPECT_EQ(value->text(), QStringLiteral("64%"));

    power->SetWirelessCapable(false);
    EXPECT_FALSE(Sub(power, "device_power_Layout")->isVisible());

    // The mouse pad reports the phone lying on it.
    power->SetClassAndKind(3, 0);
    QWidget* phone = Sub(power, "device_phone_type");
    for (auto [type, key] : {std::pair<uint8_t, const char*>{1, "Phone_type_iphone"},
                             {2, "Phone_type_samsung"},
                             {3, "Phone_type_other"},
                             {0, "Phone_type_no_device"},
                             {4, "Phone_type_no_device"}}) {
        power->Update(std::vector<uint8_t>{50, 0, 0, 0, 0, type});
        EXPECT_EQ(CMpDevicePowerUI::ImageOf(phone),
                  QStringLiteral("file='power/%1.png'").arg(QLatin1String(key)));
        EXPECT_EQ(phone->toolTip(), Skin().Text(QString::fromLatin1(key)));
        EXPECT_TRUE(
            QFile::exists(Skin().FilePath(QStringLiteral("power/%1.png").arg(QLatin1String(key)))));
    }
}

TEST(DeviceLayouts, HoldTheControlsTheCodeLooksUpAndTheirTextsInBothLanguages) {
    // Declared first: it outlives the window's entry.
    CQuillonUSBDevice device;
    CMainWnd window;
    ASSERT_TRUE(window.Init());
    QCoreApplication::processEvents();
    device.SetTypeIndex(0);
    device.SetTypeKey("mouse");
    device.SetPageLayout(std::string(kDevicePageTable[0].pageLayout));
    device.SetWirelessCapable(true);
    CDeviceOptionUI* entry = window.CreateDevicePage(device);
    ASSERT_TRUE(entry);
    EXPECT_FALSE(window.CreateDevicePage(device)) << "one page per device";
    // Each part's own table of the controls it binds.
    struct Names {
        QWidget* root;
        std::span<const PageControl> controls;
    } layouts[] = {
        {entry, CDeviceOptionUI::kControls},
        {entry->PowerItem(), CMpDevicePowerUI::kControls},
        {window.PageOf(device), CDevicePageUI::kControls},
    };
    QStringList keys = {QStringLiteral("device_state_cable_text"),
                        QStringLiteral("device_state_receiver_text"),
                        QStringLiteral("power_state_full_text"),
                        QStringLiteral("power_state_charging_text"),
                        QStringLiteral("power_state_battery_text"),
                        QStringLiteral("mouse"),
                        QStringLiteral("keyboard"),
                        QStringLiteral("MousePad"),
                        QStringLiteral("HD")};
    auto collectKeys = [&keys](QWidget* root) {
        QList<QWidget*> widgets = root->findChildren<QWidget*>();
        widgets.prepend(root);
        for (QWidget* widget : widgets)
            for (const char* property : {"textid", "tipid"})
                if (QString key = widget->property(property).toString(); !key.isEmpty())
                    keys << key;
    };
    for (const Names& layout : layouts) {
        ASSERT_TRUE(layout.root);
        EXPECT_EQ(MissingControls(*layout.root, layout.controls), QStringList());
        collectKeys(layout.root);
    }
    EXPECT_TRUE(window.PageOf(device)->PictureControl());
    for (const char* file : {"lan_en.xml", "lan_cn.xml"}) {
        CLanguageResource language;
        ASSERT_TRUE(language.Load(Skin().FilePath(QStringLiteral("lang/") + QLatin1String(file))));
        for (const QString& key : keys)
            EXPECT_TRUE(language.Has(key)) << file << " lacks " << qPrintable(key);
    }
}
