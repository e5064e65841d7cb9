// SPDX-License-Identifier: GPL-2.0-or-later
// A report channel on the simulated mouse's cable, as discovery would leave it.
#pragma once

#include <memory>
#include <stdexcept>

#include "device/ReportChannel.h"
#include "simulated/EmulatedHidBackend.h"

struct CBenchChannel {
    explicit CBenchChannel(unsigned usbIntervalUs) {
        world = std::make_shared<CSimWorld>();
        world->SetUsbIntervalUs(usbIntervalUs);
        world->SetCablePlugged(true);
        backend = MakeEmulatedHidBackend(world);
        channel = std::make_unique<CReportChannel>(backend.get());
        const std::string path = "emulated/cable-if1#vid_320f&pid_226e&mi_01&col02";
        if (!channel->DirectTransport().Open(path, true, true, true, false))
            throw std::runtime_error("cannot open the simulated mouse");
        channel->SetPresent(true);
        channel->SetTransportMode(kTransportModeDirect);
    }
    std::shared_ptr<CSimWorld> world;
    std::shared_ptr<IHidBackend> backend;
    std::unique_ptr<CReportChannel> channel;
};
