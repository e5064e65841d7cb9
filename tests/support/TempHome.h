// A private data and state home for one test: XDG_DATA_HOME and XDG_STATE_HOME point into a
// fresh folder that is removed afterwards, so no test touches the user's files.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

class CTempHome {
  public:
    CTempHome() {
        m_root = std::filesystem::temp_directory_path() /
                 ("kestrune-test-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_root);
        std::filesystem::create_directories(m_root);
        ::setenv("XDG_STATE_HOME", (m_root / "state").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (m_root / "data").c_str(), 1);
        ::unsetenv("KESTRUNE_EMULATE");
    }
    ~CTempHome() {
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }
    CTempHome(const CTempHome&) = delete;
    CTempHome& operator=(const CTempHome&) = delete;

    const std::filesystem::path& Root() const { return m_root; }

  private:
    std::filesystem::path m_root;
};
