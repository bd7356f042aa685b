#pragma once

// A tree with a group and a few users, and readers that give attribute values as plain texts.

#include "directory/values_reader.h"
#include "test_tree.h"

#include <string>
#include <vector>

namespace tarnbeck::testing {

using Texts = std::vector<std::string>;

class MembershipTree : public TreeTest {
  protected:
    void SetUp() override {
        TreeTest::SetUp();
        add("Staff.Acme", "Group");
        for (const char *user : {"Ann.Acme", "Bob.Acme", "Cy.Acme", "Di.Acme"})
            add(user, "User", UserValues());
    }

    Texts values(const std::string &object, const std::string &attribute) {
        Texts texts;
        for (const auto &item : ReadValues(context, object, attribute))
            texts.push_back(item.text);
        return texts;
    }
    // Both sides of the membership and of the equivalence, as one line per side.
    Texts membershipOf(const std::string &user) {
        return {Join(values(user, "Group Membership")), Join(values(user, "Security Equals"))};
    }
    static std::string Join(const Texts &texts) {
        std::string joined;
        for (const auto &text : texts)
            joined += (joined.empty() ? "" : "|") + text;
        return joined;
    }
};

} // namespace tarnbeck::testing
