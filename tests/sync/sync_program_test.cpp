// tarnbeck-sync run as the scheduler runs it: a process on a tree of its own, judged by its exit
// status, its output and what it left in the tree.

#include "../tools/temp_dir.h"
#include "client_session.h"
#include "sync/run_lock.h"
#include "platform/dsclient/embedded/tree_builder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace tarnbeck {
namespace {

using namespace dsclient::embedded;

constexpr const char *kTree = "CORP_TREE";
constexpr const char *kPassword = "Sync-Pass-1";
constexpr const char *kBerlin = "Berlin.Groups.Corp";
constexpr const char *kParis = "Paris.Groups.Corp";
constexpr const char *kBroken = "Broken.Trouble.Corp";
constexpr const char *kEmptied = "Emptied.Trouble.Corp";

std::string User(char city, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "%c%02d.People.Corp", city, number);
    return name;
}

std::string Query(const std::string &filter) {
    return "q:ldap:///ou=people.o=corp??sub?" + filter;
}

// 30 users in Berlin (b01..), 25 in Paris (p01..); four maintained groups, one that is not.
void BuildTree(const std::string &path) {
    TreeBuilder tree(path, kTree);
    tree.addObject("Corp", "Organization", {{"O", CiString("Corp")}});
    tree.addObject("Admin.Corp", "User", {{"CN", CiString("Admin")}, {"Surname", CiString("A")}});
    tree.addObject("Admins.Corp", "Group", {{"CN", CiString("Admins")}});
    tree.addObject("People.Corp", "Organizational Unit", {{"OU", CiString("People")}});
    tree.addObject("Groups.Corp", "Organizational Unit", {{"OU", CiString("Groups")}});
    tree.addObject("Trouble.Corp", "Organizational Unit", {{"OU", CiString("Trouble")}});
    for (int i = 1; i <= 30; ++i)
        tree.addObject(User('b', i), "User", {{"Surname", CiString("B")}, {"L", CiString("Berlin")}});
    for (int i = 1; i <= 25; ++i)
        tree.addObject(User('p', i), "User", {{"Surname", CiString("P")}, {"L", CiString("Paris")}});

    // Sync with both lists: b01..b10 stay, p01..p05 go, p25 is static, b30 excluded.
    tree.addObject(kBerlin, "Group",
                   {{"L", CiString(Query("(&(objectclass=user)(l=Berlin))"))},
                    {"L", CiString("s:6")},
                    {"Owner", DistName(User('p', 25))},
                    {"See Also", DistName(User('b', 30))}});
    for (int i = 1; i <= 10; ++i)
        tree.addMember(kBerlin, User('b', i));
    for (int i = 1; i <= 5; ++i)
        tree.addMember(kBerlin, User('p', i));
    // Add mode: b11 stays although no query finds it.
    tree.addObject(kParis, "Group",
                   {{"L", CiString(Query("(&(objectclass=user)(l=Paris))"))}, {"L", CiString("s:7")}});
    tree.addMember(kParis, User('b', 11));
    tree.addObject("Plain.Groups.Corp", "Group", {{"L", CiString("Berlin")}});

    tree.addObject(kBroken, "Group",
                   {{"L", CiString(Query("(&(objectclass=user)(l=Berlin)"))}, {"L", CiString("s:6")}});
    tree.addMember(kBroken, User('b', 12));
    // Its query finds nobody: all 25 members would go.
    tree.addObject(kEmptied, "Group",
                   {{"L", CiString(Query("(&(objectclass=user)(l=Nowhere))"))}, {"L", CiString("s:6")}});
    for (int i = 1; i <= 25; ++i)
        tree.addMember(kEmptied, User('b', i));

    tree.setSupervisors("Admin.Corp", "Admins.Corp");
    tree.setPassword("Admin.Corp", kPassword);
    tree.finish();
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class SyncProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        BuildTree(dir_.file("corp.db"));
        std::ofstream(dir_.file("dsclient.ini")) << "[Client]\nPrimary=CORP_TREE\n"
                                                    "[Tree CORP_TREE]\nStore=corp.db\n"
                                                    "Identity=Admin.Corp\n";
    }

    // Runs the program with `args` (no quoting needed: the names here have no blanks).
    Outcome sync(const std::string &args) {
        const std::string command = "XDG_RUNTIME_DIR='" + dir_.file("run") + "' '" +
                                    TARNBECK_SYNC_PROGRAM + "' --config '" +
                                    dir_.file("dsclient.ini") + "' --tree CORP_TREE " + args +
                                    " >'" + dir_.file("out") + "' 2>'" + dir_.file("err") + "'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(dir_.file("out")),
                Slurp(dir_.file("err"))};
    }

    std::vector<std::string> texts(const std::string &object, const std::string &attribute) {
        ClientSession session({dsclient::TreeConfig{kTree, "embedded", dir_.file("corp.db"),
                                                    "Admin.Corp", "", "", kTree}});
        auto values = session.texts(object, attribute);
        std::sort(values.begin(), values.end());
        return values;
    }

    bool whollyMember(const std::string &group, const std::string &user) {
        const auto has = [](const std::vector<std::string> &values, const std::string &name) {
            return std::find(values.begin(), values.end(), name) != values.end();
        };
        return has(texts(group, "Member"), user) && has(texts(user, "Group Membership"), group) &&
               has(texts(user, "Security Equals"), group) &&
               has(texts(group, "Equivalent To Me"), user);
    }

    TempDir dir_;
};

TEST_F(SyncProgramTest, DryRunPlansInEachFormatAndWritesNothing) {
    const std::vector<std::string> before = texts(kBerlin, "Member");

    const Outcome text = sync(std::string("--group ") + kBerlin + " --group " + kParis);
    EXPECT_EQ(text.status, 2) << text.err;
    EXPECT_NE(text.out.find("Berlin.Groups.Corp (Sync mode): 10 kept, 19 to add, 5 to remove, "
                            "1 excluded, 1 static"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("+ b11.People.Corp  (found by query 1)"), std::string::npos);
    EXPECT_NE(text.out.find("- p01.People.Corp  (current member not found)"), std::string::npos);
    EXPECT_NE(text.out.find("+ p25.People.Corp  (on the static list)"), std::string::npos);
    EXPECT_EQ(text.out.find("b30.People.Corp"), std::string::npos); // excluded, never a member
    EXPECT_NE(text.out.find("Paris.Groups.Corp (Add mode): 1 kept, 25 to add"), std::string::npos);

    const Outcome json = sync(std::string("--format json --group ") + kParis);
    EXPECT_EQ(json.status, 2);
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 1);
    EXPECT_EQ(json.out.rfind("{\"group\":\"Paris.Groups.Corp\",\"mode\":\"add\",\"result\":"
                             "\"planned\",\"counts\":{\"keep\":1,\"add\":25,",
                             0),
              0u)
        << json.out;
    EXPECT_NE(json.out.find("{\"name\":\"p01.People.Corp\",\"mark\":\"add\",\"reason\":"
                            "\"found by query 1\"}"),
              std::string::npos);

    const Outcome csv = sync(std::string("--format csv --group ") + kParis);
    EXPECT_EQ(csv.status, 2);
    EXPECT_EQ(csv.out.rfind("group,action,name,reason\r\n", 0), 0u);
    EXPECT_NE(csv.out.find("Paris.Groups.Corp,add,p07.People.Corp,found by query 1\r\n"),
              std::string::npos);
    EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 26);

    EXPECT_EQ(texts(kBerlin, "Member"), before);
    EXPECT_EQ(texts(kParis, "Member"), std::vector<std::string>{User('b', 11)});
}

TEST_F(SyncProgramTest, ApplyWritesThePlanAndASecondRunFindsNothing) {
    const Outcome apply = sync(std::string("--apply --group ") + kBerlin + " --group " + kParis);
    EXPECT_EQ(apply.status, 0) << apply.err;
    EXPECT_NE(apply.out.find("applied: 25 members written"), std::string::npos) << apply.out;

    EXPECT_TRUE(whollyMember(kBerlin, User('b', 29)));
    EXPECT_TRUE(whollyMember(kBerlin, User('p', 25))); // static
    EXPECT_FALSE(whollyMember(kBerlin, User('b', 30))); // excluded
    // p01 left Berlin on every side (and joined Paris).
    EXPECT_EQ(texts(User('p', 1), "Security Equals"), std::vector<std::string>{kParis});
    EXPECT_EQ(texts(User('p', 1), "Group Membership"), std::vector<std::string>{kParis});
    EXPECT_TRUE(whollyMember(kParis, User('p', 13)));
    EXPECT_TRUE(whollyMember(kParis, User('b', 11))); // Add mode keeps him

    const Outcome again = sync(std::string("--group ") + kBerlin + " --group " + kParis);
    EXPECT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_EQ(std::count(again.out.begin(), again.out.end(), '+'), 0) << again.out;
    EXPECT_NE(again.out.find("nothing to change"), std::string::npos);
}

TEST_F(SyncProgramTest, TheBrakeHoldsAGroupBackAndTheNextOneIsApplied) {
    const Outcome run = sync(std::string("--apply --group ") + kEmptied + " --group " + kParis);
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_NE(run.out.find("held back by the brake: removes 25 of 25 members"), std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find("Emptied.Trouble.Corp: held back by the brake"), std::string::npos);
    EXPECT_EQ(texts(kEmptied, "Member").size(), 25u);
    EXPECT_TRUE(whollyMember(kParis, User('p', 1)));

    // A limit given on the command line replaces the settings' one.
    EXPECT_EQ(sync(std::string("--apply --max-removals 25 --group ") + kEmptied).status, 0);
    EXPECT_TRUE(texts(kEmptied, "Member").empty());
}

TEST_F(SyncProgramTest, AFailingQueryAppliesNothingOfItsGroupAndTheRunGoesOn) {
    const Outcome run = sync(std::string("--apply --group ") + kBroken + " --group " + kParis);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Broken.Trouble.Corp: query 1: "), std::string::npos) << run.err;
    // The report stays on one line, with the query's filter after the parser's message.
    const std::string line = run.err.substr(0, run.err.find('\n'));
    EXPECT_NE(line.find("in filter; Query 1, filter (&(objectclass=user)"), std::string::npos)
        << run.err;
    EXPECT_EQ(texts(kBroken, "Member"), std::vector<std::string>{User('b', 12)});
    EXPECT_TRUE(whollyMember(kParis, User('p', 1)));
}

TEST_F(SyncProgramTest, UnderRunsTheMaintainedGroupsInNameOrder) {
    const Outcome run = sync("--under Groups.Corp");
    EXPECT_EQ(run.status, 2) << run.err;
    const auto berlin = run.out.find("Berlin.Groups.Corp (");
    const auto paris = run.out.find("Paris.Groups.Corp (");
    EXPECT_NE(berlin, std::string::npos);
    EXPECT_LT(berlin, paris);
    EXPECT_EQ(run.out.find("Plain.Groups.Corp"), std::string::npos); // holds no stored queries
}

TEST_F(SyncProgramTest, ASecondRunOnTheSameGroupDoesNotWrite) {
    setenv("XDG_RUNTIME_DIR", dir_.file("run").c_str(), 1);
    std::string problem;
    // The same group, spelt otherwise, as the running process would hold it.
    const auto held = RunLock::Acquire("corp_tree", "paris.groups.corp", problem);
    unsetenv("XDG_RUNTIME_DIR");
    ASSERT_TRUE(held) << problem;

    const Outcome run = sync(std::string("--apply --group ") + kParis);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Paris.Groups.Corp: another run is updating this group"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(texts(kParis, "Member").size(), 1u);
    EXPECT_EQ(sync(std::string("--group ") + kParis).status, 2); // a dry run writes nothing
}

TEST_F(SyncProgramTest, APasswordFileMustBeTheOwnersAlone) {
    const std::string file = dir_.file("password");
    std::ofstream(file) << kPassword << "\n";
    ::chmod(file.c_str(), 0644);
    const std::string args = "--password-file '" + file + "' --group " + std::string(kParis);
    const Outcome loose = sync(args);
    EXPECT_EQ(loose.status, 1);
    EXPECT_NE(loose.err.find("readable by its owner only"), std::string::npos) << loose.err;
    EXPECT_EQ(loose.out, "");

    ::chmod(file.c_str(), 0600);
    EXPECT_EQ(sync(args).status, 2);

    std::ofstream(file) << "wrong\n";
    const Outcome wrong = sync(args);
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("login as Admin.Corp failed"), std::string::npos) << wrong.err;
}

} // namespace
} // namespace tarnbeck
