// The README's walk through on the demo tree: Sales Team chosen, Execute, Update, Execute again,
// once on the embedded store and once on a private slapd serving the same tree from its root
// entry. Both give the same marks, and both write every side of each membership.

#include "platform/dsclient/embedded/demo_tree.h"
#include "engine_tree.h"
#include "scripted_prompter.h"

#include "platform/dsclient/config.h"
#include "platform/dsclient/ldif/ldif_export.h"
#include "platform/dsclient/text_fold.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace tarnbeck {
namespace {

using namespace dsclient;
using namespace dsclient::embedded;
using testing::Texts;

constexpr const char *kGroup = "Sales Team.Sales.Acme";

struct WalkThrough {
    MemberEntries planned;
    MemberEntries settled;
};

// Starts the client on one tree and gives a context as the program sets it up.
ContextHandle Open(const TreeConfig &tree) {
    ClientConfig config;
    config.primaryTree = tree.name;
    config.trees = {tree};
    OverrideClientConfig(config);
    EXPECT_EQ(CallsInitialize(), status::Ok);
    ContextHandle context = 0;
    EXPECT_EQ(CreateContext(context), status::Ok);
    std::uint32_t flags = 0;
    GetContextValue(context, DCK_FLAGS, flags);
    SetContextValue(context, DCK_FLAGS,
                    (flags | DCV_TYPELESS_NAMES) & ~(DCV_CANONICALIZE_NAMES | DCV_DEREF_ALIASES));
    return context;
}

Texts Values(ContextHandle context, const std::string &object, const std::string &attribute) {
    Texts texts;
    for (const auto &item : ReadValues(context, object, attribute))
        texts.push_back(item.text);
    return texts;
}

bool Holds(const Texts &texts, const std::string &name) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string &text) { return EqualsFolded(text, name); });
}

WalkThrough Walk(const TreeConfig &tree) {
    const ContextHandle context = Open(tree);
    testing::ScriptedPrompter prompter;
    testing::FakeWindow window(context);
    NameListPage excludes, statics;
    window.browserAnswer = kGroup;
    EXPECT_TRUE(ChooseGroup({context, {}}, window, excludes, statics));
    const AttributeNameMap names{{"objectclass=Object Class", "l=L", "title=Title"}};
    const ExecuteTarget target{context, window.group, {}, &names};
    WalkThrough walk;
    EXPECT_TRUE(Execute(target, window));
    walk.planned = window.memberList.value_or(MemberEntries{});
    testing::WindowUpdateView view(window, excludes, statics);
    UpdateGroup(context, window.group, walk.planned, view);
    EXPECT_TRUE(Execute(target, window));
    walk.settled = window.memberList.value_or(MemberEntries{});

    // Every member now stands on both sides of the membership and of the equivalence.
    const Texts members = Values(context, kGroup, "Member");
    const Texts equivalent = Values(context, kGroup, "Equivalent To Me");
    for (const MemberEntry &entry : walk.settled) {
        const std::string &name = entry.name;
        const MemberMark mark = entry.mark;
        EXPECT_NE(mark, MemberMark::Add) << name;
        EXPECT_NE(mark, MemberMark::Remove) << name;
        EXPECT_FALSE(entry.incomplete) << name;
        if (mark != MemberMark::Keep && mark != MemberMark::Static)
            continue;
        EXPECT_TRUE(Holds(members, name)) << name;
        EXPECT_TRUE(Holds(equivalent, name)) << name;
        EXPECT_TRUE(Holds(Values(context, name, "Group Membership"), kGroup)) << name;
        EXPECT_TRUE(Holds(Values(context, name, "Security Equals"), kGroup)) << name;
    }
    EXPECT_EQ(LiveIterationCount(context), 0u);
    CallsTerminate();
    OverrideClientConfig(std::nullopt);
    return walk;
}

TEST(DemoWalkThrough, SameMarksAndBothSidesWrittenOnBothBackends) {
    const std::string directory =
        (std::filesystem::temp_directory_path() / ("tarnbeck-walk-" + std::to_string(getpid())))
            .string();
    std::filesystem::create_directories(directory);
    const std::string store = directory + "/demo.db";
    WriteDemoTrees(store);
    const std::string ldif = directory + "/demo.ldif";
    {
        std::ofstream out(ldif);
        std::string problem;
        ASSERT_EQ(ldap::ExportLdif(store, "", out, problem), status::Ok) << problem;
    }

    TreeConfig embedded;
    embedded.name = std::string(kDemoTreeName);
    embedded.store = store;
    embedded.identity = std::string(kDemoAdmin);
    const WalkThrough onStore = Walk(embedded);
    EXPECT_TRUE(std::count_if(onStore.planned.begin(), onStore.planned.end(), [](const auto &e) {
        return e.mark == MemberMark::Add;
    }) > 0);

    PrivateSlapd slapd(SlapdOptions{{SlapdDatabase{"o=Acme", {ldif}, false}}, {}, "dn.exact=\"cn=Admin,o=Acme\""});
    TreeConfig served = embedded;
    served.backend = "ldap";
    served.uri = slapd.uri();
    served.passwordFile = directory + "/admin.pw";
    std::ofstream(served.passwordFile) << kDemoAdminPassword << '\n';
    chmod(served.passwordFile.c_str(), 0600);
    const WalkThrough onServer = Walk(served);
    EXPECT_EQ(onServer.planned, onStore.planned);
    EXPECT_EQ(onServer.settled, onStore.settled);
    std::filesystem::remove_all(directory);
}

} // namespace
} // namespace tarnbeck
