// SPDX-License-Identifier: GPL-2.0-or-later

#include "device/HidrawBackend.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <utility>

#include "base/Debug.h"
#include "device/HidReportDescriptor.h"

namespace {

constexpr std::string_view kNodePrefix = "/dev/hidraw";
// Largest report the kernel's HID core hands to hidraw.
constexpr size_t kMaxReportBytes = 16384;

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
};
using UdevPtr = std::unique_ptr<udev, UdevDeleter>;
using UdevDevicePtr = std::unique_ptr<udev_device, UdevDeleter>;
using UdevEnumeratePtr = std::unique_ptr<udev_enumerate, UdevDeleter>;
using UdevMonitorPtr = std::unique_ptr<udev_monitor, UdevDeleter>;

class CFd {
  public:
    explicit CFd(int fd = -1) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0)
            close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    int Release() { return std::exchange(m_fd, -1); }

  private:
    int m_fd;
};

// Hex sysfs attribute ("320f", "0105"); nullopt when absent or not a number.
std::optional<unsigned> HexAttribute(udev_device* device, const char* name) {
    const char* text = device ? udev_device_get_sysattr_value(device, name) : nullptr;
    if (!text || !*text)
        return std::nullopt;
    char* end = nullptr;
    unsigned long value = std::strtoul(text, &end, 16);
    if (end == text)
        return std::nullopt;
    return static_cast<unsigned>(value);
}

// The binary report_descriptor attribute: libudev's sysattr strings stop at the first 0 byte.
bool ReadSysfsDescriptor(udev_device* hid, std::vector<uint8_t>& out) {
    std::string path = std::string(udev_device_get_syspath(hid)) + "/report_descriptor";
    CFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0)
        return false;
    out.assign(HID_MAX_DESCRIPTOR_SIZE, 0);
    size_t total = 0;
    while (total < out.size()) {
        ssize_t n = read(fd.Get(), out.data() + total, out.size() - total);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        total += static_cast<size_t>(n);
    }
    out.resize(total);
    return true;
}

// What udev knows about one hidraw node, read without opening it.
struct NodeInfo {
    std::string devnode;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t version = 0;
    unsigned interfaceNumber = 0;
    bool haveInterfaceNumber = false;
    UdevDevicePtr hid;  // parent "hid" device, for the descriptor
};

bool DescribeNode(udev_device* hidraw, NodeInfo& info) {
    const char* devnode = udev_device_get_devnode(hidraw);
    if (!devnode)
        return false;
    info.devnode = devnode;
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    if (!hid)
        return false;
    info.hid.reset(udev_device_ref(hid));

    // Bluetooth and I2C nodes have no USB parents: HID_ID is "BBBB:VVVVVVVV:PPPPPPPP".
    unsigned bus = 0, vendor = 0, product = 0;
    const char* hidId = udev_device_get_property_value(hid, "HID_ID");
    if (hidId && std::sscanf(hidId, "%x:%x:%x", &bus, &vendor, &product) == 3) {
        info.vendorId = static_cast<uint16_t>(vendor);
        info.productId = static_cast<uint16_t>(product);
    }
    udev_device* usbDevice =
        udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device");
    if (usbDevice) {
        if (auto v = HexAttribute(usbDevice, "idVendor"))
            info.vendorId = static_cast<uint16_t>(*v);
        if (auto p = HexAttribute(usbDevice, "idProduct"))
            info.productId = static_cast<uint16_t>(*p);
        if (auto bcd = HexAttribute(usbDevice, "bcdDevice"))
            info.version = static_cast<uint16_t>(*bcd);
    }
    udev_device* usbInterface =
        udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_interface");
    if (auto mi = HexAttribute(usbInterface, "bInterfaceNumber")) {
        info.interfaceNumber = *mi;
        info.haveInterfaceNumber = true;
    }
    return true;
}

std::string NodeSysname(std::string_view path) {
    std::string_view node = HidPathNode(path);
    return std::string(node.substr(node.rfind('/') + 1));
}

UdevDevicePtr FindNode(udev* u, std::string_view path) {
    std::string sysname = NodeSysname(path);
    return UdevDevicePtr(udev_device_new_from_subsystem_sysname(u, "hidraw", sysname.c_str()));
}

// Whether the path's numbers still describe the node: hidraw numbers are reused after unplug.
bool PathMatches(std::string_view path, uint16_t vendorId, uint16_t productId,
                 std::optional<unsigned> interfaceNumber) {
    if (ParseHidPathNumber(path, "vid_") != vendorId)
        return false;
    if (ParseHidPathNumber(path, "pid_") != productId)
        return false;
    return !interfaceNumber || ParseHidPathNumber(path, "&mi_") == *interfaceNumber;
}

int MillisecondsLeft(std::optional<std::chrono::steady_clock::time_point> deadline) {
    if (!deadline)
        return -1;
    auto left =
        std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

std::optional<std::chrono::steady_clock::time_point> DeadlineAfter(int timeoutMs) {
    if (timeoutMs < 0)
        return std::nullopt;
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
}

bool IsGoneErrno(int error) {
    return error == ENODEV || error == EIO || error == ENXIO;
}

class CHidrawConnection : public IHidConnection {
  public:
    // fd -1: opened without access rights, for its properties only.
    CHidrawConnection(int fd, int cancelFd, HidInterfaceProps props, HidDescriptorInfo descriptor,
                      int collection)
        : m_fd(fd),
          m_cancelFd(cancelFd),
          m_props(props),
          m_descriptor(std::move(descriptor)),
          m_collection(collection) {}

    const HidInterfaceProps& Props() const override { return m_props; }

    HidIoStatus Read(std::span<uint8_t> buffer, size_t& bytesRead, int timeoutMs) override {
        bytesRead = 0;
        if (m_fd.Get() < 0)
            return HidIoStatus::Error;
        auto deadline = DeadlineAfter(timeoutMs);
        // Byte 0 stays free for the report ID 0 that hidraw omits when reports are unnumbered.
        std::array<uint8_t, kMaxReportBytes + 1> report;
        size_t offset = m_descriptor.usesReportIds ? 0 : 1;
        report[0] = 0;
        for (;;) {
            HidIoStatus status = Wait(POLLIN, deadline);
            if (status != HidIoStatus::Ok)
                return status;
            ssize_t n = read(m_fd.Get(), report.data() + offset, kMaxReportBytes);
            if (n < 0) {
                int error = errno;
                if (error == EAGAIN || error == EINTR)
                    continue;
                DebugPrintf(DebugArea::Device, "hidraw read failed: %s", std::strerror(error));
                return IsGoneErrno(error) ? HidIoStatus::Gone : HidIoStatus::Error;
            }
            // End of file only happens once the node has lost its device.
            if (n == 0)
                return HidIoStatus::Gone;
            size_t length = static_cast<size_t>(n) + offset;
            // A node carries the reports of all its collections; keep only ours.
            if (m_descriptor.CollectionOfInputReport(report[0]) != m_collection)
                continue;
            bytesRead = std::min(length, buffer.size());
            std::memcpy(buffer.data(), report.data(), bytesRead);
            return HidIoStatus::Ok;
        }
    }

    HidIoStatus Write(std::span<const uint8_t> report, size_t& bytesWritten,
                      int timeoutMs) override {
        bytesWritten = 0;
        if (m_fd.Get() < 0)
            return HidIoStatus::Error;
        auto deadline = DeadlineAfter(timeoutMs);
        for (;;) {
            HidIoStatus status = Wait(POLLOUT, deadline);
            if (status != HidIoStatus::Ok)
                return status;
            ssize_t n = write(m_fd.Get(), report.data(), report.size());
            if (n < 0) {
                int error = errno;
                if (error == EAGAIN || error == EINTR)
                    continue;
                DebugPrintf(DebugArea::Device, "hidraw write failed: %s", std::strerror(error));
                return IsGoneErrno(error) ? HidIoStatus::Gone : HidIoStatus::Error;
            }
            bytesWritten = static_cast<size_t>(n);
            return HidIoStatus::Ok;
        }
    }

    void Cancel() override {
        m_cancelled.store(true);
        // Opened for its properties only: no descriptor to wake, and none to write to blindly.
        if (m_cancelFd.Get() < 0)
            return;
        uint64_t one = 1;
        // The counter only grows, so repeated cancels keep the fd readable.
        ssize_t n = write(m_cancelFd.Get(), &one, sizeof one);
        (void)n;
    }

  private:
    // Ok once `events` is ready on the node.
    HidIoStatus Wait(short events,
                     std::optional<std::chrono::steady_clock::time_point> deadline) const {
        for (;;) {
            if (m_cancelled.load())
                return HidIoStatus::Cancelled;
            std::array<pollfd, 2> fds{{{m_fd.Get(), events, 0}, {m_cancelFd.Get(), POLLIN, 0}}};
            int ready = poll(fds.data(), fds.size(), MillisecondsLeft(deadline));
            if (ready < 0) {
                if (errno == EINTR)
                    continue;
                return HidIoStatus::Error;
            }
            if (fds[1].revents)
                return HidIoStatus::Cancelled;
            if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
                return HidIoStatus::Gone;
            if (fds[0].revents & events)
                return HidIoStatus::Ok;
            if (ready == 0)
                return HidIoStatus::Timeout;
        }
    }

    CFd m_fd;
    CFd m_cancelFd;
    HidInterfaceProps m_props;
    HidDescriptorInfo m_descriptor;
    int m_collection;
    std::atomic<bool> m_cancelled{false};
};

class CHidrawBackend : public IHidBackend {
  public:
    bool Owns(std::string_view path) const override {
        return HidPathNode(path).substr(0, kNodePrefix.size()) == kNodePrefix;
    }

    bool Enumerate(std::vector<std::string>& paths) override {
        UdevPtr u(udev_new());
        if (!u)
            return false;
        UdevEnumeratePtr enumerate(udev_enumerate_new(u.get()));
        if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0 ||
            udev_enumerate_scan_devices(enumerate.get()) < 0)
            return false;
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
            const char* syspath = udev_list_entry_get_name(entry);
            UdevDevicePtr device(udev_device_new_from_syspath(u.get(), syspath));
            NodeInfo info;
            if (!device || !DescribeNode(device.get(), info)) {
                DebugPrintf(DebugArea::Device, "hidraw %s skipped: no node or HID parent", syspath);
                continue;
            }
            std::vector<uint8_t> bytes;
            if (!ReadSysfsDescriptor(info.hid.get(), bytes)) {
                DebugPrintf(DebugArea::Device, "hidraw %s skipped: report descriptor unreadable",
                            info.devnode.c_str());
                continue;
            }
            HidDescriptorInfo descriptor = ParseHidReportDescriptor(bytes);
            if (!descriptor.ok || descriptor.collections.empty()) {
                DebugPrintf(DebugArea::Device, "hidraw %s skipped: report descriptor: %s",
                            info.devnode.c_str(),
                            descriptor.ok ? "no collection" : descriptor.error.c_str());
                continue;
            }
            size_t count = descriptor.collections.size();
            for (size_t i = 0; i < count; ++i)
                paths.push_back(MakeHidInterfacePath(info.devnode, info.vendorId, info.productId,
                                                     info.interfaceNumber,
                                                     count > 1 ? static_cast<unsigned>(i + 1) : 0));
        }
        return true;
    }

    std::shared_ptr<IHidConnection> Open(const std::string& path, unsigned access,
                                         int* error) override {
        int ignored = 0;
        int& result = error ? *error : ignored;
        result = 0;
        std::shared_ptr<IHidConnection> connection = (access & (kHidAccessRead | kHidAccessWrite))
                                                         ? OpenNode(path, access, result)
                                                         : OpenProperties(path, result);
        if (!connection)
            DebugPrintf(DebugArea::Device, "hidraw open %s failed: %s", path.c_str(),
                        std::strerror(result));
        return connection;
    }

    bool IsPresent(const std::string& path) override { return !InstanceKey(path).empty(); }

    // The node's sysfs path: it holds the HID device's name, whose sequence number the kernel
    // counts up at every plug, while the node number is reused.
    std::string InstanceKey(const std::string& path) override {
        if (!Owns(path))
            return {};
        UdevPtr u(udev_new());
        UdevDevicePtr device = u ? FindNode(u.get(), path) : nullptr;
        NodeInfo info;
        if (!device || !DescribeNode(device.get(), info) ||
            !PathMatches(
                path, info.vendorId, info.productId,
                info.haveInterfaceNumber ? std::optional(info.interfaceNumber) : std::nullopt))
            return {};
        const char* syspath = udev_device_get_syspath(device.get());
        return syspath ? syspath : "";
    }

    int ChangeFd() override {
        std::lock_guard lock(m_monitorMutex);
        if (m_monitor)
            return udev_monitor_get_fd(m_monitor.get());
        if (!m_monitorUdev)
            m_monitorUdev.reset(udev_new());
        if (!m_monitorUdev)
            return -1;
        UdevMonitorPtr monitor(udev_monitor_new_from_netlink(m_monitorUdev.get(), "udev"));
        if (!monitor ||
            udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "hidraw", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor.get()) < 0) {
            DebugPrintf(DebugArea::Device, "hidraw: no udev monitor, hot-plug not watched");
            return -1;
        }
        m_monitor = std::move(monitor);
        return udev_monitor_get_fd(m_monitor.get());
    }

    void AcknowledgeChange() override {
        std::lock_guard lock(m_monitorMutex);
        if (!m_monitor)
            return;
        // The monitor socket is non-blocking: this drains what is queued and returns.
        while (UdevDevicePtr device{udev_monitor_receive_device(m_monitor.get())}) {
            const char* action = udev_device_get_action(device.get());
            DebugPrintf(DebugArea::Device, "hidraw %s: %s", udev_device_get_sysname(device.get()),
                        action ? action : "change");
        }
    }

  private:
    // Without access rights: everything comes from sysfs, as the presence test does.
    std::shared_ptr<IHidConnection> OpenProperties(const std::string& path, int& error) {
        UdevPtr u(udev_new());
        UdevDevicePtr device = u && Owns(path) ? FindNode(u.get(), path) : nullptr;
        NodeInfo info;
        if (!device || !DescribeNode(device.get(), info)) {
            error = ENOENT;
            return nullptr;
        }
        if (!PathMatches(
                path, info.vendorId, info.productId,
                info.haveInterfaceNumber ? std::optional(info.interfaceNumber) : std::nullopt)) {
            error = ENODEV;
            return nullptr;
        }
        std::vector<uint8_t> bytes;
        if (!ReadSysfsDescriptor(info.hid.get(), bytes)) {
            error = EIO;
            return nullptr;
        }
        CFd noFd;
        return MakeConnection(path, noFd, noFd, bytes, info.vendorId, info.productId, info.version,
                              error);
    }

    std::shared_ptr<IHidConnection> OpenNode(const std::string& path, unsigned access, int& error) {
        if (!Owns(path)) {
            error = ENOENT;
            return nullptr;
        }
        // hidraw has no sharing modes, so kHidAccessExclusive cannot be honoured here.
        int mode = (access & kHidAccessRead) && (access & kHidAccessWrite) ? O_RDWR
                   : (access & kHidAccessWrite)                            ? O_WRONLY
                                                                           : O_RDONLY;
        std::string node(HidPathNode(path));
        int fd = open(node.c_str(), mode | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            error = errno;
            return nullptr;
        }
        CFd guard(fd);

        hidraw_devinfo devinfo{};
        int size = 0;
        if (ioctl(fd, HIDIOCGRAWINFO, &devinfo) < 0 || ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0) {
            error = errno;
            return nullptr;
        }
        auto vendorId = static_cast<uint16_t>(devinfo.vendor);
        auto productId = static_cast<uint16_t>(devinfo.product);

        // The version and interface number live in sysfs only; a node without USB parents has
        // neither.
        uint16_t version = 0;
        std::optional<unsigned> interfaceNumber;
        UdevPtr u(udev_new());
        UdevDevicePtr device = u ? FindNode(u.get(), path) : nullptr;
        NodeInfo info;
        if (device && DescribeNode(device.get(), info)) {
            version = info.version;
            if (info.haveInterfaceNumber)
                interfaceNumber = info.interfaceNumber;
        }
        if (!PathMatches(path, vendorId, productId, interfaceNumber)) {
            error = ENODEV;
            return nullptr;
        }

        if (size < 0) {
            error = EIO;
            return nullptr;
        }
        hidraw_report_descriptor raw{};
        // The kernel refuses a request for the whole HID_MAX_DESCRIPTOR_SIZE.
        raw.size = static_cast<uint32_t>(std::min(size, HID_MAX_DESCRIPTOR_SIZE - 1));
        if (ioctl(fd, HIDIOCGRDESC, &raw) < 0) {
            error = errno;
            return nullptr;
        }
        CFd cancelFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
        if (cancelFd.Get() < 0) {
            error = errno;
            return nullptr;
        }
        auto connection = MakeConnection(path, guard, cancelFd, {raw.value, raw.size}, vendorId,
                                         productId, version, error);
        return connection;
    }

    // Takes the descriptors on success.
    static std::shared_ptr<IHidConnection> MakeConnection(const std::string& path, CFd& fd,
                                                          CFd& cancelFd,
                                                          std::span<const uint8_t> bytes,
                                                          uint16_t vendorId, uint16_t productId,
                                                          uint16_t version, int& error) {
        HidDescriptorInfo descriptor = ParseHidReportDescriptor(bytes);
        if (!descriptor.ok) {
            DebugPrintf(DebugArea::Device, "hidraw %s: report descriptor: %s", path.c_str(),
                        descriptor.error.c_str());
            error = EIO;
            return nullptr;
        }
        int collection = HidCollectionOfPath(path, descriptor);
        if (collection < 0) {
            error = ENOENT;
            return nullptr;
        }
        HidInterfaceProps props = HidCollectionProps(
            descriptor.collections[static_cast<size_t>(collection)], vendorId, productId, version);
        return std::make_shared<CHidrawConnection>(fd.Release(), cancelFd.Release(), props,
                                                   std::move(descriptor), collection);
    }

    std::mutex m_monitorMutex;
    UdevPtr m_monitorUdev;
    UdevMonitorPtr m_monitor;
};

}  // namespace

std::shared_ptr<IHidBackend> MakeHidrawBackend() {
    return std::make_shared<CHidrawBackend>();
}
