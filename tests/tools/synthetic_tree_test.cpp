#include "client_session.h"
#include "platform/dsclient/embedded/tree_error.h"
#include "synthetic_tree.h"
#include "temp_dir.h"
#include "tree_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <sstream>

namespace tarnbeck {

using namespace dsclient::embedded;

namespace {

using namespace dsclient;

std::string GenerateAndDump(const TempDir &dir, const std::string &name, std::uint32_t users,
                            std::uint64_t seed) {
    GenerateTree(dir.file(name), users, seed);
    std::ostringstream dump;
    DumpStore(dir.file(name), dump);
    return dump.str();
}

TreeConfig Bench(const TempDir &dir, const std::string &name, std::string identity) {
    TreeConfig config;
    config.name = std::string(kBenchTreeName);
    config.store = dir.file(name);
    config.identity = std::move(identity);
    return config;
}

TEST(SyntheticLayout, HasTheBigUnitAndRealisticUnitsAddingUpToTheUsers) {
    for (std::uint32_t users : {1u, 199u, 5000u, 9999u, 10000u, 25000u, 1000000u}) {
        auto layout = SyntheticLayout(users, 7);
        std::uint32_t total = 0;
        for (std::size_t i = 0; i < layout.size(); ++i) {
            total += layout[i].users;
            bool big = layout[i].name == kBigUnit;
            EXPECT_EQ(big, i == 0 && users >= kBigUnitUsers) << users;
            if (big) {
                EXPECT_EQ(layout[i].users, kBigUnitUsers);
            } else if (i + 1 < layout.size()) {
                EXPECT_TRUE(layout[i].users >= 200 && layout[i].users <= 2000) << users;
            }
            EXPECT_GT(layout[i].users, 0u);
        }
        EXPECT_EQ(total, users);
    }
    EXPECT_EQ(SyntheticLayout(25000, 7).size(), SyntheticLayout(25000, 7).size());
}

TEST(SyntheticTree, SameSeedGivesTheSameTreeAndAnotherSeedAnother) {
    TempDir dir;
    std::string first = GenerateAndDump(dir, "a.db", 300, 11);
    std::string again = GenerateAndDump(dir, "b.db", 300, 11);
    std::string other = GenerateAndDump(dir, "c.db", 300, 12);
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, again);
    EXPECT_NE(first, other);
    EXPECT_NE(first.find("user-300"), std::string::npos);
    EXPECT_EQ(first.find("user-301"), std::string::npos);
}

TEST(SyntheticTree, HoldsTheUsersValuesAndSupervisorTheBenchmarksNeed) {
    TempDir dir;
    GenerateSummary summary = GenerateTree(dir.file("t.db"), 2500, 3);
    EXPECT_EQ(summary.users, 2500u);
    ClientSession session({Bench(dir, "t.db", std::string(kBenchAdmin))});

    auto users =
        session.search(kBenchOrganization, DS_SEARCH_SUBTREE, EqualsText("Object Class", "User"));
    EXPECT_EQ(users.size(), 2501u); // and Admin.Bench
    auto berlin = session.search(kBenchOrganization, DS_SEARCH_SUBTREE, EqualsText("L", "Berlin"));
    EXPECT_GT(berlin.size(), 2500u * 25 / 100);
    EXPECT_LT(berlin.size(), 2500u * 35 / 100);
    auto disabled = session.search(kBenchOrganization, DS_SEARCH_SUBTREE,
                                   EqualsBoolean("Login Disabled", true));
    EXPECT_GT(disabled.size(), 0u);
    EXPECT_LT(disabled.size(), 2500u / 10);
    EXPECT_EQ(
        session.search(kBenchOrganization, DS_SEARCH_SUBTREE, EqualsText("CN", "user-10*")).size(),
        11u + 100u); // user-10, user-100..109, user-1000..1099

    auto members = session.texts("Berlin Users.Bench", "Member");
    EXPECT_FALSE(members.empty());
    for (const auto &member : members)
        EXPECT_EQ(session.texts(member, "L"), std::vector<std::string>{"Berlin"}) << member;

    AttrValue member{SYN_DIST_NAME, Text{users.front()}};
    EXPECT_EQ(session.modify(kBenchGroup, DS_ADD_VALUE, "Member", &member), status::Ok);
}

TEST(SyntheticTree, RefusesImpossibleSizesWithoutWritingAFile) {
    TempDir dir;
    for (std::uint32_t users : {0u, kMaxGeneratedUsers + 1}) {
        EXPECT_THROW(GenerateTree(dir.file("n.db"), users, 1), TreeError);
        EXPECT_FALSE(std::filesystem::exists(dir.file("n.db")));
    }
}

TEST(TreePasswd, SetsAPasswordTheClientAccepts) {
    TempDir dir;
    GenerateTree(dir.file("p.db"), 1, 1);
    SetStorePassword(dir.file("p.db"), kBenchAdmin, "s3cret pass");
    EXPECT_THROW(SetStorePassword(dir.file("p.db"), "Nobody.Bench", "x"), TreeError);
    EXPECT_THROW(SetStorePassword(dir.file("missing.db"), kBenchAdmin, "x"), TreeError);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.db")));

    ClientSession session({Bench(dir, "p.db", "")});
    EXPECT_EQ(Login(session.context(), 0, kBenchAdmin, "s3cret", 0), status::FailedAuthentication);
    EXPECT_EQ(Login(session.context(), 0, kBenchAdmin, "s3cret pass", 0), status::Ok);
}

} // namespace
} // namespace tarnbeck
