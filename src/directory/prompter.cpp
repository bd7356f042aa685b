#include "directory/prompter.h"

#include <iostream>

namespace tarnbeck {
namespace {

class StandardErrorPrompter : public Prompter {
public:
    void message(const std::string &text) override { std::cerr << "Tarnbeck: " << text << '\n'; }
    bool confirm(const std::string &text) override {
        std::cerr << "Tarnbeck: " << text << " (answered No)\n";
        return false;
    }
    bool input(const std::string &, const std::string &, std::string &) override { return false; }
    void beep() override {}
    void pushBusyCursor() override {}
    void popBusyCursor() override {}
};

StandardErrorPrompter fallbackPrompter;
Prompter *current = &fallbackPrompter;

} // namespace

Prompter &prompter() { return *current; }

void installPrompter(Prompter *prompter) { current = prompter ? prompter : &fallbackPrompter; }

MessageDetail::MessageDetail(std::string detail) : outer_(prompter()), detail_(std::move(detail)) {
    installPrompter(this);
}

MessageDetail::~MessageDetail() {
    installPrompter(&outer_);
}

void MessageDetail::message(const std::string &text) {
    outer_.message(text + "\n" + detail_);
}

} // namespace tarnbeck
