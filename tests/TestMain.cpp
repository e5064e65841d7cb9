// SPDX-License-Identifier: GPL-2.0-or-later
// Unit tests never reach a real /dev/hidraw*: the process-wide HID backend refuses everything
// and fails the test that tried.
#include <gtest/gtest.h>

#include "base/Debug.h"
#include "device/HidBackends.h"

namespace {

class CFailingHidBackend : public CRefusingHidBackend {
  public:
    bool Enumerate(std::vector<std::string>& paths) override {
        ADD_FAILURE() << "a test enumerated the real HID devices";
        return CRefusingHidBackend::Enumerate(paths);
    }
    std::shared_ptr<IHidConnection> Open(const std::string& path, unsigned access,
                                         int* error) override {
        ADD_FAILURE() << "a test opened a real HID device: " << path;
        return CRefusingHidBackend::Open(path, access, error);
    }
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    SetDefaultHidBackend(std::make_shared<CFailingHidBackend>());
    DebugConfigureFromEnvironment();
    return RUN_ALL_TESTS();
}
