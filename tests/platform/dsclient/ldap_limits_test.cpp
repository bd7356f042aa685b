// A server that limits what one request may carry: a group's values then travel in smaller
// modifies, and a value the group refuses on its own is that member's refusal, not the run's.

#include "client_helpers.h"
#include "test_tree.h"

#include "platform/dsclient/embedded/store_admin.h"
#include "platform/dsclient/ldif/ldif_export.h"

#include <ldap.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>

namespace dsclient {
namespace {

using namespace testing;

constexpr int kUsers = 3000;
constexpr const char *kPassword = "Limits-Secret-1";
// Takes a modify of a hundred short DNs, not one of a thousand.
constexpr std::size_t kMaxRequestBytes = 8192;
// Kept.Big holds users 0 .. 199 and user 501 on all four sides.
constexpr int kKeptMembers = 200;
constexpr int kKeptForGood = 501;

std::string User(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "U%04d", i);
    return name;
}

// Every answer, in the order given.
class Answers : public MembershipWriteObserver {
  public:
    void Answered(std::size_t index, Status status) override {
        EXPECT_EQ(index, answers.size()) << "answered out of turn";
        answers.push_back(status);
    }
    bool StopRequested() override { return false; }
    std::vector<Status> answers;
};

class LimitedLdapTree : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        const std::string store = dir_->file("big.db");
        ASSERT_EQ(embedded::CreateStore(store, "BIG_TREE"), status::Ok);
        {
            std::unique_ptr<embedded::StoreAdmin> admin;
            ASSERT_EQ(embedded::StoreAdmin::Open(store, admin), status::Ok);
            ASSERT_EQ(admin->Begin(), status::Ok);
            ASSERT_EQ(admin->AddObject("Big", "Organization", {}), status::Ok);
            ASSERT_EQ(admin->AddObject("Admin.Big", "User", {{"Surname", CI("A")}}), status::Ok);
            for (const char *group : {"Staff.Big", "Guarded.Big"})
                ASSERT_EQ(admin->AddObject(group, "Group", {}), status::Ok);
            ASSERT_EQ(admin->AddObject("Kept.Big", "Group", {}), status::Ok);
            for (int i = 0; i < kUsers; ++i) {
                const std::string user = User(i) + ".Big";
                ASSERT_EQ(admin->AddObject(user, "User", {{"Surname", CI("S")}}), status::Ok);
                if (i < kKeptMembers || i == kKeptForGood) {
                    ASSERT_EQ(admin->AddValue("Kept.Big", "Member", DN(user)), status::Ok);
                    ASSERT_EQ(admin->AddValue(user, "Group Membership", DN("Kept.Big")),
                              status::Ok);
                    ASSERT_EQ(admin->AddSecurityEquivalence(user, "Kept.Big"), status::Ok);
                }
            }
            ASSERT_EQ(admin->Commit(), status::Ok);
            ASSERT_EQ(admin->SetPassword("Admin.Big", kPassword), status::Ok);
        }
        const std::string ldif = dir_->file("big.ldif");
        {
            std::ofstream out(ldif);
            std::string problem;
            ASSERT_EQ(ldap::ExportLdif(store, "", out, problem), status::Ok) << problem;
        }
        tarnbeck::SlapdOptions options{{tarnbeck::SlapdDatabase{"o=Big", {ldif}, false}},
                                       {"member eq"},
                                       "dn.exact=\"cn=Admin,o=Big\""};
        options.maxRequestBytes = kMaxRequestBytes;
        // One user may never be listed by the guarded group.
        // One user may never be listed by the guarded group, another never leave the kept one.
        options.accessRules = {"to dn.exact=\"cn=Guarded,o=Big\" attrs=member "
                               "val.regex=\"^cn=U0500,o=Big$\" by * read",
                               "to dn.exact=\"cn=Kept,o=Big\" attrs=member "
                               "val.regex=\"^cn=U0501,o=Big$\" by * read"};
        slapd_ = new tarnbeck::PrivateSlapd(options);
    }
    static void TearDownTestSuite() {
        delete slapd_;
        delete dir_;
        slapd_ = nullptr;
        dir_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(slapd_);
        TreeConfig tree;
        tree.name = "BIG_TREE";
        tree.backend = "ldap";
        tree.uri = slapd_->uri();
        tree.identity = "Admin.Big";
        tree.passwordFile = dir_->file("admin.pw");
        std::ofstream(tree.passwordFile) << kPassword << "\n";
        chmod(tree.passwordFile.c_str(), 0600);
        tree.timeoutSeconds = 10;
        ClientConfig config;
        config.primaryTree = tree.name;
        config.trees = {tree};
        OverrideClientConfig(config);
        ASSERT_EQ(CallsInitialize(), status::Ok);
        ASSERT_EQ(CreateContext(context_), status::Ok);
    }
    void TearDown() override {
        CallsTerminate();
        OverrideClientConfig(std::nullopt);
    }

    static std::vector<MembershipWrite> Writes(int from, int to, bool add) {
        std::vector<MembershipWrite> writes;
        for (int i = from; i < to; ++i)
            writes.push_back({User(i) + ".Big", add});
        return writes;
    }
    std::size_t CountOf(const std::string &object, const std::string &attribute) {
        const AttributeRead read = ReadAttribute(context_, object, attribute, kMaxBufferSize);
        EXPECT_TRUE(read.status == status::Ok || read.status == status::NoSuchAttribute);
        return read.values.size();
    }
    // The users whose own entries name the group.
    std::vector<std::string> Holding(const std::string &attribute, const std::string &group) {
        const SearchResult found =
            SearchNames(context_, "Big", DS_SEARCH_SUBTREE,
                        Compare(attribute, FTOK_EQ, group, SYN_DIST_NAME), kMaxBufferSize);
        EXPECT_EQ(found.status, status::Ok);
        return found.names;
    }
    // All four sides name exactly `expected` (sorted full names) as members of `group`.
    void ExpectMembers(const std::string &group, const std::vector<std::string> &expected) {
        EXPECT_EQ(CountOf(group, "Member"), expected.size());
        EXPECT_EQ(CountOf(group, "Equivalent To Me"), expected.size());
        EXPECT_EQ(Holding("Group Membership", group), expected);
        EXPECT_EQ(Holding("Security Equals", group), expected);
        std::vector<std::string> halfWritten;
        EXPECT_EQ(HalfWrittenMemberships(context_, group, nullptr, halfWritten), status::Ok);
        EXPECT_TRUE(halfWritten.empty()) << halfWritten.front();
    }

    static TempDir *dir_;
    static tarnbeck::PrivateSlapd *slapd_;
    ContextHandle context_ = 0;
};

TempDir *LimitedLdapTree::dir_ = nullptr;
tarnbeck::PrivateSlapd *LimitedLdapTree::slapd_ = nullptr;

// The server itself: a modify of a thousand values is dropped with its connection, not answered.
TEST_F(LimitedLdapTree, TheServerDropsAModifyOfAThousandValues) {
    LDAP *ld = nullptr;
    ASSERT_EQ(ldap_initialize(&ld, slapd_->uri().c_str()), LDAP_SUCCESS);
    const std::unique_ptr<LDAP, void (*)(LDAP *)> closer(
        ld, [](LDAP *l) { ldap_unbind_ext_s(l, nullptr, nullptr); });
    const int version = LDAP_VERSION3;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    berval password{std::strlen(kPassword), const_cast<char *>(kPassword)};
    ASSERT_EQ(ldap_sasl_bind_s(ld, "cn=Admin,o=Big", LDAP_SASL_SIMPLE, &password, nullptr, nullptr,
                               nullptr),
              LDAP_SUCCESS);
    std::vector<std::string> dns;
    for (int i = 0; i < 1000; ++i)
        dns.push_back("cn=" + User(i) + ",o=Big");
    std::vector<berval> values;
    for (auto &dn : dns)
        values.push_back({dn.size(), dn.data()});
    std::vector<berval *> pointers;
    for (auto &value : values)
        pointers.push_back(&value);
    pointers.push_back(nullptr);
    char attribute[] = "member";
    LDAPMod mod{LDAP_MOD_ADD | LDAP_MOD_BVALUES, attribute, {}};
    mod.mod_bvalues = pointers.data();
    LDAPMod *mods[] = {&mod, nullptr};
    EXPECT_EQ(ldap_modify_ext_s(ld, "cn=Staff,o=Big", mods, nullptr, nullptr), LDAP_SERVER_DOWN);
}

TEST_F(LimitedLdapTree, ThousandsOfAdditionsAndRemovalsTravelInSmallerModifies) {
    std::vector<std::string> all;
    for (int i = 0; i < kUsers; ++i)
        all.push_back(User(i) + ".Big");
    std::sort(all.begin(), all.end());

    Answers added;
    ASSERT_EQ(WriteGroupMemberships(context_, "Staff.Big", Writes(0, kUsers, true), added),
              status::Ok);
    EXPECT_EQ(added.answers, std::vector<Status>(kUsers, status::Ok));
    ExpectMembers("Staff.Big", all);

    // A removal of most and a second addition of the rest, already there, in one run.
    std::vector<MembershipWrite> writes = Writes(0, kUsers - 20, false);
    for (const auto &again : Writes(kUsers - 20, kUsers, true))
        writes.push_back(again);
    Answers changed;
    ASSERT_EQ(WriteGroupMemberships(context_, "Staff.Big", writes, changed), status::Ok);
    EXPECT_EQ(changed.answers, std::vector<Status>(writes.size(), status::Ok));
    ExpectMembers("Staff.Big", std::vector<std::string>(all.end() - 20, all.end()));
}

TEST_F(LimitedLdapTree, AValueTheGroupRefusesOnItsOwnIsThatMembersAnswerAndTheRestIsWritten) {
    constexpr int kCount = 1500;
    Answers answers;
    ASSERT_EQ(WriteGroupMemberships(context_, "Guarded.Big", Writes(0, kCount, true), answers),
              status::Ok);
    ASSERT_EQ(answers.answers.size(), static_cast<std::size_t>(kCount));
    std::vector<std::string> expected;
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(answers.answers[i], i == 500 ? status::NoAccess : status::Ok) << User(i);
        if (i != 500)
            expected.push_back(User(i) + ".Big");
    }
    std::sort(expected.begin(), expected.end());
    ExpectMembers("Guarded.Big", expected);
}

TEST_F(LimitedLdapTree, ARemovalTheGroupRefusesIsThatMembersAnswerAndShowsHalfWritten) {
    std::vector<MembershipWrite> writes = Writes(0, kKeptMembers, false);
    writes.insert(writes.begin() + 100, {User(kKeptForGood) + ".Big", false});
    Answers answers;
    ASSERT_EQ(WriteGroupMemberships(context_, "Kept.Big", writes, answers), status::Ok);
    ASSERT_EQ(answers.answers.size(), writes.size());
    for (std::size_t i = 0; i < writes.size(); ++i)
        EXPECT_EQ(answers.answers[i], i == 100 ? status::NoAccess : status::Ok) << writes[i].member;
    // Its rights went first; the group keeps it listed, which the next Execute shows.
    const std::string kept = User(kKeptForGood) + ".Big";
    EXPECT_EQ(ReadAttribute(context_, "Kept.Big", "Member").values,
              std::vector<AttrValue>{DN(kept)});
    EXPECT_TRUE(Holding("Security Equals", "Kept.Big").empty());
    std::vector<std::string> halfWritten;
    ASSERT_EQ(HalfWrittenMemberships(context_, "Kept.Big", nullptr, halfWritten), status::Ok);
    EXPECT_EQ(halfWritten, std::vector<std::string>{kept});
}

} // namespace
} // namespace dsclient
