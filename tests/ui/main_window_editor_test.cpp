// The query editor of the main window on the demo tree: the query string line keeps the window's
// size, the caret stays at a filter error, and Enter saves.

#include "demo_window.h"
#include "directory/values_writer.h"
#include "ui/member_list.h"

#include "scripted_prompter.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>

namespace tarnbeck::testing {
namespace {

using QueryEditorOnDemo = DemoWindowTest;

TEST_F(QueryEditorOnDemo, ALongFilterNeitherWidensTheWindowNorPushesButtonsAway) {
    form->show();
    form->loadGroup(kSalesTeam);
    const QSize size = form->size();
    QString filter = "(|";
    for (int i = 0; i < 300; ++i)
        filter += QString("(cn=user%1)").arg(i);
    form->edit3a->setText(filter + ")");
    QCoreApplication::processEvents();

    EXPECT_EQ(form->size(), size);
    EXPECT_LE(form->minimumSizeHint().width(), size.width());
    for (QWidget *button : {form->BitBtn1, form->BitBtn3, form->BitBtn4, form->BitBtn2})
        EXPECT_LE(button->mapTo(form, QPoint(button->width(), 0)).x(), size.width())
            << button->objectName().toStdString();
    // The whole query string is still there to read.
    EXPECT_TRUE(form->Label8->text().endsWith(filter + ")"));
    EXPECT_EQ(form->Label8->toolTip(), form->Label8->text());
}

TEST_F(QueryEditorOnDemo, TheCaretStandsWhereTheFilterErrorSays) {
    ScriptedPrompter prompter;
    form->loadGroup(kSalesTeam);
    form->edit3a->setText("(&(l=Berlin) cn=x)");
    form->ComboBox1->setCurrentIndex(1); // the failing query is not the one on screen
    emit form->ComboBox1->activated(1);
    form->BitBtn3->click();
    prompter.expectMessage(
        "( expected at position 14 in filter\nQuery 1, filter (&(l=Berlin) cn=x)");
    form->BitBtn1->click();

    EXPECT_EQ(form->ComboBox1->currentIndex(), 0);
    EXPECT_EQ(form->edit3a->text(), "(&(l=Berlin) cn=x)");
    EXPECT_EQ(form->edit3a->cursorPosition(), 13);
    EXPECT_EQ(form->focusWidget(), form->edit3a);
}

TEST_F(QueryEditorOnDemo, ExecuteSaysWhichQueryFailedWhereAndWhy) {
    ScriptedPrompter prompter;
    const std::string empty = "Empty Team.Sales.Acme", gone = "Gone Team.Sales.Acme";
    ASSERT_EQ(CreateObject(app.mainContext, empty, "Group"), dsclient::status::Ok);
    ASSERT_EQ(CreateObject(app.mainContext, gone, "Group"), dsclient::status::Ok);
    WriteValues(
        app.mainContext, gone, "L",
        {"q:ldap:///ou=sales.o=acme??sub?(cn=x)", "q:ldap:///ou=gone.o=acme??one?(cn=x)", "s:7"},
        false);

    form->loadGroup(empty);
    prompter.expectMessage("Query 1 not valid\nQuery 1 has no context to search from: choose one "
                           "with \"...\" beside context.");
    form->BitBtn1->click();

    form->loadGroup(gone);
    prompter.expectMessage("Netware error -601 (0xFFFFFDA7): no such object\nQuery 2, context "
                           "ou=gone.o=acme: no object of that name in the tree (searched from "
                           "gone.acme)");
    form->BitBtn1->click();
    EXPECT_EQ(form->ComboBox1->currentIndex(), 1);
    EXPECT_FALSE(form->BitBtn2->isEnabled());
}

TEST_F(QueryEditorOnDemo, EnterSavesTheQueriesWhenSaveIsEnabled) {
    form->loadGroup(kSalesTeam);
    QTest::keyClick(form->edit3a, Qt::Key_Return); // nothing to save: nothing happens
    form->edit3a->setText("(&(objectclass=user)(l=Boston))");
    ASSERT_TRUE(form->BitBtn3->isEnabled());
    QTest::keyClick(form->edit3a, Qt::Key_Return);

    EXPECT_FALSE(form->BitBtn3->isEnabled());
    // A typed scope word is saved too, and does not join the scope box's items.
    form->cbox->lineEdit()->setText("deep");
    emit form->cbox->lineEdit()->textEdited("deep");
    ASSERT_TRUE(form->BitBtn3->isEnabled());
    QTest::keyClick(form->cbox->lineEdit(), Qt::Key_Return);
    EXPECT_FALSE(form->BitBtn3->isEnabled());
    EXPECT_EQ(form->cbox->count(), 3);
    const std::vector<std::string> stored = values(kSalesTeam, "L");
    EXPECT_TRUE(std::any_of(stored.begin(), stored.end(), [](const std::string &value) {
        return value.ends_with("(&(objectclass=user)(l=Boston))");
    }));
}

TEST_F(QueryEditorOnDemo, AQueryTooLongForTheQueryAttributeSaysSoAndWritesNothing) {
    ScriptedPrompter prompter;
    form->loadGroup(kSalesTeam);
    const std::vector<std::string> before = values(kSalesTeam, "L");
    form->edit3a->setText("(&(objectclass=user)(l=Berlin)(title=Account Manager)(telephonenumber="
                          "+49 30 555*)(givenname=Anna*))");
    const std::size_t needed = ("q:" + form->Label8->text()).size();
    ASSERT_GT(needed, 128u);
    prompter.expectMessage("The queries do not fit into the attribute L: it holds at most 128 "
                           "characters in a value, and a query needs " +
                           std::to_string(needed) +
                           ". Nothing was saved. Settings can name a larger attribute for the "
                           "queries.");
    form->BitBtn3->click();

    EXPECT_EQ(values(kSalesTeam, "L"), before);
    EXPECT_TRUE(form->BitBtn3->isEnabled());
}

} // namespace
} // namespace tarnbeck::testing
