// SPDX-License-Identifier: GPL-2.0-or-later
// The platform side of the HID transport: a backend enumerates interface paths and opens them.
// Paths have the form "<node>#vid_XXXX&pid_XXXX&mi_NN&colNN" so that the path numbers can be
// parsed the same way for every backend; "&colNN" is absent when a node has one collection.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/HidReportDescriptor.h"

struct HidInterfaceProps {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t version = 0;  // USB bcdDevice
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t inputReportLength = 0;  // report ID byte included
    uint16_t outputReportLength = 0;
    uint16_t featureReportLength = 0;
};

enum class HidIoStatus { Ok, Timeout, Cancelled, Gone, Error };

// One open top-level collection. Read returns only the input reports of this collection, the
// report ID in byte 0 (0 when the device numbers no reports).
class IHidConnection {
  public:
    virtual ~IHidConnection() = default;
    virtual const HidInterfaceProps& Props() const = 0;
    // timeoutMs < 0 waits until a report arrives, the device goes or Cancel() is called.
    virtual HidIoStatus Read(std::span<uint8_t> buffer, size_t& bytesRead, int timeoutMs) = 0;
    virtual HidIoStatus Write(std::span<const uint8_t> report, size_t& bytesWritten,
                              int timeoutMs) = 0;
    // Thread-safe; releases a blocked Read or Write at once. Later I/O returns Cancelled.
    virtual void Cancel() = 0;
};

enum HidAccess : unsigned {
    kHidAccessNone = 0,
    kHidAccessRead = 1,
    kHidAccessWrite = 2,
    kHidAccessExclusive = 4,
};

class IHidBackend {
  public:
    virtual ~IHidBackend() = default;
    // Whether a path came from this backend.
    virtual bool Owns(std::string_view path) const = 0;
    // Appends the paths of every present interface collection. False on a hard failure.
    virtual bool Enumerate(std::vector<std::string>& paths) = 0;
    // Null on failure; *error (if given) receives an errno value (EACCES, ENOENT, ENODEV, ...).
    virtual std::shared_ptr<IHidConnection> Open(const std::string& path, unsigned access,
                                                 int* error) = 0;
    // Presence test without access rights: whether the interface behind the path still exists.
    virtual bool IsPresent(const std::string& path) = 0;
    // Names the plug of the interface behind the path (empty when none is there). A device
    // unplugged and plugged again gets a new name even where its path stays the same, as
    // simulated paths always do and reused hidraw numbers do.
    virtual std::string InstanceKey(const std::string& path) = 0;
    // A descriptor that becomes readable when interfaces may have come or gone (-1: none);
    // AcknowledgeChange() consumes what made it readable.
    virtual int ChangeFd() = 0;
    virtual void AcknowledgeChange() = 0;
};

// Builds "<node>#vid_XXXX&pid_XXXX&mi_NN[&colNN]" (lower-case hexadecimal).
std::string MakeHidInterfacePath(std::string_view node, uint16_t vendorId, uint16_t productId,
                                 unsigned interfaceNumber, unsigned collectionNumber);
// The node part of a path (before '#'); the whole path when it has no '#'.
std::string_view HidPathNode(std::string_view path);
// The hexadecimal number after `marker` ("vid_", "&mi_", ...), searched ignoring case; 0 when
// the marker is absent.
uint32_t ParseHidPathNumber(std::string_view path, std::string_view marker);

// The collection a path names in a node's descriptor ("&colNN" → NN - 1; no "&col" → the only
// one); -1 when the path names none of them.
int HidCollectionOfPath(std::string_view path, const HidDescriptorInfo& descriptor);
// What an open collection reports about itself.
HidInterfaceProps HidCollectionProps(const HidTopLevelCollection& collection, uint16_t vendorId,
                                     uint16_t productId, uint16_t version);
