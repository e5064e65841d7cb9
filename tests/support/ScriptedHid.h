// SPDX-License-Identifier: GPL-2.0-or-later
// A scripted HID backend for unit tests: records every report written and answers with what
// the test's responder returns, so exact bytes and orderings can be checked.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "device/HidBackend.h"

using Report = std::vector<uint8_t>;

class CScriptedConnection : public IHidConnection {
  public:
    explicit CScriptedConnection(HidInterfaceProps props) : m_props(props) {}

    const HidInterfaceProps& Props() const override { return m_props; }
    HidIoStatus Read(std::span<uint8_t> buffer, size_t& bytesRead, int timeoutMs) override;
    HidIoStatus Write(std::span<const uint8_t> report, size_t& bytesWritten,
                      int timeoutMs) override;
    void Cancel() override;

    // Called for each write; returns the reports the device sends back.
    std::function<std::vector<Report>(const Report& request)> responder;
    bool failWrites = false;
    // Called inside Write after the report is recorded (e.g. to signal a latch).
    std::function<void()> onWrite;
    // Called when a Read starts waiting.
    std::function<void()> onRead;

    void Push(Report report);
    // A new Open starts uncancelled.
    void Reopen();
    std::vector<Report> Writes() const;
    int ReadCalls() const;

  private:
    HidInterfaceProps m_props;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Report> m_input;
    std::vector<Report> m_writes;
    int m_readCalls = 0;
    bool m_cancelled = false;
};

class CScriptedBackend : public IHidBackend {
  public:
    // Adds an interface; the connection object is shared by every Open of the path.
    std::shared_ptr<CScriptedConnection> Add(const std::string& path, HidInterfaceProps props);
    void Remove(const std::string& path);
    // The path is listed but opening it fails with `error` (EACCES, ...).
    void Deny(const std::string& path, int error);

    bool Owns(std::string_view) const override { return true; }
    bool Enumerate(std::vector<std::string>& paths) override;
    std::shared_ptr<IHidConnection> Open(const std::string& path, unsigned access,
                                         int* error) override;
    bool IsPresent(const std::string& path) override;
    // A new key at every Add.
    std::string InstanceKey(const std::string& path) override;
    int ChangeFd() override { return -1; }
    void AcknowledgeChange() override {}

  private:
    std::mutex m_mutex;
    std::map<std::string, std::shared_ptr<CScriptedConnection>> m_interfaces;
    std::map<std::string, uint64_t> m_addNumbers;
    uint64_t m_adds = 0;
    std::map<std::string, int> m_denied;
};

// The mouse's configuration collection (vendor page 0xFF1C usage 0x92, 64-byte reports) as an
// open interface reports it; the cable by default, the receiver with product ID 0x226F.
HidInterfaceProps MouseConfigProps(uint16_t productId = 0x226E);
// A 64-byte configuration reply: report ID 4, command, status, data at 8, checksum.
Report MakeReply(uint8_t command, uint8_t status = 0, std::vector<uint8_t> data = {},
                 uint8_t length = 0, uint16_t offset = 0);
// Replies to every request with the same command, status 0 and `fill` as data.
std::function<std::vector<Report>(const Report&)> EchoResponder(uint8_t fill = 0);
