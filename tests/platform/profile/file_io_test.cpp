#include "platform/profile/file_io.h"
#include "platform/profile/profile.h"

#include "temp_dir.h"

#include <gmock/gmock.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using ::testing::HasSubstr;
using ::testing::Optional;
namespace fs = std::filesystem;

namespace {

class FileIoTest : public TempDirTest {
  protected:
    std::string ini() const { return PathOf("Tarnbeck.ini"); }
    std::size_t FileCount() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }
};

const char *const kOriginal = "[TREES]\nCORP=O=Corp\n";

TEST_F(FileIoTest, CrashBetweenWriteAndRenameLeavesTheOldFile) {
    Put("Tarnbeck.ini", kOriginal);
    // The child dies with the new contents written and synced but not yet renamed.
    EXPECT_EXIT(profile::ReplaceFileAtomically(ini(), "[TREES]\nCORP=half", [] { ::_exit(7); }),
                ::testing::ExitedWithCode(7), "");

    EXPECT_EQ(Get("Tarnbeck.ini"), kOriginal);
    EXPECT_EQ(FileCount(), 2u) << "the stray temporary file should be left beside the original";
    EXPECT_EQ(profile::ReadString(ini(), "TREES", "CORP", ""), "O=Corp");
    EXPECT_THAT(profile::ReadSectionNames(ini()), ::testing::ElementsAre("TREES"));

    // The next write clears what the killed one left, and nothing that only looks alike.
    Put(".Tarnbeck.ini.keep", "x");
    Put(".Other.ini.AbC123", "x");
    ASSERT_EQ(profile::WriteString(ini(), "TREES", "CORP", "OU=Sales.O=Corp"), std::nullopt);
    EXPECT_EQ(Get("Tarnbeck.ini"), "[TREES]\nCORP=OU=Sales.O=Corp\n");
    EXPECT_EQ(FileCount(), 3u);
    EXPECT_EQ(Get(".Tarnbeck.ini.keep"), "x");
}

TEST_F(FileIoTest, SuccessfulWriteLeavesNoTemporaryFileAndKeepsPermissions) {
    Put("Tarnbeck.ini", kOriginal);
    ASSERT_EQ(::chmod(ini().c_str(), 0640), 0);
    ASSERT_EQ(profile::WriteString(ini(), "TREES", "CORP", "x"), std::nullopt);
    EXPECT_EQ(FileCount(), 1u);
    struct stat st {};
    ASSERT_EQ(::stat(ini().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // A new file gets the ordinary mode, not the private one of a temporary file.
    const mode_t mask = ::umask(022);
    ASSERT_EQ(profile::WriteString(PathOf("new.ini"), "S", "k", "v"), std::nullopt);
    ::umask(mask);
    ASSERT_EQ(::stat(PathOf("new.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST_F(FileIoTest, UnwritableLocationReportsTheFileLayersError) {
    Put("plain-file", "not a directory");
    const std::string inside = PathOf("plain-file") + "/Tarnbeck.ini";
    const auto error = profile::WriteString(inside, "TREES", "CORP", "x");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, inside + ": " + std::strerror(ENOTDIR));
    EXPECT_EQ(Get("plain-file"), "not a directory");

    const std::string missingDir = PathOf("no-such-dir/Tarnbeck.ini");
    EXPECT_EQ(profile::WriteString(missingDir, "TREES", "CORP", "x"),
              missingDir + ": " + std::strerror(ENOENT));
}

TEST_F(FileIoTest, FileThatCannotBeReadIsNotOverwritten) {
    // A directory in place of the settings file: it opens but cannot be read as text.
    fs::create_directory(PathOf("Tarnbeck.ini"));
    Put("Tarnbeck.ini/keep", "data");
    EXPECT_EQ(profile::ReadString(ini(), "TREES", "CORP", "dflt"), "dflt");
    const auto error = profile::WriteString(ini(), "TREES", "CORP", "x");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, ini() + ": " + std::strerror(EISDIR));
    EXPECT_EQ(Get("Tarnbeck.ini/keep"), "data");
}

TEST_F(FileIoTest, PermissionsAreHonoured) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the super-user";
    // Write-only: replacing it after a failed read would lose its contents.
    Put("Tarnbeck.ini", kOriginal);
    ASSERT_EQ(::chmod(ini().c_str(), 0200), 0);
    EXPECT_EQ(profile::ReadString(ini(), "TREES", "CORP", "dflt"), "dflt");
    EXPECT_EQ(profile::WriteString(ini(), "TREES", "CORP", "x"),
              ini() + ": " + std::strerror(EACCES));
    ASSERT_EQ(::chmod(ini().c_str(), 0644), 0);
    EXPECT_EQ(Get("Tarnbeck.ini"), kOriginal);

    Put("Tarnbeck.ini", kOriginal);
    ASSERT_EQ(::chmod(ini().c_str(), 0444), 0);
    EXPECT_EQ(profile::WriteString(ini(), "TREES", "CORP", "x"),
              ini() + ": " + std::strerror(EACCES));
    EXPECT_EQ(Get("Tarnbeck.ini"), kOriginal);

    ASSERT_EQ(::chmod(ini().c_str(), 0644), 0);
    ASSERT_EQ(::chmod(dir_.c_str(), 0555), 0);
    EXPECT_EQ(profile::WriteString(ini(), "TREES", "CORP", "x"),
              ini() + ": " + std::strerror(EACCES));
    EXPECT_EQ(Get("Tarnbeck.ini"), kOriginal);
}

TEST_F(FileIoTest, ConcurrentWritersKeepEveryKey) {
    constexpr int kWriters = 4;
    constexpr int kKeysEach = 25;
    std::vector<pid_t> writers;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool written = true;
            for (int key = 0; key < kKeysEach; ++key)
                written &= !profile::WriteString(ini(), "KEYS",
                                                 std::to_string(writer) + "." + std::to_string(key),
                                                 "v");
            ::_exit(written ? 0 : 1);
        }
        writers.push_back(pid);
    }
    for (const pid_t pid : writers) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(profile::ReadKeyNames(ini(), "KEYS").size(), std::size_t{kWriters * kKeysEach});
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(FileIoTest, WritesGoThroughSymbolicLinksToTheirTarget) {
    fs::create_directory(PathOf("shared"));
    Put("shared/Tarnbeck.ini", kOriginal);
    fs::create_symlink("shared/Tarnbeck.ini", PathOf("relative.ini"));
    fs::create_symlink(PathOf("relative.ini"), ini()); // a link to a link
    ASSERT_EQ(profile::WriteString(ini(), "TREES", "CORP", "x"), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(ini()));
    EXPECT_TRUE(fs::is_symlink(PathOf("relative.ini")));
    EXPECT_EQ(Get("shared/Tarnbeck.ini"), "[TREES]\nCORP=x\n");

    // A link to a file not there yet creates the file.
    fs::create_symlink("later.ini", PathOf("dangling.ini"));
    ASSERT_EQ(profile::WriteString(PathOf("dangling.ini"), "S", "k", "v"), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(PathOf("dangling.ini")));
    EXPECT_EQ(Get("later.ini"), "[S]\nk=v\n");

    fs::create_symlink("loop-b", PathOf("loop-a"));
    fs::create_symlink("loop-a", PathOf("loop-b"));
    EXPECT_THAT(profile::WriteString(PathOf("loop-a"), "S", "k", "v"),
                Optional(HasSubstr(std::strerror(ELOOP))));
}

} // namespace
