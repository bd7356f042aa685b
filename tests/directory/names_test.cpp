#include "directory/names.h"

#include "test_nodes.h"

#include <gtest/gtest.h>

namespace tarnbeck {
namespace {

using testing::NodeChain;

TEST(DottedName, EscapesDotsAndSkipsPseudoTop) {
    NodeChain chain;
    const auto *top = chain.add("[ROOT]");
    const auto *acme = chain.add("Acme");
    const auto *sales = chain.add("Sales.EU");
    const auto *joe = chain.add("Joe");
    EXPECT_EQ(DottedName(nullptr), "");
    EXPECT_EQ(DottedName(top), "[ROOT]");
    EXPECT_EQ(DottedName(acme), "Acme");
    EXPECT_EQ(DottedName(sales), "Sales\\.EU.Acme");
    EXPECT_EQ(DottedName(joe), "Joe.Sales\\.EU.Acme");
}

TEST(DottedName, PseudoParentsInAnyCaseOnlyAtLevelOne) {
    for (const char *pseudo : {"[root]", "[Root]", "[PUBLIC]", "[public]"}) {
        NodeChain chain;
        chain.add(pseudo);
        EXPECT_EQ(DottedName(chain.add("Acme")), "Acme") << pseudo;
    }
    NodeChain named;
    named.add("TREE");
    EXPECT_EQ(DottedName(named.add("Acme.Corp")), "Acme\\.Corp.TREE");
    // The top node's own text is taken as it is, dots included.
    NodeChain dotted;
    EXPECT_EQ(DottedName(dotted.add("a.b")), "a.b");
}

TEST(SeparatedPath, RootFirstWithEscapes) {
    NodeChain chain;
    const auto *top = chain.add("[Root]");
    chain.add("Acme");
    chain.add("Sales.EU");
    const auto *joe = chain.add("Joe");
    EXPECT_EQ(SeparatedPath(top, '/'), "[Root]");
    EXPECT_EQ(SeparatedPath(joe, '/'), "Acme/Sales\\.EU/Joe");

    NodeChain named;
    named.add("TREE");
    EXPECT_EQ(SeparatedPath(named.add("Acme"), '\\'), "TREE\\Acme");
}

TEST(NameComponent, CountsOnlyUnescapedDots) {
    EXPECT_EQ(NameComponent("Joe.Sales\\.EU.Acme", 0), "Joe");
    EXPECT_EQ(NameComponent("Joe.Sales\\.EU.Acme", 1), "Sales.EU");
    EXPECT_EQ(NameComponent("Joe.Sales\\.EU.Acme", 2), "Acme");
    // Past the last separator the dropping stops at the last component.
    EXPECT_EQ(NameComponent("a.b.c", 5), "c");
    EXPECT_EQ(NameComponent("single", 3), "single");
    EXPECT_EQ(NameComponent("", 0), "");
}

TEST(SplitFromRight, HeadAndTail) {
    const std::string name = "Joe.Sales\\.EU.Acme";
    EXPECT_EQ(SplitFromRight(name, 1, false, '.'), "Joe.Sales\\.EU");
    EXPECT_EQ(SplitFromRight(name, 1, true, '.'), "Acme");
    EXPECT_EQ(SplitFromRight(name, 2, false, '.'), "Joe");
    EXPECT_EQ(SplitFromRight(name, 2, true, '.'), "Sales\\.EU.Acme");
    // Cutting everything away leaves nothing, and the tail is then the whole name.
    EXPECT_EQ(SplitFromRight(name, 3, false, '.'), "");
    EXPECT_EQ(SplitFromRight(name, 7, true, '.'), name);
    EXPECT_EQ(SplitFromRight(name, 0, false, '.'), name);
    EXPECT_EQ(SplitFromRight(name, 0, true, '.'), "");
}

// "x\" in Weird and "x.Weird" in Acme: a node's name and the node text taken back from it
// agree with the names the directory lists, and the two stay apart.
TEST(NameComponent, ABackslashBeforeASeparatorIsTheComponentsOwn) {
    NodeChain chain;
    chain.add("[Root]");
    chain.add("Acme");
    chain.add("Weird");
    const std::string inWeird = DottedName(chain.add("x\\"));
    EXPECT_EQ(inWeird, "x\\\\.Weird.Acme");
    EXPECT_EQ(NameComponent(inWeird, 0), "x\\");
    EXPECT_EQ(NameComponent(inWeird, 1), "Weird");
    EXPECT_EQ(SplitFromRight(inWeird, 2, false, '.'), "x\\\\");
    EXPECT_EQ(SplitFromRight(inWeird, 2, true, '.'), "Weird.Acme");
    EXPECT_EQ(NameComponent("x\\.Weird.Acme", 0), "x.Weird");
    EXPECT_EQ(NameComponent("a\\b\\\\\\.c.Acme", 0), "a\\b\\.c");
}

TEST(SplitFromRight, TailIsCappedAt255Characters) {
    const std::string longTail(300, 'x');
    EXPECT_EQ(SplitFromRight("a." + longTail, 1, true, '.'), std::string(255, 'x'));
}

TEST(PathComponent, BackslashSeparatedWithoutEscapes) {
    EXPECT_EQ(PathComponent("SYS:\\users\\joe.txt", 0), "SYS:");
    EXPECT_EQ(PathComponent("SYS:\\users\\joe.txt", 2), "joe.txt");
    EXPECT_EQ(PathComponent("SYS:\\users\\joe.txt", 9), "joe.txt");
}

} // namespace
} // namespace tarnbeck
