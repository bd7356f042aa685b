#include "platform/dsclient/embedded/tree_builder.h"
#include "platform/dsclient/embedded/tree_error.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tarnbeck {

using namespace dsclient::embedded;

namespace {

namespace fs = std::filesystem;

TEST(TreeBuilder, NeverOverwritesAnExistingFile) {
    TempDir dir;
    const std::string path = dir.file("taken.db");
    std::ofstream(path) << "someone's data";
    try {
        TreeBuilder tree(path, "T");
        FAIL() << "an existing file was accepted";
    } catch (const TreeError &error) {
        EXPECT_EQ(error.status(), dsclient::status::EntryAlreadyExists);
    }
    std::ifstream in(path);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "someone's data");
}

TEST(TreeBuilder, AFailedBuildLeavesNoStoreBehind) {
    TempDir dir;
    const std::string path = dir.file("half.db");
    {
        TreeBuilder tree(path, "T");
        tree.addObject("Org", "Organization", {{"O", CiString("Org")}});
        try {
            tree.addObject("x.Nowhere.Org", "User", {{"CN", CiString("x")}});
            FAIL() << "an object below a missing container was accepted";
        } catch (const TreeError &error) {
            EXPECT_EQ(error.status(), dsclient::status::NoSuchEntry);
            EXPECT_NE(std::string(error.what()).find("x.Nowhere.Org"), std::string::npos);
            EXPECT_NE(std::string(error.what()).find("Netware error -601"), std::string::npos);
        }
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::exists(path + "-wal"));
}

TEST(TreeBuilder, StatusTextShowsDecimalAndHexadecimal) {
    EXPECT_EQ(StatusText(-601), "Netware error -601 (0xFFFFFDA7)");
    EXPECT_EQ(StatusText(0x89FC), "Netware error 35324 (0x89FC)");
}

} // namespace
} // namespace tarnbeck
