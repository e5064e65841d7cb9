// SPDX-License-Identifier: GPL-2.0-or-later
// Emulated hidraw nodes for the hidraw backend's tests: a umockdev testbed with USB devices,
// their HID interfaces and /dev/hidrawN nodes whose other end the test holds.
// Needs the umockdev preload (tests run under umockdev-wrapper). umockdev 0.17's preload keeps a
// slot of its 50-entry fd table for good after every failed open() of a /dev node, and each
// testbed leaves a few descriptors open: one process runs one pass of the tests, not dozens
// (CTest runs each test in a process of its own).
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

struct HidrawNodeSpec {
    std::string name;  // "hidraw1"
    // USB device the interface belongs to (shared by the interfaces of one device); empty for a
    // node without USB parents, as Bluetooth and I2C nodes are.
    std::string usbDevice;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t version = 0;  // bcdDevice
    unsigned interfaceNumber = 0;
    std::vector<uint8_t> descriptor;
};

class CHidrawTestbed {
  public:
    CHidrawTestbed();
    ~CHidrawTestbed();
    CHidrawTestbed(const CHidrawTestbed&) = delete;
    CHidrawTestbed& operator=(const CHidrawTestbed&) = delete;

    static bool Available();

    // The node is a FIFO in packet mode: one report per read() on either side. It is one pipe
    // both ways, so the test drains what the host wrote before it sends input reports. Sends
    // the node's "add" uevent once the node can be opened.
    void AddNode(const HidrawNodeSpec& spec);
    // The node is a pty whose master the test can hang up, as an unplug does to an open node.
    // Carries no reports.
    void AddPtyNode(const HidrawNodeSpec& spec);
    // Unplugs the node (and its HID and USB interface parents): sysfs entries and /dev node go.
    // Sends no uevent: umockdev cannot send one for a device it no longer has.
    void RemoveNode(const std::string& name);
    // Hangs up a pty node: descriptors open on it see POLLHUP.
    void HangUp(const std::string& name);
    void Uevent(const std::string& name, const char* action);

    // The device's end of a FIFO node.
    void SendInput(const std::string& name, std::span<const uint8_t> report);
    // Reads `length` bytes the host wrote to a FIFO node; empty when nothing is pending.
    std::vector<uint8_t> TakeOutput(const std::string& name, size_t length);
    // The file behind /dev/<name> inside the testbed (for chmod).
    std::string NodeFile(const std::string& name) const;
    std::string SysPath(const std::string& name) const;

  private:
    struct Node {
        HidrawNodeSpec spec;
        std::string syspath;
        std::vector<std::string> ownParents;  // removed with the node, innermost first
        int deviceEnd = -1;                   // FIFO: test's end; pty: master (owned by umockdev)
        bool pty = false;
    };
    struct UsbDevice {
        std::string syspath;
        int interfaces = 0;
    };

    std::string AddParents(const HidrawNodeSpec& spec, Node& node);
    void Attach(const std::string& name);
    static int OnIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);

    UMockdevTestbed* m_testbed = nullptr;
    UMockdevIoctlBase* m_handler = nullptr;
    std::string m_root;
    unsigned m_hidCounter = 0;
    std::map<std::string, UsbDevice> m_usbDevices;
    // Read by the ioctl handler on umockdev's thread.
    mutable std::mutex m_mutex;
    std::map<std::string, Node> m_nodes;  // by node name
};
