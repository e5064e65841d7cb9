// SPDX-License-Identifier: GPL-2.0-or-later
// Binds each kestrunectl verb to its handler. The subcommand's CLI11 callback records which verb
// was given, so nothing compares command names once the command line is parsed.
#pragma once

#include <functional>
#include <memory>
#include <vector>

namespace CLI {
class App;
}
struct CliSession;

using CliHandler = std::function<int(CliSession&)>;

// What a verb needs before its handler runs.
enum class CliNeeds {
    kFiles,           // the per-user files only: no device is looked for
    kDevices,         // the HID devices, the simulated mouse too with --emulate (saved after)
    kSimulatedMouse,  // the simulated mouse alone: --emulate is required
    kWatch,           // as kDevices, but the simulated mouse's state file is followed, not saved
};

struct CliVerb {
    CliNeeds needs;
    CliHandler run;
};

class CCliVerbs {
  public:
    CCliVerbs() = default;
    // The callbacks point here.
    CCliVerbs(const CCliVerbs&) = delete;
    CCliVerbs& operator=(const CCliVerbs&) = delete;

    // CLI11 runs a subcommand's callback before its parent's, so the innermost verb given wins:
    // "dpi set" over "dpi".
    void Bind(CLI::App* command, CliNeeds needs, CliHandler run);
    // The verb of the parsed command line; null when it named none.
    const CliVerb* Chosen() const { return m_chosen; }

    // Storage for a command's parsed arguments, alive as long as the verbs.
    template <typename T>
    T& Keep() {
        auto kept = std::make_shared<T>();
        m_kept.push_back(kept);
        return *kept;
    }

  private:
    std::vector<std::unique_ptr<CliVerb>> m_verbs;
    std::vector<std::shared_ptr<void>> m_kept;
    const CliVerb* m_chosen = nullptr;
};
