// SPDX-License-Identifier: GPL-2.0-or-later

#include "simulated/EmulatedHidBackend.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include "base/Debug.h"
#include "device/HidReportDescriptor.h"

namespace {

constexpr std::string_view kNodePrefix = "emulated/";

class CEmulatedConnection : public IHidConnection {
  public:
    CEmulatedConnection(std::shared_ptr<CSimWorld> world, std::shared_ptr<CSimHidHandle> handle,
                        HidDescriptorInfo info, int collectionIndex, HidInterfaceProps props)
        : m_world(std::move(world)),
          m_handle(std::move(handle)),
          m_info(std::move(info)),
          m_collection(collectionIndex),
          m_props(props) {}
    ~CEmulatedConnection() override { m_handle->Cancel(); }

    const HidInterfaceProps& Props() const override { return m_props; }

    HidIoStatus Read(std::span<uint8_t> buffer, size_t& bytesRead, int timeoutMs) override {
        bytesRead = 0;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        std::vector<uint8_t> report;
        for (;;) {
            int wait = -1;
            if (timeoutMs >= 0) {
                auto left = std::chrono::ceil<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                wait = static_cast<int>(std::max<int64_t>(0, left.count()));
            }
            SimIo io = m_handle->Read(report, wait);
            if (io != SimIo::Ok)
                return ToStatus(io);
            // Every open handle sees all reports of the interface; keep this collection's.
            if (report.empty() || m_info.CollectionOfInputReport(report[0]) != m_collection) {
                if (timeoutMs >= 0 && std::chrono::steady_clock::now() >= deadline)
                    return HidIoStatus::Timeout;
                continue;
            }
            size_t n = std::min(report.size(), buffer.size());
            std::memcpy(buffer.data(), report.data(), n);
            bytesRead = n;
            return HidIoStatus::Ok;
        }
    }

    HidIoStatus Write(std::span<const uint8_t> report, size_t& bytesWritten,
                      int timeoutMs) override {
        bytesWritten = 0;
        SimIo io = m_handle->Write(report, timeoutMs);
        if (io == SimIo::Ok)
            bytesWritten = report.size();
        return ToStatus(io);
    }

    void Cancel() override { m_handle->Cancel(); }

  private:
    static HidIoStatus ToStatus(SimIo io) {
        switch (io) {
            case SimIo::Ok:
                return HidIoStatus::Ok;
            case SimIo::Timeout:
                return HidIoStatus::Timeout;
            case SimIo::Cancelled:
                return HidIoStatus::Cancelled;
            case SimIo::Gone:
                return HidIoStatus::Gone;
        }
        return HidIoStatus::Error;
    }

    std::shared_ptr<CSimWorld> m_world;  // outlives every handle on it
    std::shared_ptr<CSimHidHandle> m_handle;
    HidDescriptorInfo m_info;
    int m_collection;
    HidInterfaceProps m_props;
};

class CEmulatedHidBackend : public IHidBackend {
  public:
    explicit CEmulatedHidBackend(std::shared_ptr<CSimWorld> world) : m_world(std::move(world)) {}

    bool Owns(std::string_view path) const override { return path.starts_with(kNodePrefix); }

    bool Enumerate(std::vector<std::string>& paths) override {
        for (const auto& iface : m_world->Interfaces()) {
            HidDescriptorInfo info = ParseHidReportDescriptor(iface->ReportDescriptor());
            if (!info.ok) {
                DebugPrintf(DebugArea::Device, "%s: bad report descriptor: %s",
                            iface->Node().c_str(), info.error.c_str());
                continue;
            }
            size_t count = info.collections.size();
            for (size_t i = 0; i < count; ++i)
                paths.push_back(MakeHidInterfacePath(iface->Node(), iface->VendorId(),
                                                     iface->ProductId(), iface->InterfaceNumber(),
                                                     count > 1 ? static_cast<unsigned>(i + 1) : 0));
        }
        return true;
    }

    std::shared_ptr<IHidConnection> Open(const std::string& path, unsigned, int* error) override {
        auto fail = [error](int code) -> std::shared_ptr<IHidConnection> {
            if (error)
                *error = code;
            return nullptr;
        };
        std::shared_ptr<CSimHidInterface> iface = Find(path);
        if (!iface)
            return fail(ENOENT);
        HidDescriptorInfo info = ParseHidReportDescriptor(iface->ReportDescriptor());
        if (!info.ok || info.collections.empty())
            return fail(EINVAL);
        const int index = HidCollectionOfPath(path, info);
        if (index < 0)
            return fail(ENOENT);
        std::shared_ptr<CSimHidHandle> handle = iface->Open();
        if (!handle)
            return fail(ENODEV);
        HidInterfaceProps props =
            HidCollectionProps(info.collections[static_cast<size_t>(index)], iface->VendorId(),
                               iface->ProductId(), iface->Version());
        if (error)
            *error = 0;
        return std::make_shared<CEmulatedConnection>(m_world, std::move(handle), std::move(info),
                                                     index, props);
    }

    bool IsPresent(const std::string& path) override { return Find(path) != nullptr; }

    std::string InstanceKey(const std::string& path) override {
        std::shared_ptr<CSimHidInterface> iface = Find(path);
        uint64_t plug = iface ? iface->PlugNumber() : 0;
        return plug ? iface->Node() + "@" + std::to_string(plug) : std::string();
    }

    int ChangeFd() override { return m_world->ChangeFd(); }
    void AcknowledgeChange() override { m_world->AcknowledgeChange(); }

  private:
    // The plugged interface behind a path, checked against the path's numbers.
    std::shared_ptr<CSimHidInterface> Find(std::string_view path) const {
        std::string_view node = HidPathNode(path);
        for (auto& iface : m_world->Interfaces()) {
            if (iface->Node() != node || !iface->Plugged())
                continue;
            if (ParseHidPathNumber(path, "vid_") != iface->VendorId() ||
                ParseHidPathNumber(path, "pid_") != iface->ProductId() ||
                ParseHidPathNumber(path, "&mi_") != iface->InterfaceNumber())
                return nullptr;
            return iface;
        }
        return nullptr;
    }

    std::shared_ptr<CSimWorld> m_world;
};

}  // namespace

std::shared_ptr<IHidBackend> MakeEmulatedHidBackend(std::shared_ptr<CSimWorld> world) {
    return std::make_shared<CEmulatedHidBackend>(std::move(world));
}
