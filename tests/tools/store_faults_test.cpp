// tarnbeck-tree tells the faults of a store apart in the words tarnbeck-sync uses for them.

#include "command_line.h"
#include "platform/dsclient/embedded/demo_tree.h"
#include "temp_dir.h"
#include "tree_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tarnbeck {
namespace {

TEST(StoreFaults, DumpAndExportNameEachFaultOfTheStore) {
    TempDir dir;
    std::ofstream(dir.file("empty.db")).flush();
    std::ofstream(dir.file("foreign.db")) << std::string(8192, 'Z');
    dsclient::embedded::WriteDemoTrees(dir.file("damaged.db"));
    std::filesystem::resize_file(dir.file("damaged.db"), 4096); // cut short after a page
    std::filesystem::create_directory(dir.file("folder.db"));
    const std::pair<const char *, const char *> faults[] = {{"missing.db", "does not exist"},
                                                            {"empty.db", "is empty"},
                                                            {"foreign.db", "is not a tree store"},
                                                            {"damaged.db", "is damaged"},
                                                            {"folder.db", "is not a file"}};
    for (const auto &[file, fault] : faults) {
        const std::string expected =
            "tarnbeck-tree: The store " + dir.file(file) + " " + fault + "\n";
        TreeCommand dump;
        dump.kind = TreeCommand::Kind::Dump;
        dump.path = dir.file(file);
        TreeCommand ldif = dump;
        ldif.kind = TreeCommand::Kind::ExportLdif;
        ldif.outputPath = "-";
        ldif.base = "o=test";
        for (const TreeCommand &command : {dump, ldif}) {
            std::ostringstream out, err;
            EXPECT_EQ(RunTreeCommand(command, out, err), 1);
            EXPECT_EQ(err.str(), expected);
        }
    }
}

} // namespace
} // namespace tarnbeck
