// SPDX-License-Identifier: GPL-2.0-or-later
// list and info: finding the mouse and reading what it says about itself.
#include <json/json.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <vector>

#include "base/Paths.h"
#include "cli/CliSession.h"
#include "cli/UdevRules.h"
#include "device/DeviceTables.h"
#include "device/HidDevice.h"
#include "mouse/DpiMath.h"
#include "mouse/QuillonMouseDevice.h"

namespace {

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string VersionText(uint16_t version) {
    char text[16];
    std::snprintf(text, sizeof text, "%X.%02X", version >> 8, version & 0xFF);
    return text;
}

bool IsReceiverClass(uint16_t deviceClass) {
    return deviceClass == kDeviceClassMouseReceiver || deviceClass == kDeviceClassKeyboardReceiver;
}

// One interface of a supported device found by enumeration.
struct FoundInterface {
    std::string path;
    int row = -1;  // index in kHidInterfaceTable
    bool opened = false;
    int openError = 0;
    HidInterfaceInfo info;  // path numbers, then what the open interface says
    uint16_t version = 0;
};

std::vector<FoundInterface> FindSupportedInterfaces(CliSession& session) {
    std::vector<FoundInterface> found;
    CHidDevice enumerator(session.backend.get());
    if (!enumerator.BeginEnumeration())
        return found;
    while (const char* path = enumerator.NextPath()) {
        FoundInterface item;
        item.path = path;
        item.info = InterfaceInfoFromPath(path);
        item.row =
            FindInterfaceRowByPathNumbers(item.info.vendorId, item.info.productId,
                                          item.info.interfaceNumber, item.info.collectionNumber);
        if (item.row < 0)
            continue;
        CHidDevice probe(session.backend.get());
        if (probe.Open(path, true, false, true, false)) {
            item.opened = true;
            item.info.vendorId = probe.GetVendorId();
            item.info.productId = probe.GetProductId();
            item.info.usagePage = probe.GetUsagePage();
            item.info.usage = probe.GetUsage();
            item.version = probe.GetVersion();
            probe.Close();
        } else {
            item.openError = probe.GetLastOpenError();
            item.info.usagePage = kHidInterfaceTable[item.row].usagePage;
            item.info.usage = kHidInterfaceTable[item.row].usage;
        }
        found.push_back(std::move(item));
    }
    enumerator.FreePathList();
    return found;
}

const char* ConnectionName(uint16_t deviceClass) {
    return IsReceiverClass(deviceClass) ? "receiver" : "cable";
}

std::string PermissionHelp(const std::string& path) {
    std::string node(HidPathNode(path));
    return "permission denied on " + node +
           ". Allow your user to open the mouse's HID nodes with the udev rule: install the "
           "kestrune-q418 package, which brings it, or run kestrunectl --print-udev-rules | sudo "
           "tee /etc/udev/rules.d/" +
           std::string(kUdevRulesFileName) +
           " && sudo udevadm control --reload && sudo udevadm trigger; then plug the mouse in "
           "again.";
}

std::string SensorName(uint16_t sensor) {
    switch (sensor) {
        case 0x3104:
        case 0x3325:
        case 0x8925:
            return Hex(sensor, 4);
        default:
            return "generic (" + Hex(sensor, 4) + ")";
    }
}

// Waits for discovery's first pass; the rest it reports is of no use to a one-shot command.
class CFirstPassOwner : public IDeviceDiscoveryOwner {
  public:
    void OnFirstPassDone() override { done = true; }
    bool done = false;
};

std::string PermissionOrAbsence(CliSession& session, int& exitCode) {
    for (const FoundInterface& item : FindSupportedInterfaces(session)) {
        const HidInterfaceInfo& row = kHidInterfaceTable[item.row];
        if (row.collectionKind == kCollectionConfiguration &&
            (row.deviceClass == kDeviceClassMouse ||
             row.deviceClass == kDeviceClassMouseReceiver) &&
            !item.opened && (item.openError == EACCES || item.openError == EPERM)) {
            exitCode = kExitPermission;
            return PermissionHelp(item.path);
        }
    }
    exitCode = kExitNoDevice;
    return "no Kestrune Q418-RGB found. Plug in the mouse or its receiver, or run with "
           "--emulate to use the simulated mouse.";
}

}  // namespace

bool OpenMouse(CliSession& session, CliMouseConnection& connection, int& exitCode) {
    connection.dispatcher = std::make_unique<CCallbackDispatcher>();
    auto owner = std::make_unique<CFirstPassOwner>();
    CFirstPassOwner& firstPass = *owner;
    connection.owner = std::move(owner);
    DeviceFactory factory = MakeQuillonDevice;
    if (const int ms = session.replyTimeoutMs; ms > 0)
        factory = [ms](int typeIndex, IHidBackend* backend) {
            std::unique_ptr<CQuillonUSBDevice> device = MakeQuillonDevice(typeIndex, backend);
            if (device)
                device->ConfigChannel().SetTimeouts(ms, ms, ms);
            return device;
        };
    connection.discovery = std::make_unique<CDeviceDiscovery>(
        session.backend, *connection.dispatcher, *connection.owner, factory);
    connection.discovery->Start();
    // Generous: the first pass only enumerates and opens.
    connection.dispatcher->PumpUntil([&] { return firstPass.done; }, std::chrono::seconds(30));

    CQuillonUSBDevice* device = connection.discovery->Device(0);
    if (!device || !device->IsConfigPresent()) {
        // Found but not opened for writing: most likely the node's permissions.
        int error = 0;
        if (device)
            error = std::max(device->ConfigChannel().DirectTransport().GetLastOpenError(),
                             device->ConfigChannel().ReceiverTransport().GetLastOpenError());
        for (const HidInterfaceInfo& slot : connection.discovery->Slots()) {
            if ((error == EACCES || error == EPERM) && slot.inUse &&
                slot.collectionKind == kCollectionConfiguration &&
                (slot.deviceClass == kDeviceClassMouse ||
                 slot.deviceClass == kDeviceClassMouseReceiver)) {
                exitCode = session.Fail(kExitPermission, PermissionHelp(slot.path));
                return false;
            }
        }
        int code = kExitNoDevice;
        std::string message = PermissionOrAbsence(session, code);
        exitCode = session.Fail(code, message);
        return false;
    }

    connection.device = device;
    connection.channel = &device->ConfigChannel();
    connection.throughReceiver = device->IsThroughReceiver();
    CHidDevice& transport = connection.throughReceiver ? connection.channel->ReceiverTransport()
                                                       : connection.channel->DirectTransport();
    connection.path = transport.GetPath();
    connection.version = transport.GetVersion();
    if (!device->IsReachable()) {
        exitCode = session.Fail(kExitLinkDown,
                                "the receiver cannot reach the mouse. Switch the mouse on, or "
                                "bring it closer to the receiver, and try again.");
        return false;
    }
    return true;
}

int FailCommand(const CliSession& session, const CliMouseConnection& connection, int result,
                const char* what) {
    // Gone while the command ran: the unplugging is the cause, whatever the reply said.
    if (result != kResultDone && connection.channel && !connection.channel->IsPresent())
        return session.Fail(kExitNoDevice,
                            std::string(what) + ": the " +
                                (connection.throughReceiver ? "receiver" : "mouse's cable") +
                                " was unplugged");
    switch (result) {
        case kResultUnreachable:
            return session.Fail(kExitLinkDown, std::string(what) +
                                                   ": the receiver lost the mouse. Switch the "
                                                   "mouse on, or bring it closer, and try again.");
        case kResultStatusFailed:
            return session.Fail(kExitError, std::string(what) + ": the mouse reported a failure");
        case kResultStatusRejected:
            return session.Fail(kExitError, std::string(what) + ": the mouse rejected the command");
        case kResultWriteFailed:
            return session.Fail(kExitNoAnswer, std::string(what) + ": could not send to " +
                                                   std::string(HidPathNode(connection.path)));
        default:
            return session.Fail(kExitNoAnswer, std::string(what) +
                                                   ": the mouse did not answer (result " +
                                                   std::to_string(result) + ")");
    }
}

int RunList(CliSession& session) {
    std::vector<FoundInterface> found = FindSupportedInterfaces(session);
    Json::Value rows(Json::arrayValue);
    if (!session.json) {
        if (found.empty()) {
            session.out << "No supported device found."
                        << (session.simulated ? "" : " (Try --emulate for the simulated mouse.)")
                        << "\n";
            return kExitOk;
        }
    }
    for (const FoundInterface& item : found) {
        const HidInterfaceInfo& row = kHidInterfaceTable[item.row];
        if (session.json) {
            Json::Value value;
            value["path"] = item.path;
            value["vendorId"] = Hex(item.info.vendorId, 4);
            value["productId"] = Hex(item.info.productId, 4);
            value["interface"] = item.info.interfaceNumber;
            value["collection"] = item.info.collectionNumber;
            value["usagePage"] = Hex(item.info.usagePage, 4);
            value["usage"] = Hex(item.info.usage, 2);
            value["version"] = item.opened ? VersionText(item.version) : "";
            value["connection"] = ConnectionName(row.deviceClass);
            value["role"] = row.collectionKind == kCollectionEvent ? "event" : "configuration";
            value["deviceClass"] = row.deviceClass;
            value["accessible"] = item.opened;
            rows.append(value);
            continue;
        }
        char line[512];
        std::snprintf(line, sizeof line,
                      "%s\n    %04X:%04X  interface %u  collection %u  usage %04X/%02X  "
                      "version %s  %s, %s interface%s\n",
                      item.path.c_str(), item.info.vendorId, item.info.productId,
                      item.info.interfaceNumber, item.info.collectionNumber, item.info.usagePage,
                      item.info.usage, item.opened ? VersionText(item.version).c_str() : "?",
                      ConnectionName(row.deviceClass),
                      row.collectionKind == kCollectionEvent ? "event" : "configuration",
                      item.opened ? "" : "  (cannot open: permission denied?)");
        session.out << line;
    }
    if (session.json)
        session.PrintJson(rows);
    return kExitOk;
}

int RunInfo(CliSession& session) {
    CliMouseConnection connection;
    int exitCode = kExitOk;
    if (!OpenMouse(session, connection, exitCode))
        return exitCode;
    CReportChannel& channel = *connection.channel;
    uint8_t block[kInformationBlockSize] = {};
    int result = channel.BeginConfiguration();
    if (result != kResultDone)
        return FailCommand(session, connection, result, "starting");
    result = channel.ReadInformationBlock(block);
    channel.EndConfiguration();
    if (result != kResultDone)
        return FailCommand(session, connection, result, "reading the information block");

    const unsigned positions = block[5];
    const uint16_t sensor = static_cast<uint16_t>(block[9] | block[10] << 8);
    const unsigned dpiStep = block[11];
    const unsigned sliderPositions = block[12] | block[13] << 8;
    const unsigned lowestDpi = block[14] | block[15] << 8;
    const DpiSensor dpiSensor = SensorFromInfoBlock(block);
    const int dpiMin = PositionToDpi(dpiSensor, 0);
    const int dpiMax = PositionToDpi(dpiSensor, HighestPosition(dpiSensor));

    if (session.json) {
        Json::Value value;
        value["path"] = connection.path;
        value["connection"] = connection.throughReceiver ? "receiver" : "cable";
        value["sensor"] = Hex(sensor, 4);
        value["keyTablePositions"] = positions;
        value["keyTableBytes"] = 3 * positions;
        value["dpiStep"] = dpiStep;
        value["sliderPositions"] = sliderPositions;
        value["lowestDpi"] = lowestDpi;
        value["dpiMin"] = dpiMin;
        value["dpiMax"] = dpiMax;
        value["firmwareVersion"] = VersionText(connection.version);
        std::string hex;
        for (uint8_t byte : block) {
            char text[4];
            std::snprintf(text, sizeof text, "%02x", byte);
            hex += text;
        }
        value["informationBlock"] = hex;
        session.PrintJson(value);
        return kExitOk;
    }
    session.out << "Kestrune Q418-RGB (" << (connection.throughReceiver ? "receiver" : "cable")
                << ", " << connection.path << ")\n"
                << "  Sensor:              " << SensorName(sensor) << "\n"
                << "  Key-table positions: " << positions << " (" << 3 * positions << " bytes)\n"
                << "  DPI step:            " << dpiStep << "\n"
                << "  Slider positions:    " << sliderPositions << "\n"
                << "  Lowest DPI:          " << lowestDpi << "\n"
                << "  DPI range:           " << dpiMin << " to " << dpiMax << "\n"
                << "  Firmware version:    " << VersionText(connection.version)
                << (connection.version != 0 && connection.version < 0x0105
                        ? "  (older than 1.05: an upgrade is needed)"
                        : "")
                << "\n";
    return kExitOk;
}
