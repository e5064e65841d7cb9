// SPDX-License-Identifier: GPL-2.0-or-later
// The hidraw backend end to end against emulated hidraw nodes: libudev sees the testbed's sysfs
// tree, opens reach FIFO or pty nodes whose ioctls the testbed answers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <future>
#include <memory>
#include <thread>

#include "HidrawTestbed.h"
#include "base/Debug.h"
#include "device/HidDevice.h"
#include "device/HidrawBackend.h"

// GCC's AddressSanitizer refuses to start when the umockdev preload comes before it.
extern "C" const char* __asan_default_options() {
    return "verify_asan_link_order=0";
}

namespace {

using testing::UnorderedElementsAreArray;

// Interface 0 of the mouse: mouse (ID 1), keyboard (ID 2), consumer control (ID 3).
const std::vector<uint8_t> kMouseInterface = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01, 0xA1, 0x00,  // mouse, pointer
    0x05, 0x09, 0x19, 0x01, 0x29, 0x05, 0x15, 0x00, 0x25, 0x01, 0x95, 0x05,  // 5 buttons
    0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x03, 0x81, 0x01,              // + 3 bits pad
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x16, 0x01, 0x80, 0x26, 0xFF, 0x7F,  // X, Y
    0x75, 0x10, 0x95, 0x02, 0x81, 0x06,                                      // 2 x 16 bits
    0x09, 0x38, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x01, 0x81, 0x06,  // wheel
    0xC0, 0xC0,                                                              //
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x02,                          // keyboard
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01,  // modifiers
    0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01,              // + reserved
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x19, 0x00, 0x2A,  // 6 keys
    0xFF, 0x00, 0x81, 0x00,                                                  //
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x95, 0x05, 0x75, 0x01, 0x91, 0x02,  // LEDs
    0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0xC0,                                //
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03,                          // consumer
    0x15, 0x00, 0x26, 0xFF, 0x03, 0x19, 0x00, 0x2A, 0xFF, 0x03, 0x75, 0x10,  //
    0x95, 0x01, 0x81, 0x00, 0xC0,
};

// Interface 1: system control (ID 5) and the vendor configuration collection (ID 4, 63 bytes).
const std::vector<uint8_t> kConfigInterface = {
    0x05, 0x01, 0x09, 0x80, 0xA1, 0x01, 0x85, 0x05,                                // system control
    0x19, 0x81, 0x29, 0x83, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x03,        //
    0x81, 0x02, 0x95, 0x05, 0x81, 0x01, 0xC0,                                      //
    0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0x85, 0x04,                          // vendor 0xFF1C
    0x09, 0x92, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x3F, 0x81, 0x02,  //
    0x09, 0x92, 0x95, 0x3F, 0x91, 0x02, 0xC0,
};

// One collection, reports not numbered: 3-byte input, 4-byte vendor output.
const std::vector<uint8_t> kUnnumbered = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00,              //
    0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03,  //
    0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x01,              //
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08,  //
    0x95, 0x02, 0x81, 0x06, 0xC0,                                            //
    0x06, 0x00, 0xFF, 0x09, 0x01, 0x75, 0x08, 0x95, 0x04, 0x91, 0x02, 0xC0,
};

// Consumer control only, as a Bluetooth remote might describe itself.
const std::vector<uint8_t> kConsumerOnly = {
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x15, 0x00, 0x26, 0xFF, 0x03,
    0x19, 0x00, 0x2A, 0xFF, 0x03, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0,
};

// The collection is never closed.
const std::vector<uint8_t> kMalformed = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85,
                                         0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02};

const std::string kMouseCol1 = "/dev/hidraw0#vid_320f&pid_226e&mi_00&col01";
const std::string kKeyboardCol = "/dev/hidraw0#vid_320f&pid_226e&mi_00&col02";
const std::string kSystemCol = "/dev/hidraw1#vid_320f&pid_226e&mi_01&col01";
const std::string kConfigCol = "/dev/hidraw1#vid_320f&pid_226e&mi_01&col02";
const std::string kUnnumberedPath = "/dev/hidraw2#vid_1234&pid_5678&mi_00";
const std::string kBluetoothPath = "/dev/hidraw4#vid_1234&pid_abcd&mi_00";

HidrawNodeSpec MouseNode(std::string name, unsigned interfaceNumber,
                         std::vector<uint8_t> descriptor) {
    return {std::move(name), "1-1", 0x320F, 0x226E, 0x0105, interfaceNumber, std::move(descriptor)};
}

std::vector<uint8_t> Report(uint8_t id, size_t length, uint8_t fill) {
    std::vector<uint8_t> report(length, fill);
    report[0] = id;
    return report;
}

bool Readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN);
}

// Waits until thread `tid` sleeps in poll(), so a release is known to hit a blocked call.
// The bound only turns a hang into a failure.
bool WaitUntilBlockedInPoll(pid_t tid) {
    std::string file = "/proc/self/task/" + std::to_string(tid) + "/syscall";
    auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < giveUp) {
        long number = -1;
        std::ifstream(file) >> number;
#ifdef SYS_poll
        if (number == SYS_poll)
            return true;
#endif
        if (number == SYS_ppoll)
            return true;
        std::this_thread::yield();
    }
    return false;
}

// Root passes every permission check through CAP_DAC_OVERRIDE; a thread without it (capabilities
// are per thread) meets the node's mode bits as a user does.
bool DropFileCapabilitiesOfThisThread() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    for (unsigned cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH})
        data[cap / 32].effective &= ~(1u << (cap % 32));
    return syscall(SYS_capset, &header, data) == 0;
}

class HidrawBackendTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CHidrawTestbed::Available()) << "run under umockdev-wrapper";
        testbed = std::make_unique<CHidrawTestbed>();
        backend = MakeHidrawBackend();
    }

    // The mouse's two interfaces, a device whose reports are not numbered, a node with a
    // malformed descriptor and a node without USB parents.
    void AddStandardNodes() {
        testbed->AddNode(MouseNode("hidraw0", 0, kMouseInterface));
        testbed->AddNode(MouseNode("hidraw1", 1, kConfigInterface));
        testbed->AddNode({"hidraw2", "1-2", 0x1234, 0x5678, 0x0200, 0, kUnnumbered});
        testbed->AddNode({"hidraw3", "1-3", 0x1234, 0x9999, 0x0100, 2, kMalformed});
        testbed->AddNode({"hidraw4", "", 0x1234, 0xABCD, 0, 0, kConsumerOnly});
    }

    // A reader that Close or Cancel failed to release is freed by a report of its collection,
    // so the failure ends the test instead of hanging it.
    template <class T>
    bool Released(std::future<T>& reader, const std::string& node) {
        if (reader.wait_for(std::chrono::seconds(20)) == std::future_status::ready)
            return true;
        testbed->SendInput(node, Report(0x04, 64, 0));
        return false;
    }

    std::unique_ptr<CHidrawTestbed> testbed;
    std::shared_ptr<IHidBackend> backend;
};

TEST_F(HidrawBackendTest, EnumerationListsEveryTopLevelCollectionAndSkipsBadDescriptors) {
    AddStandardNodes();
    CDebugCapture debug;
    CHidDevice device(backend.get());
    ASSERT_EQ(device.BeginEnumeration(), 1);
    std::vector<std::string> paths;
    while (const char* path = device.NextPath())
        paths.push_back(path);

    EXPECT_THAT(paths, UnorderedElementsAreArray({
                           kMouseCol1,
                           kKeyboardCol,
                           std::string("/dev/hidraw0#vid_320f&pid_226e&mi_00&col03"),
                           kSystemCol,
                           kConfigCol,
                           kUnnumberedPath,
                           kBluetoothPath,
                       }));
    EXPECT_TRUE(debug.Contains("hidraw3")) << "a skipped node leaves a debug line";
    for (const std::string& path : paths)
        EXPECT_TRUE(backend->Owns(path)) << path;
}

TEST_F(HidrawBackendTest, OpenDescribesTheCollectionWithAndWithoutAccessRights) {
    AddStandardNodes();
    struct Case {
        std::string path;
        HidInterfaceProps props;
        uint32_t interfaceNumber, collectionNumber;
    } cases[] = {
        {kMouseCol1, {0x320F, 0x226E, 0x0105, 0x01, 0x02, 7, 0, 0}, 0, 1},
        {kKeyboardCol, {0x320F, 0x226E, 0x0105, 0x01, 0x06, 9, 2, 0}, 0, 2},
        {kSystemCol, {0x320F, 0x226E, 0x0105, 0x01, 0x80, 2, 0, 0}, 1, 1},
        {kConfigCol, {0x320F, 0x226E, 0x0105, 0xFF1C, 0x92, 64, 64, 0}, 1, 2},
        {kUnnumberedPath, {0x1234, 0x5678, 0x0200, 0x01, 0x02, 4, 5, 0}, 0, 0},
        {kBluetoothPath, {0x1234, 0xABCD, 0, 0x0C, 0x01, 3, 0, 0}, 0, 0},
    };
    for (const Case& c : cases) {
        for (bool access : {true, false}) {
            SCOPED_TRACE(c.path + (access ? " read/write" : " no access"));
            CHidDevice device(backend.get());
            ASSERT_EQ(device.Open(c.path, access, access, true, false), 1);
            EXPECT_EQ(device.GetVendorId(), c.props.vendorId);
            EXPECT_EQ(device.GetProductId(), c.props.productId);
            EXPECT_EQ(device.GetVersion(), c.props.version);
            EXPECT_EQ(device.GetUsagePage(), c.props.usagePage);
            EXPECT_EQ(device.GetUsage(), c.props.usage);
            EXPECT_EQ(device.GetInputReportLength(), c.props.inputReportLength);
            EXPECT_EQ(device.GetOutputReportLength(), c.props.outputReportLength);
            EXPECT_EQ(device.GetFeatureReportLength(), c.props.featureReportLength);
            EXPECT_EQ(device.GetInterfaceNumber(), c.interfaceNumber);
            EXPECT_EQ(device.GetCollectionNumber(), c.collectionNumber);
        }
    }
}

TEST_F(HidrawBackendTest, OpenRefusesPathsThatNoLongerDescribeTheNode) {
    AddStandardNodes();
    struct Case {
        std::string path;
        int error;
    } cases[] = {
        {"/dev/hidraw1#vid_320f&pid_226e&mi_01&col03", ENOENT},  // beyond the last collection
        {"/dev/hidraw9#vid_320f&pid_226e&mi_01&col02", ENOENT},  // no such node
        {"/dev/hidraw1#vid_320f&pid_9999&mi_01&col02", ENODEV},  // another product now
        {"/dev/hidraw1#vid_320f&pid_226e&mi_00&col02", ENODEV},  // another interface now
        {"/dev/hidraw3#vid_1234&pid_9999&mi_02", EIO},           // descriptor unusable
    };
    for (const Case& c : cases) {
        for (unsigned access : {unsigned{kHidAccessNone}, kHidAccessRead | kHidAccessWrite}) {
            SCOPED_TRACE(c.path + " access " + std::to_string(access));
            int error = 0;
            EXPECT_EQ(backend->Open(c.path, access, &error), nullptr);
            EXPECT_EQ(error, c.error);
        }
    }
    EXPECT_FALSE(backend->IsPresent("/dev/hidraw1#vid_320f&pid_9999&mi_01&col02"));
    EXPECT_FALSE(backend->IsPresent("/dev/hidraw9#vid_320f&pid_226e&mi_01&col02"));
    EXPECT_TRUE(backend->IsPresent(kConfigCol));
    EXPECT_TRUE(backend->IsPresent(kBluetoothPath));
}

TEST_F(HidrawBackendTest, WriteDeliversTheReportAsGiven) {
    AddStandardNodes();
    struct Case {
        std::string path, node;
        std::vector<uint8_t> report;
    } cases[] = {
        {kConfigCol, "hidraw1", Report(0x04, 64, 0xA5)},
        // Unnumbered reports go out behind report number 0, as hidraw expects.
        {kUnnumberedPath, "hidraw2", {0x00, 0x11, 0x22, 0x33, 0x44}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        CHidDevice device(backend.get());
        ASSERT_EQ(device.Open(c.path, true, true, true, false), 1);
        uint32_t written = 0;
        ASSERT_EQ(
            device.Write(c.report.data(), static_cast<uint32_t>(c.report.size()), &written, 1000),
            1);
        EXPECT_EQ(written, c.report.size());
        EXPECT_EQ(testbed->TakeOutput(c.node, 256), c.report);
    }
}

TEST_F(HidrawBackendTest, ReadReturnsOnlyTheReportsOfTheOpenedCollection) {
    AddStandardNodes();
    CHidDevice config(backend.get());
    ASSERT_EQ(config.Open(kConfigCol, true, true, true, false), 1);
    testbed->SendInput("hidraw1", Report(0x05, 2, 0x01));   // system control collection
    testbed->SendInput("hidraw1", Report(0x09, 8, 0x02));   // no collection's
    testbed->SendInput("hidraw1", Report(0x04, 64, 0x03));  // ours
    std::vector<uint8_t> buffer(64);
    uint32_t got = 0;
    ASSERT_EQ(config.Read(buffer.data(), 64, &got, 1000), 1);
    EXPECT_EQ(buffer, Report(0x04, 64, 0x03));
    EXPECT_EQ(got, 64u);

    CHidDevice keyboard(backend.get());
    ASSERT_EQ(keyboard.Open(kKeyboardCol, true, false, true, false), 1);
    testbed->SendInput("hidraw0", Report(0x01, 7, 0x10));
    testbed->SendInput("hidraw0", Report(0x02, 9, 0x20));
    ASSERT_EQ(keyboard.Read(buffer.data(), 64, &got, 1000), 1);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + got), Report(0x02, 9, 0x20));
}

TEST_F(HidrawBackendTest, UnnumberedReportsReadWithReportIdZeroBoundedByTheBuffer) {
    AddStandardNodes();
    CHidDevice device(backend.get());
    ASSERT_EQ(device.Open(kUnnumberedPath, true, false, true, false), 1);
    uint8_t buffer[8] = {};
    uint32_t got = 0;
    testbed->SendInput("hidraw2", std::vector<uint8_t>{0x01, 0x05, 0xFB});
    ASSERT_EQ(device.Read(buffer, sizeof buffer, &got, 1000), 1);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + got), (std::vector<uint8_t>{0, 1, 5, 0xFB}));

    testbed->SendInput("hidraw2", std::vector<uint8_t>{0x02, 0x06, 0x07});
    ASSERT_EQ(device.Read(buffer, 2, &got, 1000), 1);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], 2);
}

TEST_F(HidrawBackendTest, ReadTimesOutOnASilentNodeAndTheNextReadWorks) {
    AddStandardNodes();
    CHidDevice device(backend.get());
    ASSERT_EQ(device.Open(kConfigCol, true, true, true, false), 1);
    std::vector<uint8_t> buffer(64);
    uint32_t got = 99;
    EXPECT_EQ(device.Read(buffer.data(), 64, &got, 20), 0);
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(device.LastIoWasGone());

    testbed->SendInput("hidraw1", Report(0x04, 64, 0x42));
    ASSERT_EQ(device.Read(buffer.data(), 64, &got, 1000), 1);
    EXPECT_EQ(buffer, Report(0x04, 64, 0x42));
}

TEST_F(HidrawBackendTest, CloseFromAnotherThreadReleasesAReadWaitingForever) {
    AddStandardNodes();
    CHidDevice device(backend.get());
    ASSERT_EQ(device.Open(kConfigCol, true, true, true, false), 1);
    std::promise<pid_t> readerTid;
    auto reader = std::async(std::launch::async, [&] {
        readerTid.set_value(static_cast<pid_t>(syscall(SYS_gettid)));
        uint8_t buffer[64];
        uint32_t got = 0;
        return device.Read(buffer, sizeof buffer, &got, -1);
    });
    ASSERT_TRUE(WaitUntilBlockedInPoll(readerTid.get_future().get()));
    device.Close();
    ASSERT_TRUE(Released(reader, "hidraw1"));
    EXPECT_EQ(reader.get(), 0);
    EXPECT_FALSE(device.IsOpen());
}

TEST_F(HidrawBackendTest, CancelIsIdempotentAndLaterIoStaysCancelled) {
    AddStandardNodes();
    auto connection = backend->Open(kConfigCol, kHidAccessRead | kHidAccessWrite, nullptr);
    ASSERT_NE(connection, nullptr);
    std::promise<pid_t> readerTid;
    auto reader = std::async(std::launch::async, [&] {
        readerTid.set_value(static_cast<pid_t>(syscall(SYS_gettid)));
        uint8_t buffer[64];
        size_t got = 0;
        return connection->Read(buffer, got, -1);
    });
    ASSERT_TRUE(WaitUntilBlockedInPoll(readerTid.get_future().get()));
    connection->Cancel();
    connection->Cancel();
    ASSERT_TRUE(Released(reader, "hidraw1"));
    EXPECT_EQ(reader.get(), HidIoStatus::Cancelled);

    // A report waiting on the node does not undo the cancel.
    testbed->SendInput("hidraw1", Report(0x04, 64, 0x01));
    uint8_t buffer[64] = {4};
    size_t count = 0;
    EXPECT_EQ(connection->Read(buffer, count, -1), HidIoStatus::Cancelled);
    EXPECT_EQ(connection->Write(buffer, count, -1), HidIoStatus::Cancelled);
}

TEST_F(HidrawBackendTest, VanishedPathFailsToOpenAndOthersStillOpen) {
    AddStandardNodes();
    CHidDevice device(backend.get());
    ASSERT_EQ(device.Open(kConfigCol, true, true, true, false), 1);
    device.Close();
    testbed->RemoveNode("hidraw1");

    EXPECT_FALSE(backend->IsPresent(kConfigCol));
    for (bool access : {true, false}) {
        EXPECT_EQ(device.Open(kConfigCol, access, access, true, false), 0);
        EXPECT_EQ(device.GetLastOpenError(), ENOENT);
        EXPECT_FALSE(device.IsOpen());
    }
    ASSERT_EQ(device.Open(kMouseCol1, true, true, true, false), 1);
    EXPECT_EQ(device.GetUsage(), 0x02);
    EXPECT_EQ(device.GetLastOpenError(), 0);
}

TEST_F(HidrawBackendTest, ReusedNodeNumberDoesNotOpenAsTheOldDevice) {
    AddStandardNodes();
    testbed->RemoveNode("hidraw2");
    testbed->AddNode({"hidraw2", "1-4", 0x4321, 0x8765, 0x0300, 0, kUnnumbered});

    int error = 0;
    EXPECT_EQ(backend->Open(kUnnumberedPath, kHidAccessRead, &error), nullptr);
    EXPECT_EQ(error, ENODEV);
    EXPECT_FALSE(backend->IsPresent(kUnnumberedPath));
    const std::string newPath = "/dev/hidraw2#vid_4321&pid_8765&mi_00";
    EXPECT_TRUE(backend->IsPresent(newPath));
    auto connection = backend->Open(newPath, kHidAccessRead, &error);
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(connection->Props().version, 0x0300);
}

TEST_F(HidrawBackendTest, InstanceKeyIsNewAfterEveryPlugOfTheSameNode) {
    testbed->AddNode(MouseNode("hidraw1", 1, kConfigInterface));
    const std::string first = backend->InstanceKey(kConfigCol);
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(backend->InstanceKey(kConfigCol), first);
    EXPECT_EQ(backend->InstanceKey(kSystemCol), first);  // one node, one plug

    testbed->RemoveNode("hidraw1");
    EXPECT_EQ(backend->InstanceKey(kConfigCol), "");
    testbed->AddNode(MouseNode("hidraw1", 1, kConfigInterface));
    const std::string second = backend->InstanceKey(kConfigCol);
    EXPECT_FALSE(second.empty());
    EXPECT_NE(second, first);
    // Another device on the node number is not the same interface at all.
    EXPECT_EQ(backend->InstanceKey("/dev/hidraw1#vid_320f&pid_226f&mi_01&col02"), "");
}

TEST_F(HidrawBackendTest, NodeWithoutPermissionGivesEaccesButStaysDescribable) {
    AddStandardNodes();
    ASSERT_EQ(chmod(testbed->NodeFile("hidraw1").c_str(), 0), 0);
    int error = 0;
    std::shared_ptr<IHidConnection> connection;
    bool dropped = false;
    std::thread([&] {
        dropped = DropFileCapabilitiesOfThisThread();
        connection = backend->Open(kConfigCol, kHidAccessRead | kHidAccessWrite, &error);
    }).join();
    ASSERT_TRUE(dropped);
    EXPECT_EQ(connection, nullptr);
    EXPECT_EQ(error, EACCES);

    // Discovery needs no access rights to the node.
    EXPECT_TRUE(backend->IsPresent(kConfigCol));
    connection = backend->Open(kConfigCol, kHidAccessNone, &error);
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(connection->Props().usagePage, 0xFF1C);
    size_t count = 0;
    uint8_t buffer[64];
    EXPECT_EQ(connection->Read(buffer, count, 0), HidIoStatus::Error);
    // Closing it writes to no descriptor: the preload still answers for the descriptor number
    // of the open that failed above, and a write there would never return.
    auto cancel = std::async(std::launch::async, [&] { connection->Cancel(); });
    EXPECT_EQ(cancel.wait_for(std::chrono::seconds(20)), std::future_status::ready);
}

TEST_F(HidrawBackendTest, HotPlugMakesTheChangeDescriptorReadable) {
    const int fd = backend->ChangeFd();
    ASSERT_GE(fd, 0);
    EXPECT_EQ(backend->ChangeFd(), fd);
    EXPECT_FALSE(Readable(fd, 0));

    testbed->AddNode(MouseNode("hidraw1", 1, kConfigInterface));
    testbed->Uevent("hidraw1", "add");
    ASSERT_TRUE(Readable(fd, 20000));
    backend->AcknowledgeChange();
    EXPECT_FALSE(Readable(fd, 0));

    testbed->Uevent("hidraw1", "remove");
    ASSERT_TRUE(Readable(fd, 20000));
    backend->AcknowledgeChange();
    EXPECT_FALSE(Readable(fd, 0));
}

TEST_F(HidrawBackendTest, UnplugWhileOpenEndsIoAsGone) {
    testbed->AddPtyNode(MouseNode("hidraw5", 1, kConfigInterface));
    const std::string path = "/dev/hidraw5#vid_320f&pid_226e&mi_01&col02";
    CHidDevice device(backend.get());
    ASSERT_EQ(device.Open(path, true, true, true, false), 1);
    EXPECT_EQ(device.GetUsagePage(), 0xFF1C);

    std::promise<pid_t> readerTid;
    auto reader = std::async(std::launch::async, [&] {
        readerTid.set_value(static_cast<pid_t>(syscall(SYS_gettid)));
        uint8_t buffer[64];
        uint32_t got = 0;
        return device.Read(buffer, sizeof buffer, &got, -1);
    });
    ASSERT_TRUE(WaitUntilBlockedInPoll(readerTid.get_future().get()));
    testbed->HangUp("hidraw5");
    ASSERT_EQ(reader.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(reader.get(), 0);
    EXPECT_TRUE(device.LastIoWasGone());

    std::vector<uint8_t> report = Report(0x04, 64, 0);
    uint32_t written = 0;
    EXPECT_EQ(device.Write(report.data(), 64, &written, 1000), 0);
    EXPECT_TRUE(device.LastIoWasGone());
}

}  // namespace
