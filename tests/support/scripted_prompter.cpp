#include "scripted_prompter.h"

#include <gtest/gtest.h>

namespace tarnbeck::testing {
namespace {
const char *kindName(BoxKind kind) {
    switch (kind) {
    case BoxKind::Message: return "message";
    case BoxKind::Confirm: return "confirm";
    case BoxKind::Input: return "input";
    case BoxKind::Beep: return "beep";
    }
    return "?";
}
} // namespace

ScriptedPrompter::ScriptedPrompter() { installPrompter(this); }

ScriptedPrompter::~ScriptedPrompter() {
    installPrompter(nullptr);
    for (const auto &e : expected_)
        ADD_FAILURE() << "expected " << kindName(e.kind) << " \"" << e.text << "\" never shown";
    EXPECT_EQ(busyDepth_, 0) << "busy cursor left on";
}

ScriptedPrompter &ScriptedPrompter::expectMessage(std::string text) {
    expected_.push_back({BoxKind::Message, std::move(text), {}, true});
    return *this;
}
ScriptedPrompter &ScriptedPrompter::expectMessageContaining(std::string part) {
    expected_.push_back({BoxKind::Message, std::move(part), {}, true, true});
    return *this;
}
ScriptedPrompter &ScriptedPrompter::expectConfirm(std::string text, bool answer) {
    expected_.push_back({BoxKind::Confirm, std::move(text), {}, answer});
    return *this;
}
ScriptedPrompter &ScriptedPrompter::expectInput(std::string prompt, std::string answer,
                                                bool accept) {
    expected_.push_back({BoxKind::Input, std::move(prompt), std::move(answer), accept});
    return *this;
}
ScriptedPrompter &ScriptedPrompter::expectBeep() {
    expected_.push_back({BoxKind::Beep, {}, {}, true});
    return *this;
}

ScriptedPrompter::Expected ScriptedPrompter::take(BoxKind kind, const std::string &text) {
    shown_.push_back({kind, text});
    if (expected_.empty()) {
        ADD_FAILURE() << "unexpected " << kindName(kind) << " \"" << text << "\"";
        return {kind, text, {}, false};
    }
    Expected e = expected_.front();
    expected_.pop_front();
    EXPECT_EQ(kindName(e.kind), std::string(kindName(kind))) << "for \"" << text << "\"";
    if (e.partial)
        EXPECT_NE(text.find(e.text), std::string::npos) << "\"" << text << "\"";
    else
        EXPECT_EQ(e.text, text);
    return e;
}

void ScriptedPrompter::message(const std::string &text) { take(BoxKind::Message, text); }

bool ScriptedPrompter::confirm(const std::string &text) {
    return take(BoxKind::Confirm, text).answer;
}

bool ScriptedPrompter::input(const std::string &, const std::string &prompt, std::string &value) {
    Expected e = take(BoxKind::Input, prompt);
    if (e.answer)
        value = e.answerText;
    return e.answer;
}

void ScriptedPrompter::beep() {
    if (ignoreBeeps_) {
        shown_.push_back({BoxKind::Beep, {}});
        return;
    }
    take(BoxKind::Beep, {});
}

void ScriptedPrompter::pushBusyCursor() {
    ++busyDepth_;
    ++busyPushes_;
}
void ScriptedPrompter::popBusyCursor() {
    EXPECT_GT(busyDepth_, 0) << "busy cursor popped more often than pushed";
    --busyDepth_;
}

} // namespace tarnbeck::testing
