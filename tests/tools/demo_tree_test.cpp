#include "client_session.h"
#include "platform/dsclient/embedded/demo_tree.h"
#include "platform/dsclient/embedded/tree_error.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

namespace tarnbeck {

using namespace dsclient::embedded;

namespace {

using namespace dsclient;
namespace fs = std::filesystem;

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::set<std::string> LoweredSet(const std::vector<std::string> &texts) {
    std::set<std::string> set;
    for (const auto &text : texts)
        set.insert(Lowered(text));
    return set;
}

// "ou=sales.o=acme" -> "sales.o=acme" -> "sales.acme": the typeless name of a query context.
std::string TypelessName(const std::string &context) {
    std::string name;
    std::size_t start = 0;
    while (start <= context.size()) {
        std::size_t dot = context.find('.', start);
        std::string component = context.substr(start, dot - start);
        std::size_t equals = component.find('=');
        if (!name.empty())
            name += '.';
        name += equals == std::string::npos ? component : component.substr(equals + 1);
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    return name;
}

class DemoTree : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        WriteDemoTrees(dir_->file("demo.db"));
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }

    static TreeConfig Demo(std::string identity) {
        TreeConfig config;
        config.name = std::string(kDemoTreeName);
        config.store = dir_->file("demo.db");
        config.identity = std::move(identity);
        return config;
    }
    static TreeConfig Lab() {
        TreeConfig config;
        config.name = std::string(kLabTreeName);
        config.store = dir_->file("lab.db");
        return config;
    }

    std::vector<std::string> groups(ClientSession &session) {
        auto filter = EqualsText("Object Class", "Group");
        filter.push_back({FTOK_OR, {}, 0});
        for (const auto &token : EqualsText("Object Class", "Workstation Group"))
            filter.push_back(token);
        filter.push_back({FTOK_OR, {}, 0});
        for (const auto &token : EqualsText("Object Class", "zenWorkstationGroup"))
            filter.push_back(token);
        return session.search("[Root]", DS_SEARCH_SUBTREE, filter);
    }

    static TempDir *dir_;
};
TempDir *DemoTree::dir_ = nullptr;

TEST_F(DemoTree, KnownGroupsHoldTheirStoredQueriesAndLists) {
    ClientSession session({Demo(std::string(kDemoAdmin))});
    EXPECT_EQ(LoweredSet(session.texts("Sales Team.Sales.Acme", "L")),
              LoweredSet({"q:ldap:///ou=sales.o=acme??sub?(&(objectclass=user)(l=Berlin))",
                          "q:ldap:///ou=berlin office.l=berlin.o=acme??one?"
                          "(&(objectclass=user)(title=Sales Representative))",
                          "s:6"}));
    EXPECT_EQ(session.texts("Sales Team.Sales.Acme", "See Also").size(), 1u);
    EXPECT_EQ(session.texts("Sales Team.Sales.Acme", "Owner").size(), 1u);
    EXPECT_EQ(session.texts("Berlin Staff.Acme", "L").size(), 3u);
    EXPECT_EQ(LoweredSet(session.texts("Berlin Staff.Acme", "L")).count("s:7"), 1u);
    // The older single-value form: no prefix, the settings in the last character.
    auto legacy = session.texts("Legacy Admins.IT.Acme", "L");
    ASSERT_EQ(legacy.size(), 1u);
    EXPECT_TRUE(legacy[0].starts_with("ldap:///"));
    EXPECT_EQ(legacy[0].back(), '7');
    EXPECT_TRUE(session.texts("Empty Group.Acme", "Member").empty());
    EXPECT_FALSE(session.texts("Lab Machines.Workstations.Acme", "L").empty());
    EXPECT_FALSE(session.texts("Berlin Workstations.Workstations.Acme", "Member").empty());
}

TEST_F(DemoTree, EveryStoredQueryNamesAnExistingContextAndValidSettings) {
    ClientSession session({Demo(std::string(kDemoAdmin))});
    unsigned queries = 0;
    for (const std::string &group : groups(session)) {
        std::vector<std::string> values = session.texts(group, "L");
        unsigned settings = 0;
        for (const std::string &value : values) {
            std::string lowered = Lowered(value);
            if (lowered.starts_with("s:")) {
                ++settings;
                int number = std::stoi(value.substr(2));
                EXPECT_TRUE(number >= 0 && number <= 15) << group << ": " << value;
                continue;
            }
            std::string query = lowered.starts_with("q:") ? value.substr(2) : value;
            ASSERT_TRUE(query.starts_with("ldap:///")) << group << ": " << value;
            std::size_t fields = query.find("??");
            ASSERT_NE(fields, std::string::npos) << value;
            std::string context = Lowered(query.substr(8, fields - 8));
            if (context.starts_with("t="))
                EXPECT_EQ(context, "t=" + Lowered(std::string(kDemoTreeName)));
            else
                EXPECT_NO_THROW(session.entryFlags(TypelessName(context))) << value;
            std::string filter = query.substr(query.find('?', fields + 2) + 1);
            EXPECT_EQ(std::count(filter.begin(), filter.end(), '('),
                      std::count(filter.begin(), filter.end(), ')'))
                << value;
            ++queries;
        }
        if (values.size() > 1) {
            EXPECT_EQ(settings, 1u) << group;
        }
    }
    EXPECT_GE(queries, 10u);
}

TEST_F(DemoTree, MembershipIsWrittenOnBothSides) {
    ClientSession session({Demo(std::string(kDemoAdmin))});
    unsigned memberships = 0;
    for (const std::string &group : groups(session)) {
        auto equivalentToGroup = LoweredSet(session.texts(group, "Equivalent To Me"));
        for (const std::string &member : session.texts(group, "Member")) {
            EXPECT_EQ(LoweredSet(session.texts(member, "Group Membership")).count(Lowered(group)),
                      1u)
                << member << " in " << group;
            EXPECT_EQ(LoweredSet(session.texts(member, "Security Equals")).count(Lowered(group)),
                      1u)
                << member << " in " << group;
            EXPECT_EQ(equivalentToGroup.count(Lowered(member)), 1u) << member << " in " << group;
            ++memberships;
        }
    }
    EXPECT_GE(memberships, 90u);
}

TEST_F(DemoTree, SomeUsersAreUnixAndSomeOfThoseMacAccounts) {
    ClientSession session({Demo(std::string(kDemoAdmin))});
    auto posix =
        session.search("Acme", DS_SEARCH_SUBTREE, EqualsText("Object Class", "posixAccount"));
    auto apple =
        session.search("Acme", DS_SEARCH_SUBTREE, EqualsText("Object Class", "apple-user"));
    auto users = session.search("Acme", DS_SEARCH_SUBTREE, EqualsText("Object Class", "User"));
    EXPECT_GE(users.size(), 300u);
    EXPECT_GT(posix.size(), 10u);
    EXPECT_LT(posix.size(), users.size());
    EXPECT_GT(apple.size(), 0u);
    EXPECT_LT(apple.size(), posix.size());
    auto posixSet = LoweredSet(posix);
    for (const auto &name : apple)
        EXPECT_EQ(posixSet.count(Lowered(name)), 1u) << name;
    for (const auto &name : posix) {
        EXPECT_EQ(session.values(name, "uidNumber").size(), 1u) << name;
        EXPECT_EQ(session.texts(name, "uid").size(), 1u) << name;
    }
}

TEST_F(DemoTree, UsersCarryRealisticValues) {
    ClientSession session({Demo(std::string(kDemoAdmin))});
    auto disabled =
        session.search("Acme", DS_SEARCH_SUBTREE, EqualsBoolean("Login Disabled", true));
    EXPECT_GT(disabled.size(), 0u);
    EXPECT_LT(disabled.size(), 100u);
    auto berlin = session.search("Sales.Acme", DS_SEARCH_SUBTREE, EqualsText("L", "Berlin"));
    EXPECT_GT(berlin.size(), 0u) << "the Sales Team query would find nobody";

    // A name with an escaped dot.
    EXPECT_EQ(session.texts("j\\.doe.Sales.Acme", "CN"), std::vector<std::string>{"j.doe"});

    auto home = session.values("j\\.doe.Sales.Acme", "Home Directory");
    ASSERT_EQ(home.size(), 1u);
    const auto &path = std::get<Path>(home[0].data);
    EXPECT_EQ(Lowered(path.volumeName), "acme-fs1_sys.acme");
    EXPECT_EQ(path.path, "users\\j.doe");
    EXPECT_EQ(session.list("Workstations.Acme").size(), 42u); // 40 stations and two groups
}

TEST_F(DemoTree, VolumeNamesItsServerAndAliasesTheirObjects) {
    ClientSession session({Demo(std::string(kDemoAdmin))});
    EXPECT_EQ(LoweredSet(session.texts("ACME-FS1_SYS.Acme", "Host Server")),
              LoweredSet({"ACME-FS1.Acme"}));
    EXPECT_EQ(session.texts("ACME-FS1_SYS.Acme", "Host Resource Name"),
              std::vector<std::string>{"SYS"});
    for (const char *alias : {"Helpdesk.Acme", "All Sales.Acme", "Eng.Acme"}) {
        EXPECT_TRUE(session.entryFlags(alias) & DS_ALIAS_ENTRY) << alias;
        auto target = session.texts(alias, "Aliased Object Name");
        ASSERT_EQ(target.size(), 1u) << alias;
        EXPECT_NO_THROW(session.entryFlags(target[0])) << alias;
    }
    EXPECT_TRUE(session.entryFlags("Eng.Acme") & DS_CONTAINER_ALIAS);
}

TEST_F(DemoTree, OnlySupervisorsMayWrite) {
    AttrValue description{SYN_CI_STRING, Text{"written by a test"}};
    {
        ClientSession admin({Demo(std::string(kDemoAdmin))});
        EXPECT_EQ(admin.modify("Empty Group.Acme", DS_ADD_VALUE, "Description", &description),
                  status::Ok);
    }
    {
        // Members of the administrators group write through their equivalence.
        ClientSession probe({Demo(std::string(kDemoAdmin))});
        auto administrators = probe.texts(std::string(kDemoAdministrators), "Member");
        ASSERT_FALSE(administrators.empty());
        ClientSession member({Demo(administrators.front())});
        EXPECT_EQ(member.modify("Empty Group.Acme", DS_REMOVE_VALUE, "Description", &description),
                  status::Ok);
    }
    {
        ClientSession reader({Demo(std::string(kDemoReader))});
        EXPECT_EQ(reader.modify("Empty Group.Acme", DS_ADD_VALUE, "Description", &description),
                  status::NoAccess);
    }
}

TEST_F(DemoTree, DocumentedPasswordsLogIn) {
    ClientSession session({Demo(""), Lab()});
    EXPECT_EQ(Login(session.context(), 0, kDemoAdmin, kDemoAdminPassword, 0), status::Ok);
    EXPECT_EQ(Login(session.context(), 0, kDemoReader, kDemoReaderPassword, 0), status::Ok);
    EXPECT_EQ(Login(session.context(), 0, kDemoReader, "acme", 0), status::FailedAuthentication);
    ASSERT_EQ(SetContextValue(session.context(), DCK_TREE_NAME, kLabTreeName), status::Ok);
    EXPECT_EQ(Login(session.context(), 0, kLabAdmin, "wrong", 0), status::FailedAuthentication);
    EXPECT_EQ(Login(session.context(), 0, kLabAdmin, kLabAdminPassword, 0), status::Ok);
    EXPECT_FALSE(session.texts("Researchers.Research.Lab", "L").empty());
}

TEST(DemoTrees, RefuseToOverwriteAndWriteNothingThen) {
    TempDir dir;
    const std::string demo = dir.file("demo.db");
    std::ofstream(dir.file("lab.db")) << "keep";
    EXPECT_THROW(WriteDemoTrees(demo), TreeError);
    EXPECT_FALSE(fs::exists(demo));
    EXPECT_EQ(fs::file_size(dir.file("lab.db")), 4u);

    EXPECT_THROW(WriteDemoTrees(dir.file("lab.db")), TreeError);
    EXPECT_EQ(fs::file_size(dir.file("lab.db")), 4u);

    const std::string other = dir.file("other.db");
    std::ofstream(other) << "mine";
    fs::remove(dir.file("lab.db"));
    EXPECT_THROW(WriteDemoTrees(other), TreeError);
    EXPECT_FALSE(fs::exists(dir.file("lab.db")));
    EXPECT_EQ(fs::file_size(other), 4u);
}

} // namespace
} // namespace tarnbeck
