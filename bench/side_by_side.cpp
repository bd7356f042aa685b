#include "side_by_side.h"

#include "bench_host.h"
#include "bench_support.h"
#include "plain_client.h"

#include "private_slapd.h"
#include "synthetic_tree.h"
#include "platform/dsclient/embedded/tree_builder.h"

#include "directory/listing.h"
#include "membership/update_group.h"
#include "platform/dsclient/client.h"
#include "platform/dsclient/config.h"
#include "platform/dsclient/embedded/store_admin.h"
#include "platform/dsclient/ldap/dn.h"
#include "platform/dsclient/ldif/ldif_export.h"
#include "platform/dsclient/text_fold.h"
#include "query/execute.h"
#include "query/run_queries.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

namespace tarnbeck {

namespace {

namespace fs = std::filesystem;
using namespace dsclient;
using embedded::CiString;
using embedded::DistName;

constexpr const char *kAdminPassword = "bench";
constexpr const char *kHalfGroup = "Half.Bench";       // the first half of the users, whole members
constexpr const char *kPartialGroup = "Partial.Bench"; // the same, 1 % of them half-written
constexpr const char *kLargeGroup = "Large.Bench";     // filled with 60,000 before its case
constexpr std::uint32_t kLargeMembers = 60000, kLargeAdded = 100;
constexpr const char *kUpdateGroup = "Bench Group.Bench"; // empty: the update adds to it
constexpr std::uint32_t kUpdateMembers = 10000;
constexpr const char *kSides[] = {"Tarnbeck", "LDAP backend", "libldap", "ldapsearch"};
enum Side { Embedded, LdapBackend, Plain, LdapSearch, SideCount };

// The names of the first `limit` users, in creation order.
std::vector<std::string> UserNames(std::uint32_t users, std::size_t limit = SIZE_MAX) {
    std::vector<std::string> names;
    std::uint32_t number = 0;
    for (const UnitSize &unit : SyntheticLayout(users, kDefaultSeed))
        for (std::uint32_t i = 0; i < unit.users && names.size() < limit; ++i)
            names.push_back("user-" + std::to_string(++number) + "." + unit.name);
    return names;
}

// The generated tree with a group of half the users and the admin's password, and its LDIF;
// both kept in `directory` for later runs.
std::pair<std::string, std::string> PrepareTree(const std::string &directory, std::uint32_t users) {
    fs::create_directories(directory);
    const std::string stem = directory + "/side-whole-" + std::to_string(users);
    const std::string store = stem + ".db", ldif = stem + ".ldif";
    if (fs::exists(store) && fs::exists(ldif))
        return {store, ldif};
    std::printf("Generating %u users into %s ...\n", users, store.c_str());
    std::fflush(stdout);
    const std::string partial = stem + ".partial.db";
    std::error_code ignored;
    for (const char *suffix : {"", "-wal", "-shm"})
        fs::remove(partial + suffix, ignored);
    GenerateTree(partial, users, kDefaultSeed);
    {
        std::unique_ptr<embedded::StoreAdmin> admin;
        Check(embedded::StoreAdmin::Open(partial, admin), "opening " + partial);
        Check(admin->Begin(), "begin");
        Check(admin->AddObject(kHalfGroup, "Group", {{"CN", CiString("Half")}}), "Half group");
        Check(admin->AddObject(kPartialGroup, "Group", {{"CN", CiString("Partial")}}), "group");
        Check(admin->AddObject(kLargeGroup, "Group", {{"CN", CiString("Large")}}), "group");
        const auto names = UserNames(users);
        for (std::size_t i = 0; i < names.size() / 2; ++i)
            for (const char *group : {kHalfGroup, kPartialGroup}) {
                Check(admin->AddValue(group, "Member", DistName(names[i])), "member");
                Check(admin->AddValue(names[i], "Group Membership", DistName(group)), "member");
                // Every hundredth of Partial's members lacks the equivalence.
                if (group == kHalfGroup || i % 100 != 0)
                    Check(admin->AddSecurityEquivalence(names[i], group), "equivalence");
            }
        Check(admin->Commit(), "commit");
        Check(admin->SetPassword(kBenchAdmin, kAdminPassword), "password");
    }
    {
        std::ofstream out(ldif + ".partial");
        std::string problem;
        Check(ldap::ExportLdif(partial, "", out, problem), problem);
    }
    fs::rename(ldif + ".partial", ldif);
    fs::rename(partial, store);
    return {store, ldif};
}

struct Timings {
    std::vector<double> runs;
    double min() const { return *std::min_element(runs.begin(), runs.end()); }
    double median() const {
        std::vector<double> sorted = runs;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

// One case: each side runs it, timed, and returns what it found as that side knows it (dotted
// names or DNs). Putting the results in one form for the comparison is not timed: it is the
// bench's own work, and on 300,000 names a sort that would count against every side.
struct Case {
    using Names = std::vector<std::string>;
    std::string name;
    std::array<std::function<Names()>, SideCount> sides;
    // The comparable form of a side's result; folded sorted names (from DNs for the plain
    // sides) when not given.
    std::array<std::function<Names(Names)>, SideCount> comparable;
};

std::vector<std::string> Folded(std::vector<std::string> names) {
    for (auto &name : names)
        name = FoldCase(name);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> DottedNames(const std::vector<std::string> &dns) {
    const ldap::TreeNames tree("");
    std::vector<std::string> names;
    for (const auto &dn : dns) {
        std::string dotted;
        if (tree.ToDotted(dn, dotted))
            names.push_back(dotted);
    }
    return Folded(names);
}

// ldapsearch as an administrator would run it, its output read and counted.
std::vector<std::string> RunLdapSearch(const std::string &uri, const std::string &filter) {
    const std::string command = "/usr/bin/ldapsearch -LLL -o ldif-wrap=no -x -H '" + uri +
                                "' -b o=Bench '" + filter + "' 1.1";
    std::vector<std::string> dns;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run ldapsearch");
    char line[4096];
    while (std::fgets(line, sizeof line, pipe))
        if (std::strncmp(line, "dn: ", 4) == 0) {
            std::string dn(line + 4);
            dn.erase(dn.find_last_not_of("\r\n") + 1);
            dns.push_back(dn);
        }
    if (pclose(pipe) != 0)
        throw std::runtime_error("ldapsearch failed: " + command);
    return dns;
}


ContextHandle OpenContext(const std::string &tree) {
    ContextHandle context = 0;
    Check(CreateContext(context), "context");
    Check(SetContextValue(context, DCK_TREE_NAME, tree), "tree");
    std::uint32_t flags = 0;
    Check(GetContextValue(context, DCK_FLAGS, flags), "flags");
    Check(SetContextValue(context, DCK_FLAGS,
                          (flags | DCV_TYPELESS_NAMES) & ~(DCV_CANONICALIZE_NAMES | DCV_DEREF_ALIASES)),
          "flags");
    return context;
}

struct SearchCase {
    const char *title;
    const char *query;  // as Tarnbeck's filter field holds it
    const char *ldap;   // as a plain client sends it
};

constexpr SearchCase kSearchCases[] = {
    {"(&(objectclass=user)(l=Berlin))", "(&(objectclass=user)(l=Berlin))",
     "(&(objectClass=inetOrgPerson)(l=Berlin))"},
    {"cn=*-10*", "(cn=*-10*)", "(cn=*-10*)"},
    {"(&(objectClass=user)(l=London)(!(title=Manager)))",
     "(&(objectClass=user)(l=London)(!(title=Manager)))",
     "(&(objectClass=inetOrgPerson)(l=London)(!(title=Manager)))"},
    {"title present", "(title=*)", "(title=*)"},
    {"every user", "(objectclass=user)", "(objectClass=inetOrgPerson)"},
};

// `growth`: Tarnbeck's cost per result against the first size's, when the row has one.
void PrintRow(const std::string &name, std::size_t results, const std::array<Timings, SideCount> &t,
              const std::array<bool, SideCount> &ran, bool agree,
              std::optional<double> growth = std::nullopt) {
    std::printf("%-52s %8zu", name.c_str(), results);
    for (int side = 0; side < SideCount; ++side) {
        if (ran[side])
            std::printf(" %9.1f %9.1f", t[side].min(), t[side].median());
        else
            std::printf(" %9s %9s", "-", "-");
    }
    std::printf(" %6.2fx %6.2fx", t[Embedded].min() / t[Plain].min(),
                t[LdapBackend].min() / t[Plain].min());
    if (growth)
        std::printf(" %6.2fx", *growth);
    else
        std::printf(" %7s", "-");
    std::printf(" %s\n", agree ? "same names" : "NAMES DIFFER");
    std::fflush(stdout);
}

// Update of a few members of a group that has many: a server that rewrites the whole group
// entry for each modify pays for its size on every one.
void RunLargeGroup(const ContextHandle (&contexts)[2], ldap::PlainClient &plain,
                   std::uint32_t users) {
    const auto everyone = UserNames(users, kLargeMembers + kLargeAdded);
    const auto dnOf = [](const std::string &name) {
        const auto first = name.find('.'), second = name.find('.', first + 1);
        return "cn=" + name.substr(0, first) + ",ou=" + name.substr(first + 1, second - first - 1) +
               ",o=Bench";
    };
    std::vector<std::string> largeDns, addedDns;
    MemberEntries large, added, removed;
    for (std::size_t i = 0; i < everyone.size(); ++i) {
        (i < kLargeMembers ? largeDns : addedDns).push_back(dnOf(everyone[i]));
        (i < kLargeMembers ? large : added).push_back({everyone[i], MemberMark::Add});
        if (i >= kLargeMembers)
            removed.push_back({everyone[i], MemberMark::Remove});
    }
    const std::string groupDn = "cn=Large,o=Bench";
    BenchHost host;
    UpdateGroup(contexts[Embedded], kLargeGroup, large, host); // untimed: the group's start
    Check(plain.BulkMembership(groupDn, largeDns, true), "large group");
    std::array<Timings, SideCount> adding, removing;
    for (int side : {Embedded, LdapBackend}) {
        adding[side].runs.push_back(
            Milliseconds([&] { UpdateGroup(contexts[side], kLargeGroup, added, host); }));
        removing[side].runs.push_back(
            Milliseconds([&] { UpdateGroup(contexts[side], kLargeGroup, removed, host); }));
    }
    adding[Plain].runs.push_back(
        Milliseconds([&] { Check(plain.BulkMembership(groupDn, addedDns, true), "add"); }));
    removing[Plain].runs.push_back(
        Milliseconds([&] { Check(plain.BulkMembership(groupDn, addedDns, false), "remove"); }));
    const std::array<bool, SideCount> ran{true, true, true, false};
    PrintRow("Update: 100 additions to a group of 60,000", kLargeAdded, adding, ran, true);
    PrintRow("Update: 100 removals from a group of 60,000", kLargeAdded, removing, ran, true);
    UpdateGroup(contexts[Embedded], kLargeGroup, {}, host);
}

// Tarnbeck's min per result of each case at the first size, by case name.
using PerResult = std::map<std::string, double>;

void RunSize(const SideBySideOptions &options, std::uint32_t users, PerResult &firstSize) {
    const auto [cachedStore, ldif] = PrepareTree(options.directory, users);
    // The embedded side works on a copy: the updates are undone, but an interrupted run must not
    // leave the kept tree changed.
    const std::string store = options.directory + "/side-work.db";
    std::error_code ignored;
    for (const char *suffix : {"", "-wal", "-shm"})
        fs::remove(store + suffix, ignored);
    fs::copy_file(cachedStore, store);

    std::printf("\nLoading %s into a private slapd ...\n", ldif.c_str());
    std::fflush(stdout);
    SlapdOptions slapdOptions{{SlapdDatabase{"o=Bench", {ldif}, false}},
                              {"cn eq,sub", "l eq", "title eq,pres", "member eq",
                               "groupMembership eq", "securityEquals eq"},
                              "dn.exact=\"cn=Admin,o=Bench\""};
    slapdOptions.durable = options.durable;
    if (options.multival)
        slapdOptions.multival = "member,equivalentToMe 100,10";
    std::printf("slapd: %s, %s\n", options.durable ? "a disk flush per write" : "dbnosync",
                options.multival ? "multival member,equivalentToMe 100,10" : "no multival");
    PrivateSlapd slapd(slapdOptions);
    const std::string passwordFile = slapd.directory() + "/admin.pw";
    std::ofstream(passwordFile) << kAdminPassword << '\n';
    chmod(passwordFile.c_str(), 0600);

    TreeConfig embedded;
    embedded.name = "BENCH_TREE";
    embedded.store = store;
    embedded.identity = std::string(kBenchAdmin);
    TreeConfig served;
    served.name = "BENCH_LDAP";
    served.backend = "ldap";
    served.uri = slapd.uri();
    served.identity = std::string(kBenchAdmin);
    served.passwordFile = passwordFile;
    served.timeoutSeconds = 120;
    ClientConfig config;
    config.primaryTree = embedded.name;
    config.trees = {embedded, served};
    OverrideClientConfig(config);
    Check(CallsInitialize(), "client start");
    const ContextHandle contexts[] = {OpenContext(embedded.name), OpenContext(served.name)};
    ldap::PlainClient plain;
    Check(plain.Open(slapd.uri(), "cn=Admin,o=Bench", kAdminPassword), "plain client");
    const AttributeNameMap names(
        {"cn=CN", "l=L", "title=Title", "objectclass=Object Class", "member=Member"});

    std::vector<Case> cases;
    for (const SearchCase &search : kSearchCases) {
        Case c{search.title, {}, {}};
        for (int side : {Embedded, LdapBackend})
            c.sides[side] = [&, side, search] {
                QueryList queries;
                queries.entries = {std::string("ldap:///o=bench??sub?") + search.query};
                auto found =
                    RunQueries({contexts[side], &queries, &names, nullptr, [](std::size_t) {}});
                if (!found)
                    throw std::runtime_error(std::string("the search failed: ") + search.query);
                return std::move(std::move(*found).take().names).take();
            };
        c.sides[Plain] = [&, search] {
            // With each entry's classes, which Tarnbeck's search reads to tell members apart.
            std::vector<std::string> dns;
            std::vector<std::vector<std::string>> classes;
            Check(plain.Search("o=Bench", 2, search.ldap, dns, "objectClass", &classes),
                  search.ldap);
            return dns;
        };
        c.sides[LdapSearch] = [&, search] { return RunLdapSearch(slapd.uri(), search.ldap); };
        cases.push_back(std::move(c));
    }

    // Execute of every user against a group of half of them: whole on all four sides, or with
    // 1 % half-written. The plain client does the same work: the query's search with each
    // found entry's classes (only a user may be a member), the group's two values read, the
    // searches for the holders of the group, and the merge.
    std::array<MemberEntries, SideCount> outcomes; // the last Execute's, marked untimed
    for (const auto &[group, title] :
         {std::pair{kHalfGroup, "Execute: every user, group of half, whole"},
          std::pair{kPartialGroup, "Execute: every user, group of half, 1% half-written"}}) {
        Case execute{title, {}, {}};
        for (int side : {Embedded, LdapBackend}) {
            execute.sides[side] = [&, side, group = std::string(group)] {
                BenchHost host;
                host.queryList.entries = {"ldap:///o=bench??sub?(objectclass=user)"};
                host.queryList.settings = QuerySettings::fromValue(QuerySettings::kDefaultValue);
                if (!Execute({contexts[side], group, {}, &names}, host))
                    throw std::runtime_error("Execute failed");
                outcomes[side] = std::move(host.outcome);
                return Case::Names{};
            };
            execute.comparable[side] = [&, side](Case::Names) {
                // Taken out here, so the next timed run does not pay for freeing this one.
                const MemberEntries outcome = std::move(outcomes[side]);
                std::vector<std::string> marked;
                for (const auto &entry : outcome)
                    marked.push_back(entry.name + (entry.mark == MemberMark::Add ? " +" : "") +
                                     (entry.incomplete ? " !" : ""));
                return Folded(std::move(marked));
            };
        }
        const std::string groupDn =
            "cn=" + std::string(group).substr(0, std::string(group).find('.')) + ",o=Bench";
        execute.sides[Plain] = [&, groupDn] {
            std::vector<std::string> found, members, toMe, memberships, equals;
            std::vector<std::vector<std::string>> classes; // a member's class is checked too
            Check(plain.Search("o=Bench", 2, "(objectClass=inetOrgPerson)", found, "objectClass",
                               &classes),
                  "search");
            Check(plain.Values(groupDn, "member", members), "members");
            Check(plain.Values(groupDn, "equivalentToMe", toMe), "equivalentToMe");
            Check(plain.Search("o=Bench", 2, "(groupMembership=" + groupDn + ")", memberships),
                  "holders");
            Check(plain.Search("o=Bench", 2, "(securityEquals=" + groupDn + ")", equals),
                  "holders");
            std::unordered_map<std::string, int> sides;
            for (const auto *list : {&members, &toMe, &memberships, &equals})
                for (const auto &dn : *list)
                    ++sides[FoldCase(dn)];
            std::vector<std::string> marked;
            for (std::size_t i = 0; i < found.size(); ++i) {
                const std::string &dn = found[i];
                if (std::none_of(classes[i].begin(), classes[i].end(), [](const std::string &c) {
                        return FoldCase(c) == "inetorgperson";
                    }))
                    continue;
                const auto held = sides.find(FoldCase(dn));
                const int count = held == sides.end() ? 0 : held->second;
                marked.push_back(dn + (count == 0 ? " +" : "") + (count % 4 ? " !" : ""));
            }
            return marked;
        };
        execute.comparable[Plain] = [](std::vector<std::string> marked) {
            std::vector<std::string> dotted;
            const ldap::TreeNames tree("");
            for (auto &entry : marked) {
                std::string suffix;
                while (entry.ends_with(" +") || entry.ends_with(" !")) {
                    suffix = entry.substr(entry.size() - 2) + suffix;
                    entry.resize(entry.size() - 2);
                }
                std::string name;
                tree.ToDotted(entry, name);
                dotted.push_back(name + suffix);
            }
            return Folded(dotted);
        };
        cases.push_back(std::move(execute));
    }

    Case listing{"List Big.Bench with details (10,000 users)", {}, {}};
    for (int side : {Embedded, LdapBackend})
        listing.sides[side] = [&, side] {
            std::vector<std::string> found;
            for (const auto &item : ListSubordinates(contexts[side], std::string(kBigUnit), true, true))
                found.push_back(item.text);
            return found;
        };
    // The plain client asks for what the listing shows of each child and sorts by name.
    listing.sides[Plain] = [&] {
        std::vector<ldap::PlainClient::ListedEntry> entries;
        Check(plain.List("ou=Big,o=Bench", entries), "listing");
        std::vector<std::string> names;
        names.reserve(entries.size());
        for (auto &entry : entries)
            names.push_back(std::move(entry.name));
        return names;
    };
    listing.comparable[Plain] = [](std::vector<std::string> leaves) {
        for (auto &leaf : leaves)
            leaf += "." + std::string(kBigUnit);
        return Folded(std::move(leaves));
    };
    cases.push_back(std::move(listing));

    // The update: 10,000 users of Big added on all four sides of their membership, then taken
    // out again (timed as a case of its own). Only their names are made: every user's would
    // stay beside each timed case.
    const auto everyone = UserNames(users, kUpdateMembers);
    const std::size_t count = everyone.size();
    MemberEntries additions, removals;
    for (std::size_t i = 0; i < count; ++i) {
        additions.push_back(MemberEntry{everyone[i], MemberMark::Add});
        removals.push_back(MemberEntry{everyone[i], MemberMark::Remove});
    }
    // The DNs of the same users, as a plain client knows them: user-N in its unit.
    std::vector<std::string> memberDns;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string &name = everyone[i];
        const auto first = name.find('.'), second = name.find('.', first + 1);
        memberDns.push_back("cn=" + name.substr(0, first) + ",ou=" +
                            name.substr(first + 1, second - first - 1) + ",o=Bench");
    }
    const std::string groupDn = "cn=Bench Group,o=Bench";
    std::array<std::function<void(bool)>, SideCount> update;
    for (int side : {Embedded, LdapBackend})
        update[side] = [&, side](bool add) {
            BenchHost host;
            UpdateGroup(contexts[side], kUpdateGroup, add ? additions : removals, host);
        };
    // The floor: the group's side in a few modifies of many values, the members' pipelined.
    update[Plain] = [&](bool add) {
        Check(plain.BulkMembership(groupDn, memberDns, add), "bulk membership");
    };

    std::printf("\n%u users, %u interleaved repetitions; times in ms (min, median); growth: "
                "Tarnbeck's min per result against the first size's\n",
                users, options.repetitions);
    std::printf("%-52s %8s", "case", "results");
    for (const char *side : kSides)
        std::printf(" %19s", side);
    std::printf(" %7s %7s %7s\n", "T/ldap", "LB/ldap", "growth");
    for (const Case &c : cases) {
        if (!Chosen(c.name, options.only))
            continue;
        std::array<Timings, SideCount> timings;
        std::array<bool, SideCount> ran{};
        // Tarnbeck runs first in each repetition; every other side's result is compared with
        // that one at once and dropped, so no side runs beside the bench's own copies of others.
        std::vector<std::string> expected;
        bool agree = true;
        for (unsigned repetition = 0; repetition < options.repetitions; ++repetition)
            for (int side = 0; side < SideCount; ++side) {
                if (!c.sides[side])
                    continue;
                ran[side] = true;
                Case::Names found;
                timings[side].runs.push_back(Milliseconds([&] { found = c.sides[side](); }));
                std::vector<std::string> result;
                if (c.comparable[side])
                    result = c.comparable[side](std::move(found));
                else if (side == Embedded || side == LdapBackend)
                    result = Folded(std::move(found));
                else
                    result = DottedNames(found);
                if (side == Embedded)
                    expected = std::move(result);
                else if (result != expected)
                    agree = false;
            }
        const double perResult = timings[Embedded].min() /
                                 static_cast<double>(std::max<std::size_t>(1, expected.size()));
        const double first = firstSize.emplace(c.name, perResult).first->second;
        PrintRow(c.name, expected.size(), timings, ran, agree, perResult / first);
    }
    const bool large = users >= kLargeMembers + kLargeAdded &&
                       Chosen("Update: 100 additions to a group of 60,000", options.only);
    if (!Chosen("Update: " + std::to_string(count) + " additions", options.only) && !large) {
        for (const ContextHandle context : contexts)
            FreeContext(context);
        CallsTerminate();
        OverrideClientConfig(std::nullopt);
        return;
    }
    std::array<Timings, SideCount> adding, removing;
    std::array<bool, SideCount> ran{true, true, true, false};
    const unsigned updateRuns =
        Chosen("Update: " + std::to_string(count) + " additions", options.only) ? std::max(1u, options.repetitions / 5) : 0;
    for (unsigned repetition = 0; repetition < updateRuns; ++repetition)
        for (int side : {Embedded, LdapBackend, Plain}) {
            adding[side].runs.push_back(Milliseconds([&] { update[side](true); }));
            removing[side].runs.push_back(Milliseconds([&] { update[side](false); }));
        }
    if (updateRuns) {
        PrintRow("Update: " + std::to_string(count) + " additions", count, adding, ran, true);
        PrintRow("Update: " + std::to_string(count) + " removals", count, removing, ran, true);
    }
    if (large)
        RunLargeGroup(contexts, plain, users);

    for (const ContextHandle context : contexts)
        FreeContext(context);
    CallsTerminate();
    OverrideClientConfig(std::nullopt);
    for (const char *suffix : {"", "-wal", "-shm"})
        fs::remove(store + suffix, ignored);
}

} // namespace

int RunSideBySide(const SideBySideOptions &options) {
    try {
        PerResult firstSize;
        for (const std::uint32_t users : options.sizes)
            RunSize(options, users, firstSize);
        return 0;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "tarnbeck-bench: %s\n", error.what());
        return 1;
    }
}

} // namespace tarnbeck
