// SPDX-License-Identifier: GPL-2.0-or-later
// kestrunectl watch, in process: the simulated mouse is changed by other kestrunectl calls as
// from a second terminal, and the watch is stopped by a real SIGINT or SIGTERM.
#include <gtest/gtest.h>
#include <json/json.h>
#include <signal.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <future>
#include <sstream>
#include <streambuf>

#include "cli/Cli.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;

namespace {

// An output stream the watch writes on its thread while the test reads it on its own.
class CSharedText : public std::streambuf {
  public:
    // Waits until `needle` appears at or after `from`; returns the position after it, or
    // npos when the (generous) deadline passes.
    size_t WaitFor(const std::string& needle, size_t from = 0) {
        std::unique_lock lock(m_mutex);
        size_t at = std::string::npos;
        m_cv.wait_for(lock, std::chrono::seconds(20), [&] {
            at = m_text.find(needle, from);
            return at != std::string::npos;
        });
        return at == std::string::npos ? at : at + needle.size();
    }
    std::string Text() const {
        std::lock_guard lock(m_mutex);
        return m_text;
    }

  protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) {
            char ch = traits_type::to_char_type(c);
            xsputn(&ch, 1);
        }
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        std::lock_guard lock(m_mutex);
        m_text.append(s, static_cast<size_t>(n));
        m_cv.notify_all();
        return n;
    }

  private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::string m_text;
};

class WatchTest : public testing::Test {
  protected:
    void SetUp() override {
        // Blocked here and so in every thread started from here on: the signal stays pending
        // for the watch to read.
        sigset_t signals;
        sigemptyset(&signals);
        sigaddset(&signals, SIGINT);
        sigaddset(&signals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &signals, &previousMask);
    }
    void TearDown() override {
        if (watch.valid())
            Stop(SIGTERM);
        pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    }

    int Ctl(std::vector<std::string> args, std::ostream& out, std::ostream& err) {
        args.insert(args.begin(), "kestrunectl");
        std::vector<const char*> argv;
        for (const auto& a : args)
            argv.push_back(a.c_str());
        return RunKestrunectl(static_cast<int>(argv.size()), argv.data(), out, err, environment);
    }
    // Another kestrunectl call, as from a second terminal.
    void Other(std::vector<std::string> args) {
        std::ostringstream out, err;
        args.insert(args.begin(), "--emulate");
        ASSERT_EQ(Ctl(args, out, err), kExitOk) << err.str();
    }
    void Start(std::vector<std::string> args) {
        watch = std::async(std::launch::async, [this, args] {
            std::ostream out(&text), err(&errors);
            return Ctl(args, out, err);
        });
    }
    int Stop(int signal) {
        ::kill(::getpid(), signal);
        return watch.get();
    }

    CTempHome home;
    sigset_t previousMask{};
    CliEnvironment environment{false, nullptr};
    CSharedText text, errors;
    std::future<int> watch;
};

TEST_F(WatchTest, FollowsPlugsLinkAndEventsUntilInterrupted) {
    Start({"--emulate=cable", "watch"});
    size_t at = text.WaitFor("watching");
    ASSERT_NE(at, std::string::npos) << errors.Text();
    std::string start = text.Text();
    EXPECT_NE(start.find("arrived   mouse, cable, configuration interface: emulated/cable-if1"),
              std::string::npos)
        << start;
    EXPECT_NE(start.find("mouse: available"), std::string::npos);

    Other({"emulator", "set", "receiver", "plugged"});
    ASSERT_NE(at = text.WaitFor("arrived   mouse, receiver, configuration interface", at),
              std::string::npos)
        << text.Text();
    Other({"emulator", "set", "cable", "unplugged"});
    ASSERT_NE(at = text.WaitFor("switched  mouse now through the receiver", at), std::string::npos)
        << text.Text();
    ASSERT_NE(text.WaitFor("removed   mouse, cable, event interface", at), std::string::npos);
    Other({"emulator", "event", "0x0401"});
    ASSERT_NE(at = text.WaitFor("event     mouse 0x0401 (receiver, report 030104)", at),
              std::string::npos)
        << text.Text();
    // The link poll finds out within its period.
    Other({"emulator", "set", "link", "off"});
    ASSERT_NE(at = text.WaitFor("mouse: unavailable", at), std::string::npos) << text.Text();
    Other({"emulator", "set", "link", "on"});
    ASSERT_NE(at = text.WaitFor("mouse: available", at), std::string::npos) << text.Text();

    EXPECT_EQ(Stop(SIGINT), kExitOk);
    // One line per happening: the event was heard once.
    std::string all = text.Text();
    EXPECT_EQ(all.find("0x0401"), all.rfind("0x0401")) << all;
}

TEST_F(WatchTest, JsonLinesThroughTheReceiver) {
    Start({"--emulate=receiver", "--json", "watch"});
    size_t at = text.WaitFor("\"event\":\"ready\"");
    ASSERT_NE(at, std::string::npos) << errors.Text();
    ASSERT_NE(at = text.WaitFor("\"event\":\"available\"", at), std::string::npos) << text.Text();
    // A second terminal's call keeps the receiver this watch started with.
    Other({"emulator", "event", "0x1002"});
    ASSERT_NE(text.WaitFor("\"code\":\"0x1002\"", at), std::string::npos) << text.Text();
    EXPECT_EQ(Stop(SIGTERM), kExitOk);

    std::istringstream lines(text.Text());
    std::string line;
    std::vector<Json::Value> events;
    while (std::getline(lines, line)) {
        Json::Value value;
        std::string errorText;
        std::istringstream in(line);
        ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &value, &errorText))
            << line;
        ASSERT_TRUE(value.isObject()) << line;
        events.push_back(value);
    }
    auto find = [&](const std::string& event) {
        return std::find_if(events.begin(), events.end(),
                            [&](const Json::Value& v) { return v["event"] == event; });
    };
    auto arrived = find("arrived");
    ASSERT_NE(arrived, events.end());
    EXPECT_EQ((*arrived)["connection"], "receiver");
    EXPECT_EQ((*arrived)["device"], "mouse");
    auto report = find("report");
    ASSERT_NE(report, events.end());
    EXPECT_EQ((*report)["connection"], "receiver");
    EXPECT_EQ((*report)["report"], "030210");
    EXPECT_EQ(find("switched"), events.end());
}

TEST_F(WatchTest, EmulatorEventRefusals) {
    std::ostringstream out, err;
    EXPECT_EQ(Ctl({"--emulate", "emulator", "event", "0x10000"}, out, err), kExitUsage);
    EXPECT_EQ(Ctl({"--emulate", "emulator", "event", "dpi-up"}, out, err), kExitUsage);
    EXPECT_EQ(Ctl({"emulator", "event", "0x0401"}, out, err), kExitUsage);
    EXPECT_EQ(Ctl({"--emulate", "emulator", "event", "1025"}, out, err), kExitOk) << err.str();
}

}  // namespace
