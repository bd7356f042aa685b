#include "client_helpers.h"
#include "platform/dsclient/embedded/store_admin.h"
#include "test_tree.h"

#include <algorithm>

namespace dsclient {
namespace {

using namespace testing;

using Names = std::vector<std::string>;

class Search_ : public BothBackends {};
INSTANTIATE_ON_BOTH_BACKENDS(Search_);

TEST_P(Search_, ScopesAndBases) {
    const auto anyUser = Compare("Object Class", FTOK_EQ, "User", SYN_CLASS_NAME);
    EXPECT_EQ(SearchNames(context_, "Sales.Acme", DS_SEARCH_SUBTREE, anyUser).names,
              (Names{"Ann.Sales.Acme", "Joe.Sales.Acme"}));
    EXPECT_EQ(SearchNames(context_, "[root]", DS_SEARCH_SUBTREE, anyUser).names,
              (Names{"Admin.Acme", "Ann.Sales.Acme", "Carl.IT.Acme", "Joe.Sales.Acme"}));
    EXPECT_EQ(SearchNames(context_, "Acme", DS_SEARCH_SUBORDINATES, anyUser).names,
              (Names{"Admin.Acme"}));
    EXPECT_EQ(SearchNames(context_, "Joe.Sales.Acme", DS_SEARCH_ENTRY, anyUser).names,
              (Names{"Joe.Sales.Acme"}));
    EXPECT_EQ(SearchNames(context_, "Sales.Acme", DS_SEARCH_ENTRY, anyUser).names, Names{});
    EXPECT_EQ(SearchNames(context_, "Nowhere.Acme", DS_SEARCH_SUBTREE, anyUser).status,
              status::NoSuchEntry);
    // A unit whose name begins like another's is not part of it.
    ASSERT_EQ(Create(context_, "Sales2.Acme", "Organizational Unit"), status::Ok);
    ASSERT_EQ(Modify(context_, "Sales2.Acme", {{DS_ADD_VALUE, "L", {CI("Berlin")}}}), status::Ok);
    EXPECT_EQ(
        SearchNames(context_, "Sales.Acme", DS_SEARCH_SUBTREE, Compare("L", FTOK_EQ, "Berlin"))
            .names,
        (Names{"Joe.Sales.Acme"}));
}

TEST_P(Search_, ValuesCaseWildcardsAndNumbers) {
    // Indexed equality ignores case for a case-ignore attribute.
    EXPECT_EQ(SearchNames(context_, "[Root]", 2, Compare("l", FTOK_EQ, "BERLIN")).names,
              (Names{"Carl.IT.Acme", "Joe.Sales.Acme"}));
    EXPECT_EQ(SearchNames(context_, "[Root]", 2, Compare("Surname", FTOK_EQ, "*er*")).names,
              (Names{"Ann.Sales.Acme", "Joe.Sales.Acme"}));
    EXPECT_EQ(SearchNames(context_, "[Root]", 2, Compare("Surname", FTOK_EQ, "l*")).names,
              (Names{"Carl.IT.Acme"}));
    // Numbers compare as numbers: 9 < 10 < 100.
    EXPECT_EQ(
        SearchNames(context_, "[Root]", 2, Compare("uidNumber", FTOK_GE, Bytes(10), SYN_INTEGER))
            .names,
        (Names{"Ann.Sales.Acme", "Carl.IT.Acme"}));
    EXPECT_EQ(
        SearchNames(context_, "[Root]", 2, Compare("uidNumber", FTOK_EQ, Bytes(9), SYN_INTEGER))
            .names,
        (Names{"Joe.Sales.Acme"}));
    // Super and auxiliary classes are "Object Class" values.
    EXPECT_EQ(SearchNames(context_, "[Root]", 2,
                          Compare("object class", FTOK_EQ, "person", SYN_CLASS_NAME))
                  .names.size(),
              4u);
    EXPECT_EQ(SearchNames(context_, "[Root]", 2,
                          Compare("Object Class", FTOK_EQ, "posixAccount", SYN_CLASS_NAME))
                  .names,
              (Names{"Ann.Sales.Acme"}));
    // And/or/not, presence.
    auto filter = Join({Compare("L", FTOK_EQ, "berlin"),
                        {{FTOK_NOT}, {FTOK_PRESENT}, {FTOK_ANAME, "Given Name", SYN_CI_STRING}}},
                       FTOK_AND);
    EXPECT_EQ(SearchNames(context_, "[Root]", 2, filter).names, (Names{"Carl.IT.Acme"}));
    EXPECT_EQ(SearchNames(context_, "[Root]", 2, Compare("Unheard Of", FTOK_EQ, "x")).names,
              Names{});
}

TEST_P(Search_, RelativeNamesBaseClassesAndAliases) {
    const std::vector<Token> groupsOrAliases = {{FTOK_LPAREN},
                                                {FTOK_BASECLS},
                                                {FTOK_ANAME, "Group", SYN_CI_STRING},
                                                {FTOK_OR},
                                                {FTOK_BASECLS},
                                                {FTOK_ANAME, "alias", SYN_CI_STRING},
                                                {FTOK_RPAREN},
                                                {FTOK_AND},
                                                {FTOK_RDN},
                                                {FTOK_ANAME, "*s*", SYN_CI_STRING}};
    EXPECT_EQ(SearchNames(context_, "[Root]", 2, groupsOrAliases).names,
              (Names{"Admins.Acme", "JoeAlias.IT.Acme", "Staff.Sales.Acme"}));
    const std::vector<Token> anyJ = {{FTOK_BASECLS},
                                     {FTOK_ANAME, "*", SYN_CI_STRING},
                                     {FTOK_AND},
                                     {FTOK_RDN},
                                     {FTOK_ANAME, "j*", SYN_CI_STRING}};
    EXPECT_EQ(SearchNames(context_, "[Root]", 2, anyJ).names,
              (Names{"Joe.Sales.Acme", "JoeAlias.IT.Acme"}));
    // The alias in IT is not followed to Joe.
    EXPECT_EQ(SearchNames(context_, "IT.Acme", 2, Compare("Given Name", FTOK_EQ, "Joe")).names,
              Names{});
}

TEST_P(Search_, AReferenceComparesExactlyAStarIncluded) {
    ASSERT_EQ(Create(context_, "S*.Sales.Acme", "Group"), status::Ok);
    ASSERT_EQ(Modify(context_, "Ann.Sales.Acme",
                     {{DS_ADD_VALUE, "Group Membership", {DN("S*.Sales.Acme")}}}),
              status::Ok);
    ASSERT_EQ(Modify(context_, "Joe.Sales.Acme",
                     {{DS_ADD_VALUE, "Group Membership", {DN("Staff.Sales.Acme")}}}),
              status::Ok);
    const auto holders = [&](std::uint32_t op, const std::string &group) {
        const auto holds = Compare("Group Membership", op, group, SYN_DIST_NAME);
        return SearchNames(context_, "[Root]", 2, holds).names;
    };
    EXPECT_EQ(holders(FTOK_EQ, "S*.Sales.Acme"), Names{"Ann.Sales.Acme"});
    EXPECT_EQ(holders(FTOK_EQ, "s*.SALES.acme"), Names{"Ann.Sales.Acme"});
    EXPECT_EQ(holders(FTOK_APPROX, "S*.Sales.Acme"), Names{"Ann.Sales.Acme"});
    EXPECT_EQ(holders(FTOK_EQ, "Staff.Sales.Acme"), Names{"Joe.Sales.Acme"});
    EXPECT_EQ(holders(FTOK_EQ, "St*.Sales.Acme"), Names{});
    EXPECT_EQ(holders(FTOK_EQ, "*"), Names{});
    // Names have no order.
    EXPECT_EQ(holders(FTOK_GE, "A.Acme"), Names{});
    // Beside another member of an and, whichever of them leads the search.
    const auto both = Join({Compare("Group Membership", FTOK_EQ, "S*.Sales.Acme", SYN_DIST_NAME),
                            Compare("Surname", FTOK_EQ, "B*")},
                           FTOK_AND);
    EXPECT_EQ(SearchNames(context_, "Sales.Acme", 2, both).names, Names{"Ann.Sales.Acme"});
}

// "x\" in Weird and "x.Weird" in Acme were once both written x\.Weird.Acme.
TEST_P(Search_, EveryObjectHasANameOfItsOwnThatLeadsBackToIt) {
    const std::string inWeird = "x\\\\.Weird.Acme", inAcme = "x\\.Weird.Acme";
    ASSERT_EQ(Create(context_, "Weird.Acme", "Organizational Unit"), status::Ok);
    ASSERT_EQ(Create(context_, inWeird, "Group"), status::Ok);
    ASSERT_EQ(Create(context_, inAcme, "Group"), status::Ok);
    const std::vector<Token> xs = {{FTOK_BASECLS},
                                   {FTOK_ANAME, "Group", SYN_CI_STRING},
                                   {FTOK_AND},
                                   {FTOK_RDN},
                                   {FTOK_ANAME, "x*", SYN_CI_STRING}};
    const Names found = SearchNames(context_, "Acme", DS_SEARCH_SUBTREE, xs).names;
    ASSERT_EQ(found, (Names{inAcme, inWeird}));
    EXPECT_EQ(SearchNames(context_, "Weird.Acme", DS_SEARCH_SUBORDINATES, xs).names,
              Names{inWeird});
    for (const auto &name : found)
        ASSERT_EQ(Modify(context_, "Staff.Sales.Acme", {{DS_ADD_VALUE, "Member", {DN(name)}}}),
                  status::Ok)
            << name;
    EXPECT_EQ(ReadAttribute(context_, "Staff.Sales.Acme", "Member").values,
              (std::vector<AttrValue>{DN(inAcme), DN(inWeird)}));
}

TEST_P(Search_, WhatIsWrittenIsFoundByTheNameOrValueAsWritten) {
    ASSERT_EQ(Create(context_, "a\\.b.Acme", "Group"), status::Ok);
    for (const char *written : {"a\\.b", "A\\.*", "a.b"})
        EXPECT_EQ(SearchNames(context_, "Acme", DS_SEARCH_SUBTREE,
                              {{FTOK_RDN}, {FTOK_ANAME, written, SYN_CI_STRING}})
                      .names,
                  Names{"a\\.b.Acme"})
            << written;
    ASSERT_EQ(Modify(context_, "Carl.IT.Acme", {{DS_ADD_VALUE, "Title", {CI("  Lead  Dev ")}}}),
              status::Ok);
    for (const char *wanted : {"Lead Dev", "lead dev ", "  Lead  Dev ", "Lead D*"})
        EXPECT_EQ(
            SearchNames(context_, "[Root]", DS_SEARCH_SUBTREE, Compare("Title", FTOK_EQ, wanted))
                .names,
            Names{"Carl.IT.Acme"})
            << wanted;
}

// Names changed in the store after the client started: the embedded tree only.
using StoreSearch = ClientTest;

TEST_F(StoreSearch, NamesAreTextWithoutRegardToCaseBeyondAscii) {
    {
        std::unique_ptr<embedded::StoreAdmin> admin;
        ASSERT_EQ(embedded::StoreAdmin::Open(dir_.file("demo.db"), admin), status::Ok);
        ASSERT_EQ(admin->AddObject("\xc3\x84rzte.Acme", "Organizational Unit", {}), status::Ok);
        ASSERT_EQ(admin->AddObject("\xc3\x84nne.\xc3\x84rzte.Acme", "User", {{"Surname", CI("x")}}),
                  status::Ok);
        EXPECT_EQ(admin->AddObject("\xc3\xa4NNE.\xc3\xa4rzte.acme", "User", {{"Surname", CI("y")}}),
                  status::EntryAlreadyExists);
        EXPECT_EQ(admin->AddObject("\xff\xfe.Acme", "Organizational Unit", {}),
                  status::IllegalName);
        EXPECT_EQ(admin->AddObject("a\xc3.Acme", "Organizational Unit", {}), status::IllegalName);
        // A comma in a name, as a context typed with naming types escapes it.
        ASSERT_EQ(admin->AddObject("a,b.Acme", "Organizational Unit", {}), status::Ok);
        ASSERT_EQ(admin->AddObject("Kim.a,b.Acme", "User", {{"Surname", CI("x")}}), status::Ok);
    }
    std::string canonical;
    ObjectInfo info;
    EXPECT_EQ(ReadObjectInfo(context_, "\xc3\xa4nne.\xc3\x84RZTE.acme", canonical, info),
              status::Ok);
    EXPECT_EQ(canonical, "\xc3\x84nne.\xc3\x84rzte.Acme");
    EXPECT_EQ(ReadObjectInfo(context_, "\xff.Acme", canonical, info), status::IllegalName);
    const auto x = Compare("Surname", FTOK_EQ, "x");
    EXPECT_EQ(SearchNames(context_, "\xc3\xa4rzte.acme", DS_SEARCH_SUBORDINATES, x).names,
              Names{"\xc3\x84nne.\xc3\x84rzte.Acme"});
    EXPECT_EQ(SearchNames(context_, "a\\,b.acme", DS_SEARCH_SUBORDINATES, x).names,
              Names{"Kim.a,b.Acme"});
    EXPECT_EQ(SearchNames(context_, "[Root]", DS_SEARCH_SUBTREE, x).names,
              (Names{"Kim.a,b.Acme", "\xc3\x84nne.\xc3\x84rzte.Acme"}));
}

TEST_P(Search_, ResultsStreamOverPassesAndIncompleteFiltersAreRefused) {
    const auto all = Compare("Object Class", FTOK_EQ, "Top", SYN_CLASS_NAME);
    const auto whole = SearchNames(context_, "[Root]", 2, all);
    const auto small = SearchNames(context_, "[Root]", 2, all, 64);
    EXPECT_EQ(small.status, status::Ok);
    EXPECT_EQ(small.names, whole.names);
    EXPECT_EQ(whole.names.size(), 11u); // every object but the root
    EXPECT_EQ(LiveIterationCount(context_), 0u);

    FilterPtr filter;
    ASSERT_EQ(AllocFilter(filter), status::Ok);
    ASSERT_EQ(AddFilterToken(*filter, FTOK_ANAME, "L", SYN_CI_STRING), status::Ok);
    BufferPtr buffer;
    ASSERT_EQ(AllocBuffer(kDefaultBufferSize, buffer), status::Ok);
    ASSERT_EQ(InitBuffer(context_, DSV_SEARCH_FILTER, *buffer), status::Ok);
    EXPECT_EQ(PutFilter(context_, *buffer, filter), status::InvalidRequest);
    EXPECT_FALSE(filter); // taken over even when refused
}

// ---- listings and schema ----------------------------------------------------------------

class Listing : public BothBackends {};
INSTANTIATE_ON_BOTH_BACKENDS(Listing);

Names ListNames(ContextHandle context, const std::string &parent, bool containersOnly,
                Status &status, std::vector<ObjectInfo> *infos = nullptr) {
    Names names;
    BufferPtr result;
    EXPECT_EQ(AllocBuffer(128, result), status::Ok);
    IterationHandle iteration = kNoIteration;
    do {
        status = containersOnly ? ListContainers(context, parent, iteration, *result)
                                : List(context, parent, iteration, *result);
        if (status != status::Ok)
            return names;
        std::uint32_t count = 0;
        EXPECT_EQ(GetObjectCount(context, *result, count), status::Ok);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::string name;
            std::uint32_t attributes = 0;
            ObjectInfo info;
            EXPECT_EQ(GetObjectName(context, *result, name, attributes, info), status::Ok);
            names.push_back(name);
            if (infos)
                infos->push_back(info);
        }
    } while (iteration != kNoIteration);
    return names;
}

TEST_P(Listing, SubordinatesContainersAndRemoval) {
    Status status = status::Ok;
    std::vector<ObjectInfo> infos;
    EXPECT_EQ(ListNames(context_, "Sales.Acme", false, status, &infos),
              (Names{"Ann", "Joe", "Staff"}));
    ASSERT_EQ(infos.size(), 3u);
    EXPECT_EQ(infos[2].baseClass, "Group");
    EXPECT_EQ(ListNames(context_, "[Root]", true, status), Names{"Acme"});
    EXPECT_EQ(ListNames(context_, "Acme", true, status), (Names{"IT", "Sales"}));
    EXPECT_EQ(ListNames(context_, "Joe.Sales.Acme", false, status), Names{});
    EXPECT_EQ(status, status::Ok);
    ListNames(context_, "Ghost.Acme", false, status);
    EXPECT_EQ(status, status::NoSuchEntry);

    ASSERT_EQ(Create(context_, "Dot\\.Com.Acme", "Organizational Unit"), status::Ok);
    EXPECT_EQ(ListNames(context_, "Acme", true, status), (Names{"Dot\\.Com", "IT", "Sales"}));
    EXPECT_EQ(Create(context_, "Dot\\.Com.Acme", "Organizational Unit"),
              status::EntryAlreadyExists);
    EXPECT_EQ(Create(context_, "X.Joe.Sales.Acme", "Group"), status::IllegalContainment);
    EXPECT_EQ(Create(context_, "X.Acme", "Nothing"), status::NoSuchClass);
    EXPECT_EQ(Create(context_, "X.Acme", "User"), status::MissingMandatory);
    EXPECT_EQ(RemoveObject(context_, "Sales.Acme"), status::EntryIsNotLeaf);
    EXPECT_EQ(RemoveObject(context_, "[Root]"), status::InvalidRequest);
    ASSERT_EQ(RemoveObject(context_, "Dot\\.Com.Acme"), status::Ok);
    EXPECT_EQ(RemoveObject(context_, "Dot\\.Com.Acme"), status::NoSuchEntry);
}

// What a listing shows of each child: whether it can be opened, its class, an alias; and a
// name whose last character is a backslash, written doubled, stays one name.
TEST_P(Listing, DetailsOfContainersAliasesAndOddNames) {
    ASSERT_EQ(Create(context_, "Empty.Acme", "Organizational Unit"), status::Ok);
    ASSERT_EQ(Create(context_, "Back\\\\.Acme", "Group"), status::Ok);
    Status status = status::Ok;
    std::vector<ObjectInfo> infos;
    EXPECT_EQ(ListNames(context_, "Acme", false, status, &infos),
              (Names{"Admin", "Admins", "Back\\\\", "Empty", "IT", "Sales"}));
    ASSERT_EQ(infos.size(), 6u);
    for (const std::size_t unit : {3, 4, 5})
        EXPECT_TRUE(infos[unit].entryFlags & DS_CONTAINER_ENTRY) << unit;
    EXPECT_EQ(infos[3].subordinateCount, 0u);
    EXPECT_NE(infos[5].subordinateCount, 0u);
    EXPECT_EQ(infos[1].baseClass, "Group");
    EXPECT_EQ(infos[1].entryFlags, 0u);
    EXPECT_EQ(infos[2].baseClass, "Group");

    infos.clear();
    EXPECT_EQ(ListNames(context_, "IT.Acme", false, status, &infos),
              (Names{"Carl", "JoeAlias", "WS1"}));
    ASSERT_EQ(infos.size(), 3u);
    EXPECT_EQ(infos[0].baseClass, "User");
    EXPECT_EQ(infos[1].baseClass, "Alias");
    EXPECT_EQ(infos[1].entryFlags, std::uint32_t{DS_ALIAS_ENTRY});
    EXPECT_EQ(infos[2].baseClass, "Workstation");
    EXPECT_EQ(infos[2].subordinateCount, 0u);
}

Names Containable(ContextHandle context, const std::string &parent, Status &status) {
    Names classes;
    BufferPtr result;
    EXPECT_EQ(AllocBuffer(kDefaultBufferSize, result), status::Ok);
    IterationHandle iteration = kNoIteration;
    status = ListContainableClasses(context, parent, iteration, *result);
    if (status != status::Ok)
        return classes;
    std::uint32_t count = 0;
    EXPECT_EQ(GetClassItemCount(context, *result, count), status::Ok);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string name;
        EXPECT_EQ(GetClassItem(context, *result, name), status::Ok);
        classes.push_back(name);
    }
    EXPECT_EQ(iteration, kNoIteration);
    return classes;
}

TEST_P(Listing, SchemaQuestions) {
    Status status = status::Ok;
    const Names underOrganisation = Containable(context_, "Acme", status);
    ASSERT_EQ(status, status::Ok);
    for (const char *expected : {"User", "Group", "Organizational Unit", "Workstation Group"})
        EXPECT_NE(std::find(underOrganisation.begin(), underOrganisation.end(), expected),
                  underOrganisation.end())
            << expected;
    for (const char *absent : {"Country", "Organization", "Person", "posixAccount", "Top"})
        EXPECT_EQ(std::find(underOrganisation.begin(), underOrganisation.end(), absent),
                  underOrganisation.end())
            << absent;
    EXPECT_EQ(Containable(context_, "[Root]", status),
              (Names{"Alias", "Country", "domain", "Organization"}));
    EXPECT_TRUE(Containable(context_, "Joe.Sales.Acme", status).empty());
    EXPECT_EQ(status, status::IllegalContainment);

    std::uint32_t syntax = 0;
    EXPECT_EQ(GetSyntaxId(context_, "group membership", syntax), status::Ok);
    EXPECT_EQ(syntax, std::uint32_t{SYN_DIST_NAME});
    EXPECT_EQ(GetSyntaxId(context_, "Shoe Size", syntax), status::NoSuchAttribute);

    // All definitions, in passes, cover every value syntax.
    BufferPtr result;
    ASSERT_EQ(AllocBuffer(512, result), status::Ok);
    IterationHandle iteration = kNoIteration;
    std::vector<bool> seen(kHighestValueSyntax + 1, false);
    std::size_t definitions = 0;
    do {
        ASSERT_EQ(
            ReadAttributeDefinitions(context_, DS_ATTR_DEFS, true, nullptr, iteration, *result),
            status::Ok);
        std::uint32_t count = 0;
        ASSERT_EQ(GetAttributeCount(context_, *result, count), status::Ok);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::string name;
            AttributeDefinition definition;
            ASSERT_EQ(GetAttributeDefinition(context_, *result, name, definition), status::Ok);
            ASSERT_LE(definition.syntax, kHighestValueSyntax);
            seen[definition.syntax] = true;
            ++definitions;
            if (name == "Home Directory") {
                EXPECT_TRUE(definition.flags & DS_SINGLE_VALUED_ATTR);
            }
        }
    } while (iteration != kNoIteration);
    EXPECT_GT(definitions, 50u);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), false), 0);
}

TEST_P(Listing, SecurityEquivalenceOnBothSides) {
    ASSERT_EQ(AddSecurityEquivalence(context_, "Joe.Sales.Acme", "Staff.Sales.Acme"), status::Ok);
    EXPECT_EQ(AddSecurityEquivalence(context_, "joe.sales.acme", "STAFF.Sales.Acme"),
              status::Ok); // holds already: harmless
    EXPECT_EQ(ReadAttribute(context_, "Joe.Sales.Acme", "Security Equals").values,
              std::vector<AttrValue>{DN("Staff.Sales.Acme")});
    EXPECT_EQ(ReadAttribute(context_, "Staff.Sales.Acme", "Equivalent To Me").values,
              std::vector<AttrValue>{DN("Joe.Sales.Acme")});
    EXPECT_EQ(AddSecurityEquivalence(context_, "Joe.Sales.Acme", "Ghost.Acme"),
              status::NoSuchEntry);
    ASSERT_EQ(RemoveSecurityEquivalence(context_, "Joe.Sales.Acme", "Staff.Sales.Acme"),
              status::Ok);
    EXPECT_EQ(RemoveSecurityEquivalence(context_, "Joe.Sales.Acme", "Staff.Sales.Acme"),
              status::NoSuchValue);
    EXPECT_EQ(ReadAttribute(context_, "Staff.Sales.Acme", "Equivalent To Me").status,
              status::NoSuchAttribute);

    // Half an equivalence is completed by an add, and taken away by a remove.
    ASSERT_EQ(Modify(context_, "Staff.Sales.Acme",
                     {{DS_ADD_VALUE, "Equivalent To Me", {DN("Joe.Sales.Acme")}}}),
              status::Ok);
    ASSERT_EQ(AddSecurityEquivalence(context_, "Joe.Sales.Acme", "Staff.Sales.Acme"), status::Ok);
    EXPECT_EQ(ReadAttribute(context_, "Joe.Sales.Acme", "Security Equals").values,
              std::vector<AttrValue>{DN("Staff.Sales.Acme")});
    ASSERT_EQ(Modify(context_, "Joe.Sales.Acme",
                     {{DS_REMOVE_VALUE, "Security Equals", {DN("Staff.Sales.Acme")}}}),
              status::Ok);
    EXPECT_EQ(RemoveSecurityEquivalence(context_, "Joe.Sales.Acme", "Staff.Sales.Acme"),
              status::Ok);
    EXPECT_EQ(ReadAttribute(context_, "Staff.Sales.Acme", "Equivalent To Me").status,
              status::NoSuchAttribute);
}

} // namespace
} // namespace dsclient
