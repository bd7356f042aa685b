#pragma once

// A prompter for fuzz runs: every message is swallowed and every question answered No.

#include "directory/prompter.h"

namespace tarnbeck::testing {

class QuietPrompter : public Prompter {
  public:
    void message(const std::string &) override {}
    bool confirm(const std::string &) override { return false; }
    bool input(const std::string &, const std::string &, std::string &) override { return false; }
    void beep() override {}
    void pushBusyCursor() override {}
    void popBusyCursor() override {}
};

} // namespace tarnbeck::testing
