// SPDX-License-Identifier: GPL-2.0-or-later
// A profile switch through the window, from the moment the switch starts (the combo box's wait
// is over and the profile control turns busy) until the mouse holds the profile's settings
// image, macros and key table and the control is usable again; by cable and through the
// receiver under the 1 ms USB interval model. Compared with the floor of the three transfers as
// the protocol lays them out (SettingsFloor.h).
//
//   profile_switch_bench [--switches N]
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "SettingsFloor.h"
#include "WindowBench.h"
#include "app/DeviceOption.h"
#include "app/MainWnd.h"
#include "app/MpDevicePower.h"
#include "base/Debug.h"
#include "base/Paths.h"
#include "base/ThreadCheck.h"
#include "keys/KeyCodes.h"
#include "macro/MacroDownload.h"
#include "macro/MacroList.h"
#include "mouse/ui/DevicePage.h"
#include "profile/MouseProfiledata.h"
#include "simulated/EmulatedHidBackend.h"
#include "ui/SkinResources.h"
#include "ui/SvgImage.h"

namespace {

constexpr double kIntervalMs = 1.0;

// Notes when the control turns busy and when it is usable again.
class BusyWatch : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange) {
            auto* widget = static_cast<QWidget*>(watched);
            if (!widget->isEnabled())
                started.start();
            else if (started.isValid())
                lastMs = static_cast<double>(started.nsecsElapsed()) / 1e6, ++ends;
        }
        return false;
    }
    QElapsedTimer started;
    double lastMs = 0;
    int ends = 0;
};

// Both profiles play a macro on the forward button, with their own light colour.
void PrepareProfiles(const CDeviceProfileUI& control) {
    const std::filesystem::path folder = GetDeviceDataFolder("mouse");
    CMacroList macros(folder);
    // The receiver's run finds the cable's macro in place.
    int macro = macros.FindByName("Burst");
    if (macro < 0)
        macros.Add("Burst", &macro);
    std::vector<MacroEvent> events;
    for (int i = 0; i < 8; ++i)
        events.push_back(MakeMacroEvent(MacroEventType::Key, i % 2 == 0, 0x04, 20));
    macros.Save(macro, events);
    for (size_t i = 0; i < control.List().GetEntries().size(); ++i) {
        CMouseProfiledata profile;
        profile.SetDefaultPath(GetDefaultProfileFile("mouse"));
        profile.SetProfilePath(folder / (control.List().GetEntries()[i].id + ".Json"));
        profile.LoadSection(profile.GetProfilePath());
        LightInfo light = profile.GetLightInfo();
        light.red = static_cast<uint8_t>(i == 0 ? 0xFF : 0x00);
        profile.SetLightInfo(light);
        std::vector<KeyListEntry> keys = profile.GetKeyList();
        keys[3].current.code = MakeMacroCode(static_cast<uint8_t>(macro), 1);
        profile.SetKeyList(keys);
        profile.Save();
    }
}

int Run(bool receiver, int switches) {
    CBenchWindow bench(receiver, kIntervalMs);
    if (!bench.Open())
        return 1;
    const std::shared_ptr<CSimWorld>& world = bench.world;
    CMainWnd& window = *bench.window;
    auto page = [&bench] { return bench.Page(); };
    CDeviceProfileUI* control = page()->ProfileControl();
    CDeviceOptionUI* entry = window.EntryOf(*page()->Device());
    auto* combo = control ? control->findChild<QComboBox*>(CDeviceProfileUI::kCombo) : nullptr;
    auto* add = control ? control->findChild<QAbstractButton*>(CDeviceProfileUI::kAdd) : nullptr;
    if (!combo || !add || !RunUntil([&] { return entry->Worker()->IsIdle(); }, 20000))
        return 1;
    control->ShowMenu(true);
    add->click();
    PrepareProfiles(*control);

    BusyWatch watch;
    control->installEventFilter(&watch);
    std::vector<double> latencyMs;
    uint32_t requests = 0;
    for (int i = 0; i < switches; ++i) {
        const int ends = watch.ends;
        const uint32_t before = world->RequestsHandled();
        combo->setCurrentIndex((i + 1) % 2);
        if (!RunUntil([&] { return watch.ends > ends && entry->Worker()->IsIdle(); }, 20000)) {
            std::fprintf(stderr, "switch %d did not end\n", i);
            return 1;
        }
        const uint8_t red = world->SettingsMemory()[6];
        if (combo->currentIndex() != (i + 1) % 2 || red != ((i + 1) % 2 == 0 ? 0xFF : 0x00)) {
            std::fprintf(stderr, "switch %d did not reach the mouse\n", i);
            return 1;
        }
        latencyMs.push_back(watch.lastMs);
        requests = world->RequestsHandled() - before;
    }
    const unsigned macroBytes = static_cast<unsigned>(kMacroBlockHeaderSize + 2 + 4 + 4 * 8);
    const unsigned keyTableBytes = static_cast<unsigned>(world->KeyTable().size());
    const SettingsWriteFloor floor =
        ProfileSwitchFloor(receiver, kIntervalMs, macroBytes, keyTableBytes);
    const double median = Percentile(latencyMs, 0.5);
    std::printf(
        "%-8s %d switches: start to usable median %.2f ms (p90 %.2f, max %.2f), floor %.1f ms "
        "(%u transactions; %u made), ratio %.3f; protocol errors %u\n",
        receiver ? "receiver" : "cable", switches, median, Percentile(latencyMs, 0.9),
        Percentile(latencyMs, 1.0), floor.ms, floor.transactions, requests, median / floor.ms,
        world->ProtocolErrors());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int switches = CountOption(argc, argv, "--switches", 30);
    return RunWindowBench(
        argc, argv,
        "a profile switch through the window: settings image, macros and key table (target: "
        "within 10% of the floor)",
        [switches](bool receiver) { return Run(receiver, switches); });
}
