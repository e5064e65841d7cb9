// SPDX-License-Identifier: GPL-2.0-or-later
// When the desktop hears from the tool: battery warnings once per discharge at 15 % and 5 %,
// connections only while the window is hidden, old firmware once.
#include "app/NotificationRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/RecordingNotifier.h"

namespace {

// The key with its arguments, so a test reads which text went out and with what.
QString KeyText(const QString& key) {
    return key + QStringLiteral("(%1,%2,%3)");
}

struct Reading {
    int percent;
    bool charging;
};

struct BatteryCase {
    const char* name;
    std::vector<Reading> readings;
    // The title keys sent, in order.
    std::vector<std::string> expected;
};

const char* const kLow = "notify_battery_low_title";
const char* const kCritical = "notify_battery_critical_title";

class NotificationRulesTest : public testing::Test {
  protected:
    std::vector<std::string> Titles() const {
        std::vector<std::string> titles;
        for (const auto& each : notifier.sent)
            titles.push_back(each.summary.section(QLatin1Char('('), 0, 0).toStdString());
        return titles;
    }

    CRecordingNotifier notifier;
    CNotificationRules rules{notifier, KeyText};
};

TEST_F(NotificationRulesTest, BatteryWarnsOncePerDischargeAtEachThreshold) {
    const BatteryCase cases[] = {
        {"above both: nothing", {{80, false}, {40, false}, {16, false}}, {}},
        {"at 15 and 5, once each",
         {{16, false}, {15, false}, {14, false}, {6, false}, {5, false}, {4, false}, {1, false}},
         {kLow, kCritical}},
        {"wobbling readings near a threshold say nothing more",
         {{15, false}, {16, false}, {15, false}, {17, false}, {14, false}},
         {kLow}},
        {"a drop past both says only the urgent one",
         {{30, false}, {4, false}, {3, false}},
         {kCritical}},
        {"first reading already low", {{10, false}}, {kLow}},
        {"charging resets: the next discharge warns again",
         {{14, false}, {14, true}, {15, true}, {14, false}},
         {kLow, kLow}},
        {"charging at a low level says nothing", {{12, true}, {4, true}}, {}},
        {"a charge the tool did not see (level well above) resets",
         {{14, false}, {60, false}, {15, false}, {4, false}, {40, false}, {5, false}},
         {kLow, kLow, kCritical, kCritical}},
        {"5 % again after rising a little above it is no new discharge",
         {{5, false}, {8, false}, {5, false}},
         {kCritical}},
    };
    for (const BatteryCase& c : cases) {
        SCOPED_TRACE(c.name);
        notifier.sent.clear();
        CNotificationRules fresh(notifier, KeyText);
        for (const Reading& r : c.readings)
            fresh.OnBattery(QStringLiteral("Q418-RGB"), r.percent, r.charging);
        EXPECT_EQ(Titles(), c.expected);
    }
}

TEST_F(NotificationRulesTest, BatteryTextNamesTheDeviceAndLevelAndReplacesTheLastWarning) {
    rules.OnBattery(QStringLiteral("Q418-RGB"), 14, false);
    rules.OnBattery(QStringLiteral("Q418-RGB"), 5, false);
    ASSERT_EQ(notifier.sent.size(), 2u);
    EXPECT_EQ(notifier.sent[0].body, QStringLiteral("notify_battery_low_text(Q418-RGB,14,%3)"));
    EXPECT_EQ(notifier.sent[1].body, QStringLiteral("notify_battery_critical_text(Q418-RGB,5,%3)"));
    // One slot on the desktop: the critical warning takes the low one's place.
    EXPECT_EQ(notifier.sent[0].tag, notifier.sent[1].tag);
}

TEST_F(NotificationRulesTest, ConnectionsAreSaidOnlyOnAChangeWhileTheWindowIsHidden) {
    const QString mouse = QStringLiteral("Q418-RGB");
    rules.OnConnection(mouse, true, false);  // window shown: it says so itself
    rules.OnConnection(mouse, false, true);
    rules.OnConnection(mouse, false, true);  // no change
    rules.OnConnection(mouse, true, true);
    rules.OnConnection(mouse, true, true);
    EXPECT_EQ(Titles(),
              (std::vector<std::string>{"notify_disconnected_title", "notify_connected_title"}));
}

TEST_F(NotificationRulesTest, OldFirmwareIsSaidOncePerDevice) {
    rules.OnFirmwareTooOld(QStringLiteral("Q418-RGB"), QStringLiteral("1.04"),
                           QStringLiteral("1.05"));
    rules.OnFirmwareTooOld(QStringLiteral("Q418-RGB"), QStringLiteral("1.04"),
                           QStringLiteral("1.05"));
    ASSERT_EQ(notifier.sent.size(), 1u);
    EXPECT_EQ(notifier.sent[0].body,
              QStringLiteral("notify_firmware_old_text(Q418-RGB,1.04,1.05)"));
}

}  // namespace
