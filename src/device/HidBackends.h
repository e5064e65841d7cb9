// SPDX-License-Identifier: GPL-2.0-or-later
// The process-wide HID backend: the real hidraw devices, plus the simulated mouse when asked.
#pragma once

#include <memory>
#include <stop_token>
#include <vector>

#include "device/HidBackend.h"

// Dispatches each path to the backend that owns it; enumerates all of them in order.
class CCompositeHidBackend : public IHidBackend {
  public:
    CCompositeHidBackend();
    ~CCompositeHidBackend() override;
    void Add(std::shared_ptr<IHidBackend> backend);

    bool Owns(std::string_view path) const override;
    bool Enumerate(std::vector<std::string>& paths) override;
    std::shared_ptr<IHidConnection> Open(const std::string& path, unsigned access,
                                         int* error) override;
    bool IsPresent(const std::string& path) override;
    std::string InstanceKey(const std::string& path) override;
    // An eventfd signalled by a small poller whenever a member's ChangeFd fires.
    int ChangeFd() override;
    void AcknowledgeChange() override;

    // Sleeps until some interface may have come or gone, the timeout ends (-1: none) or stop
    // is requested; true when a change was seen.
    bool WaitForChange(int timeoutMs, std::stop_token stop);

  private:
    IHidBackend* Find(std::string_view path) const;
    std::vector<std::shared_ptr<IHidBackend>> m_backends;
};

// A backend that refuses everything and records that something tried: the default in unit
// tests, so nothing reaches a real /dev/hidraw* by accident.
class CRefusingHidBackend : public IHidBackend {
  public:
    bool Owns(std::string_view) const override { return true; }
    bool Enumerate(std::vector<std::string>&) override;
    std::shared_ptr<IHidConnection> Open(const std::string&, unsigned, int* error) override;
    bool IsPresent(const std::string&) override;
    std::string InstanceKey(const std::string&) override;
    int ChangeFd() override { return -1; }
    void AcknowledgeChange() override {}
    int attempts = 0;
};

IHidBackend& DefaultHidBackend();
// Replaces the process-wide backend (start-up, tests). Not thread-safe against running I/O.
void SetDefaultHidBackend(std::shared_ptr<IHidBackend> backend);
