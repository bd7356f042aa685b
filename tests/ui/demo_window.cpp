#include "demo_window.h"

#include "directory/values_reader.h"
#include "platform/dsclient/embedded/demo_tree.h"
#include "ui/class_icons.h"
#include "ui/member_list.h"

#include <QMetaObject>

#include <cstdlib>

namespace tarnbeck::testing {

using namespace dsclient::embedded;

namespace fs = std::filesystem;

void DemoWindowTest::SetUpTestSuite() {
    UseCompanionLibrary(CompanionLibrary::open(ORVEXA_FILE));
    char pattern[] = "/tmp/tarnbeck-demo-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    pristine_ = std::string(pattern) + "/";
    WriteDemoTrees(pristine_ + "demo.db");
}

void DemoWindowTest::TearDownTestSuite() { fs::remove_all(pristine_); }

void DemoWindowTest::SetUp() {
    scratch_ = pristine_ + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
    fs::create_directories(scratch_);
    for (const char *store : {"demo.db", "lab.db"})
        fs::copy_file(pristine_ + store, scratch_ + store);

    config.emplace();
    config->primaryTree = std::string(kDemoTreeName);
    dsclient::TreeConfig demo;
    demo.name = config->primaryTree;
    demo.store = scratch_ + "demo.db";
    demo.identity = std::string(kDemoAdmin);
    dsclient::TreeConfig lab;
    lab.name = std::string(kLabTreeName);
    lab.store = scratch_ + "lab.db";
    config->trees = {demo, lab};
    app.programDirectory = PROGRAM_DIRECTORY;
    // Update group's locks go to the test's own directory.
    ::setenv("XDG_RUNTIME_DIR", (scratch_ + "run").c_str(), 1);
    // And its journal, too.
    ::setenv("TARNBECK_JOURNAL", (scratch_ + "journal.db").c_str(), 1);
    startWindow();
}

void DemoWindowTest::TearDown() {
    windows.reset();
    dsclient::OverrideClientConfig(std::nullopt);
    ::unsetenv("XDG_RUNTIME_DIR");
    ::unsetenv("TARNBECK_JOURNAL");
    fs::remove_all(scratch_);
}

void DemoWindowTest::startWindow() {
    windows.reset(); // shuts the previous run down
    const std::string programDirectory = app.programDirectory;
    app = AppState();
    app.programDirectory = programDirectory;
    dsclient::OverrideClientConfig(config);
    windows = std::make_unique<Windows>(app);
    form = windows->main.get();
    QMetaObject::invokeMethod(form, "startTimer"); // what the start timer's tick does
}

std::vector<std::string> DemoWindowTest::values(const std::string &object,
                                                const std::string &attribute) {
    std::vector<std::string> out;
    for (const auto &item : ReadValues(app.mainContext, object, attribute))
        out.push_back(item.text);
    return out;
}

int DemoWindowTest::countMarks(MemberMark mark) const {
    int n = 0;
    for (const auto &entry : form->clb->entries())
        n += entry.mark == mark;
    return n;
}

} // namespace tarnbeck::testing
