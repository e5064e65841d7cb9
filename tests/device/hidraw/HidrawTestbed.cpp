// SPDX-License-Identifier: GPL-2.0-or-later

#include "HidrawTestbed.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <umockdev.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

constexpr uint32_t kBusUsb = 3;
constexpr uint32_t kBusBluetooth = 5;

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value & 0xFFFF);
    return text;
}

std::string HidId(const HidrawNodeSpec& spec) {
    char text[32];
    std::snprintf(text, sizeof text, "%04X:%08X:%08X",
                  spec.usbDevice.empty() ? kBusBluetooth : kBusUsb, spec.vendorId, spec.productId);
    return text;
}

std::string Take(gchar* text) {
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

void Check(bool ok, const std::string& what) {
    if (!ok)
        throw std::runtime_error("hidraw testbed: " + what);
}

}  // namespace

CHidrawTestbed::CHidrawTestbed() {
    Check(Available(), "not running under the umockdev preload");
    m_testbed = umockdev_testbed_new();
    m_root = Take(umockdev_testbed_get_root_dir(m_testbed));
    m_handler = umockdev_ioctl_base_new();
    g_signal_connect(m_handler, "handle-ioctl", G_CALLBACK(&CHidrawTestbed::OnIoctl), this);
}

CHidrawTestbed::~CHidrawTestbed() {
    for (auto& [name, node] : m_nodes)
        if (!node.pty && node.deviceEnd >= 0)
            close(node.deviceEnd);
    // Stops umockdev's handler thread before the handler and this object go.
    g_object_unref(m_testbed);
    g_object_unref(m_handler);
}

bool CHidrawTestbed::Available() {
    // As umockdev's own detection does; umockdev_in_mock_environment() also wants the testbed
    // library loaded before the preload, which the link order does not promise.
    const char* preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "libumockdev-preload");
}

std::string CHidrawTestbed::AddParents(const HidrawNodeSpec& spec, Node& node) {
    std::string parent;
    if (!spec.usbDevice.empty()) {
        UsbDevice& usb = m_usbDevices[spec.usbDevice];
        if (usb.syspath.empty()) {
            usb.syspath = Take(umockdev_testbed_add_device(
                m_testbed, "usb", spec.usbDevice.c_str(), nullptr, "idVendor",
                Hex4(spec.vendorId).c_str(), "idProduct", Hex4(spec.productId).c_str(), "bcdDevice",
                Hex4(spec.version).c_str(), nullptr, "DEVTYPE", "usb_device", nullptr));
            Check(!usb.syspath.empty(), "usb device " + spec.usbDevice);
        }
        ++usb.interfaces;
        char name[64], number[8];
        std::snprintf(name, sizeof name, "%s:1.%u", spec.usbDevice.c_str(), spec.interfaceNumber);
        std::snprintf(number, sizeof number, "%02x", spec.interfaceNumber);
        parent = Take(umockdev_testbed_add_device(m_testbed, "usb", name, usb.syspath.c_str(),
                                                  "bInterfaceNumber", number, nullptr, "DEVTYPE",
                                                  "usb_interface", nullptr));
        Check(!parent.empty(), std::string("usb interface ") + name);
        node.ownParents.insert(node.ownParents.begin(), parent);
    }
    char hidName[64];
    std::snprintf(hidName, sizeof hidName, "%04X:%04X:%04X.%04X",
                  spec.usbDevice.empty() ? kBusBluetooth : kBusUsb, spec.vendorId, spec.productId,
                  ++m_hidCounter);
    std::string hid = Take(umockdev_testbed_add_device(
        m_testbed, "hid", hidName, parent.empty() ? nullptr : parent.c_str(), nullptr, "HID_ID",
        HidId(spec).c_str(), nullptr));
    Check(!hid.empty(), std::string("hid device ") + hidName);
    std::vector<uint8_t> descriptor = spec.descriptor;
    umockdev_testbed_set_attribute_binary(m_testbed, hid.c_str(), "report_descriptor",
                                          descriptor.data(), static_cast<gint>(descriptor.size()));
    node.ownParents.insert(node.ownParents.begin(), hid);
    return hid;
}

void CHidrawTestbed::AddNode(const HidrawNodeSpec& spec) {
    Node node;
    node.spec = spec;
    std::string hid = AddParents(spec, node);

    // The node works before the hidraw device appears: adding it sends the "add" uevent, and a
    // monitor that opens the node at once must not find it missing (as udev announces a node
    // only once it is there).
    std::string file = NodeFile(spec.name);
    mkdir((m_root + "/dev").c_str(), 0755);
    Check(mkfifo(file.c_str(), 0666) == 0, "mkfifo " + file + ": " + std::strerror(errno));
    // O_DIRECT makes what this end writes into packets: one report per read() by the host.
    node.deviceEnd = open(file.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    Check(node.deviceEnd >= 0, "open " + file);
    Check(fcntl(node.deviceEnd, F_SETFL, fcntl(node.deviceEnd, F_GETFL) | O_DIRECT) == 0,
          "packet mode");
    {
        std::lock_guard lock(m_mutex);
        m_nodes[spec.name] = node;
    }
    Attach(spec.name);

    std::string devname = "/dev/" + spec.name;
    std::string majorMinor = "241:" + std::to_string(m_hidCounter);
    std::string syspath = Take(umockdev_testbed_add_device(
        m_testbed, "hidraw", spec.name.c_str(), hid.c_str(), "dev", majorMinor.c_str(), nullptr,
        "DEVNAME", devname.c_str(), nullptr));
    Check(!syspath.empty(), "hidraw " + spec.name);
    std::lock_guard lock(m_mutex);
    m_nodes[spec.name].syspath = syspath;
}

void CHidrawTestbed::AddPtyNode(const HidrawNodeSpec& spec) {
    Node node;
    node.spec = spec;
    node.pty = true;
    std::string hid = AddParents(spec, node);
    // An "N:" line without contents makes umockdev back the node with a pty.
    std::string record = "P: " + hid.substr(4) + "/" + spec.name + "\nN: " + spec.name +
                         "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/" + spec.name +
                         "\nA: dev=241:" + std::to_string(m_hidCounter) + "\n\n";
    GError* error = nullptr;
    bool added = umockdev_testbed_add_from_string(m_testbed, record.c_str(), &error);
    if (error)
        g_error_free(error);
    Check(added, "pty hidraw " + spec.name);
    node.syspath = hid + "/" + spec.name;
    node.deviceEnd = umockdev_testbed_get_dev_fd(m_testbed, ("/dev/" + spec.name).c_str());
    Check(node.deviceEnd >= 0, "pty master of " + spec.name);
    {
        std::lock_guard lock(m_mutex);
        m_nodes[spec.name] = std::move(node);
    }
    Attach(spec.name);
}

void CHidrawTestbed::Attach(const std::string& name) {
    GError* error = nullptr;
    bool attached =
        umockdev_testbed_attach_ioctl(m_testbed, ("/dev/" + name).c_str(), m_handler, &error);
    if (error)
        g_error_free(error);
    Check(attached, "ioctl handler for " + name);
}

void CHidrawTestbed::RemoveNode(const std::string& name) {
    Node node;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_nodes.find(name);
        Check(it != m_nodes.end(), "no node " + name);
        node = std::move(it->second);
        m_nodes.erase(it);
    }
    GError* error = nullptr;
    umockdev_testbed_detach_ioctl(m_testbed, ("/dev/" + name).c_str(), &error);
    if (error)
        g_error_free(error);
    // Children first, as the kernel removes them; this also takes the /dev node.
    umockdev_testbed_remove_device(m_testbed, node.syspath.c_str());
    for (const std::string& parent : node.ownParents)
        umockdev_testbed_remove_device(m_testbed, parent.c_str());
    if (!node.pty && node.deviceEnd >= 0)
        close(node.deviceEnd);
    auto usb = m_usbDevices.find(node.spec.usbDevice);
    if (usb != m_usbDevices.end() && --usb->second.interfaces == 0) {
        umockdev_testbed_remove_device(m_testbed, usb->second.syspath.c_str());
        m_usbDevices.erase(usb);
    }
}

void CHidrawTestbed::HangUp(const std::string& name) {
    std::lock_guard lock(m_mutex);
    Node& node = m_nodes.at(name);
    Check(node.pty, name + " is not a pty node");
    // Closing the only master hangs the pty up; umockdev closes this number again at the end,
    // so it is left pointing at /dev/null instead of being freed.
    int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    Check(null >= 0 && dup2(null, node.deviceEnd) == node.deviceEnd, "hang up " + name);
    close(null);
}

void CHidrawTestbed::Uevent(const std::string& name, const char* action) {
    umockdev_testbed_uevent(m_testbed, SysPath(name).c_str(), action);
}

void CHidrawTestbed::SendInput(const std::string& name, std::span<const uint8_t> report) {
    int fd;
    {
        std::lock_guard lock(m_mutex);
        fd = m_nodes.at(name).deviceEnd;
    }
    ssize_t n = write(fd, report.data(), report.size());
    Check(n == static_cast<ssize_t>(report.size()), "input report to " + name);
}

std::vector<uint8_t> CHidrawTestbed::TakeOutput(const std::string& name, size_t length) {
    int fd;
    {
        std::lock_guard lock(m_mutex);
        fd = m_nodes.at(name).deviceEnd;
    }
    std::vector<uint8_t> data(length);
    ssize_t n = read(fd, data.data(), data.size());
    data.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return data;
}

std::string CHidrawTestbed::NodeFile(const std::string& name) const {
    return m_root + "/dev/" + name;
}

std::string CHidrawTestbed::SysPath(const std::string& name) const {
    std::lock_guard lock(m_mutex);
    return m_nodes.at(name).syspath;
}

int CHidrawTestbed::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    auto* testbed = static_cast<CHidrawTestbed*>(self);
    std::string devnode = umockdev_ioctl_client_get_devnode(client);
    unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);

    std::lock_guard lock(testbed->m_mutex);
    auto it = testbed->m_nodes.find(devnode.substr(devnode.rfind('/') + 1));
    if (it == testbed->m_nodes.end()) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }
    const HidrawNodeSpec& spec = it->second.spec;
    GError* error = nullptr;
    auto resolve = [&](size_t size) -> uint8_t* {
        UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, size, &error);
        if (error) {
            g_error_free(error);
            error = nullptr;
        }
        return data ? data->data : nullptr;
    };

    long result = -1;
    int errnum = EINVAL;
    if (request == HIDIOCGRDESCSIZE) {
        if (uint8_t* out = resolve(sizeof(int))) {
            int size = static_cast<int>(spec.descriptor.size());
            std::memcpy(out, &size, sizeof size);
            result = 0;
        }
    } else if (request == HIDIOCGRDESC) {
        if (uint8_t* out = resolve(sizeof(hidraw_report_descriptor))) {
            hidraw_report_descriptor descriptor;
            std::memcpy(&descriptor, out, sizeof descriptor);
            // As the kernel: the caller's size bounds the copy; more than fits is refused.
            if (descriptor.size < HID_MAX_DESCRIPTOR_SIZE) {
                size_t length = std::min<size_t>(descriptor.size, spec.descriptor.size());
                std::memcpy(descriptor.value, spec.descriptor.data(), length);
                std::memcpy(out, &descriptor, sizeof descriptor);
                result = 0;
            }
        }
    } else if (request == HIDIOCGRAWINFO) {
        if (uint8_t* out = resolve(sizeof(hidraw_devinfo))) {
            hidraw_devinfo info{};
            info.bustype = spec.usbDevice.empty() ? kBusBluetooth : kBusUsb;
            info.vendor = static_cast<int16_t>(spec.vendorId);
            info.product = static_cast<int16_t>(spec.productId);
            std::memcpy(out, &info, sizeof info);
            result = 0;
        }
    } else {
        errnum = ENOTTY;
    }
    umockdev_ioctl_client_complete(client, result, result == 0 ? 0 : errnum);
    return TRUE;
}
