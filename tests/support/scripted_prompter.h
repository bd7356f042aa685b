#pragma once

// A prompter for tests: every box the code shows must have been expected, in order, and every
// expected box must appear before the prompter goes away. It also logs what was shown and
// tracks the busy cursor so tests can prove it is restored on every path.

#include "directory/prompter.h"

#include <deque>
#include <string>
#include <vector>

namespace tarnbeck::testing {

enum class BoxKind { Message, Confirm, Input, Beep };

struct ShownBox {
    BoxKind kind;
    std::string text;
};

class ScriptedPrompter : public Prompter {
public:
    ScriptedPrompter();  // installs itself
    ~ScriptedPrompter() override; // uninstalls; fails the test for unused expectations

    ScriptedPrompter &expectMessage(std::string text);
    // A message that holds `part` somewhere (for texts partly made by other layers).
    ScriptedPrompter &expectMessageContaining(std::string part);
    ScriptedPrompter &expectConfirm(std::string text, bool answer);
    // `answer` empty with accept false: the box is cancelled.
    ScriptedPrompter &expectInput(std::string prompt, std::string answer, bool accept = true);
    ScriptedPrompter &expectBeep();
    // Beeps are often incidental; when ignored they are logged but need no expectation.
    void ignoreBeeps(bool ignore = true) { ignoreBeeps_ = ignore; }

    const std::vector<ShownBox> &shown() const { return shown_; }
    int busyDepth() const { return busyDepth_; }
    int busyPushes() const { return busyPushes_; }
    bool allUsed() const { return expected_.empty(); }

    void message(const std::string &text) override;
    bool confirm(const std::string &text) override;
    bool input(const std::string &title, const std::string &prompt, std::string &value) override;
    void beep() override;
    void pushBusyCursor() override;
    void popBusyCursor() override;

private:
    struct Expected {
        BoxKind kind;
        std::string text;
        std::string answerText;
        bool answer = false;
        bool partial = false;
    };
    Expected take(BoxKind kind, const std::string &text);

    std::deque<Expected> expected_;
    std::vector<ShownBox> shown_;
    int busyDepth_ = 0;
    int busyPushes_ = 0;
    bool ignoreBeeps_ = false;
};

} // namespace tarnbeck::testing
