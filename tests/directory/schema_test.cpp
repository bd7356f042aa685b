#include "directory/directory_error.h"
#include "directory/schema.h"

#include "scripted_prompter.h"
#include "test_tree.h"

#include <algorithm>
#include <set>

namespace tarnbeck {
namespace {

using namespace dsclient;
using testing::UserValues;

TEST(SyntaxName, NamesByNumber) {
    EXPECT_EQ(SyntaxName(0), "SYN_UNKNOWN");
    EXPECT_EQ(SyntaxName(3), "SYN_CI_STRING");
    EXPECT_EQ(SyntaxName(14), "SYN_EMAIL_ADDRESS");
    EXPECT_EQ(SyntaxName(27), "SYN_INTERVAL");
    EXPECT_EQ(SyntaxName(28), "SYN_COMPONENT");
    EXPECT_EQ(SyntaxName(36), "SYN_ANY");
    EXPECT_EQ(SyntaxName(37), "SYN_UNKNOWN");
}

using SchemaTest = testing::TreeTest;

TEST_F(SchemaTest, AttributeSyntaxOrTheDirectorysStatus) {
    connect();
    EXPECT_EQ(AttributeSyntax(context, "Member"), SYN_DIST_NAME);
    EXPECT_EQ(AttributeSyntax(context, "login disabled"), SYN_BOOLEAN);
    std::uint32_t ignored = 0;
    const Status expected = GetSyntaxId(context, "No Such Attribute", ignored);
    ASSERT_NE(expected, status::Ok);
    try {
        AttributeSyntax(context, "No Such Attribute");
        FAIL() << "no error";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), expected);
    }
}

TEST_F(SchemaTest, DefinitionsCarryTheirDetails) {
    connect();
    const ValueList definitions = ReadAttributeDefinitions(context);
    std::set<std::uint32_t> syntaxes;
    for (const auto &item : definitions) {
        const auto &details = std::get<AttributeDetails>(item.attached);
        EXPECT_EQ(details.syntax, AttributeSyntax(context, item.text)) << item.text;
        syntaxes.insert(details.syntax);
    }
    // The standard schema uses every value syntax at least once.
    EXPECT_EQ(syntaxes.size(), std::size_t(kHighestValueSyntax + 1));
    const auto member = std::find_if(definitions.begin(), definitions.end(),
                                     [](const ValueItem &i) { return i.text == "Member"; });
    ASSERT_NE(member, definitions.end());
    EXPECT_EQ(liveIterations(), 0u);
}

TEST_F(SchemaTest, CreatableClasses) {
    add("Joe.Acme", "User", UserValues());
    connect();
    testing::ScriptedPrompter prompter; // no box may appear
    const auto classes = ListCreatableClasses(context, "Acme");
    const std::set<std::string> set(classes.begin(), classes.end());
    EXPECT_TRUE(set.count("User"));
    EXPECT_TRUE(set.count("Organizational Unit"));
    EXPECT_FALSE(set.count("Organization"));
    EXPECT_TRUE(ListCreatableClasses(context, "Joe.Acme").empty());
    EXPECT_THROW(ListCreatableClasses(context, "Nowhere.Acme"), DirectoryError);
    EXPECT_EQ(liveIterations(), 0u);
}

} // namespace
} // namespace tarnbeck
