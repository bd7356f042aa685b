#include "client_helpers.h"
#include "platform/dsclient/embedded/value_codec.h"
#include "platform/dsclient/filter.h"
#include "test_tree.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <sstream>

namespace dsclient {
namespace {

using namespace testing;
using embedded::CreateStore;
using embedded::StoreAdmin;

std::string ReadBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

AttrValue CI(const char *text) {
    return AttrValue{SYN_CI_STRING, Text{text}};
}

TEST(StoreFiles, UnusableFilesAreRefusedAndNeverCreated) {
    TempDir dir;
    std::unique_ptr<StoreAdmin> admin;

    const std::string missing = dir.file("missing.db");
    EXPECT_EQ(StoreAdmin::Open(missing, admin), status::ClientNotConfigured);
    EXPECT_FALSE(std::filesystem::exists(missing));

    const std::string empty = dir.file("empty.db");
    WriteBytes(empty, "");
    EXPECT_EQ(StoreAdmin::Open(empty, admin), status::ClientNotConfigured);
    EXPECT_EQ(ReadBytes(empty), "");

    const std::string corrupt = dir.file("corrupt.db");
    WriteBytes(corrupt, std::string(8192, '\x5a'));
    EXPECT_EQ(StoreAdmin::Open(corrupt, admin), status::ClientNotConfigured);

    // A real SQLite file of somebody else's is left alone.
    const std::string foreign = dir.file("foreign.db");
    ASSERT_EQ(CreateStore(foreign, "X"), status::Ok);
    std::string bytes = ReadBytes(foreign);
    const auto marker = bytes.find("tarnbeck-directory-store");
    ASSERT_NE(marker, std::string::npos);
    bytes[marker] = 'T';
    WriteBytes(foreign, bytes);
    std::filesystem::remove(foreign + "-wal");
    EXPECT_EQ(StoreAdmin::Open(foreign, admin), status::ClientNotConfigured);

    EXPECT_EQ(StoreAdmin::Open(dir.path().string(), admin), status::ClientNotConfigured);
    EXPECT_FALSE(admin);
}

TEST(StoreFiles, EachFaultOfAStoreIsToldApartAndNamesTheFile) {
    TempDir dir;
    BuildLabTree(dir.file("lab.db"));
    WriteBytes(dir.file("empty.db"), "");
    WriteBytes(dir.file("foreign.db"), std::string(8192, '\x5a'));
    // A store cut short after its first page.
    BuildLabTree(dir.file("damaged.db"));
    std::filesystem::resize_file(dir.file("damaged.db"), 4096);
    ClientConfig config;
    config.primaryTree = "LAB_TREE";
    config.trees = {TreeConfig{"LAB_TREE", "embedded", dir.file("lab.db"), "", "", "", "L"}};
    const std::pair<const char *, const char *> faults[] = {{"missing.db", "does not exist"},
                                                            {"empty.db", "is empty"},
                                                            {"foreign.db", "is not a tree store"},
                                                            {"damaged.db", "is damaged"}};
    for (const auto &[file, fault] : faults)
        config.trees.push_back(TreeConfig{file, "embedded", dir.file(file), "", "", "", file});
    OverrideClientConfig(config);
    ASSERT_EQ(CallsInitialize(), status::Ok);
    for (const auto &[file, fault] : faults) {
        std::string problem;
        EXPECT_EQ(GetTreeProblem(file, problem), status::ClientNotConfigured);
        EXPECT_NE(problem.find(dir.file(file) + " of tree " + file + " " + fault),
                  std::string::npos)
            << problem;
    }
    CallsTerminate();
    OverrideClientConfig(std::nullopt);
}

TEST(StoreFiles, StoreFilesAreReadableByTheirOwnerOnly) {
    const mode_t umaskBefore = umask(0);
    TempDir dir;
    const std::string path = dir.file("t.db");
    ASSERT_EQ(CreateStore(path, "T"), status::Ok);
    std::unique_ptr<StoreAdmin> admin;
    ASSERT_EQ(StoreAdmin::Open(path, admin), status::Ok);
    ASSERT_EQ(admin->AddObject("Acme", "Organization", {}), status::Ok);
    umask(umaskBefore);
    for (const std::string &file : {path, path + "-wal", path + "-shm"}) {
        struct stat info {};
        ASSERT_EQ(stat(file.c_str(), &info), 0) << file;
        EXPECT_EQ(info.st_mode & 0077, 0u) << file;
    }
}

TEST(StoreFiles, CreateRefusesAnExistingFile) {
    TempDir dir;
    ASSERT_EQ(CreateStore(dir.file("t.db"), "T"), status::Ok);
    EXPECT_EQ(CreateStore(dir.file("t.db"), "T"), status::EntryAlreadyExists);
    WriteBytes(dir.file("other"), "keep me");
    EXPECT_EQ(CreateStore(dir.file("other"), "T"), status::EntryAlreadyExists);
    EXPECT_EQ(ReadBytes(dir.file("other")), "keep me");
}

TEST(StoreFiles, ObjectsPersistAcrossReopenAndDump) {
    TempDir dir;
    testing::BuildDemoTree(dir.file("demo.db"));
    std::unique_ptr<StoreAdmin> admin;
    ASSERT_EQ(StoreAdmin::Open(dir.file("demo.db"), admin), status::Ok);
    std::ostringstream dump;
    ASSERT_EQ(admin->Dump(dump), status::Ok);
    const std::string text = dump.str();
    EXPECT_NE(text.find("Joe.Sales.Acme (User)"), std::string::npos);
    EXPECT_NE(text.find("  Surname: Miller"), std::string::npos);
    EXPECT_NE(text.find("  Object Class: Organizational Person"), std::string::npos);
    EXPECT_NE(text.find("  Security Equals: Admins.Acme"), std::string::npos);
    EXPECT_NE(text.find("  Equivalent To Me: Admin.Acme"), std::string::npos);
}

TEST(StoreFiles, PasswordsAreKeptOnlyAsHashes) {
    TempDir dir;
    const std::string path = dir.file("lab.db");
    testing::BuildLabTree(path);
    std::string everything;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
        everything += ReadBytes(entry.path().string());
    EXPECT_NE(everything.find("Bob"), std::string::npos); // the scan does see the content
    EXPECT_EQ(everything.find(testing::kLabPassword), std::string::npos);
    EXPECT_NE(everything.find("$argon2"), std::string::npos);
}

TEST(StoreAdministration, AddObjectChecksLikeTheDirectory) {
    TempDir dir;
    ASSERT_EQ(CreateStore(dir.file("t.db"), "T"), status::Ok);
    std::unique_ptr<StoreAdmin> admin;
    ASSERT_EQ(StoreAdmin::Open(dir.file("t.db"), admin), status::Ok);
    EXPECT_EQ(admin->AddObject("Joe", "User", {{"Surname", CI("J")}}),
              status::IllegalContainment); // users live in organisations, not at the root
    ASSERT_EQ(admin->AddObject("Acme", "Organization", {}), status::Ok);
    EXPECT_EQ(admin->AddObject("Acme", "Organization", {}), status::EntryAlreadyExists);
    EXPECT_EQ(admin->AddObject("ACME", "Organization", {}), status::EntryAlreadyExists);
    EXPECT_EQ(admin->AddObject("X.Nowhere", "Organizational Unit", {}), status::NoSuchEntry);
    EXPECT_EQ(admin->AddObject("X.Acme", "Spaceship", {}), status::NoSuchClass);
    EXPECT_EQ(admin->AddObject("X.Acme", "Person", {}), status::NoSuchClass); // not effective
    EXPECT_EQ(admin->AddObject("Joe.Acme", "User", {}), status::MissingMandatory);
    EXPECT_EQ(admin->AddObject("Joe.Acme", "User", {{"Bogus", CI("x")}}), status::NoSuchAttribute);
    EXPECT_EQ(
        admin->AddObject("Joe.Acme", "User", {{"Surname", AttrValue{SYN_CI_STRING, Integer{1}}}}),
        status::SyntaxViolation);
    ASSERT_EQ(admin->AddObject("Joe.Acme", "User", {{"Surname", CI("J")}}), status::Ok);
    EXPECT_EQ(admin->AddObject("Leaf.Joe.Acme", "Group", {}), status::IllegalContainment);
    EXPECT_EQ(
        admin->AddObject("Bad.Acme", "Alias",
                         {{"Aliased Object Name", AttrValue{SYN_DIST_NAME, Text{"No.Acme"}}}}),
        status::NoSuchEntry);
    EXPECT_EQ(admin->AddObject(std::string(260, 'x') + ".Acme", "Group", {}), status::IllegalName);
    EXPECT_EQ(admin->AddValue("Joe.Acme", "Surname", CI("j")), status::DuplicateValue);
    EXPECT_EQ(admin->AddValue("Joe.Acme", "Login Disabled", AttrValue{SYN_BOOLEAN, Boolean{}}),
              status::Ok);
    EXPECT_EQ(admin->AddValue("Joe.Acme", "Login Disabled", AttrValue{SYN_BOOLEAN, Boolean{true}}),
              status::CantHaveMultipleValues);
}

// A search judges values from the index entries of their equality keys: a value rebuilt from
// its equality key compares as the one rebuilt from its search key, which compares as the value.
TEST(StoreSearch, ValuesRebuiltFromEqualityKeysAreThoseOfTheSearchKeys) {
    const std::vector<AttrValue> stored = {CI("Sales Dept"),
                                           AttrValue{SYN_CE_STRING, Text{"Sales Dept"}},
                                           AttrValue{SYN_TEL_NUMBER, Text{"+1 555 0100"}},
                                           DN("Joe.Sales.Acme"),
                                           AttrValue{SYN_INTEGER, Integer{-12}},
                                           AttrValue{SYN_COUNTER, Integer{7}},
                                           AttrValue{SYN_TIME, Time{4000000000u}},
                                           AttrValue{SYN_BOOLEAN, Boolean{true}}};
    for (const AttrValue &value : stored)
        EXPECT_EQ(embedded::ComparableValue(value.syntax, embedded::EqualityKey(value)),
                  ValueOfIndexKey(value.syntax, *IndexKey(value)));
}

// ---- stores written before names folded case beyond ASCII ---------------------------------

// Runs `sql` on the store's file with `text` bound to its parameters, as another program would.
void RawSql(const std::string &path, const char *sql, std::vector<std::string> texts = {}) {
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_stmt *statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, sql, -1, &statement, nullptr), SQLITE_OK) << sql;
    for (std::size_t i = 0; i < texts.size(); ++i)
        sqlite3_bind_blob(statement, static_cast<int>(i + 1), texts[i].data(),
                          static_cast<int>(texts[i].size()), SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE) << sql;
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

std::string LowerAscii(std::string text) {
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Gives an object the keys a store of the earlier kind gave it: its name lowered in ASCII only,
// root first, each component ended by byte 1.
void GiveAsciiKeys(const std::string &path, const std::string &name,
                   const std::vector<std::string> &rootFirst) {
    std::string key;
    for (const auto &component : rootFirst)
        key += LowerAscii(component) + '\x01';
    RawSql(path,
           "UPDATE objects SET path_key = CAST(? AS TEXT), rdn_lc = CAST(? AS TEXT) "
           "WHERE name = CAST(? AS TEXT)",
           {key, LowerAscii(rootFirst.back()), name});
}

TEST(StoreNames, AnEarlierStoreOpensAndFindsEveryObject) {
    TempDir dir;
    const std::string path = dir.file("demo.db");
    BuildDemoTree(path);
    {
        std::unique_ptr<StoreAdmin> admin;
        ASSERT_EQ(StoreAdmin::Open(path, admin), status::Ok);
        ASSERT_EQ(admin->AddObject("\xc3\x84rzte.Acme", "Organizational Unit", {}), status::Ok);
        ASSERT_EQ(admin->AddObject("\xc3\x96z.\xc3\x84rzte.Acme", "User", {{"Surname", CI("x")}}),
                  status::Ok);
    }
    RawSql(path, "DELETE FROM tree_info WHERE key = 'name_keys'");
    RawSql(path, "DROP INDEX vals_keyed");
    RawSql(path, "CREATE INDEX vals_key ON vals(attr_id, ikey)");
    GiveAsciiKeys(path, "\xc3\x84rzte.Acme", {"Acme", "\xc3\x84rzte"});
    GiveAsciiKeys(path, "\xc3\x96z.\xc3\x84rzte.Acme", {"Acme", "\xc3\x84rzte", "\xc3\x96z"});
    // Not a name a store takes today, but one an earlier store may hold: its key sorts last.
    RawSql(path,
           "INSERT INTO objects(parent_id, name, rdn, rdn_lc, path_key, base_class, flags, "
           "modified) SELECT id, CAST(? AS TEXT), CAST(? AS TEXT), CAST(? AS TEXT), "
           "CAST(? AS TEXT), 'Organization', 4, 0 FROM objects WHERE path_key = ''",
           {"\xffOld", "\xffOld", "\xffold", "\xffold\x01"});

    ClientConfig config;
    config.primaryTree = "DEMO_TREE";
    config.trees = {TreeConfig{"DEMO_TREE", "embedded", path, "Admin.Acme", "", "", "D"}};
    OverrideClientConfig(config);
    ASSERT_EQ(CallsInitialize(), status::Ok);
    ContextHandle context = 0;
    ASSERT_EQ(CreateContext(context), status::Ok);
    std::string canonical;
    ObjectInfo info;
    EXPECT_EQ(ReadObjectInfo(context, "\xc3\xb6Z.\xc3\xa4RZTE.acme", canonical, info), status::Ok);
    EXPECT_EQ(canonical, "\xc3\x96z.\xc3\x84rzte.Acme");
    EXPECT_EQ(ReadAttribute(context, "joe.sales.acme", "Surname").values,
              std::vector<AttrValue>{CI("Miller")});
    EXPECT_EQ(Create(context, "\xc3\xa4RZTE.Acme", "Organizational Unit"),
              status::EntryAlreadyExists);
    // Every key lies in the root's subtree.
    FilterPtr filter;
    ASSERT_EQ(AllocFilter(filter), status::Ok);
    ASSERT_EQ(AddFilterToken(*filter, FTOK_BASECLS, "", 0), status::Ok);
    ASSERT_EQ(AddFilterToken(*filter, FTOK_ANAME, "Organization", SYN_CI_STRING), status::Ok);
    ASSERT_EQ(AddFilterToken(*filter, FTOK_END, "", 0), status::Ok);
    BufferPtr filterBuffer, result;
    ASSERT_EQ(AllocBuffer(kDefaultBufferSize, filterBuffer), status::Ok);
    ASSERT_EQ(AllocBuffer(kDefaultBufferSize, result), status::Ok);
    ASSERT_EQ(InitBuffer(context, DSV_SEARCH_FILTER, *filterBuffer), status::Ok);
    ASSERT_EQ(PutFilter(context, *filterBuffer, filter), status::Ok);
    IterationHandle iteration = kNoIteration;
    std::int32_t searched = 0;
    ASSERT_EQ(Search(context, "[Root]", DS_SEARCH_SUBTREE, false, *filterBuffer, DS_ATTRIBUTE_NAMES,
                     false, nullptr, iteration, 0, searched, *result),
              status::Ok);
    EXPECT_EQ(searched, 2);
    CallsTerminate();
    OverrideClientConfig(std::nullopt);

    std::unique_ptr<StoreAdmin> admin;
    ASSERT_EQ(StoreAdmin::Open(path, admin), status::Ok);
    std::string problems;
    EXPECT_EQ(admin->CheckIntegrity(problems), status::Ok) << problems;
}

// An earlier store wrote "x\" in Weird as x\.Weird.Acme, the name of x.Weird in Acme too, and
// indexed text with the blanks at its ends.
TEST(StoreNames, AnEarlierStoresNameOfTwoObjectsIsWrittenApartAndItsTextIsFound) {
    TempDir dir;
    const std::string path = dir.file("demo.db");
    BuildDemoTree(path);
    {
        std::unique_ptr<StoreAdmin> admin;
        ASSERT_EQ(StoreAdmin::Open(path, admin), status::Ok);
        ASSERT_EQ(admin->AddObject("Weird.Acme", "Organizational Unit", {}), status::Ok);
        for (const char *group : {"x\\\\.Weird.Acme", "x\\.Weird.Acme", "a\\.b.Acme"})
            ASSERT_EQ(admin->AddObject(group, "Group", {}), status::Ok) << group;
        ASSERT_EQ(admin->AddObject("Kim.Acme", "User",
                                   {{"Surname", CI("x")}, {"Title", CI("  Lead  Dev ")}}),
                  status::Ok);
    }
    RawSql(path, "DELETE FROM tree_info WHERE key IN ('name_escapes', 'text_keys')");
    RawSql(path, "UPDATE vals SET ikey = '  lead  dev ' WHERE ikey = 'lead dev'");
    RawSql(path, "UPDATE objects SET name = 'x\\.Weird.Acme' WHERE name = 'x\\\\.Weird.Acme'");

    ClientConfig config;
    config.primaryTree = "DEMO_TREE";
    config.trees = {TreeConfig{"DEMO_TREE", "embedded", path, "Admin.Acme", "", "", "D"}};
    OverrideClientConfig(config);
    ASSERT_EQ(CallsInitialize(), status::Ok);
    ContextHandle context = 0;
    ASSERT_EQ(CreateContext(context), status::Ok);
    for (const std::string name : {"x\\\\.Weird.Acme", "x\\.Weird.Acme", "a\\.b.Acme"}) {
        std::string canonical;
        ObjectInfo info;
        EXPECT_EQ(ReadObjectInfo(context, name, canonical, info), status::Ok) << name;
        EXPECT_EQ(canonical, name);
    }
    EXPECT_EQ(SearchNames(context, "Acme", DS_SEARCH_SUBTREE, Compare("Title", FTOK_EQ, "Lead Dev"))
                  .names,
              std::vector<std::string>{"Kim.Acme"});
    CallsTerminate();
    OverrideClientConfig(std::nullopt);
}

TEST(StoreNames, NamesOnlyCaseApartInAnEarlierStoreKeepTheirKeys) {
    TempDir dir;
    const std::string path = dir.file("t.db");
    ASSERT_EQ(CreateStore(path, "T"), status::Ok);
    {
        std::unique_ptr<StoreAdmin> admin;
        ASSERT_EQ(StoreAdmin::Open(path, admin), status::Ok);
        ASSERT_EQ(admin->AddObject("\xc3\x84rger", "Organization", {}), status::Ok);
        ASSERT_EQ(admin->AddObject("Other", "Organization", {}), status::Ok);
    }
    RawSql(path, "DELETE FROM tree_info WHERE key = 'name_keys'");
    RawSql(path,
           "UPDATE objects SET name = CAST(? AS TEXT), rdn = CAST(? AS TEXT) "
           "WHERE name = 'Other'",
           {"\xc3\xa4rger", "\xc3\xa4rger"});
    GiveAsciiKeys(path, "\xc3\x84rger", {"\xc3\x84rger"});
    GiveAsciiKeys(path, "\xc3\xa4rger", {"\xc3\xa4rger"});
    // Each spelling still reaches its own object: the same value goes to both.
    std::unique_ptr<StoreAdmin> admin;
    ASSERT_EQ(StoreAdmin::Open(path, admin), status::Ok);
    EXPECT_EQ(admin->AddValue("\xc3\x84rger", "Description", CI("x")), status::Ok);
    EXPECT_EQ(admin->AddValue("\xc3\xa4rger", "Description", CI("x")), status::Ok);
}

} // namespace
} // namespace dsclient
