#include "ui/class_icons.h"
#include "ui/new_object_dialog.h"

#include "browser_tree.h"
#include "scripted_prompter.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace tarnbeck;
using namespace tarnbeck::testing;

namespace {

class NewObjectTest : public BrowserTreeTest {
  protected:
    void SetUp() override {
        BrowserTreeTest::SetUp();
        connect();
    }
    void showFor(const std::string &container) {
        dialog.FillTypes({"Group", "Workstation Group", "NoSuchIconClass"}, container, context);
        dialog.show();
    }

    ScriptedPrompter prompter;
    TNewObject dialog;
};

TEST_F(NewObjectTest, OkNeedsAChosenTypeAndANonBlankName) {
    showFor("Sales.Acme");
    EXPECT_EQ(dialog.windowTitle(), "Create New Object");
    EXPECT_EQ(dialog.ComboBoxEx1->currentIndex(), -1);
    EXPECT_EQ(dialog.ComboBoxEx1->placeholderText(), "<select object type>");
    EXPECT_FALSE(dialog.BitBtn1->isEnabled());

    dialog.Edit1->setText("Helpdesk");
    EXPECT_FALSE(dialog.BitBtn1->isEnabled()); // no type yet
    dialog.ComboBoxEx1->setCurrentIndex(0);
    EXPECT_TRUE(dialog.BitBtn1->isEnabled());

    // Emptying the name (or leaving only blanks) disables OK again.
    dialog.Edit1->setText("");
    EXPECT_FALSE(dialog.BitBtn1->isEnabled());
    dialog.Edit1->setText("   ");
    EXPECT_FALSE(dialog.BitBtn1->isEnabled());
    dialog.Edit1->setText("x");
    EXPECT_TRUE(dialog.BitBtn1->isEnabled());

    // Each showing starts over.
    dialog.hide();
    EXPECT_EQ(dialog.ContainerName(), "");
    showFor("Sales.Acme");
    EXPECT_FALSE(dialog.BitBtn1->isEnabled());
    EXPECT_EQ(dialog.ComboBoxEx1->currentIndex(), -1);
}

TEST_F(NewObjectTest, TypesCarryTheirClassIconsOrTheFallback) {
    showFor("Sales.Acme");
    EXPECT_EQ(dialog.ComboBoxEx1->itemIcon(0).pixmap(16, 16).toImage(),
              ClassIcon(ClassIconIndex("Group")).pixmap(16, 16).toImage());
    EXPECT_EQ(dialog.ComboBoxEx1->itemIcon(2).pixmap(16, 16).toImage(),
              ClassIcon(ClassIconIndex("Unknown2")).pixmap(16, 16).toImage());
    EXPECT_NE(ClassIconIndex("Group"), ClassIconIndex("Unknown2"));
}

TEST_F(NewObjectTest, ATakenNameIsRefusedWithOneBeepAndTheNameIsTrimmed) {
    showFor("Sales.Acme");
    dialog.ComboBoxEx1->setCurrentIndex(0);
    dialog.Edit1->setText("  Staff ");
    prompter.expectBeep().expectMessage("Duplicate name");
    dialog.BitBtn1->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.Edit1->text(), "Staff");
    EXPECT_EQ(dialog.focusWidget(), dialog.Edit1);

    dialog.Edit1->setText(" Helpdesk  ");
    dialog.BitBtn1->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.EnteredName(), "Helpdesk");
    EXPECT_EQ(dialog.ChosenType(), "Group");
}

TEST_F(NewObjectTest, ShownWithoutAContainerWarnsAndStillOpens) {
    prompter.expectMessage("Internal Error");
    showFor("");
    EXPECT_TRUE(dialog.isVisible());
    dialog.BitBtn2->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(NewObjectName, AtTheTopOfTheTreeTheLeafStandsAlone) {
    EXPECT_EQ(NewObjectName("Staff", "Sales.Acme"), "Staff.Sales.Acme");
    EXPECT_EQ(NewObjectName("Acme2", "[ROOT]"), "Acme2");
}

} // namespace
