#pragma once

// The one seam through which every layer talks to the administrator: messages, questions,
// input boxes, beeps and the busy cursor. The program installs one that shows Qt boxes titled
// "Tarnbeck"; tests install a scripted one, so no test ever blocks on a modal box.

#include <string>

namespace tarnbeck {

class Prompter {
public:
    virtual ~Prompter() = default;
    // A plain message with an OK button.
    virtual void message(const std::string &text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool confirm(const std::string &text) = 0;
    // An input box; false when cancelled. `value` holds the proposal on entry.
    virtual bool input(const std::string &title, const std::string &prompt, std::string &value) = 0;
    virtual void beep() = 0;
    // The hourglass cursor; pushes nest.
    virtual void pushBusyCursor() = 0;
    virtual void popBusyCursor() = 0;
};

// The prompter in force (never null; until one is installed, messages go to standard error and
// questions are answered No).
Prompter &prompter();
void installPrompter(Prompter *prompter);

// For its lifetime, every message shown is followed on a line of its own by `detail`, so a
// message raised deep inside a step says where it arose. Questions and the rest pass unchanged.
class MessageDetail : public Prompter {
  public:
    explicit MessageDetail(std::string detail);
    ~MessageDetail() override;
    MessageDetail(const MessageDetail &) = delete;
    MessageDetail &operator=(const MessageDetail &) = delete;

    void message(const std::string &text) override;
    bool confirm(const std::string &text) override { return outer_.confirm(text); }
    bool input(const std::string &title, const std::string &prompt, std::string &value) override {
        return outer_.input(title, prompt, value);
    }
    void beep() override { outer_.beep(); }
    void pushBusyCursor() override { outer_.pushBusyCursor(); }
    void popBusyCursor() override { outer_.popBusyCursor(); }

  private:
    Prompter &outer_;
    std::string detail_;
};

// Shows the hourglass for its lifetime, on every way out.
class BusyCursor {
public:
    BusyCursor() { prompter().pushBusyCursor(); }
    ~BusyCursor() { prompter().popBusyCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace tarnbeck
