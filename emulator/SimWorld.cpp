// SPDX-License-Identifier: GPL-2.0-or-later

#include "emulator/SimWorld.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "emulator/SimDescriptors.h"
#include "emulator/SimWorldImpl.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr uint16_t kVendorId = 0x320F;
constexpr uint16_t kCableProductId = 0x226E;
constexpr uint16_t kReceiverProductId = 0x226F;

// A timed condition wait overshoots by about 0.1 ms, which would inflate a 1 ms bus model by
// ~10 %: sleep until shortly before the deadline, then yield-spin the rest. Returns after one
// step either way; callers loop and re-check their condition.
constexpr auto kSpinMargin = std::chrono::microseconds(200);

void WaitStep(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
              Clock::time_point until) {
    if (until == Clock::time_point::max()) {
        cv.wait(lock);
        return;
    }
    if (Clock::now() < until - kSpinMargin) {
        cv.wait_until(lock, until - kSpinMargin);
        return;
    }
    lock.unlock();
    std::this_thread::yield();
    lock.lock();
}

const char* KindName(SimDeviceKind kind) {
    return kind == SimDeviceKind::Cable ? "cable" : "receiver";
}

}  // namespace

// ---- handles ----

CSimHidHandle::CSimHidHandle(std::shared_ptr<CSimHidInterface> owner) : m_owner(std::move(owner)) {}

CSimHidHandle::~CSimHidHandle() = default;

void CSimHidHandle::Deliver(std::vector<uint8_t> report, Clock::time_point readyAt) {
    std::lock_guard lock(m_mutex);
    if (m_gone || m_queue.size() >= kMaxQueued)
        return;
    // Ordered by arrival time: a delayed reply must not hold back later reports.
    auto at = std::upper_bound(m_queue.begin(), m_queue.end(), readyAt,
                               [](Clock::time_point t, const Pending& p) { return t < p.readyAt; });
    m_queue.insert(at, Pending{std::move(report), readyAt});
    m_cv.notify_all();
}

void CSimHidHandle::ReleaseHeld(Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    bool released = false;
    for (Pending& pending : m_queue) {
        if (pending.readyAt == Clock::time_point::max()) {
            pending.readyAt = now;
            released = true;
        }
    }
    if (!released)
        return;
    std::stable_sort(m_queue.begin(), m_queue.end(),
                     [](const Pending& a, const Pending& b) { return a.readyAt < b.readyAt; });
    m_cv.notify_all();
}

void CSimHidHandle::MarkGone() {
    std::lock_guard lock(m_mutex);
    m_gone = true;
    // Reports still on the wire never arrive; those already received stay readable.
    auto now = Clock::now();
    std::erase_if(m_queue, [now](const Pending& p) { return p.readyAt > now; });
    m_cv.notify_all();
}

void CSimHidHandle::Cancel() {
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
    m_cv.notify_all();
}

SimIo CSimHidHandle::Read(std::vector<uint8_t>& report, int timeoutMs) {
    std::unique_lock lock(m_mutex);
    const auto deadline = timeoutMs >= 0 ? Clock::now() + std::chrono::milliseconds(timeoutMs)
                                         : Clock::time_point::max();
    for (;;) {
        if (m_cancelled)
            return SimIo::Cancelled;
        auto now = Clock::now();
        if (!m_queue.empty() && m_queue.front().readyAt <= now) {
            report = std::move(m_queue.front().report);
            m_queue.pop_front();
            return SimIo::Ok;
        }
        if (m_gone)
            return SimIo::Gone;
        if (now >= deadline)
            return SimIo::Timeout;
        auto wakeAt = m_queue.empty() ? deadline : std::min(deadline, m_queue.front().readyAt);
        WaitStep(lock, m_cv, wakeAt);
    }
}

SimIo CSimHidHandle::Write(std::span<const uint8_t> report, int timeoutMs) {
    if (m_owner->m_detached)
        return SimIo::Gone;
    CSimWorld::Impl& world = *m_owner->m_world.m;
    const auto start = Clock::now();
    const auto interval = world.Interval();
    const auto written = start + interval;
    {
        std::unique_lock lock(m_mutex);
        const bool timesOut = timeoutMs >= 0 && std::chrono::milliseconds(timeoutMs) < interval;
        const auto until = timesOut ? start + std::chrono::milliseconds(timeoutMs) : written;
        for (;;) {
            if (m_cancelled)
                return SimIo::Cancelled;
            if (m_gone)
                return SimIo::Gone;
            if (Clock::now() >= until)
                break;
            WaitStep(lock, m_cv, until);
        }
        if (timesOut)
            return SimIo::Timeout;
    }
    // The reply is timed from the ideal end of the write, so a late wake-up here is not charged
    // twice.
    return world.HandleOutput(*this, *m_owner, report, written);
}

// ---- interfaces ----

CSimHidInterface::CSimHidInterface(CSimWorld& world, SimDeviceKind kind, unsigned interfaceNumber)
    : m_world(world),
      m_kind(kind),
      m_node(std::string("emulated/") + KindName(kind) + "-if" + std::to_string(interfaceNumber)),
      m_vendorId(kVendorId),
      m_productId(kind == SimDeviceKind::Cable ? kCableProductId : kReceiverProductId),
      m_interfaceNumber(interfaceNumber),
      m_descriptor(interfaceNumber == 0 ? SimEventInterfaceDescriptor()
                                        : SimConfigInterfaceDescriptor()) {}

CSimHidInterface::~CSimHidInterface() = default;

uint16_t CSimHidInterface::Version() const {
    return m_detached ? 0 : m_world.Config().firmwareVersion;
}

bool CSimHidInterface::Plugged() const {
    if (m_detached)
        return false;
    std::lock_guard lock(m_world.m->mutex);
    return m_world.m->PluggedFlag(m_kind);
}

uint64_t CSimHidInterface::PlugNumber() const {
    if (m_detached)
        return 0;
    std::lock_guard lock(m_world.m->mutex);
    return m_world.m->PluggedFlag(m_kind) ? m_world.m->plugCount[static_cast<size_t>(m_kind)] : 0;
}

std::shared_ptr<CSimHidHandle> CSimHidInterface::Open() {
    if (m_detached)
        return nullptr;
    std::lock_guard lock(m_world.m->mutex);
    if (!m_world.m->PluggedFlag(m_kind))
        return nullptr;
    std::shared_ptr<CSimHidHandle> handle(new CSimHidHandle(shared_from_this()));
    std::erase_if(m_handles, [](const auto& weak) { return weak.expired(); });
    m_handles.push_back(handle);
    return handle;
}

// ---- world internals ----

void CSimWorld::Impl::SignalChange() const {
    uint64_t one = 1;
    // Only fails when the counter would overflow, which still leaves the fd readable.
    [[maybe_unused]] ssize_t n = write(changeFd, &one, sizeof one);
}

void CSimWorld::Impl::SetPlugged(SimDeviceKind kind, bool plugged) {
    bool& flag = PluggedFlag(kind);
    if (flag == plugged)
        return;
    flag = plugged;
    if (plugged)
        ++plugCount[static_cast<size_t>(kind)];
    if (!plugged) {
        for (auto& iface : interfaces[static_cast<size_t>(kind)]) {
            for (auto& weak : iface->m_handles)
                if (auto handle = weak.lock())
                    handle->MarkGone();
            iface->m_handles.clear();
        }
    }
    SignalChange();
}

namespace {

constexpr std::pair<SimFault::Kind, const char*> kFaultNames[] = {
    {SimFault::DropReply, "drop"},
    {SimFault::DelayReply, "delay"},
    {SimFault::GarbleReply, "garble"},
    {SimFault::EchoOtherCommand, "wrong-echo"},
    {SimFault::StatusFailed, "status-ff"},
    {SimFault::StatusRejected, "status-fe"},
    {SimFault::UnplugDuringTransfer, "unplug"},
    {SimFault::LinkDropDuringTransfer, "link-drop"},
};

}  // namespace

const char* SimFaultName(SimFault::Kind kind) {
    for (const auto& [k, name] : kFaultNames)
        if (k == kind)
            return name;
    return "?";
}

std::optional<SimFault::Kind> SimFaultKindByName(std::string_view name) {
    for (const auto& [k, known] : kFaultNames)
        if (name == known)
            return k;
    return std::nullopt;
}

std::optional<SimFault> CSimWorld::Impl::TakeFault() {
    if (faults.empty())
        return std::nullopt;
    if (faults.front().afterRequests > 0) {
        --faults.front().afterRequests;
        return std::nullopt;
    }
    SimFault fault = faults.front();
    faults.pop_front();
    return fault;
}

void CSimWorld::Impl::DeliverTo(CSimHidInterface& iface, const std::vector<uint8_t>& report,
                                Clock::time_point readyAt) {
    for (auto& weak : iface.m_handles)
        if (auto handle = weak.lock())
            handle->Deliver(report, readyAt);
}

SimIo CSimWorld::Impl::HandleOutput(CSimHidHandle& from, CSimHidInterface& iface,
                                    std::span<const uint8_t> report, Clock::time_point written) {
    std::lock_guard lock(mutex);
    {
        std::lock_guard handleLock(from.m_mutex);
        if (from.m_gone || !PluggedFlag(iface.m_kind))
            return SimIo::Gone;
    }
    if (iface.m_interfaceNumber == 0) {
        mouse.CountProtocolError("output report on the event interface");
        return SimIo::Ok;
    }

    std::optional<SimFault> fault = TakeFault();
    auto is = [&fault](SimFault::Kind kind) { return fault && fault->kind == kind; };
    if (is(SimFault::UnplugDuringTransfer)) {
        // The request left the host; the device vanishes before it answers.
        SetPlugged(iface.m_kind, false);
        return SimIo::Ok;
    }
    if (is(SimFault::LinkDropDuringTransfer))
        linkUp = false;

    const bool viaReceiver = iface.m_kind == SimDeviceKind::Receiver;
    std::vector<uint8_t> reply;
    if (!mouse.Accept(report, reply)) {
        // `reply` holds the rejection.
    } else if (viaReceiver && !linkUp) {
        // The receiver answers for the mouse it cannot reach.
        reply = CSimMouse::MakeReply(CSimMouse::kLinkQuery, 0, 0, CSimMouse::kStatusDone);
    } else if (is(SimFault::StatusFailed) || is(SimFault::StatusRejected)) {
        uint8_t status =
            is(SimFault::StatusFailed) ? CSimMouse::kStatusFailed : CSimMouse::kStatusRejected;
        reply = CSimMouse::MakeReply(report[3], report[4],
                                     static_cast<uint16_t>(report[5] | report[6] << 8), status);
    } else {
        reply = mouse.Execute(report);
    }

    auto readyAt = written + Interval();
    if (is(SimFault::DropReply))
        return SimIo::Ok;
    if (is(SimFault::DelayReply))
        readyAt += std::chrono::milliseconds(std::max(0, fault->delayMs));
    if (holdReplies)
        readyAt = Clock::time_point::max();
    if (is(SimFault::GarbleReply)) {
        std::uniform_int_distribution<int> byte(0, 255);
        for (size_t i = 1; i < reply.size(); ++i)
            reply[i] = static_cast<uint8_t>(byte(random));
        // Keep it routable to the configuration collection, and never the expected answer.
        reply[0] = kSimConfigReportId;
        if (report.size() > 3 && reply.size() > 3 && reply[3] == report[3])
            reply[3] ^= 0x80;
    }
    if (is(SimFault::EchoOtherCommand)) {
        uint8_t other = report.size() > 3 && report[3] == 0x05 ? 0x03 : 0x05;
        DeliverTo(iface, CSimMouse::MakeReply(other, 0, 0, CSimMouse::kStatusDone), readyAt);
    }
    DeliverTo(iface, reply, readyAt);
    return SimIo::Ok;
}

// ---- world ----

CSimWorld::CSimWorld() : m(std::make_unique<Impl>()) {
    m->changeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    for (auto kind : {SimDeviceKind::Cable, SimDeviceKind::Receiver})
        for (unsigned n = 0; n < 2; ++n)
            m->interfaces[static_cast<size_t>(kind)][n] =
                std::make_shared<CSimHidInterface>(*this, kind, n);
}

CSimWorld::~CSimWorld() {
    std::lock_guard lock(m->mutex);
    for (auto& device : m->interfaces)
        for (auto& iface : device) {
            iface->m_detached = true;
            for (auto& weak : iface->m_handles)
                if (auto handle = weak.lock())
                    handle->MarkGone();
            iface->m_handles.clear();
        }
    if (m->changeFd >= 0)
        close(m->changeFd);
}

void CSimWorld::SetCablePlugged(bool plugged) {
    std::lock_guard lock(m->mutex);
    m->SetPlugged(SimDeviceKind::Cable, plugged);
}

void CSimWorld::SetReceiverPlugged(bool plugged) {
    std::lock_guard lock(m->mutex);
    m->SetPlugged(SimDeviceKind::Receiver, plugged);
}

bool CSimWorld::CablePlugged() const {
    std::lock_guard lock(m->mutex);
    return m->cablePlugged;
}

bool CSimWorld::ReceiverPlugged() const {
    std::lock_guard lock(m->mutex);
    return m->receiverPlugged;
}

void CSimWorld::SetLinkUp(bool up) {
    std::lock_guard lock(m->mutex);
    m->linkUp = up;
}

bool CSimWorld::LinkUp() const {
    std::lock_guard lock(m->mutex);
    return m->linkUp;
}

std::vector<std::shared_ptr<CSimHidInterface>> CSimWorld::Interfaces() const {
    std::lock_guard lock(m->mutex);
    std::vector<std::shared_ptr<CSimHidInterface>> result;
    for (auto kind : {SimDeviceKind::Cable, SimDeviceKind::Receiver})
        if (m->PluggedFlag(kind))
            for (auto& iface : m->interfaces[static_cast<size_t>(kind)])
                result.push_back(iface);
    return result;
}

int CSimWorld::ChangeFd() const {
    return m->changeFd;
}

void CSimWorld::AcknowledgeChange() {
    uint64_t count = 0;
    // Non-blocking: EAGAIN when nothing was signalled.
    [[maybe_unused]] ssize_t n = read(m->changeFd, &count, sizeof count);
}

SimMouseConfig CSimWorld::Config() const {
    std::lock_guard lock(m->mutex);
    return m->mouse.Config();
}

void CSimWorld::SetConfig(const SimMouseConfig& config) {
    std::lock_guard lock(m->mutex);
    m->mouse.SetConfig(config);
}

void CSimWorld::SetUsbIntervalUs(unsigned us) {
    m->intervalUs = us;
}

unsigned CSimWorld::UsbIntervalUs() const {
    return m->intervalUs;
}

void CSimWorld::InjectFault(const SimFault& fault) {
    std::lock_guard lock(m->mutex);
    m->faults.push_back(fault);
}

void CSimWorld::ClearFaults() {
    std::lock_guard lock(m->mutex);
    m->faults.clear();
}

std::vector<SimFault> CSimWorld::PendingFaults() const {
    std::lock_guard lock(m->mutex);
    return {m->faults.begin(), m->faults.end()};
}

void CSimWorld::HoldReplies() {
    std::lock_guard lock(m->mutex);
    m->holdReplies = true;
}

void CSimWorld::ReleaseReplies() {
    std::lock_guard lock(m->mutex);
    m->holdReplies = false;
    const auto now = Clock::now();
    for (auto& device : m->interfaces)
        for (auto& iface : device)
            for (auto& weak : iface->m_handles)
                if (auto handle = weak.lock())
                    handle->ReleaseHeld(now);
}

void CSimWorld::SendEvent(uint16_t code) {
    std::lock_guard lock(m->mutex);
    SimDeviceKind kind;
    if (m->cablePlugged)
        kind = SimDeviceKind::Cable;
    else if (m->receiverPlugged && m->linkUp)
        kind = SimDeviceKind::Receiver;
    else
        return;  // nobody hears it
    std::vector<uint8_t> report = {kSimEventReportId, static_cast<uint8_t>(code & 0xFF),
                                   static_cast<uint8_t>(code >> 8)};
    m->DeliverTo(*m->interfaces[static_cast<size_t>(kind)][0], report,
                 Clock::now() + m->Interval());
}

std::vector<uint8_t> CSimWorld::InfoBlock() const {
    std::lock_guard lock(m->mutex);
    return m->mouse.InfoBlock();
}

std::vector<uint8_t> CSimWorld::SettingsMemory() const {
    std::lock_guard lock(m->mutex);
    return m->mouse.Settings();
}

std::vector<uint8_t> CSimWorld::KeyTable() const {
    std::lock_guard lock(m->mutex);
    return m->mouse.KeyTable();
}

std::vector<uint8_t> CSimWorld::MacroMemory() const {
    std::lock_guard lock(m->mutex);
    return m->mouse.Macro();
}

std::vector<uint8_t> CSimWorld::ShootMemory() const {
    std::lock_guard lock(m->mutex);
    return m->mouse.Shoot();
}

std::vector<uint8_t> CSimWorld::StatusBytes() const {
    std::lock_guard lock(m->mutex);
    return m->mouse.Status();
}

uint32_t CSimWorld::ProtocolErrors() const {
    std::lock_guard lock(m->mutex);
    return m->mouse.ProtocolErrors();
}

uint32_t CSimWorld::RequestsHandled() const {
    std::lock_guard lock(m->mutex);
    return m->mouse.Requests();
}

bool CSimWorld::Configuring() const {
    std::lock_guard lock(m->mutex);
    return m->mouse.Configuring();
}

uint32_t CSimWorld::WritesOutsideConfiguration() const {
    std::lock_guard lock(m->mutex);
    return m->mouse.WritesOutsideConfiguration();
}

std::string CSimWorld::LastProtocolError() const {
    std::lock_guard lock(m->mutex);
    return m->mouse.LastProtocolError();
}
