// SPDX-License-Identifier: GPL-2.0-or-later
// One HID interface (one top-level collection): enumeration of interface paths and, once
// open, time-limited report reads and writes that another thread can cancel.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/HidBackend.h"

class CHidDevice {
  public:
    // `backend` null: the process-wide backend (see HidBackends.h).
    explicit CHidDevice(IHidBackend* backend = nullptr);
    ~CHidDevice();
    CHidDevice(const CHidDevice&) = delete;
    CHidDevice& operator=(const CHidDevice&) = delete;

    int BeginEnumeration();
    // The path at the cursor, or null when the list is empty or exhausted.
    const char* NextPath();
    void FreePathList();

    int Open(const std::string& path, bool forRead, bool forWrite, bool overlapped, bool exclusive);
    // Safe from another thread: a Read or Write blocked on this object returns 0 at once.
    void Close();
    // timeoutMs -1 waits forever.
    int Read(uint8_t* buffer, uint32_t length, uint32_t* bytesRead, int timeoutMs);
    int Write(const uint8_t* buffer, uint32_t length, uint32_t* bytesWritten, int timeoutMs);

    bool IsOpen() const;
    // Presence test of a path without access rights.
    bool IsPresent(const std::string& path);
    // Which plug of a device the path leads to, empty when none (the discovery scan's unplug
    // check: a quick re-plug keeps the path but not the key).
    std::string InstanceKey(const std::string& path);
    // errno of the last failed Open (EACCES: no permission on the node), 0 after a good one.
    int GetLastOpenError() const { return m_lastOpenError; }
    // Whether the last I/O failed because the device is gone.
    bool LastIoWasGone() const { return m_lastIoGone.load(); }

    uint16_t GetVendorId() const { return m_props.vendorId; }
    uint16_t GetProductId() const { return m_props.productId; }
    uint16_t GetVersion() const { return m_props.version; }
    uint16_t GetUsagePage() const { return m_props.usagePage; }
    uint16_t GetUsage() const { return m_props.usage; }
    uint16_t GetInputReportLength() const { return m_props.inputReportLength; }
    uint16_t GetOutputReportLength() const { return m_props.outputReportLength; }
    uint16_t GetFeatureReportLength() const { return m_props.featureReportLength; }
    uint8_t* GetInputReportBuffer() { return m_inputBuffer.data(); }
    uint32_t GetInterfaceNumber() const { return m_interfaceNumber; }
    uint32_t GetCollectionNumber() const { return m_collectionNumber; }
    const std::string& GetPath() const { return m_path; }

  private:
    std::shared_ptr<IHidConnection> Connection() const;

    IHidBackend* m_backend;
    std::vector<std::string> m_paths;
    size_t m_cursor = 0;

    bool m_forRead = false, m_forWrite = false, m_overlapped = false, m_exclusive = false;
    // Guards m_connection only; I/O runs on a copy so Close() never waits for it.
    mutable std::mutex m_connectionMutex;
    std::shared_ptr<IHidConnection> m_connection;
    std::string m_path;
    HidInterfaceProps m_props;
    std::vector<uint8_t> m_inputBuffer, m_outputBuffer, m_featureBuffer;
    uint32_t m_interfaceNumber = 0;
    uint32_t m_collectionNumber = 0;
    int m_lastOpenError = 0;
    std::atomic<bool> m_lastIoGone{false};
};
