// SPDX-License-Identifier: GPL-2.0-or-later
// A device as the light threads see it: an engine, a class, and a record of what it was given.
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "lighting/LightDevice.h"

class CFakeLightDevice final : public ILightDevice {
  public:
    explicit CFakeLightDevice(int deviceClass = 2, size_t ledCount = kMouseLedCount)
        : m_class(deviceClass), m_engine(ledCount) {}

    CLightEngine& GetLightEngine() override { return m_engine; }
    int GetDeviceClass() const override { return m_class; }
    void OnLightFrame(const CLightFrame& frame) override {
        std::lock_guard lock(m_mutex);
        m_frames.push_back(frame.Snapshot());
    }
    void ApplySynchronisedLight(const LightInfo& info) override {
        m_applied.push_back(info);
        m_engine.ApplyLightInfo(info);
    }

    std::vector<std::vector<LightColour>> Frames() const {
        std::lock_guard lock(m_mutex);
        return m_frames;
    }
    size_t FrameCount() const {
        std::lock_guard lock(m_mutex);
        return m_frames.size();
    }
    const std::vector<LightInfo>& Applied() const { return m_applied; }

    // Present and shown, as a connected mouse whose page is open.
    CFakeLightDevice& Showing() {
        m_engine.SetPresent(true);
        m_engine.SetPreviewWanted(true);
        return *this;
    }

  private:
    int m_class;
    CLightEngine m_engine;
    mutable std::mutex m_mutex;
    std::vector<std::vector<LightColour>> m_frames;
    std::vector<LightInfo> m_applied;
};
