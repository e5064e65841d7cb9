// SPDX-License-Identifier: GPL-2.0-or-later
// The thread contracts abort a debug build at the first call that breaks them: device work on
// the UI thread, widget work on a worker.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "app/DeviceWorker.h"
#include "base/ThreadCheck.h"
#include "mouse/QuillonMouseDevice.h"
#include "mouse/ui/DevicePage.h"
#include "tests/support/TempHome.h"

namespace {

class ThreadContractTest : public testing::Test {
  protected:
    void SetUp() override {
#ifdef NDEBUG
        GTEST_SKIP() << "thread contracts are checked in debug builds";
#endif
        GTEST_FLAG_SET(death_test_style, "threadsafe");
    }
    CTempHome home;
};

}  // namespace

TEST_F(ThreadContractTest, DeviceCommandOnTheUiThreadAborts) {
    CQuillonMouseDevice mouse;
    ASSERT_TRUE(IsUiThread());
    EXPECT_DEATH(mouse.WriteSettings(),
                 "CQuillonMouseDevice::WriteSettings waits on the device and must run on its "
                 "worker, not the UI thread");
}

TEST_F(ThreadContractTest, PageCallbackOnAWorkerAborts) {
    CDevicePageUI page(QStringLiteral("QuillonMouseDevice"));
    EXPECT_DEATH(
        {
            std::thread worker([&page] { page.ShowProfile({}); });
            worker.join();
        },
        "CDevicePageUI::ShowProfile touches widgets and must run on the UI thread");
}

TEST_F(ThreadContractTest, BoundDeviceTakesCommandsFromItsWorkerOnly) {
    CQuillonMouseDevice mouse;
    CDeviceWorker worker;
    std::promise<int> written;
    worker.Post([&] {
        mouse.BindCommandThread();
        // Nothing loaded, nothing sent: the call itself is what is checked.
        written.set_value(mouse.WriteSettings());
    });
    EXPECT_EQ(written.get_future().get(), 0);
    EXPECT_DEATH(
        {
            std::thread other([&mouse] { mouse.StoreSettings(); });
            other.join();
        },
        "CQuillonMouseDevice::StoreSettings belongs to the device's worker");
}
