#include "command_line.h"
#include "password_input.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tarnbeck {
namespace {

ParsedCommand Parse(std::vector<std::string> args) {
    return ParseTreeCommand(args);
}

TEST(TreeCommandLine, AcceptsEveryCommandInItsForms) {
    auto demo = Parse({"demo", "/tmp/d.db"});
    ASSERT_TRUE(demo.command);
    EXPECT_EQ(demo.command->kind, TreeCommand::Kind::Demo);
    EXPECT_EQ(demo.command->path, "/tmp/d.db");

    auto generate = Parse({"generate", "--users", "1000000", "--seed=42", "big.db"});
    ASSERT_TRUE(generate.command) << generate.error;
    EXPECT_EQ(generate.command->kind, TreeCommand::Kind::Generate);
    EXPECT_EQ(generate.command->users, 1000000u);
    EXPECT_EQ(generate.command->seed, 42u);
    EXPECT_EQ(generate.command->path, "big.db");

    auto pathFirst = Parse({"generate", "small.db", "--users=5"});
    ASSERT_TRUE(pathFirst.command) << pathFirst.error;
    EXPECT_EQ(pathFirst.command->users, 5u);
    EXPECT_EQ(pathFirst.command->seed, 1u);

    auto passwd = Parse({"passwd", "d.db", "Admin.Acme"});
    ASSERT_TRUE(passwd.command);
    EXPECT_EQ(passwd.command->kind, TreeCommand::Kind::Passwd);
    EXPECT_EQ(passwd.command->objectName, "Admin.Acme");

    auto dump = Parse({"dump", "d.db"});
    ASSERT_TRUE(dump.command);
    EXPECT_EQ(dump.command->kind, TreeCommand::Kind::Dump);

    auto exported = Parse({"export-ldif", "d.db", "-", "--base", "dc=example,dc=org"});
    ASSERT_TRUE(exported.command) << exported.error;
    EXPECT_EQ(exported.command->kind, TreeCommand::Kind::ExportLdif);
    EXPECT_EQ(exported.command->outputPath, "-");
    EXPECT_EQ(exported.command->base, "dc=example,dc=org");
    EXPECT_EQ(Parse({"export-ldif", "--base=o=x", "d.db", "d.ldif"}).command->base, "o=x");
}

TEST(TreeCommandLine, RefusesBadUsageWithAReason) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"create", "x.db"},
        {"demo"},
        {"demo", "a.db", "b.db"},
        {"dump", ""},
        {"generate", "x.db"},          // no --users
        {"generate", "--users", "10"}, // no path
        {"generate", "--users", "0", "x.db"},
        {"generate", "--users", "1000001", "x.db"},
        {"generate", "--users", "-5", "x.db"},
        {"generate", "--users", "12abc", "x.db"},
        {"generate", "--users", "99999999999999999999", "x.db"},
        {"generate", "--users=", "x.db"},
        {"generate", "--users", "10", "--seed", "x", "x.db"},
        {"generate", "--users", "10", "--colour", "red", "x.db"},
        {"generate", "--users", "10", "x.db", "y.db"},
        {"export-ldif", "d.db"},
        {"export-ldif", "d.db", "d.ldif", "--base"},
        {"export-ldif", "d.db", "d.ldif", "--colour"},
        {"generate", "x.db", "--users"},
        {"passwd", "x.db"},
    };
    for (const auto &args : bad) {
        auto parsed = Parse(args);
        EXPECT_FALSE(parsed.command) << ::testing::PrintToString(args);
        EXPECT_FALSE(parsed.error.empty()) << ::testing::PrintToString(args);
    }
}

TEST(TreeCommandLine, PasswordIsNeverTakenFromTheCommandLine) {
    auto parsed = Parse({"passwd", "x.db", "Admin.Acme", "secret"});
    EXPECT_FALSE(parsed.command);
    EXPECT_NE(parsed.error.find("standard input"), std::string::npos);
    EXPECT_EQ(parsed.error.find("secret"), std::string::npos);
}

TEST(PasswordInput, ReadsOneLineWithoutItsLineEnd) {
    std::istringstream in("acme\r\nsecond line\nlast");
    std::string password;
    ASSERT_TRUE(ReadPasswordLine(in, password));
    EXPECT_EQ(password, "acme");
    ASSERT_TRUE(ReadPasswordLine(in, password));
    EXPECT_EQ(password, "second line");
    ASSERT_TRUE(ReadPasswordLine(in, password));
    EXPECT_EQ(password, "last");
    EXPECT_FALSE(ReadPasswordLine(in, password));
    EXPECT_TRUE(password.empty());
}

} // namespace
} // namespace tarnbeck
