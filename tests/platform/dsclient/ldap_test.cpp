// What only a tree on a directory server meets: its configuration, a server that is down, slow,
// without TLS or lost mid-search, referrals, logins by bind, and names that DNs must escape.

#include "client_helpers.h"
#include "test_tree.h"

#include "platform/dsclient/deadline.h"
#include "platform/dsclient/embedded/store_admin.h"
#include "platform/dsclient/ldap/session.h"
#include "platform/dsclient/ldif/ldif_export.h"

#include "platform/dsclient/password_file.h"

#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <future>
#include <optional>

namespace dsclient {
namespace {

using namespace testing;

TreeConfig LdapTree(const std::string &name, const std::string &uri) {
    TreeConfig tree;
    tree.name = name;
    tree.backend = "ldap";
    tree.uri = uri;
    tree.identity = "Admin.Acme";
    tree.timeoutSeconds = 1;
    return tree;
}

std::string PasswordFile(const TempDir &dir, const std::string &name, mode_t mode) {
    const std::string path = dir.file(name);
    std::ofstream(path) << "secret\n";
    chmod(path.c_str(), mode);
    return path;
}

// A socket on 127.0.0.1 that takes connections and never answers (or, closed, a port nobody
// listens on).
class SilentServer {
  public:
    SilentServer() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        EXPECT_EQ(getsockname(fd_, reinterpret_cast<sockaddr *>(&address), &length), 0);
        port_ = ntohs(address.sin_port);
    }
    ~SilentServer() { Close(); }
    void Listen() { EXPECT_EQ(listen(fd_, 8), 0); }
    void Close() {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }
    std::string uri(const std::string &scheme = "ldap") const {
        return scheme + "://127.0.0.1:" + std::to_string(port_);
    }

  private:
    int fd_;
    int port_ = 0;
};

// The status of `call`, which must come within a few seconds. A call still waiting after ten is
// released by closing `server`, so the test ends either way.
template <typename Call> Status InTime(SilentServer &server, Call call) {
    const auto start = std::chrono::steady_clock::now();
    auto calling = std::async(std::launch::async, call);
    if (calling.wait_for(std::chrono::seconds(10)) != std::future_status::ready)
        server.Close();
    const Status status = calling.get();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    return status;
}

Status StartWith(std::vector<TreeConfig> trees) {
    ClientConfig config;
    config.primaryTree = trees.front().name;
    config.trees = std::move(trees);
    OverrideClientConfig(config);
    return CallsInitialize();
}

class LdapConfiguration : public ::testing::Test {
  protected:
    void TearDown() override {
        CallsTerminate();
        OverrideClientConfig(std::nullopt);
    }
    Status ProblemOf(const std::string &tree, std::string &problem) {
        return GetTreeProblem(tree, problem);
    }
    TempDir dir_;
};

TEST_F(LdapConfiguration, UnsafeSettingsAreRefusedBeforeAnyConnection) {
    const std::string safe = PasswordFile(dir_, "safe.pw", 0600);
    TreeConfig loose = LdapTree("LOOSE", "ldap://127.0.0.1:9");
    loose.passwordFile = PasswordFile(dir_, "loose.pw", 0644);
    // Documentation addresses: never contacted, the refusal comes first.
    TreeConfig remote = LdapTree("REMOTE", "ldap://192.0.2.1");
    remote.passwordFile = safe;
    TreeConfig remoteTls = LdapTree("REMOTE_TLS", "ldaps://192.0.2.1");
    remoteTls.passwordFile = safe;
    // libldap falls over to the next server of a list, so each one is judged.
    TreeConfig fallback = LdapTree("FALLBACK", "ldaps://127.0.0.1:1/ ldap://backup.invalid/");
    fallback.passwordFile = safe;
    TreeConfig safeList = LdapTree("SAFE_LIST", "ldaps://192.0.2.1,ldap://127.0.0.1:9 ldapi://");
    safeList.passwordFile = safe;
    TreeConfig allowed = LdapTree("ALLOWED", "ldap://192.0.2.1");
    allowed.passwordFile = safe;
    allowed.allowPlainBind = true;
    TreeConfig noFile = LdapTree("NO_FILE", "ldap://192.0.2.1");
    TreeConfig badUri = LdapTree("BAD_URI", "http://127.0.0.1/");
    TreeConfig badBase = LdapTree("BAD_BASE", "ldap://127.0.0.1:9");
    badBase.base = "not a DN";
    TreeConfig badMap = LdapTree("BAD_MAP", "ldap://127.0.0.1:9");
    badMap.attributeMap = dir_.file("map.txt");
    std::ofstream(badMap.attributeMap) << "; comment\nGiven Name = givenName\njust words\n";
    TreeConfig badInList = LdapTree("BAD_IN_LIST", "ldap://127.0.0.1:9 http://127.0.0.1/");
    ASSERT_EQ(StartWith({noFile, loose, remote, remoteTls, fallback, safeList, allowed, badUri,
                         badBase, badMap, badInList}),
              status::Ok);

    std::string problem;
    EXPECT_EQ(ProblemOf("LOOSE", problem), status::ClientNotConfigured);
    EXPECT_NE(problem.find("loose.pw"), std::string::npos) << problem;
    EXPECT_NE(problem.find("0644"), std::string::npos) << problem;
    EXPECT_EQ(ProblemOf("REMOTE", problem), status::ClearTextPasswordRefused);
    EXPECT_NE(problem.find("192.0.2.1"), std::string::npos) << problem;
    EXPECT_EQ(ProblemOf("REMOTE_TLS", problem), status::Ok);
    EXPECT_EQ(ProblemOf("FALLBACK", problem), status::ClearTextPasswordRefused);
    EXPECT_EQ(ProblemOf("SAFE_LIST", problem), status::Ok);
    EXPECT_EQ(ProblemOf("BAD_IN_LIST", problem), status::ClientNotConfigured);
    EXPECT_EQ(ProblemOf("ALLOWED", problem), status::Ok);
    EXPECT_EQ(ProblemOf("BAD_URI", problem), status::ClientNotConfigured);
    EXPECT_EQ(ProblemOf("BAD_BASE", problem), status::ClientNotConfigured);
    EXPECT_EQ(ProblemOf("BAD_MAP", problem), status::ClientNotConfigured);
    EXPECT_NE(problem.find("Line 3"), std::string::npos) << problem;

    // A password typed at the login is refused the same way, before connecting.
    ContextHandle context = 0;
    ASSERT_EQ(CreateContext(context), status::Ok);
    EXPECT_EQ(Login(context, 0, "Admin.Acme", "secret", 0), status::ClearTextPasswordRefused);
}

TEST_F(LdapConfiguration, AFifoAsPasswordFileIsRefusedWithoutWaitingForAWriter) {
    const std::string fifo = dir_.file("fifo.pw");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    TreeConfig healthy = LdapTree("HEALTHY", "ldap://127.0.0.1:9");
    TreeConfig piped = LdapTree("PIPED", "ldap://127.0.0.1:9");
    piped.passwordFile = fifo;
    const std::function<Status(std::string &)> reads[] = {
        [&](std::string &problem) {
            Secret password;
            return ReadPasswordFile(fifo, password, problem);
        },
        [&](std::string &problem) {
            EXPECT_EQ(StartWith({healthy, piped}), status::Ok);
            return ProblemOf("PIPED", problem);
        },
    };
    for (const auto &read : reads) {
        std::string problem;
        auto reading = std::async(std::launch::async, [&] { return read(problem); });
        const bool prompt = reading.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
        if (!prompt) // a writer releases the waiting open, so the test ends either way
            close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        EXPECT_TRUE(prompt);
        EXPECT_EQ(reading.get(), status::ClientNotConfigured);
        EXPECT_NE(problem.find("not a regular file"), std::string::npos) << problem;
    }
}

TEST_F(LdapConfiguration, AServerDownSlowOrWithoutTlsIsATransportStatus) {
    SilentServer nobody; // bound, never listening: connections are refused
    SilentServer silent;
    silent.Listen();
    TreeConfig down = LdapTree("DOWN", nobody.uri());
    down.identity.clear();
    TreeConfig slow = LdapTree("SLOW", silent.uri());
    slow.identity.clear();
    TreeConfig noTls = LdapTree("NO_TLS", tarnbeck::testing::TestSlapd().uri());
    noTls.startTls = true;
    ASSERT_EQ(StartWith({down, slow, noTls}), status::Ok);

    ContextHandle context = 0;
    ASSERT_EQ(CreateContext(context), status::Ok);
    std::string name;
    ObjectInfo info;
    for (const auto &[tree, expected] :
         {std::pair{"DOWN", status::TransportFailure}, std::pair{"SLOW", status::TransportFailure},
          std::pair{"NO_TLS", status::SecureConnectionFailed}}) {
        ASSERT_EQ(SetContextValue(context, DCK_TREE_NAME, tree), status::Ok);
        EXPECT_EQ(ReadObjectInfo(context, "Acme", name, info), expected) << tree;
        // The next request tries again, and fails the same way.
        EXPECT_EQ(ReadObjectInfo(context, "Acme", name, info), expected) << tree;
    }
}

TEST_F(LdapConfiguration, AServerSilentInTheTlsHandshakeIsATransportStatusInTime) {
    SilentServer silent;
    silent.Listen();
    TreeConfig tree = LdapTree("SILENT_TLS", silent.uri("ldaps"));
    tree.identity.clear();
    ASSERT_EQ(StartWith({tree}), status::Ok);
    ContextHandle context = 0;
    ASSERT_EQ(CreateContext(context), status::Ok);
    std::string name;
    ObjectInfo info;
    EXPECT_EQ(InTime(silent, [&] { return ReadObjectInfo(context, "Acme", name, info); }),
              status::TransportFailure);
}

// The run's deadline ends a bind and StartTLS that a silent server holds, however long the
// tree's timeout; once past, no connection is even tried.
TEST(LdapSession, TheRunsDeadlineBoundsEveryStepOfConnecting) {
    struct Unbounded {
        ~Unbounded() { SetAnswerDeadline(std::nullopt); }
    } unbounded;
    SilentServer holdsBind, holdsStartTls; // one each, as a released call closes its server
    holdsBind.Listen();
    holdsStartTls.Listen();
    const auto inOneSecond = [] {
        SetAnswerDeadline(DeadlineClock::now() + std::chrono::seconds(1));
    };
    const ldap::SessionSettings plain{holdsBind.uri(), false, "", 60};
    ldap::Session session;
    SetAnswerDeadline(DeadlineClock::now());
    EXPECT_EQ(session.Open(plain), status::TransportFailure);
    SetAnswerDeadline(std::nullopt);
    ASSERT_EQ(session.Open(plain), status::Ok);
    inOneSecond();
    EXPECT_EQ(InTime(holdsBind, [&] { return session.Bind("cn=Admin,o=Acme", "secret"); }),
              status::TransportFailure);
    EXPECT_FALSE(session.open());
    inOneSecond();
    const ldap::SessionSettings startTls{holdsStartTls.uri(), true, "", 60};
    EXPECT_EQ(InTime(holdsStartTls, [&] { return session.Open(startTls); }),
              status::TransportFailure);
}

TEST_F(LdapConfiguration, TlsTrustsOnlyTheGivenAuthority) {
    tarnbeck::testing::MakeCertificates(dir_.path().string());
    tarnbeck::PrivateSlapd slapd(
        tarnbeck::SlapdOptions{.databases = {tarnbeck::SlapdDatabase{"o=Acme", {}, true}},
                               .tlsCertificate = dir_.file("server.pem"),
                               .tlsKey = dir_.file("server.key")});
    TreeConfig trusted = LdapTree("TRUSTED", slapd.uri());
    trusted.identity.clear();
    trusted.startTls = true;
    trusted.caCertFile = dir_.file("ca.pem");
    TreeConfig stranger = trusted;
    stranger.name = "STRANGER";
    stranger.caCertFile = dir_.file("other.pem"); // not the authority that signed it
    TreeConfig secure = trusted;
    secure.name = "SECURE";
    secure.uri = slapd.secureUri();
    secure.startTls = false;
    TreeConfig secureStranger = secure;
    secureStranger.name = "SECURE_STRANGER";
    secureStranger.caCertFile = stranger.caCertFile;
    ASSERT_EQ(StartWith({trusted, stranger, secure, secureStranger}), status::Ok);
    ContextHandle context = 0;
    ASSERT_EQ(CreateContext(context), status::Ok);
    std::string name;
    ObjectInfo info;
    // An untrusted certificate reads the same over ldaps:// as over StartTLS.
    for (const auto &[tree, expected] :
         {std::pair{"TRUSTED", status::Ok}, std::pair{"STRANGER", status::SecureConnectionFailed},
          std::pair{"SECURE", status::Ok},
          std::pair{"SECURE_STRANGER", status::SecureConnectionFailed}}) {
        ASSERT_EQ(SetContextValue(context, DCK_TREE_NAME, tree), status::Ok);
        EXPECT_EQ(ReadObjectInfo(context, "acme", name, info), expected) << tree;
    }
    EXPECT_EQ(name, "Acme");
}

// ---- a tree on the test program's slapd --------------------------------------------------

class LdapTree : public ClientTest {
  protected:
    void SetUp() override { SetUpOn(Backend::Ldap); }
    // Adds entries below the tree's base through the server.
    void AddEntries(const std::string &ldif) {
        const std::string file = dir_.file("extra.ldif");
        std::ofstream(file) << ldif;
        tarnbeck::testing::TestSlapd().Add(file);
    }
    std::string base() const { return ActiveClientConfig().trees.front().base; }
};

TEST_F(LdapTree, LoginBindsAndAFailedOneLeavesTheTreeAsItWas) {
    // An empty password would be an anonymous bind, which the server takes.
    EXPECT_EQ(Login(context_, 0, "Admin.Acme", "", 0), status::FailedAuthentication);
    EXPECT_EQ(Login(context_, 0, "Admin.Acme", "wrong", 0), status::FailedAuthentication);
    EXPECT_EQ(Login(context_, 0, "Nobody.Acme", "wrong", 0), status::NoSuchEntry);
    EXPECT_EQ(Modify(context_, "Joe.Sales.Acme", {{DS_ADD_VALUE, "Title", {CI("Lead")}}}),
              status::Ok);

    ASSERT_EQ(Login(context_, 0, "admin.ACME", tarnbeck::testing::kServedPassword, 0), status::Ok);
    std::string me;
    ASSERT_EQ(WhoAmI(context_, me), status::Ok);
    EXPECT_EQ(me, "Admin.Acme");
    EXPECT_EQ(Modify(context_, "Joe.Sales.Acme", {{DS_REMOVE_VALUE, "Title", {CI("Lead")}}}),
              status::Ok);
}

TEST_F(LdapTree, ALoginLostWithItsConnectionIsNotReplacedByAnotherIdentity) {
    ClientConfig config = ActiveClientConfig();
    config.trees.front().timeoutSeconds = 1;
    CallsTerminate();
    OverrideClientConfig(config);
    ASSERT_EQ(CallsInitialize(), status::Ok);
    context_ = NewContext();
    ASSERT_EQ(Login(context_, 0, "Admin.Acme", tarnbeck::testing::kServedPassword, 0), status::Ok);
    // A stalled server: the request times out and the connection is dropped.
    tarnbeck::testing::TestSlapd().Signal(SIGSTOP);
    const Status stalled = ReadAttribute(context_, "Joe.Sales.Acme", "Surname").status;
    tarnbeck::testing::TestSlapd().Signal(SIGCONT);
    ASSERT_NE(stalled, status::Ok);
    EXPECT_EQ(Modify(context_, "Joe.Sales.Acme", {{DS_ADD_VALUE, "Title", {CI("Lead")}}}),
              status::LoginLost);
    EXPECT_EQ(ReadAttribute(context_, "Joe.Sales.Acme", "Surname").status, status::LoginLost);
    ASSERT_EQ(Login(context_, 0, "Admin.Acme", tarnbeck::testing::kServedPassword, 0), status::Ok);
    EXPECT_EQ(Modify(context_, "Joe.Sales.Acme", {{DS_ADD_VALUE, "Title", {CI("Lead")}}}),
              status::Ok);
}

TEST_F(LdapTree, AnAttributeMapNamesMoreAttributes) {
    ClientConfig config = ActiveClientConfig();
    config.trees.front().attributeMap = dir_.file("corp.map");
    std::ofstream(config.trees.front().attributeMap) << "# ours\nShoe Size = description\n";
    CallsTerminate();
    OverrideClientConfig(config);
    ASSERT_EQ(CallsInitialize(), status::Ok);
    context_ = NewContext();
    ASSERT_EQ(Modify(context_, "Joe.Sales.Acme", {{DS_ADD_VALUE, "Shoe Size", {CI("44")}}}),
              status::Ok);
    EXPECT_EQ(ReadAttribute(context_, "Joe.Sales.Acme", "shoe size").values,
              std::vector<AttrValue>{CI("44")});
    std::uint32_t syntax = 0;
    EXPECT_EQ(GetSyntaxId(context_, "Shoe Size", syntax), status::Ok);
    EXPECT_EQ(syntax, std::uint32_t{SYN_CI_STRING});
}

TEST_F(LdapTree, NamesAndValuesWithCharactersThatDnsAndFiltersEscape) {
    const std::string odd = "Odd, +\"\\<>;=*()\xc3\xbc";
    const std::string unit = odd + ".Acme";
    ASSERT_EQ(Create(context_, unit, "Organizational Unit"), status::Ok);
    ASSERT_EQ(Create(context_, "Team." + unit, "Group"), status::Ok);
    std::string canonical;
    ObjectInfo info;
    ASSERT_EQ(ReadObjectInfo(context_, "team." + unit, canonical, info), status::Ok);
    EXPECT_EQ(canonical, "Team." + unit);
    EXPECT_EQ(info.baseClass, "Group");

    ASSERT_EQ(Modify(context_, "Staff.Sales.Acme", {{DS_ADD_VALUE, "Member", {DN("Team." + unit)}}}),
              status::Ok);
    EXPECT_EQ(ReadAttribute(context_, "Staff.Sales.Acme", "Member").values,
              std::vector<AttrValue>{DN("Team." + unit)});

    ASSERT_EQ(Modify(context_, "Team." + unit,
                     {{DS_ADD_VALUE, "Description", {CI("a(b)\\c*d \xc3\xbc")}}}),
              status::Ok);
    EXPECT_EQ(SearchNames(context_, "Acme", 2, Compare("Description", FTOK_EQ, "a(b)\\c*\xc3\x9c"))
                  .names,
              std::vector<std::string>{"Team." + unit});
    EXPECT_EQ(SearchNames(context_, "Acme", 2, Compare("Description", FTOK_EQ, std::string("a\0", 2)))
                  .names,
              std::vector<std::string>{});
    EXPECT_EQ(SearchNames(context_, "Acme", 2, {{FTOK_RDN}, {FTOK_ANAME, odd, SYN_CI_STRING}})
                  .names,
              std::vector<std::string>{unit});
    // A control character is no part of a name: refused before anything is sent.
    EXPECT_EQ(Create(context_, "Bad\x01Name.Acme", "Group"), status::IllegalName);
}

// A server may hold a unit and a group of one name side by side; the typeless name stands for
// both, and nothing is written to either by it, whichever was seen first.
TEST_F(LdapTree, ANameOfTwoEntriesIsRefusedNotWrittenToEither) {
    const std::string sales = "ou=Sales,o=Acme," + base();
    AddEntries("dn: ou=Twin," + sales + "\nobjectClass: organizationalUnit\nou: Twin\n\n" +
               "dn: cn=Twin," + sales + "\nobjectClass: groupOfNames\ncn: Twin\n");
    const Change member{DS_ADD_VALUE, "Member", {DN("Twin.Sales.Acme")}};
    EXPECT_EQ(Modify(context_, "Staff.Sales.Acme", {member}), status::IllegalName);
    const auto all = Compare("Object Class", FTOK_EQ, "Top", SYN_CLASS_NAME);
    EXPECT_EQ(SearchNames(context_, "Sales.Acme", DS_SEARCH_SUBORDINATES, all).status, status::Ok);
    EXPECT_EQ(Modify(context_, "Staff.Sales.Acme", {member}), status::IllegalName);
    EXPECT_EQ(Modify(context_, "Twin.Sales.Acme", {{DS_ADD_VALUE, "L", {CI("x")}}}),
              status::IllegalName);
    EXPECT_TRUE(ReadAttribute(context_, "Staff.Sales.Acme", "Member").values.empty());
    // Nor does the client make such a pair: a name in use is taken, as in the store.
    EXPECT_EQ(Create(context_, "Joe.Sales.Acme", "Organizational Unit"),
              status::EntryAlreadyExists);
}

TEST_F(LdapTree, AReferralMakesTheSearchFailNotEndShort) {
    AddEntries("dn: ou=Elsewhere,o=Acme," + base() +
               "\nobjectClass: referral\nobjectClass: extensibleObject\nou: Elsewhere\n"
               "ref: ldap://127.0.0.1:9/ou=Elsewhere,o=Acme\n");
    const auto all = Compare("Object Class", FTOK_EQ, "Top", SYN_CLASS_NAME);
    EXPECT_EQ(SearchNames(context_, "Acme", DS_SEARCH_SUBTREE, all).status,
              status::LdapResult(10));
    EXPECT_EQ(LiveIterationCount(context_), 0u);
    // Below the referral nothing else is affected.
    EXPECT_EQ(SearchNames(context_, "Sales.Acme", DS_SEARCH_SUBTREE, all).names.size(), 4u);
}

// A tree of its own slapd, in the server's root entry, big enough for several pages.
class BigLdapTree : public ::testing::Test {
  protected:
    static constexpr int kUsers = 6000;

    void SetUp() override {
        const std::string store = dir_.file("big.db");
        ASSERT_EQ(embedded::CreateStore(store, "BIG_TREE"), status::Ok);
        {
            std::unique_ptr<embedded::StoreAdmin> admin;
            ASSERT_EQ(embedded::StoreAdmin::Open(store, admin), status::Ok);
            ASSERT_EQ(admin->Begin(), status::Ok);
            ASSERT_EQ(admin->AddObject("Big", "Organization", {}), status::Ok);
            for (int i = 0; i < kUsers; ++i)
                ASSERT_EQ(admin->AddObject("U" + std::to_string(i) + ".Big", "User",
                                           {{"Surname", CI("S")}}),
                          status::Ok);
            ASSERT_EQ(admin->Commit(), status::Ok);
        }
        const std::string ldif = dir_.file("big.ldif");
        {
            std::ofstream out(ldif);
            std::string problem;
            ASSERT_EQ(ldap::ExportLdif(store, "", out, problem), status::Ok) << problem;
        }
        slapd_.emplace(
            tarnbeck::SlapdOptions{{tarnbeck::SlapdDatabase{"o=Big", {ldif}, false}}, {}, {}});
        TreeConfig tree = LdapTree("BIG_TREE", slapd_->uri());
        tree.identity.clear();
        ASSERT_EQ(StartWith({tree}), status::Ok);
        ASSERT_EQ(CreateContext(context_), status::Ok);
        FilterPtr filter;
        ASSERT_EQ(AllocFilter(filter), status::Ok);
        for (const Token &t : Compare("Surname", FTOK_EQ, "S"))
            ASSERT_EQ(AddFilterToken(*filter, t.token, t.value, t.syntax), status::Ok);
        ASSERT_EQ(AddFilterToken(*filter, FTOK_END, "", 0), status::Ok);
        ASSERT_EQ(AllocBuffer(kDefaultBufferSize, filter_), status::Ok);
        ASSERT_EQ(InitBuffer(context_, DSV_SEARCH_FILTER, *filter_), status::Ok);
        ASSERT_EQ(PutFilter(context_, *filter_, filter), status::Ok);
    }
    void TearDown() override {
        CallsTerminate();
        OverrideClientConfig(std::nullopt);
    }

    // One pass of the search of every user; adds what it found to `found`.
    Status Pass(IterationHandle &iteration, Buffer &result, std::int32_t &found) {
        std::int32_t searched = 0;
        const Status s = Search(context_, "[Root]", DS_SEARCH_SUBTREE, false, *filter_,
                                DS_ATTRIBUTE_NAMES, false, nullptr, iteration, 0, searched, result);
        found += searched;
        return s;
    }
    // The passes left, until the end or a failure.
    Status Rest(IterationHandle &iteration, Buffer &result, std::int32_t &found) {
        Status s = status::Ok;
        while (iteration != kNoIteration && s == status::Ok)
            s = Pass(iteration, result, found);
        return s;
    }

    TempDir dir_;
    std::optional<tarnbeck::PrivateSlapd> slapd_;
    ContextHandle context_ = 0;
    BufferPtr filter_;
};

TEST_F(BigLdapTree, AConnectionLostMidSearchFailsThePass) {
    BufferPtr result;
    ASSERT_EQ(AllocBuffer(kMaxBufferSize, result), status::Ok);
    IterationHandle iteration = kNoIteration;
    std::int32_t found = 0;
    ASSERT_EQ(Pass(iteration, *result, found), status::Ok);
    ASSERT_NE(iteration, kNoIteration);
    slapd_->Stop();
    EXPECT_EQ(Rest(iteration, *result, found), status::TransportFailure);
    EXPECT_LT(found, kUsers);
    EXPECT_EQ(LiveIterationCount(context_), 0u);
}

TEST_F(BigLdapTree, SearchesAndReadsDuringAPagedSearchLeaveItWhole) {
    BufferPtr first, second;
    ASSERT_EQ(AllocBuffer(kMaxBufferSize, first), status::Ok);
    ASSERT_EQ(AllocBuffer(kMaxBufferSize, second), status::Ok);
    IterationHandle walk = kNoIteration;
    std::int32_t walked = 0;
    ASSERT_EQ(Pass(walk, *first, walked), status::Ok);
    ASSERT_NE(walk, kNoIteration);
    // Meanwhile: a whole search of its own, a read, and another search left part-way.
    IterationHandle other = kNoIteration;
    std::int32_t others = 0;
    ASSERT_EQ(Pass(other, *second, others), status::Ok);
    EXPECT_EQ(Rest(other, *second, others), status::Ok);
    EXPECT_EQ(others, kUsers);
    std::string name;
    ObjectInfo info;
    EXPECT_EQ(ReadObjectInfo(context_, "U1.Big", name, info), status::Ok);
    IterationHandle left = kNoIteration;
    std::int32_t leftFound = 0;
    ASSERT_EQ(Pass(left, *second, leftFound), status::Ok);

    EXPECT_EQ(Rest(walk, *first, walked), status::Ok);
    EXPECT_EQ(walked, kUsers);
    EXPECT_EQ(Rest(left, *second, leftFound), status::Ok);
    EXPECT_EQ(leftFound, kUsers);
}

} // namespace
} // namespace dsclient
