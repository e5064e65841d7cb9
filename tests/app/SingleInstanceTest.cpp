// SPDX-License-Identifier: GPL-2.0-or-later
// One tool per session: a second start wakes the first and ends with status 0.
#include <gtest/gtest.h>

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "app/SingleInstance.h"

TEST(SingleInstance, SecondClaimWakesTheFirst) {
    QTemporaryDir dir;
    QString name = dir.filePath(QStringLiteral("instance"));
    CSingleInstance first(name);
    ASSERT_TRUE(first.Claim());
    QSignalSpy raised(&first, &CSingleInstance::RaiseRequested);
    CSingleInstance second(name);
    EXPECT_FALSE(second.Claim());
    EXPECT_TRUE(raised.count() > 0 || raised.wait(5000));
}

TEST(SingleInstance, StaleSocketOfACrashedInstanceIsTakenOver) {
    QTemporaryDir dir;
    QString name = dir.filePath(QStringLiteral("instance"));
    {
        QFile stale(name);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    CSingleInstance instance(name);
    EXPECT_TRUE(instance.Claim());
}

TEST(SingleInstance, SecondProgramStartRaisesTheFirstAndExitsZero) {
    CSingleInstance first;  // the name the program uses in this runtime folder
    ASSERT_TRUE(first.Claim());
    QSignalSpy raised(&first, &CSingleInstance::RaiseRequested);
    QProcess second;
    second.start(QStringLiteral(KESTRUNE_WINDOW_PROGRAM), {});
    ASSERT_TRUE(second.waitForStarted(10000));
    // Answered while this loop runs; the program then ends on its own.
    EXPECT_TRUE(raised.wait(20000));
    // It may have ended while the loop ran, and waitForFinished is false for a process gone.
    ASSERT_TRUE(second.state() == QProcess::NotRunning || second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
}
