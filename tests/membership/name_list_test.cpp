#include "directory/directory_error.h"
#include "membership/name_list.h"
#include "membership/name_list_page.h"
#include "membership_tree.h"

namespace tarnbeck {
namespace {

using namespace dsclient;
using testing::Texts;
using testing::TextValue;

class NameListTest : public testing::MembershipTree {
  protected:
    void SetUp() override {
        MembershipTree::SetUp();
        for (const char *name : {"Di.Acme", "ann.acme", "Cy.Acme"})
            addValue("Staff.Acme", "See Also", TextValue(SYN_DIST_NAME, name));
    }
    NameListPage page;
};

TEST_F(NameListTest, ReadListIsSortedWithoutRegardToCase) {
    connect();
    // The store keeps references as their objects are spelt.
    EXPECT_EQ(ReadList(context, "Staff.Acme", "See Also"),
              (Texts{"Ann.Acme", "Cy.Acme", "Di.Acme"}));
    EXPECT_TRUE(ReadList(context, "Staff.Acme", "Owner").empty());
}

TEST_F(NameListTest, AddKeepsOrderAndOneSpellingAndAlwaysEnablesSave) {
    connect();
    page.reload(context, "Staff.Acme", "See Also");
    EXPECT_FALSE(page.saveEnabled());

    page.add("bob.acme");
    EXPECT_EQ(page.names(), (Texts{"Ann.Acme", "bob.acme", "Cy.Acme", "Di.Acme"}));
    page.reload(context, "Staff.Acme", "See Also");

    page.add("CY.ACME");
    EXPECT_EQ(page.names(), (Texts{"Ann.Acme", "Cy.Acme", "Di.Acme"}));
    EXPECT_TRUE(page.saveEnabled());

    // Accented names sort with their letter; case folds beyond ASCII.
    page.add("Fay.Acme");
    page.add("ÉMILE.ACME");
    page.add("émile.acme");
    EXPECT_EQ(page.names(), (Texts{"Ann.Acme", "Cy.Acme", "Di.Acme", "ÉMILE.ACME", "Fay.Acme"}));

    page.reload(context, "Staff.Acme", "See Also");
    page.add(std::nullopt); // the browser was cancelled
    EXPECT_EQ(page.names().size(), 3u);
    EXPECT_TRUE(page.saveEnabled());
}

TEST_F(NameListTest, DeleteRemovesTickedOnly) {
    connect();
    page.reload(context, "Staff.Acme", "See Also");
    page.deleteTicked();
    EXPECT_EQ(page.names().size(), 3u);
    EXPECT_TRUE(page.saveEnabled());

    page.setTicked(0, true);
    page.setTicked(2, true);
    page.setTicked(7, true); // past the end: ignored
    page.deleteTicked();
    EXPECT_EQ(page.names(), Texts{"Cy.Acme"});
}

TEST_F(NameListTest, SaveWritesTheBoxAndReloadDropsChanges) {
    connect();
    page.reload(context, "Staff.Acme", "See Also");
    page.setTicked(1, true); // ticks only select for deletion; ticked names are saved too
    page.add("Bob.Acme");
    page.save(context, "Staff.Acme", "See Also");
    EXPECT_FALSE(page.saveEnabled());
    EXPECT_EQ(values("Staff.Acme", "See Also"),
              (Texts{"Ann.Acme", "Bob.Acme", "Cy.Acme", "Di.Acme"}));

    page.setTicked(0, true);
    page.deleteTicked();
    page.reload(context, "Staff.Acme", "See Also");
    EXPECT_EQ(page.names().size(), 4u);
    EXPECT_FALSE(page.saveEnabled());

    page.clear();
    page.save(context, "Staff.Acme", "See Also");
    EXPECT_TRUE(values("Staff.Acme", "See Also").empty());
}

TEST_F(NameListTest, RefusedSaveRaisesAndStaysUnsaved) {
    connect("Ann.Acme");
    page.reload(context, "Staff.Acme", "See Also");
    page.add("Bob.Acme");
    try {
        page.save(context, "Staff.Acme", "See Also");
        FAIL() << "a refused save must not pass for a saved list";
    } catch (const DirectoryError &error) {
        EXPECT_EQ(error.status(), status::NoAccess);
    }
    EXPECT_TRUE(page.saveEnabled());
    EXPECT_EQ(values("Staff.Acme", "See Also").size(), 3u);
}

TEST_F(NameListTest, FailedReloadLeavesAnEmptyPageAndTheSaveState) {
    connect();
    page.reload(context, "Staff.Acme", "See Also");
    page.add("Bob.Acme");
    EXPECT_THROW(page.reload(context, "Gone.Acme", "See Also"), DirectoryError);
    EXPECT_TRUE(page.names().empty());
    EXPECT_TRUE(page.saveEnabled());
}

} // namespace
} // namespace tarnbeck
