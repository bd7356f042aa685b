#include "test_tree.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace dsclient {
namespace {

using embedded::CreateStore;
using embedded::StoreAdmin;
using testing::TempDir;

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

} // namespace
} // namespace dsclient
