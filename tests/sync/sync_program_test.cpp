// tarnbeck-sync run as the scheduler runs it: a process on a tree of its own, judged by its exit
// status, its output and what it left in the tree.

#include "../tools/temp_dir.h"
#include "client_session.h"
#include "ldap_trees.h"
#include "membership/run_lock.h"
#include "platform/dsclient/embedded/sqlite_db.h"
#include "platform/dsclient/embedded/tree_builder.h"
#include "platform/journal/journal_db.h"
#include "sync/sync_run.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
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
constexpr const char *kEverything = "Everything.Trouble.Corp";
constexpr const char *kOdd = "Odd.People.Corp"; // renamed below to hold a control character

std::string User(char city, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "%c%02d.People.Corp", city, number);
    return name;
}

std::string Query(const std::string &filter) {
    return "q:ldap:///ou=people.o=corp??sub?" + filter;
}

constexpr const char *kMany = "Many.Groups.Corp";

std::string ManyUser(int number) {
    char name[32];
    std::snprintf(name, sizeof name, "m%04d.People.Corp", number);
    return name;
}

// 30 users in Berlin (b01..), 25 in Paris (p01..); four maintained groups, one that is not.
// With `many`, that many more users, every other one in Ulm, and a group whose members are
// the others but whose query finds those in Ulm: its Update removes and adds in turn.
void BuildTree(const std::string &path, int many = 0) {
    TreeBuilder tree(path, kTree);
    tree.addObject("Corp", "Organization", {{"O", CiString("Corp")}});
    tree.addObject("Admin.Corp", "User", {{"CN", CiString("Admin")}, {"Surname", CiString("A")}});
    tree.addObject("Admins.Corp", "Group", {{"CN", CiString("Admins")}});
    tree.addObject("People.Corp", "Organizational Unit", {{"OU", CiString("People")}});
    tree.addObject("Groups.Corp", "Organizational Unit", {{"OU", CiString("Groups")}});
    tree.addObject("Trouble.Corp", "Organizational Unit", {{"OU", CiString("Trouble")}});
    for (int i = 1; i <= 30; ++i)
        tree.addObject(User('b', i), "User",
                       {{"Surname", CiString("B")}, {"L", CiString("Berlin")}});
    for (int i = 1; i <= 25; ++i)
        tree.addObject(User('p', i), "User",
                       {{"Surname", CiString("P")}, {"L", CiString("Paris")}});

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
    tree.addObject(
        kParis, "Group",
        {{"L", CiString(Query("(&(objectclass=user)(l=Paris))"))}, {"L", CiString("s:7")}});
    tree.addMember(kParis, User('b', 11));
    tree.addObject("Plain.Groups.Corp", "Group", {{"L", CiString("Berlin")}});
    // The older form: one value without prefix, the settings (Add mode) in its last digit.
    tree.addObject("Legacy.Groups.Corp", "Group",
                   {{"L", CiString("ldap:///ou=people.o=corp??sub?(l=Paris)7")}});

    tree.addObject(
        kBroken, "Group",
        {{"L", CiString(Query("(&(objectclass=user)(l=Berlin)"))}, {"L", CiString("s:6")}});
    tree.addMember(kBroken, User('b', 12));
    // Its query finds nobody: all 25 members would go.
    tree.addObject(
        kEmptied, "Group",
        {{"L", CiString(Query("(&(objectclass=user)(l=Nowhere))"))}, {"L", CiString("s:6")}});
    for (int i = 1; i <= 25; ++i)
        tree.addMember(kEmptied, User('b', i));

    // Its query finds the whole tree, and a user whose name no directory takes.
    tree.addObject(kOdd, "User", {{"Surname", CiString("X")}});
    tree.addObject(
        kEverything, "Group",
        {{"L", CiString("q:ldap:///o=corp??sub?(objectclass=*)")}, {"L", CiString("s:7")}});

    if (many > 0) {
        tree.addObject(
            kMany, "Group",
            {{"L", CiString(Query("(&(objectclass=user)(l=Ulm))"))}, {"L", CiString("s:6")}});
        for (int i = 1; i <= many; ++i) {
            tree.addObject(ManyUser(i), "User",
                           {{"Surname", CiString("M")}, {"L", CiString(i % 2 ? "Ulm" : "Hof")}});
            if (i % 2 == 0)
                tree.addMember(kMany, ManyUser(i));
        }
    }
    tree.setSupervisors("Admin.Corp", "Admins.Corp");
    tree.setPassword("Admin.Corp", kPassword);
    tree.finish();

    // No request can make such a name; another server's tree may hold one.
    std::unique_ptr<Database> db;
    ASSERT_EQ(Database::Open(path, Database::Mode::ReadWrite, db), dsclient::status::Ok);
    ASSERT_EQ(db->Execute("UPDATE objects SET name = 'Odd' || char(1) || '.People.Corp' "
                          "WHERE name = 'Odd.People.Corp'"),
              dsclient::status::Ok);
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
    // A server takes no name with a control character: before the tree is served, the store's
    // odd user gets a plain one.
    void servePlainly() {
        std::unique_ptr<Database> db;
        ASSERT_EQ(Database::Open(dir_.file("corp.db"), Database::Mode::ReadWrite, db),
                  dsclient::status::Ok);
        ASSERT_EQ(db->Execute("UPDATE objects SET name = 'Odd.People.Corp' WHERE name = 'Odd' "
                              "|| char(1) || '.People.Corp'"),
                  dsclient::status::Ok);
    }
    void SetUp() override {
        BuildTree(dir_.file("corp.db"), many_);
        std::ofstream(dir_.file("dsclient.ini")) << "[Client]\nPrimary=CORP_TREE\n"
                                                    "[Tree CORP_TREE]\nStore=corp.db\n"
                                                    "Identity=Admin.Corp\n";
        ::chmod(dir_.file("dsclient.ini").c_str(), 0644);
    }

    // Runs the program with `args` (no quoting needed: the names here have no blanks).
    Outcome sync(const std::string &args) {
        const std::string command = "XDG_RUNTIME_DIR='" + dir_.file("run") +
                                    "' TARNBECK_JOURNAL='" + journal_ + "' '" +
                                    TARNBECK_SYNC_PROGRAM + "' --config '" +
                                    dir_.file("dsclient.ini") + "' --tree CORP_TREE " + args +
                                    " >'" + dir_.file("out") + "' 2>'" + dir_.file("err") + "'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(dir_.file("out")),
                Slurp(dir_.file("err"))};
    }

    std::vector<std::string> texts(const std::string &object, const std::string &attribute) {
        ClientSession session({served_
                                   ? *served_
                                   : dsclient::TreeConfig{kTree, "embedded", dir_.file("corp.db"),
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

    // Member and Equivalent To Me of the group, Group Membership and Security Equals of every
    // user, one line each.
    std::string dump(const std::string &group) {
        ClientSession session({served_
                                   ? *served_
                                   : dsclient::TreeConfig{kTree, "embedded", dir_.file("corp.db"),
                                                          "Admin.Corp", "", "", kTree}});
        std::string text;
        const auto add = [&](const std::string &object, const char *attribute) {
            auto values = session.texts(object, attribute);
            std::sort(values.begin(), values.end());
            text += object + " " + attribute + ":";
            for (const std::string &value : values)
                text += " " + value;
            text += "\n";
        };
        add(group, "Member");
        add(group, "Equivalent To Me");
        for (char city : {'b', 'p'})
            for (int i = 1; i <= (city == 'b' ? 30 : 25); ++i) {
                add(User(city, i), "Group Membership");
                add(User(city, i), "Security Equals");
            }
        return text;
    }

    TempDir dir_;
    int many_ = 0; // users of the group kMany
    std::string journal_ = dir_.file("journal.db");
    std::optional<dsclient::TreeConfig> served_; // the tree as the LDAP tests serve it
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
    EXPECT_TRUE(whollyMember(kBerlin, User('p', 25)));  // static
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

// Whatever a query finds besides users is listed, never written; a name no directory takes
// leaves the others written and ends the run in error, naming it.
TEST_F(SyncProgramTest, OnlyUsersAreAddedAndAnIllegalNameIsReportedNotFatal) {
    const Outcome run = sync(std::string("--apply --group ") + kEverything);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("Everything.Trouble.Corp: illegal name, not added: "
                           "Odd\\x01.People.Corp"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("56 to add, 0 to remove, 0 excluded, 0 static, 13 not addable"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("! Corp  (cannot be a member: class Organization; found by query 1)"),
              std::string::npos);
    EXPECT_NE(run.out.find("! Everything.Trouble.Corp  (cannot be a member: the group itself"),
              std::string::npos);
    EXPECT_NE(run.out.find("(cannot be a member: illegal name; found by query 1)"),
              std::string::npos);
    EXPECT_NE(run.out.find("applied: 56 members written"), std::string::npos);
    EXPECT_TRUE(whollyMember(kEverything, User('p', 7)));
    for (const char *refused : {"Corp", "People.Corp", "Admins.Corp", kBerlin, kEverything})
        EXPECT_TRUE(texts(refused, "Security Equals").empty()) << refused;

    const Outcome csv = sync(std::string("--format csv --group ") + kEverything);
    EXPECT_NE(csv.out.find("Everything.Trouble.Corp,not addable,Corp,cannot be a member: class "
                           "Organization; found by query 1\r\n"),
              std::string::npos)
        << csv.out;
}

TEST_F(SyncProgramTest, TheAdditionBrakeHoldsAGroupBack) {
    const Outcome run = sync(std::string("--apply --max-additions 10 --group ") + kParis);
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_NE(run.out.find("held back by the brake: adds 25 to 1 members"), std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find("Paris.Groups.Corp: held back by the brake (adds 25 to 1 members)"),
              std::string::npos);
    EXPECT_EQ(texts(kParis, "Member").size(), 1u);

    EXPECT_EQ(sync(std::string("--apply --max-additions 30 --group ") + kParis).status, 0);
    EXPECT_EQ(texts(kParis, "Member").size(), 26u);
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
    const auto legacy = run.out.find("Legacy.Groups.Corp (Add mode): 0 kept, 25 to add");
    EXPECT_LT(berlin, legacy) << run.out;
    EXPECT_LT(legacy, paris);
    EXPECT_EQ(run.out.find("Plain.Groups.Corp"), std::string::npos); // holds no stored queries
}

TEST_F(SyncProgramTest, ASecondRunOnTheSameGroupDoesNotWrite) {
    setenv("XDG_RUNTIME_DIR", dir_.file("run").c_str(), 1);
    std::string problem;
    // The same group, spelt otherwise, of the same store under another tree name, as the window
    // or a run with another configuration would hold it.
    dsclient::TreeConfig other;
    other.name = "OTHER_NAME";
    other.store = dir_.file("./corp.db");
    const auto held = RunLock::Acquire(other, "paris.groups.corp", problem);
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

TEST_F(SyncProgramTest, ALockDirectoryOthersCouldUseIsRefusedAndLeftAlone) {
    const std::string lockDirectory = dir_.file("run") + "/tarnbeck";
    const std::string victim = dir_.file("victim");
    const auto refused = [&](const std::string &why) {
        const Outcome run = sync(std::string("--apply --group ") + kParis);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("Paris.Groups.Corp: the lock directory " + lockDirectory + why),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(texts(kParis, "Member").size(), 1u);
    };
    ASSERT_EQ(::mkdir(dir_.file("run").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(victim.c_str(), 0755), 0);
    ASSERT_EQ(::symlink(victim.c_str(), lockDirectory.c_str()), 0);
    refused(" is a link or not a directory");
    struct stat info {};
    ASSERT_EQ(::stat(victim.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u); // not made 0700, and nothing put inside
    EXPECT_TRUE(std::filesystem::is_empty(victim));

    ASSERT_EQ(::unlink(lockDirectory.c_str()), 0);
    ASSERT_EQ(::mkdir(lockDirectory.c_str(), 0777), 0);
    ::chmod(lockDirectory.c_str(), 0777);
    refused(" may be used by others (mode 0777)");
    if (::geteuid() == 0) {
        ::chmod(lockDirectory.c_str(), 0700);
        ASSERT_EQ(::chown(lockDirectory.c_str(), 65534, 65534), 0);
        refused(" belongs to another user");
    }
}

TEST_F(SyncProgramTest, ConfigurationOthersMayChangeIsRefused) {
    const std::string client = dir_.file("dsclient.ini");
    const auto refused = [&](const std::string &file, const std::string &why) {
        const Outcome run = sync(std::string("--apply --group ") + kParis);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("the configuration file " + file + why), std::string::npos)
            << run.err;
        EXPECT_EQ(run.out, "");
    };
    ::chmod(client.c_str(), 0664);
    refused(client, " may be changed by others (mode 0664)");
    ::chmod(client.c_str(), 0646);
    refused(client, " may be changed by others (mode 0646)");
    ::chmod(client.c_str(), 0644);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(client.c_str(), 65534, 65534), 0);
        refused(client, " belongs to another user (uid 65534)");
        ASSERT_EQ(::chown(client.c_str(), 0, 0), 0);
    }
    EXPECT_EQ(texts(kParis, "Member").size(), 1u);

    // The program's own settings file, where the brake is set.
    const std::string program = dir_.file("program") + "/";
    std::filesystem::create_directory(program);
    std::ofstream(program + "Tarnbeck.ini") << "[SYSTEM]\nRemovalBrakeCount=1000\n";
    ::chmod((program + "Tarnbeck.ini").c_str(), 0666);
    SyncOptions options;
    options.tree = kTree;
    options.groups = {kParis};
    options.configFile = client;
    std::ostringstream out, err;
    EXPECT_EQ(RunSync(options, program, out, err), 1);
    EXPECT_NE(err.str().find("the configuration file " + program +
                             "Tarnbeck.ini may be changed by others (mode 0666)"),
              std::string::npos)
        << err.str();
}

// A directory server on loopback that takes connections and requests and never answers.
class SilentServer {
  public:
    SilentServer() : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr *>(&address), length) == 0 &&
            ::listen(fd_, 8) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(fd_); }
    SilentServer(const SilentServer &) = delete;
    SilentServer &operator=(const SilentServer &) = delete;
    int port() const { return port_; }

  private:
    int fd_;
    int port_ = 0;
};

TEST_F(SyncProgramTest, MaxTimeEndsARunThatAServerHoldsAndNamesTheGroup) {
    const SilentServer server;
    ASSERT_NE(server.port(), 0);
    // Each answer may take ten minutes; the run may take one second.
    std::ofstream(dir_.file("dsclient.ini"), std::ios::app)
        << "[Tree SLOW_TREE]\nBackend=ldap\nUri=ldap://127.0.0.1:" << server.port()
        << "\nBase=o=Corp\nIdentity=Admin.Corp\nTimeoutSeconds=600\n";
    const std::string command = "XDG_RUNTIME_DIR='" + dir_.file("run") + "' '" +
                                TARNBECK_SYNC_PROGRAM + "' --config '" + dir_.file("dsclient.ini") +
                                "' --tree SLOW_TREE --apply --max-time 1s --group Paris.Groups"
                                " --group Berlin.Groups 2>'" +
                                dir_.file("err") + "'";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    const std::string err = Slurp(dir_.file("err"));
    EXPECT_NE(err.find("--max-time 1s reached"), std::string::npos) << err;
    EXPECT_NE(err.find("Paris.Groups"), std::string::npos) << err;
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
    EXPECT_NE(wrong.err.find("login as Admin.Corp failed with the password in " + file),
              std::string::npos)
        << wrong.err;
}

TEST_F(SyncProgramTest, AWrongPasswordInTheTreesPasswordFileNamesTheIdentityAndTheFile) {
    servePlainly();
    const dsclient::TreeConfig served = testing::ServeOnLdap(
        {kTree, "embedded", dir_.file("corp.db"), "Admin.Corp", "", "", kTree}, dir_.file(""));
    const std::string file = dir_.file("corp.pw");
    std::ofstream(file) << "wrong\n";
    ::chmod(file.c_str(), 0600);
    std::ofstream(dir_.file("dsclient.ini"))
        << "[Client]\nPrimary=CORP_TREE\n[Tree CORP_TREE]\nBackend=ldap\nUri=" << served.uri
        << "\nBase=" << served.base << "\nIdentity=Admin.Corp\nPasswordFile=" << file << "\n";
    const Outcome run = sync(std::string("--group ") + kParis);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("login as Admin.Corp failed with the password in " + file),
              std::string::npos)
        << run.err;
}

// Every applied group is a run in the journal, and --history lists them newest first.
TEST_F(SyncProgramTest, ApplyIsJournalledAndHistoryListsIt) {
    EXPECT_EQ(sync(std::string("--apply --group ") + kParis).status, 0);
    EXPECT_EQ(sync(std::string("--apply --group ") + kBerlin).status, 0);
    EXPECT_EQ(sync(std::string("--group ") + kBerlin).status, 0); // a dry run is no run

    const Outcome json = sync("--history --format json");
    EXPECT_EQ(json.status, 0) << json.err;
    ASSERT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 2) << json.out;
    EXPECT_EQ(json.out.rfind("{\"run\":2,\"time\":\"", 0), 0u) << json.out;
    EXPECT_NE(
        json.out.find("\"tree\":\"CORP_TREE\",\"group\":\"Berlin.Groups.Corp\",\"program\":"
                      "\"runner 1.03\",\"identity\":\"Admin.Corp\",\"outcome\":\"completed\""),
        std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("{\"name\":\"p01.People.Corp\",\"action\":\"remove\",\"reason\":"
                            "\"current member not found\",\"outcome\":\"written\"}"),
              std::string::npos);
    EXPECT_NE(json.out.find("{\"name\":\"p25.People.Corp\",\"action\":\"add\",\"reason\":"
                            "\"on the static list\",\"outcome\":\"written\"}"),
              std::string::npos);

    const Outcome member = sync("--history --format csv --member b11.people.corp");
    EXPECT_EQ(member.out, "run,time,tree,group,program,identity,run outcome,action,name,reason,"
                          "outcome\r\n" +
                              member.out.substr(member.out.find("\r\n") + 2));
    EXPECT_EQ(std::count(member.out.begin(), member.out.end(), '\n'), 2) << member.out;
    EXPECT_NE(member.out.find(",Berlin.Groups.Corp,runner 1.03,Admin.Corp,completed,add,"
                              "b11.People.Corp,found by query 1,written\r\n"),
              std::string::npos)
        << member.out;

    const Outcome text = sync(std::string("--history --group ") + kParis + " --since 2020-01-01");
    EXPECT_NE(text.out.find("run 1  "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("  + p07.People.Corp  (found by query 1)  written\n"),
              std::string::npos);
    EXPECT_EQ(text.out.find("run 2"), std::string::npos);
    EXPECT_EQ(sync("--history --since 2999-01-01").out, "");
}

TEST_F(SyncProgramTest, AJournalThatCannotBeWrittenStopsTheRunBeforeItsFirstWrite) {
    journal_ = dir_.file("not-a-file");
    std::filesystem::create_directories(journal_);
    const std::vector<std::string> before = texts(kBerlin, "Member");
    const Outcome apply = sync(std::string("--apply --group ") + kBerlin);
    EXPECT_EQ(apply.status, 1);
    EXPECT_NE(apply.err.find("journal"), std::string::npos) << apply.err;
    EXPECT_NE(apply.err.find("nothing written"), std::string::npos) << apply.err;
    EXPECT_EQ(texts(kBerlin, "Member"), before);
}

TEST_F(SyncProgramTest, UndoPlansThenRestoresEveryMembershipAttributeExactly) {
    const std::string before = dump(kBerlin);
    ASSERT_EQ(sync(std::string("--apply --group ") + kBerlin).status, 0);
    const std::string applied = dump(kBerlin);
    ASSERT_NE(applied, before);

    const Outcome plan = sync("--undo 1");
    EXPECT_EQ(plan.status, 2) << plan.err;
    EXPECT_NE(plan.out.find("- b11.People.Corp  (undoes run 1: found by query 1)"),
              std::string::npos)
        << plan.out;
    EXPECT_NE(plan.out.find("+ p01.People.Corp  (undoes run 1: current member not found)"),
              std::string::npos);
    EXPECT_EQ(dump(kBerlin), applied);

    const Outcome undo = sync("--undo 1 --apply");
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(dump(kBerlin), before);
    const Outcome history = sync("--history --format json");
    EXPECT_EQ(history.out.rfind("{\"run\":2,", 0), 0u) << history.out;
    EXPECT_NE(history.out.find("\"undoes\":1,"), std::string::npos);
    EXPECT_NE(history.out.find("\"reason\":\"undoes run 1\",\"outcome\":\"written\""),
              std::string::npos);

    // Run 2 changed every name again: undoing run 1 once more leaves them alone.
    const Outcome again = sync("--undo 1 --apply");
    EXPECT_EQ(again.status, 0);
    EXPECT_NE(again.err.find("b11.People.Corp was changed again by run 2; left alone"),
              std::string::npos)
        << again.err;
    EXPECT_EQ(dump(kBerlin), before);
    EXPECT_EQ(sync("--undo 9").status, 1);
}

TEST_F(SyncProgramTest, ExplainGivesTodaysReasonAndTheJournalsRuns) {
    const auto explain = [&](const std::string &member) {
        return sync(std::string("--explain --group ") + kBerlin + " --member " + member);
    };
    Outcome b11 = explain("b11.people.corp");
    EXPECT_EQ(b11.status, 0) << b11.err;
    EXPECT_EQ(b11.out, "b11.People.Corp is not a member of Berlin.Groups.Corp; the next Update "
                       "adds it: found by query 1\n  the journal holds no run that changed it "
                       "there\n");
    ASSERT_EQ(sync(std::string("--apply --group ") + kBerlin).status, 0);
    b11 = explain("b11.People.Corp");
    EXPECT_EQ(b11.out.rfind("b11.People.Corp is a member of Berlin.Groups.Corp and stays: found "
                            "by query 1; current member\n  run 1 on ",
                            0),
              0u)
        << b11.out;
    EXPECT_NE(b11.out.find(" by runner 1.03 as Admin.Corp: add (found by query 1), written\n"),
              std::string::npos);
    const Outcome p01 = explain("p01.People.Corp");
    EXPECT_NE(p01.out.find("p01.People.Corp is not a member of Berlin.Groups.Corp: not found by "
                           "any query\n"),
              std::string::npos)
        << p01.out;
    EXPECT_NE(p01.out.find(": remove (current member not found), written\n"), std::string::npos);
    EXPECT_NE(explain("Admin.Corp").out.find("not found by any query\n"), std::string::npos);
    EXPECT_NE(explain("Groups.Corp")
                  .out.find("its class Organizational Unit is not one this "
                            "group takes (User)"),
              std::string::npos);
    EXPECT_NE(explain("Nobody.Corp").out.find("there is no such object"), std::string::npos);
    const Outcome json = sync(std::string("--explain --format json --group ") + kBerlin +
                              " --member b30.People.Corp");
    EXPECT_NE(json.out.find("\"isMember\":false,\"mark\":\"excluded\",\"reason\":\"found by "
                            "query 1; on the exclude list\""),
              std::string::npos)
        << json.out;
}

TEST_F(SyncProgramTest, ASavedPlanIsAppliedExactlyAsReviewed) {
    const std::string file = dir_.file("plan.json");
    const Outcome save =
        sync(std::string("--save-plan ") + file + " --group " + kBerlin + " --group " + kParis);
    EXPECT_EQ(save.status, 2) << save.err;
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string document = Slurp(file);
    EXPECT_NE(document.find("\"group\":\"Berlin.Groups.Corp\",\"mode\":\"sync\",\"fingerprint\":"),
              std::string::npos)
        << document;
    EXPECT_NE(document.find("{\"name\":\"b11.People.Corp\",\"action\":\"add\",\"sides\":["
                            "\"Member\",\"Equivalent To Me\",\"Group Membership\",\"Security "
                            "Equals\"],\"reason\":\"found by query 1\"}"),
              std::string::npos);
    EXPECT_FALSE(whollyMember(kBerlin, User('b', 11)));

    const Outcome apply = sync("--apply-plan " + file);
    EXPECT_EQ(apply.status, 0) << apply.err;
    EXPECT_TRUE(whollyMember(kBerlin, User('b', 11)));
    EXPECT_TRUE(whollyMember(kParis, User('p', 13)));
    const std::string history = sync("--history --format json").out;
    EXPECT_EQ(std::count(history.begin(), history.end(), '\n'), 2);
}

TEST_F(SyncProgramTest, ApplyPlanWritesNothingOfAGroupWhoseInputsChanged) {
    const std::string file = dir_.file("plan.json");
    const auto session = [&] {
        return std::make_unique<ClientSession>(std::vector<dsclient::TreeConfig>{
            {kTree, "embedded", dir_.file("corp.db"), "Admin.Corp", "", "", kTree}});
    };
    const auto save = [&] {
        ASSERT_EQ(
            sync(std::string("--save-plan ") + file + " --group " + kBerlin + " --group " + kParis)
                .status,
            2);
    };
    const std::vector<std::string> berlin = texts(kBerlin, "Member");
    // A found user's L: b05 moves to Paris (Paris itself is still as planned).
    save();
    {
        const auto s = session();
        const dsclient::AttrValue berlinL = CiString("Berlin"), parisL = CiString("Paris");
        ASSERT_EQ(s->modify(User('b', 5), dsclient::DS_REMOVE_VALUE, "L", &berlinL), 0);
        ASSERT_EQ(s->modify(User('b', 5), dsclient::DS_ADD_VALUE, "L", &parisL), 0);
    }
    Outcome apply = sync("--apply-plan " + file);
    EXPECT_EQ(apply.status, 4) << apply.err;
    EXPECT_NE(apply.err.find("Berlin.Groups.Corp: the tree changed since the plan was made"),
              std::string::npos)
        << apply.err;
    EXPECT_EQ(texts(kBerlin, "Member"), berlin);
    EXPECT_NE(apply.err.find("Paris.Groups.Corp"), std::string::npos); // Paris changed too

    // The group's Member: one value more.
    save();
    {
        const auto s = session();
        const dsclient::AttrValue member = DistName(User('p', 20));
        ASSERT_EQ(s->modify(kBerlin, dsclient::DS_ADD_VALUE, "Member", &member), 0);
    }
    apply = sync("--apply-plan " + file);
    EXPECT_EQ(apply.status, 4) << apply.err;
    EXPECT_FALSE(whollyMember(kBerlin, User('b', 11)));

    // The group's stored queries: the plan's fingerprint no longer matches.
    save();
    {
        const auto s = session();
        const dsclient::AttrValue setting = CiString("s:6"), other = CiString("s:4");
        ASSERT_EQ(s->modify(kBerlin, dsclient::DS_REMOVE_VALUE, "L", &setting), 0);
        ASSERT_EQ(s->modify(kBerlin, dsclient::DS_ADD_VALUE, "L", &other), 0);
    }
    EXPECT_EQ(sync("--apply-plan " + file).status, 4);
    EXPECT_FALSE(whollyMember(kBerlin, User('b', 11)));
}

TEST_F(SyncProgramTest, APlanFileEditedOldOrForAnotherTreeIsRefused) {
    const std::string file = dir_.file("plan.json");
    ASSERT_EQ(sync(std::string("--save-plan ") + file + " --group " + kBerlin).status, 2);
    const std::string document = Slurp(file);
    const auto refusedWith = [&](const std::string &text, const std::string &args) {
        std::ofstream(dir_.file("edited.json"), std::ios::binary) << text;
        const Outcome outcome = sync("--apply-plan " + dir_.file("edited.json") + args);
        EXPECT_EQ(outcome.status, 1);
        return outcome.err;
    };
    std::string added = document;
    added.insert(added.find("{\"name\":\"b11"), "{\"name\":\"Admin.Corp\",\"action\":\"add\","
                                                "\"sides\":[],\"reason\":\"x\"},");
    EXPECT_NE(refusedWith(added, "").find("changed after it was made"), std::string::npos);
    std::string fingerprint = document;
    const std::size_t at = fingerprint.find("\"fingerprint\":\"") + 15;
    fingerprint[at] = fingerprint[at] == '0' ? '1' : '0';
    EXPECT_NE(refusedWith(fingerprint, "").find("changed after it was made"), std::string::npos);
    EXPECT_NE(refusedWith("{\"format\":", "").find("does not parse"), std::string::npos);
    EXPECT_NE(refusedWith(document, " --tree OTHER_TREE").find("the plan is for tree CORP_TREE"),
              std::string::npos);
    ::sleep(2);
    EXPECT_NE(refusedWith(document, " --max-age 1").find("longer ago than --max-age 1s"),
              std::string::npos);
    EXPECT_FALSE(whollyMember(kBerlin, User('b', 11)));
}

// The same runs with the tree on a directory server (the test's own slapd on 127.0.0.1).
class SyncOnLdapTest : public SyncProgramTest {
  protected:
    void SetUp() override {
        SyncProgramTest::SetUp();
        serveOnLdap();
    }
    void serveOnLdap() {
        servePlainly();
        served_ = testing::ServeOnLdap(
            {kTree, "embedded", dir_.file("corp.db"), "Admin.Corp", "", "", kTree}, dir_.file(""));
        std::ofstream ini(dir_.file("dsclient.ini"), std::ios::trunc);
        ini << "[Client]\nPrimary=CORP_TREE\n[Tree CORP_TREE]\nBackend=ldap\nUri=" << served_->uri
            << "\nBase=" << served_->base << "\nIdentity=" << served_->identity
            << "\nPasswordFile=" << served_->passwordFile << "\n";
        if (!served_->attributeMap.empty())
            ini << "AttributeMap=" << served_->attributeMap << "\n";
    }

    // Starts tarnbeck-sync --apply on `group` (with `more` arguments) and kills it `delay`
    // microseconds after its run `run` is in the journal.
    void runAndKill(const char *group, std::vector<const char *> more, journal::RunId run,
                    useconds_t delay) {
        const std::string config = dir_.file("dsclient.ini");
        std::vector<const char *> arguments = {"tarnbeck-sync", "--config", config.c_str(),
                                               "--tree",        kTree,      "--group",
                                               group,           "--apply",  "--quiet"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        arguments.push_back(nullptr);
        std::fflush(stdout);
        const pid_t child = ::fork();
        if (child == 0) {
            ::setenv("XDG_RUNTIME_DIR", dir_.file("run").c_str(), 1);
            ::setenv("TARNBECK_JOURNAL", journal_.c_str(), 1);
            std::freopen("/dev/null", "w", stdout);
            std::freopen("/dev/null", "w", stderr);
            ::execv(TARNBECK_SYNC_PROGRAM, const_cast<char *const *>(arguments.data()));
            ::_exit(127);
        }
        for (int wait = 0; wait < 20000; ++wait) { // at most some 20 s for a loaded machine
            const auto opened = journal::JournalDb::Open(journal_, std::nullopt);
            if (opened.journal && !opened.journal->history({"", "", "", run, 0}).empty())
                break;
            ::usleep(1000);
        }
        ::usleep(delay);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
    }
};

TEST_F(SyncOnLdapTest, UndoAfterAnApplyRestoresEveryMembershipAttributeExactly) {
    const std::string before = dump(kBerlin);
    const Outcome apply = sync(std::string("--apply --group ") + kBerlin);
    ASSERT_EQ(apply.status, 0) << apply.err;
    ASSERT_NE(dump(kBerlin), before);
    const Outcome history = sync("--history --format json");
    EXPECT_NE(history.out.find("\"outcome\":\"completed\""), std::string::npos) << history.out;
    const Outcome undo = sync("--undo 1 --apply");
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(dump(kBerlin), before);
}

// Killed at a random moment, the run leaves a journal from which its undo reverses exactly
// what it wrote: a server takes each write as it comes, so changes still pending are judged by
// what the directory shows.
TEST_F(SyncOnLdapTest, UndoOfAKilledRunReversesOnlyWhatItWrote) {
    const std::string before = dump(kBerlin);
    const unsigned seed = std::random_device()();
    std::printf("kill moment drawn with seed %u\n", seed);
    std::mt19937 random(seed);
    // Once the run is in the journal, the walk begins: the kill falls somewhere in it.
    runAndKill(kBerlin, {}, 1, std::uniform_int_distribution<useconds_t>(0, 40000)(random));

    const Outcome history = sync("--history --format json");
    if (history.out.empty()) { // killed before its first write
        EXPECT_EQ(dump(kBerlin), before);
        return;
    }
    std::printf("%s\n", history.out.substr(0, history.out.find(",\"changes\"")).c_str());
    const bool cutShort = history.out.find("\"outcome\":\"cut short\"") != std::string::npos;
    EXPECT_TRUE(cutShort || history.out.find("\"outcome\":\"completed\"") != std::string::npos);
    const Outcome undo = sync("--undo 1 --apply");
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(dump(kBerlin), before);
}

// tarnbeck-sync killed at random moments of a bulk Update of a few thousand members, on both
// trees: each time the journal, once the killed run is read back, says exactly which members it
// wrote and on which sides, and its undo restores every membership side as it was before.
class KilledSyncTest : public SyncOnLdapTest, public ::testing::WithParamInterface<bool> {
  protected:
    static constexpr int kUsers = 1600;
    void SetUp() override {
        many_ = kUsers;
        SyncProgramTest::SetUp();
        if (GetParam())
            serveOnLdap();
    }

    using Sides = std::set<std::string>;
    // The sides of kMany each user holds (the group's two as read from it).
    std::map<std::string, Sides> held() {
        ClientSession session({served_
                                   ? *served_
                                   : dsclient::TreeConfig{kTree, "embedded", dir_.file("corp.db"),
                                                          "Admin.Corp", "", "", kTree}});
        std::map<std::string, Sides> sides;
        for (int i = 1; i <= kUsers; ++i)
            sides[ManyUser(i)];
        for (const char *attribute : {"Member", "Equivalent To Me"})
            for (const std::string &user : session.texts(kMany, attribute))
                sides[user].insert(attribute);
        for (int i = 1; i <= kUsers; ++i)
            for (const char *attribute : {"Group Membership", "Security Equals"}) {
                const auto values = session.texts(ManyUser(i), attribute);
                if (std::find(values.begin(), values.end(), kMany) != values.end())
                    sides[ManyUser(i)].insert(attribute);
            }
        return sides;
    }

    // Starts the run and kills it `delay` microseconds after it is in the journal.
    void runAndKill(journal::RunId run, useconds_t delay) {
        SyncOnLdapTest::runAndKill(kMany, {"--max-removals", "100000", "--max-additions", "100000"},
                                   run, delay);
        // A server finishes the modifies a dead client left on the wire.
        if (served_)
            ::usleep(300000);
    }
};

TEST_P(KilledSyncTest, TheJournalOfAKilledRunSaysExactlyWhatItWroteAndItsUndoRestoresAll) {
    const std::map<std::string, Sides> before = held();
    const Sides all = {"Member", "Equivalent To Me", "Group Membership", "Security Equals"};
    const unsigned seed = std::random_device()();
    std::printf("kill moments drawn with seed %u\n", seed);
    std::mt19937 random(seed);
    // The writes take about this long; some kills fall after the end.
    const useconds_t span = GetParam() ? 600000 : 60000;
    for (int trial = 0; trial < 4; ++trial) {
        journal::RunId run = 1;
        if (const auto opened = journal::JournalDb::Open(journal_, std::nullopt); opened.journal)
            if (const auto runs = opened.journal->history({}); !runs.empty())
                run = runs.front().id + 1;
        runAndKill(run, std::uniform_int_distribution<useconds_t>(0, span)(random));
        // The undo's plan reads back what the run left pending.
        const Outcome plan = sync("--undo " + std::to_string(run));
        ASSERT_NE(plan.status, kSyncError) << plan.err;
        const auto opened = journal::JournalDb::Open(journal_, std::nullopt);
        ASSERT_NE(opened.journal, nullptr) << opened.problem;
        const journal::RunRow account = opened.journal->history({"", "", "", run, 0}).at(0);
        const std::map<std::string, Sides> now = held();
        int written = 0, partly = 0, wrong = 0;
        for (const journal::ChangeRow &change : account.changes) {
            Sides sides;
            if (change.outcome == "written" && change.sides.empty())
                sides = all;
            for (std::size_t at = 0; at < change.sides.size();) {
                const std::size_t comma =
                    std::min(change.sides.find(", ", at), change.sides.size());
                sides.insert(change.sides.substr(at, comma - at));
                at = comma + 2;
            }
            written += change.outcome == "written";
            partly += !change.sides.empty();
            Sides expected = sides;
            if (change.action == "remove") {
                expected.clear();
                std::set_difference(all.begin(), all.end(), sides.begin(), sides.end(),
                                    std::inserter(expected, expected.end()));
            }
            const bool right = (change.outcome == "written" || change.outcome == "not written") &&
                               now.at(change.name) == expected;
            wrong += !right;
            if (!right)
                ADD_FAILURE() << "trial " << trial << ": " << change.name << " " << change.action
                              << " " << journal::OutcomeText(account, change) << "; holds "
                              << now.at(change.name).size() << " sides";
        }
        std::printf("trial %d: run %s, %d of %zu written (%d on some sides)\n", trial + 1,
                    account.outcome.c_str(), written, account.changes.size(), partly);
        EXPECT_EQ(wrong, 0) << "trial " << trial;
        // Nobody outside the run was touched.
        for (const auto &[user, sides] : now) {
            if (!std::any_of(account.changes.begin(), account.changes.end(),
                             [&](const journal::ChangeRow &c) { return c.name == user; })) {
                EXPECT_EQ(sides, before.at(user)) << user;
            }
        }

        const Outcome undo = sync("--undo " + std::to_string(run) +
                                  " --apply --max-removals 100000 "
                                  "--max-additions 100000");
        EXPECT_EQ(undo.status, kSyncNothingToDo) << undo.err;
        ASSERT_EQ(held(), before) << "trial " << trial;
    }
}

INSTANTIATE_TEST_SUITE_P(Trees, KilledSyncTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return info.param ? "Ldap" : "Embedded";
                         });

} // namespace
} // namespace tarnbeck
