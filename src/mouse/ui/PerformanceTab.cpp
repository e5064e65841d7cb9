// SPDX-License-Identifier: GPL-2.0-or-later

#include "mouse/ui/PerformanceTab.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QSignalBlocker>
#include <string>
#include <vector>

#include "base/ThreadCheck.h"
#include "ui/SkinResources.h"

const PageHandler<CPerformanceTabUI> CPerformanceTabUI::kHandlers[] = {
    {"selectchanged", kReportRatePrefix, &CPerformanceTabUI::OnOption},
    {"selectchanged", kLiftOffPrefix, &CPerformanceTabUI::OnOption},
    {"selectchanged", kAngleSnappingPrefix, &CPerformanceTabUI::OnOption},
    {"selectchanged", kRipplePrefix, &CPerformanceTabUI::OnOption},
    {"itemselect", kSleepCombos[0].name, &CPerformanceTabUI::OnSleepCombo},
    {"itemselect", kSleepCombos[1].name, &CPerformanceTabUI::OnSleepCombo},
    {"itemselect", kSleepCombos[2].name, &CPerformanceTabUI::OnSleepCombo},
    {"itemselect", kSleepCombos[3].name, &CPerformanceTabUI::OnSleepCombo},
    {"itemselect", kDebounceCombo, &CPerformanceTabUI::OnDebounceCombo},
};

std::span<const PageHandler<CPerformanceTabUI>> CPerformanceTabUI::HandlerTable() {
    return kHandlers;
}

namespace {

// Marks a combo item that shows a stored number the layout's items lack.
constexpr int kExtraItemRole = Qt::UserRole + 1;

constexpr OptionGroup kGroups[] = {OptionGroup::kReportRate, OptionGroup::kLiftOff,
                                   OptionGroup::kAngleSnapping, OptionGroup::kRipple};

QString Formatted(const char* key, int value) {
    return Skin().Text(QString::fromLatin1(key)).arg(value);
}

// What option k of a group says, in the words kestrunectl uses.
QString OptionLabel(OptionGroup group, int k) {
    switch (group) {
        case OptionGroup::kReportRate:
            return Formatted("mouse_hertz_format", kReportRateHz[static_cast<size_t>(k)]);
        case OptionGroup::kLiftOff:
            return Skin().Text(k == 0 ? QStringLiteral("mouse_liftoff_low_text")
                                      : QStringLiteral("mouse_liftoff_high_text"));
        default:
            return Skin().Text(k == 0 ? QStringLiteral("mouse_switch_off_text")
                                      : QStringLiteral("mouse_switch_on_text"));
    }
}

QString SleepLabel(const SleepSetting& setting, int value) {
    return Formatted(setting.minutes ? "mouse_minutes_format" : "mouse_seconds_format", value);
}

QString OptionName(OptionGroup group, int k) {
    return QString::fromLatin1(OptionGroupOf(group).prefix.data(),
                               static_cast<qsizetype>(OptionGroupOf(group).prefix.size())) +
           QString::number(k);
}

}  // namespace

bool CPerformanceTabUI::HandleNotify(TNotifyUI& msg) {
    return Dispatch<CPerformanceTabUI>(kHandlers, msg);
}

void CPerformanceTabUI::showEvent(QShowEvent* event) {
    FillChoices();
    CMouseTabUI::showEvent(event);
}

void CPerformanceTabUI::FillChoices() {
    if (m_filled)
        return;
    m_filled = true;
    for (OptionGroup group : kGroups) {
        for (int k = 0; k < OptionGroupOf(group).optionCount; ++k)
            if (auto* option = findChild<QAbstractButton*>(OptionName(group, k)))
                option->setText(OptionLabel(group, k));
    }
    for (const SleepCombo& entry : kSleepCombos) {
        auto* combo = Control<QComboBox>(entry.name);
        if (!combo)
            continue;
        const SleepSetting& setting = kSleepSettings[entry.setting];
        const QSignalBlocker block(combo);
        combo->clear();
        for (int value : setting.minutes ? std::span<const int>(kSleepMinutes)
                                         : std::span<const int>(kSleepDimSeconds))
            combo->addItem(SleepLabel(setting, value), QString::number(value));
    }
    if (auto* combo = Control<QComboBox>(kDebounceCombo)) {
        const QSignalBlocker block(combo);
        combo->clear();
        for (int ms : kDebounceMs)
            combo->addItem(Formatted("mouse_milliseconds_format", ms));
    }
}

void CPerformanceTabUI::ShowProfile(const MouseProfileSnapshot& profile) {
    ExpectUiThread("CPerformanceTabUI::ShowProfile");
    FillChoices();
    m_settings = profile.settings;
    for (OptionGroup group : kGroups)
        ShowOptionGroup(group);
    ShowCombos();
}

void CPerformanceTabUI::ShowOptionGroup(OptionGroup group) {
    const OptionGroupInfo& info = OptionGroupOf(group);
    const int shown = ShownOption(group, m_settings[info.word]);
    for (int k = 0; k < info.optionCount; ++k) {
        if (auto* option = findChild<QAbstractButton*>(OptionName(group, k))) {
            const QSignalBlocker block(option);
            option->setChecked(k == shown);
        }
    }
}

void CPerformanceTabUI::ShowCombos() {
    for (const SleepCombo& entry : kSleepCombos) {
        auto* combo = Control<QComboBox>(entry.name);
        if (!combo)
            continue;
        const QSignalBlocker block(combo);
        // A time none of the items offers (the mouse's own, or another tool's) is shown as it
        // is, in an item of its own that goes again with the next profile shown.
        for (int i = combo->count() - 1; i >= 0; --i)
            if (combo->itemData(i, kExtraItemRole).toBool())
                combo->removeItem(i);
        std::vector<std::string> userData;
        for (int i = 0; i < combo->count(); ++i)
            userData.push_back(combo->itemData(i).toString().toStdString());
        const SleepSetting& setting = kSleepSettings[entry.setting];
        const uint16_t stored = m_settings[setting.word];
        int item = SleepItem(userData, stored);
        if (item < 0) {
            combo->addItem(SleepLabel(setting, stored), QString::number(stored));
            item = combo->count() - 1;
            combo->setItemData(item, true, kExtraItemRole);
        }
        combo->setCurrentIndex(item);
    }
    if (auto* combo = Control<QComboBox>(kDebounceCombo)) {
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(
            DebounceItem(m_settings[MouseSettings::kKeyDebounce], combo->count()));
    }
}

void CPerformanceTabUI::OnOption(TNotifyUI& msg, int n) {
    const QString name = msg.SenderName();
    const std::optional<OptionGroup> group =
        OptionGroupFromPrefix(name.left(name.size() - QString::number(n).size()).toStdString());
    if (!group)
        return;
    const OptionGroupInfo& info = OptionGroupOf(*group);
    if (!msg.wParam || n >= info.optionCount) {
        // An option is chosen, not cleared: the group keeps showing what is stored.
        ShowOptionGroup(*group);
        return;
    }
    m_settings[info.word] = static_cast<uint16_t>(n);
    ShowOptionGroup(*group);
    Commit(info.word, static_cast<uint16_t>(n));
}

void CPerformanceTabUI::OnSleepCombo(TNotifyUI& msg, int) {
    auto* combo = qobject_cast<QComboBox*>(msg.pSender);
    if (!combo || combo->currentIndex() < 0)
        return;
    for (const SleepCombo& entry : kSleepCombos) {
        if (msg.SenderName() != QLatin1String(entry.name))
            continue;
        const MouseSettings::Word word = kSleepSettings[entry.setting].word;
        const uint16_t value = SleepWord(combo->currentData().toString().toStdString());
        m_settings[word] = value;
        Commit(word, value);
    }
}

void CPerformanceTabUI::OnDebounceCombo(TNotifyUI& msg, int) {
    auto* combo = qobject_cast<QComboBox*>(msg.pSender);
    if (!combo)
        return;
    const uint16_t value = DebounceWord(combo->currentIndex());
    m_settings[MouseSettings::kKeyDebounce] = value;
    Commit(MouseSettings::kKeyDebounce, value);
}

void CPerformanceTabUI::Commit(MouseSettings::Word word, uint16_t value) {
    Post([word, value](CQuillonMouseDevice& mouse) {
        MouseSettings settings = mouse.GetMouseSettings();
        settings[word] = value;
        mouse.SetMouseSettings(settings);
    });
}
