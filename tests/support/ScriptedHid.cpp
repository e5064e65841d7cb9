// SPDX-License-Identifier: GPL-2.0-or-later

#include "support/ScriptedHid.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include "device/ReportChannel.h"

HidIoStatus CScriptedConnection::Read(std::span<uint8_t> buffer, size_t& bytesRead, int timeoutMs) {
    bytesRead = 0;
    std::unique_lock lock(m_mutex);
    ++m_readCalls;
    if (onRead) {
        auto notify = onRead;
        lock.unlock();
        notify();
        lock.lock();
    }
    auto ready = [this] { return m_cancelled || !m_input.empty(); };
    if (timeoutMs < 0)
        m_cv.wait(lock, ready);
    else if (!m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
        return HidIoStatus::Timeout;
    if (m_cancelled)
        return HidIoStatus::Cancelled;
    Report report = std::move(m_input.front());
    m_input.pop_front();
    bytesRead = std::min(report.size(), buffer.size());
    std::memcpy(buffer.data(), report.data(), bytesRead);
    return HidIoStatus::Ok;
}

HidIoStatus CScriptedConnection::Write(std::span<const uint8_t> report, size_t& bytesWritten, int) {
    bytesWritten = 0;
    Report request(report.begin(), report.end());
    std::function<std::vector<Report>(const Report&)> respond;
    std::function<void()> notify;
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelled)
            return HidIoStatus::Cancelled;
        if (failWrites)
            return HidIoStatus::Error;
        m_writes.push_back(request);
        respond = responder;
        notify = onWrite;
    }
    if (notify)
        notify();
    if (respond)
        for (Report& reply : respond(request))
            Push(std::move(reply));
    bytesWritten = report.size();
    return HidIoStatus::Ok;
}

void CScriptedConnection::Cancel() {
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
    m_cv.notify_all();
}

void CScriptedConnection::Reopen() {
    std::lock_guard lock(m_mutex);
    m_cancelled = false;
}

void CScriptedConnection::Push(Report report) {
    std::lock_guard lock(m_mutex);
    m_input.push_back(std::move(report));
    m_cv.notify_all();
}

std::vector<Report> CScriptedConnection::Writes() const {
    std::lock_guard lock(m_mutex);
    return m_writes;
}

int CScriptedConnection::ReadCalls() const {
    std::lock_guard lock(m_mutex);
    return m_readCalls;
}

std::shared_ptr<CScriptedConnection> CScriptedBackend::Add(const std::string& path,
                                                           HidInterfaceProps props) {
    std::lock_guard lock(m_mutex);
    auto connection = std::make_shared<CScriptedConnection>(props);
    m_interfaces[path] = connection;
    m_addNumbers[path] = ++m_adds;
    return connection;
}

void CScriptedBackend::Remove(const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_interfaces.erase(path);
}

void CScriptedBackend::Deny(const std::string& path, int error) {
    std::lock_guard lock(m_mutex);
    m_denied[path] = error;
}

bool CScriptedBackend::Enumerate(std::vector<std::string>& paths) {
    std::lock_guard lock(m_mutex);
    for (const auto& entry : m_interfaces)
        paths.push_back(entry.first);
    for (const auto& entry : m_denied)
        paths.push_back(entry.first);
    return true;
}

std::shared_ptr<IHidConnection> CScriptedBackend::Open(const std::string& path, unsigned,
                                                       int* error) {
    std::lock_guard lock(m_mutex);
    if (auto denied = m_denied.find(path); denied != m_denied.end()) {
        if (error)
            *error = denied->second;
        return nullptr;
    }
    auto it = m_interfaces.find(path);
    if (it == m_interfaces.end()) {
        if (error)
            *error = ENOENT;
        return nullptr;
    }
    it->second->Reopen();
    return it->second;
}

bool CScriptedBackend::IsPresent(const std::string& path) {
    std::lock_guard lock(m_mutex);
    return m_interfaces.count(path) != 0;
}

std::string CScriptedBackend::InstanceKey(const std::string& path) {
    std::lock_guard lock(m_mutex);
    if (!m_interfaces.count(path))
        return {};
    return path + "@" + std::to_string(m_addNumbers[path]);
}

HidInterfaceProps MouseConfigProps(uint16_t productId) {
    HidInterfaceProps props;
    props.vendorId = 0x320F;
    props.productId = productId;
    props.version = 0x0105;
    props.usagePage = 0xFF1C;
    props.usage = 0x92;
    props.inputReportLength = 64;
    props.outputReportLength = 64;
    return props;
}

Report MakeReply(uint8_t command, uint8_t status, std::vector<uint8_t> data, uint8_t length,
                 uint16_t offset) {
    Report reply(kReportSize, 0);
    reply[0] = kConfigReportId;
    reply[3] = command;
    reply[4] = length;
    reply[5] = static_cast<uint8_t>(offset & 0xFF);
    reply[6] = static_cast<uint8_t>(offset >> 8);
    reply[7] = status;
    for (size_t i = 0; i < data.size() && kReportDataOffset + i < kReportSize; ++i)
        reply[kReportDataOffset + i] = data[i];
    SealReport(std::span<uint8_t, kReportSize>(reply.data(), kReportSize));
    return reply;
}

std::function<std::vector<Report>(const Report&)> EchoResponder(uint8_t fill) {
    return [fill](const Report& request) {
        std::vector<uint8_t> data(kReportMaxData, fill);
        return std::vector<Report>{MakeReply(request[3], 0, data, request[4],
                                             static_cast<uint16_t>(request[5] | request[6] << 8))};
    };
}
