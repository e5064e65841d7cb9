// SPDX-License-Identifier: GPL-2.0-or-later
// A backend that passes every call through and runs a hook once at a chosen point of the scan:
// right after the next enumeration has listed the paths (a change made there falls between the
// listing and what the pass checks later), or right before the next change acknowledgement (the
// change signals then reach the scan together, as when it wakes late).
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

#include "device/HidBackend.h"

class CHookedBackend : public IHidBackend {
  public:
    explicit CHookedBackend(std::shared_ptr<IHidBackend> inner) : m_inner(std::move(inner)) {}

    void AfterNextEnumeration(std::function<void()> hook) {
        std::lock_guard lock(m_mutex);
        m_afterEnumeration = std::move(hook);
    }
    void BeforeNextAcknowledge(std::function<void()> hook) {
        std::lock_guard lock(m_mutex);
        m_beforeAcknowledge = std::move(hook);
    }

    bool Owns(std::string_view path) const override { return m_inner->Owns(path); }
    bool Enumerate(std::vector<std::string>& paths) override {
        bool ok = m_inner->Enumerate(paths);
        Run(m_afterEnumeration);
        return ok;
    }
    std::shared_ptr<IHidConnection> Open(const std::string& path, unsigned access,
                                         int* error) override {
        return m_inner->Open(path, access, error);
    }
    bool IsPresent(const std::string& path) override { return m_inner->IsPresent(path); }
    std::string InstanceKey(const std::string& path) override { return m_inner->InstanceKey(path); }
    int ChangeFd() override { return m_inner->ChangeFd(); }
    void AcknowledgeChange() override {
        Run(m_beforeAcknowledge);
        m_inner->AcknowledgeChange();
    }

  private:
    void Run(std::function<void()>& slot) {
        std::function<void()> hook;
        {
            std::lock_guard lock(m_mutex);
            hook = std::exchange(slot, nullptr);
        }
        if (hook)
            hook();
    }

    std::shared_ptr<IHidBackend> m_inner;
    std::mutex m_mutex;
    std::function<void()> m_afterEnumeration;
    std::function<void()> m_beforeAcknowledge;
};
