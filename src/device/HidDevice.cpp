// SPDX-License-Identifier: GPL-2.0-or-later

#include "device/HidDevice.h"

#include <cerrno>

#include "base/Debug.h"
#include "device/HidBackends.h"

CHidDevice::CHidDevice(IHidBackend* backend) : m_backend(backend) {}

CHidDevice::~CHidDevice() {
    Close();
    FreePathList();
}

int CHidDevice::BeginEnumeration() {
    m_cursor = 0;
    m_paths.clear();
    IHidBackend& backend = m_backend ? *m_backend : DefaultHidBackend();
    return backend.Enumerate(m_paths) ? 1 : 0;
}

const char* CHidDevice::NextPath() {
    if (m_cursor >= m_paths.size())
        return nullptr;
    return m_paths[m_cursor++].c_str();
}

void CHidDevice::FreePathList() {
    m_paths.clear();
    m_paths.shrink_to_fit();
    m_cursor = 0;
}

int CHidDevice::Open(const std::string& path, bool forRead, bool forWrite, bool overlapped,
                     bool exclusive) {
    Close();
    m_forRead = forRead;
    m_forWrite = forWrite;
    m_overlapped = overlapped;
    m_exclusive = exclusive;
    m_path = path;

    unsigned access = (forRead ? kHidAccessRead : 0u) | (forWrite ? kHidAccessWrite : 0u) |
                      (exclusive ? kHidAccessExclusive : 0u);
    IHidBackend& backend = m_backend ? *m_backend : DefaultHidBackend();
    int error = 0;
    std::shared_ptr<IHidConnection> connection = backend.Open(path, access, &error);
    if (!connection) {
        m_lastOpenError = error ? error : ENODEV;
        DebugPrintf(DebugArea::Device, "open %s failed: errno %d", path.c_str(), m_lastOpenError);
        return 0;
    }
    m_lastOpenError = 0;
    m_props = connection->Props();
    m_inputBuffer.assign(m_props.inputReportLength, 0);
    m_outputBuffer.assign(m_props.outputReportLength, 0);
    m_featureBuffer.assign(m_props.featureReportLength, 0);
    m_interfaceNumber = ParseHidPathNumber(path, "&mi_");
    m_collectionNumber = ParseHidPathNumber(path, "&col");
    std::lock_guard lock(m_connectionMutex);
    m_connection = std::move(connection);
    return 1;
}

void CHidDevice::Close() {
    std::shared_ptr<IHidConnection> connection;
    {
        std::lock_guard lock(m_connectionMutex);
        connection = std::move(m_connection);
        m_connection.reset();
    }
    // Cancelling releases a thread blocked in Read or Write on this object; it still holds its
    // own reference, so the connection is destroyed when the last user lets go.
    if (connection)
        connection->Cancel();
    m_inputBuffer.clear();
    m_outputBuffer.clear();
    m_featureBuffer.clear();
}

bool CHidDevice::IsOpen() const {
    return Connection() != nullptr;
}

bool CHidDevice::IsPresent(const std::string& path) {
    IHidBackend& backend = m_backend ? *m_backend : DefaultHidBackend();
    return backend.IsPresent(path);
}

std::string CHidDevice::InstanceKey(const std::string& path) {
    IHidBackend& backend = m_backend ? *m_backend : DefaultHidBackend();
    return backend.InstanceKey(path);
}

std::shared_ptr<IHidConnection> CHidDevice::Connection() const {
    std::lock_guard lock(m_connectionMutex);
    return m_connection;
}

int CHidDevice::Read(uint8_t* buffer, uint32_t length, uint32_t* bytesRead, int timeoutMs) {
    if (bytesRead)
        *bytesRead = 0;
    std::shared_ptr<IHidConnection> connection = Connection();
    if (!connection || !buffer)
        return 0;
    size_t got = 0;
    HidIoStatus status = connection->Read({buffer, length}, got, timeoutMs);
    m_lastIoGone = status == HidIoStatus::Gone;
    if (status != HidIoStatus::Ok)
        return 0;
    if (bytesRead)
        *bytesRead = static_cast<uint32_t>(got);
    return 1;
}

int CHidDevice::Write(const uint8_t* buffer, uint32_t length, uint32_t* bytesWritten,
                      int timeoutMs) {
    if (bytesWritten)
        *bytesWritten = 0;
    std::shared_ptr<IHidConnection> connection = Connection();
    if (!connection || !buffer)
        return 0;
    size_t written = 0;
    HidIoStatus status = connection->Write({buffer, length}, written, timeoutMs);
    m_lastIoGone = status == HidIoStatus::Gone;
    if (status != HidIoStatus::Ok)
        return 0;
    if (bytesWritten)
        *bytesWritten = static_cast<uint32_t>(written);
    return 1;
}
