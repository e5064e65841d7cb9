// SPDX-License-Identifier: GPL-2.0-or-later

#include "cli/CliVerbs.h"

#include <CLI/CLI.hpp>

void CCliVerbs::Bind(CLI::App* command, CliNeeds needs, CliHandler run) {
    m_verbs.push_back(std::make_unique<CliVerb>(CliVerb{needs, std::move(run)}));
    const CliVerb* verb = m_verbs.back().get();
    command->callback([this, verb] {
        if (!m_chosen)
            m_chosen = verb;
    });
}
