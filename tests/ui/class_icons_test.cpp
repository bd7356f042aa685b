#include "ui/class_icons.h"

#include "scripted_prompter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tarnbeck {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedPrompter;

// A program installation in a temporary directory: root/bin is the program directory.
class Installation : public ::testing::Test {
  protected:
    std::string root() const { return dir_.path().toStdString(); }
    std::string bin() const { return root() + "/bin"; }

    void place(const char *libraryFile, const std::string &directory) {
        fs::create_directories(directory);
        fs::copy_file(libraryFile, directory + "/" + kCompanionFileName);
    }

    QTemporaryDir dir_;
};

TEST_F(Installation, PrefersTheLibraryBesideTheProgramAndGivesItThatDirectory) {
    place(ORVEXA_FILE, bin());
    place(ORVEXA_FILE, root() + "/libs");

    const auto lib = LoadCompanionLibrary(bin());
    ASSERT_TRUE(lib);
    EXPECT_EQ(lib->value(TB_COMPANION_KEY_PATH), bin() + "/");
}

TEST_F(Installation, FallsBackToTheSiblingLibsDirectory) {
    place(ORVEXA_FILE, root() + "/libs");
    fs::create_directories(bin());

    for (const std::string &programDir : {bin(), bin() + "/"}) {
        const auto lib = LoadCompanionLibrary(programDir);
        ASSERT_TRUE(lib) << programDir;
        EXPECT_EQ(lib->value(TB_COMPANION_KEY_PATH), root() + "/libs/") << programDir;
    }
}

TEST_F(Installation, NoneWhenMissingNotALibraryOrLackingAnEntryPoint) {
    fs::create_directories(bin());
    EXPECT_FALSE(LoadCompanionLibrary(bin()));

    std::ofstream(bin() + "/" + kCompanionFileName) << "not a shared library";
    EXPECT_FALSE(LoadCompanionLibrary(bin()));

    fs::remove(bin() + "/" + kCompanionFileName);
    place(INCOMPLETE_COMPANION_FILE, bin());
    EXPECT_FALSE(LoadCompanionLibrary(bin()));
}

TEST_F(Installation, AVersionOneLibraryNeedsOnlyTheFiveEntryPoints) {
    place(FAKE_COMPANION_FILE, bin());
    const auto lib = LoadCompanionLibrary(bin());
    ASSERT_TRUE(lib);
    EXPECT_EQ(lib->version(), 1);
    EXPECT_EQ(lib->iconIndex("User"), 0);
    EXPECT_FALSE(lib->value(TB_COMPANION_KEY_PATH)); // get_value is not looked up below 2
}

// The icon functions work on the process's one library; each test starts afresh in its own
// working directory so the trace file is its own.
class Icons : public ::testing::Test {
  protected:
    void SetUp() override {
        previousDir_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(workDir_.path()));
        ResetIconsForTesting();
        SetProcessEnd([this](int code) { endedWith_ = code; });
    }
    void TearDown() override {
        UseCompanionLibrary(nullptr);
        ResetIconsForTesting();
        QDir::setCurrent(previousDir_);
    }

    // Uses the library at `file`; returns its icon count.
    int use(const char *file) {
        auto lib = CompanionLibrary::open(file);
        if (!lib) {
            ADD_FAILURE() << "cannot load " << file;
            return 0;
        }
        const int count = lib->iconCount();
        UseCompanionLibrary(std::move(lib));
        return count;
    }

    QByteArray trace() const {
        QFile file(QString::fromLatin1(kTraceFileName));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(no trace file)");
    }

    QTemporaryDir workDir_;
    QString previousDir_;
    std::optional<int> endedWith_;
};

TEST_F(Icons, ClassWithoutIconGetsUnknown2) {
    use(ORVEXA_FILE);
    const int unknown = IconIndexByName("Unknown2");
    ASSERT_GE(unknown, 0);

    EXPECT_EQ(ClassIconIndex("Group"), IconIndexByName("Group"));
    EXPECT_NE(ClassIconIndex("Group"), unknown);
    EXPECT_NE(ClassIconIndex("User-posixAccount"), unknown);
    EXPECT_EQ(ClassIconIndex("No Such Class"), unknown);
    EXPECT_EQ(ClassIconIndex("Group-apple"), unknown);
}

TEST_F(Icons, NegativeWhenNeitherTheClassNorTheFallbackIsKnown) {
    use(FAKE_COMPANION_FILE);
    EXPECT_EQ(ClassIconIndex("User"), 0);
    EXPECT_LT(ClassIconIndex("Group"), 0);

    UseCompanionLibrary(nullptr);
    EXPECT_LT(ClassIconIndex("User"), 0);
}

TEST_F(Icons, InitFillsIl2AndTheSpecialIconsOnceAndTracesTwoLines) {
    {
        QFile earlier(QString::fromLatin1(kTraceFileName));
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier run\r\n");
    }
    const int count = use(ORVEXA_FILE);
    ScriptedPrompter prompter; // no box expected

    InitIcons();
    InitIcons();

    EXPECT_EQ(trace(), QByteArray("earlier run\r\nStart init icons\r\nFind the special icons\r\n"));
    ASSERT_EQ(IL2().size(), count);
    for (const QImage &image : IL2())
        EXPECT_EQ(image.size(), QSize(16, 16));
    const int user = IconIndexByName("User");
    EXPECT_NE(IL2()[user], IL2()[IconIndexByName("Group")]);

    EXPECT_EQ(SpecialIcons().user, user);
    EXPECT_EQ(SpecialIcons().person, IconIndexByName("Person"));
    EXPECT_EQ(SpecialIcons().organizationalPerson, IconIndexByName("Organizational Person"));
    EXPECT_TRUE(SpecialIcons().contains(user));
    EXPECT_FALSE(SpecialIcons().contains(IconIndexByName("User-apple")));

    EXPECT_FALSE(ClassIcon(user).isNull());
    EXPECT_TRUE(ClassIcon(-1).isNull());
    EXPECT_TRUE(ClassIcon(count).isNull());
    EXPECT_FALSE(endedWith_);
}

TEST_F(Icons, AVersionOneLibraryFillsIl2) {
    use(FAKE_COMPANION_FILE);
    ScriptedPrompter prompter;
    InitIcons();
    EXPECT_EQ(IL2().size(), 2);
    EXPECT_EQ(SpecialIcons().user, 0);
    EXPECT_LT(SpecialIcons().person, 0);
    EXPECT_FALSE(SpecialIcons().contains(-1));
}

TEST_F(Icons, ALibraryErrorIsShownAndEndsTheProcess) {
    use(FAKE_COMPANION_FILE);
    struct Case {
        const char *mode;
        const char *message;
    };
    for (const Case &c : {Case{"fail", "Error.....3"}, Case{"garbage", "Error.....-1"}}) {
        SCOPED_TRACE(c.mode);
        setenv("TB_FAKE_COMPANION_MODE", c.mode, 1);
        endedWith_.reset();
        {
            ScriptedPrompter prompter;
            prompter.expectMessage(c.message);
            InitIcons();
        }
        EXPECT_EQ(endedWith_, 1);
        EXPECT_TRUE(IL2().isEmpty());
    }
    unsetenv("TB_FAKE_COMPANION_MODE");
}

// Records messages without expecting them: the I/O error text comes from the system.
class RecordingPrompter : public ScriptedPrompter {
  public:
    void message(const std::string &text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

TEST_F(Icons, AnUnwritableOrLinkedTraceFileStopsInitUntilItCanBeWritten) {
    use(ORVEXA_FILE);
    std::ofstream("victim") << "untouched";
    // A directory cannot be appended to; a link planted in the working directory is not followed.
    for (const bool link : {false, true}) {
        if (link)
            fs::create_symlink("victim", kTraceFileName);
        else
            ASSERT_TRUE(QDir().mkdir(QString::fromLatin1(kTraceFileName)));
        {
            RecordingPrompter prompter;
            InitIcons();
            ASSERT_EQ(prompter.messages.size(), 1u);
            EXPECT_EQ(prompter.messages[0].rfind("I/O error: ", 0), 0u) << prompter.messages[0];
        }
        EXPECT_TRUE(IL2().isEmpty());
        EXPECT_FALSE(endedWith_);
        fs::remove(kTraceFileName);
    }
    std::ifstream victim("victim");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victim), {}), "untouched");

    ScriptedPrompter prompter;
    InitIcons();
    EXPECT_FALSE(IL2().isEmpty());
    EXPECT_EQ(trace(), QByteArray("Start init icons\r\nFind the special icons\r\n"));
}

} // namespace
} // namespace tarnbeck
