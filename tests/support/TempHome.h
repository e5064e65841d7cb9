// SPDX-License-Identifier: GPL-2.0-or-later
// A private data, state, config and runtime home for one test: XDG_DATA_HOME, XDG_STATE_HOME,
// XDG_CONFIG_HOME and XDG_RUNTIME_DIR point into a fresh folder that is removed afterwards, so no
// test touches the user's files or waits on another test's lock of the mouse.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
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
        ::setenv("XDG_CONFIG_HOME", (m_root / "config").c_str(), 1);
        std::filesystem::create_directories(m_root / "runtime");
        std::filesystem::permissions(m_root / "runtime", std::filesystem::perms::owner_all);
        if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"))
            m_runtime = runtime;
        ::setenv("XDG_RUNTIME_DIR", (m_root / "runtime").c_str(), 1);
        ::unsetenv("KESTRUNE_EMULATE");
    }
    ~CTempHome() {
        if (m_runtime)
            ::setenv("XDG_RUNTIME_DIR", m_runtime->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }
    CTempHome(const CTempHome&) = delete;
    CTempHome& operator=(const CTempHome&) = delete;

    const std::filesystem::path& Root() const { return m_root; }

  private:
    std::filesystem::path m_root;
    std::optional<std::string> m_runtime;
};
