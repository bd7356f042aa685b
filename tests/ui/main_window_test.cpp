#include "ui/about_box.h"
#include "ui/browser_dialog.h"
#include "ui/other_dialogs.h"
#include "ui/help_texts.h"
#include "ui/main_window.h"
#include "ui/member_list.h"
#include "ui/windows.h"

#include "scripted_dialogs.h"
#include "scripted_prompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <set>

using namespace tarnbeck;
using tarnbeck::testing::ScriptedDialogs;
using tarnbeck::testing::ScriptedPrompter;

namespace {

struct MainWindowFixture : ::testing::Test {
    AppState app;
    // The start sequence needs a directory; these tests look at the window alone.
    Windows windows{app};
    TForm1 &form = *windows.main;
};

TEST_F(MainWindowFixture, StartsWithTheLayoutAndStatesOfANewWindow) {
    EXPECT_EQ(form.size(), QSize(604, 634));
    EXPECT_FALSE(form.Panel6->isEnabled());
    EXPECT_FALSE(form.BitBtn1->isEnabled());
    EXPECT_FALSE(form.BitBtn3->isEnabled());
    EXPECT_TRUE(form.BitBtn3->isDefault());
    EXPECT_FALSE(form.BitBtn2->isEnabled());
    EXPECT_FALSE(form.exclSave->isEnabled());
    EXPECT_FALSE(form.inclSave->isEnabled());
    EXPECT_TRUE(form.RadioButton2->isChecked());
    EXPECT_EQ(form.Label8->text(), "ldap:///");
    EXPECT_EQ(form.cbox->currentText(), "-");
    EXPECT_EQ(form.cbox->count(), 3);
    EXPECT_EQ(form.ComboBox1->itemText(0), "Query 1");
    EXPECT_TRUE(form.edit3->isReadOnly());
    EXPECT_TRUE(form.Edit1->isReadOnly());
    EXPECT_EQ(form.xchain->text(), "x-chain ");
    EXPECT_EQ(form.BitBtn4->text(), "&Reload");
    EXPECT_EQ(form.inclReload->text(), "Reload");
    EXPECT_EQ(form.exclReload->text(), "&Reload");

    // Page captions keep their trailing blanks; only the Members tab shows at first.
    EXPECT_EQ(form.pc->tabText(0), "Members    ");
    EXPECT_EQ(form.pc->tabText(1), "Exclude     ");
    EXPECT_EQ(form.pc->tabText(2), "Static     ");
    EXPECT_EQ(form.pc->currentIndex(), TForm1::kMembersPage);
    EXPECT_TRUE(form.pc->isTabVisible(0));
    EXPECT_FALSE(form.pc->isTabVisible(1));
    EXPECT_FALSE(form.pc->isTabVisible(2));
    form.show();
    EXPECT_FALSE(form.Memo1->isVisible());
}

TEST_F(MainWindowFixture, TheEightWindowsExistOnce) {
    const std::set<QDialog *> dialogs{windows.cForm,      windows.LoginForm,
                                      windows.About,      windows.NewObject,
                                      windows.toplicform, windows.Trees2,
                                      windows.TreesForm};
    EXPECT_EQ(dialogs.size(), 7u);
    EXPECT_EQ(dialogs.count(nullptr), 0u);
    for (QDialog *dialog : dialogs)
        EXPECT_EQ(dialog->parent(), &form);
}

TEST_F(MainWindowFixture, HelpTextsAndHintsAreTheProgramsOwn) {
    EXPECT_EQ(form.BitBtn13->whatsThis(), "Add an new query.");
    EXPECT_EQ(form.edit3a->whatsThis(),
              "Enter the ldap query.\n\ne.g. (&(objectclass=User)(cn=*-10*))\n\nWith this version "
              "of the program it is [B]not[] possible to use extensible matching options!\nSo do "
              "not use:\n(cn:1.2.3.4.5:=some name)\n(:dn:2.4.6.8.10:=name)");
    EXPECT_EQ(form.xchain->whatsThis(), "This option has no meanig in this (Novell Client Based) "
                                        "version. It can be usefull in the ldap version of the "
                                        "program.");
    EXPECT_TRUE(form.pc->whatsThis().startsWith("If checked the program will show an edit page"));
    // Every control of the help table carries its text.
    for (const ControlHelp &help : MainWindowHelpTexts()) {
        QWidget *control = form.findChild<QWidget *>(QString::fromStdString(help.control));
        ASSERT_NE(control, nullptr) << help.control;
        EXPECT_FALSE(control->whatsThis().isEmpty()) << help.control;
        EXPECT_FALSE(control->whatsThis().contains('\r')) << help.control;
    }
    // Tool bar hints: the short part is the tip, the long part the help.
    EXPECT_EQ(form.settings->toolTip(), "settings");
    EXPECT_EQ(form.settings->whatsThis(), "open settings page.");
    EXPECT_EQ(form.what->toolTip(), "about");
    EXPECT_EQ(form.what->whatsThis(), "Opens about box.");
    EXPECT_EQ(form.exitexit->toolTip(), "Exit");
    EXPECT_EQ(form.treessel->whatsThis(), "Change tree");
    EXPECT_NE(form.findChild<QAction *>("whatsThisAction"), nullptr);
}

TEST_F(MainWindowFixture, TabsFollowTheListCheckBoxesAndMarkTheQueryModified) {
    form.Panel6->setEnabled(true); // as after a group load
    form.exclclb->addItem("Joe.Sales.Acme");
    form.CheckBox1->setChecked(true);
    EXPECT_TRUE(form.pc->isTabVisible(TForm1::kExcludePage));
    EXPECT_FALSE(form.pc->isTabVisible(TForm1::kStaticPage));
    EXPECT_TRUE(form.BitBtn3->isEnabled());

    form.BitBtn3->setEnabled(false);
    form.CheckBox1->setChecked(false);
    EXPECT_FALSE(form.pc->isTabVisible(TForm1::kExcludePage));
    EXPECT_TRUE(form.BitBtn3->isEnabled());
    EXPECT_EQ(form.exclclb->count(), 1) << "hiding the tab leaves the list alone";

    form.CheckBox2->setChecked(true);
    EXPECT_TRUE(form.pc->isTabVisible(TForm1::kStaticPage));
}

TEST_F(MainWindowFixture, ScopeAndXChainChangesRecomposeTheQueryStringAndEnableSave) {
    form.Panel6->setEnabled(true);
    form.show();
    form.edit3->setText("ou=sales.o=acme");
    form.edit3a->setText("(cn=a*)");
    form.cbox->lineEdit()->selectAll();
    QTest::keyClicks(form.cbox->lineEdit(), "one");
    EXPECT_EQ(form.Label8->text(), "ldap:///ou=sales.o=acme??one?(cn=a*)");
    EXPECT_TRUE(form.BitBtn3->isEnabled());

    form.BitBtn3->setEnabled(false);
    form.edit3->setText("cn=[root]");
    QTest::mouseClick(form.xchain, Qt::LeftButton);
    EXPECT_EQ(form.Label8->text(), "ldap:///??one?(cn=a*)");
    EXPECT_TRUE(form.BitBtn3->isEnabled());
}

TEST_F(MainWindowFixture, CaptionNamesTheTreeAndFollowsResizes) {
    app.currentTree = "DEMO_TREE";
    form.UpdateCaption();
    EXPECT_EQ(form.windowTitle(), "Tarnbeck v1.03 - DEMO_TREE");
    app.currentTree = "LAB_TREE";
    form.resize(700, 640);
    form.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(form.windowTitle(), "Tarnbeck v1.03 - LAB_TREE");
}

TEST_F(MainWindowFixture, ExitClosesTheWindowUnlessUnsavedWorkIsKept) {
    form.show();
    {
        // Only the static list is unsaved: the question comes all the same.
        ScriptedPrompter prompter;
        form.statics().add(std::nullopt);
        prompter.expectConfirm("There unsaved data (query, excludes or includes), ignore changes?",
                               false);
        form.exitexit->click();
        EXPECT_TRUE(form.isVisible());
    }
    form.statics().dropChanges();
    form.exitexit->click();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MainWindowFixture, AboutBoxFadesInAndOut) {
    ScriptedDialogs dialogs;
    dialogs.expect("About", [](QDialog &dialog) {
        auto &about = static_cast<TAbout &>(dialog);
        EXPECT_EQ(about.transparency(), 0);
        EXPECT_TRUE(about.fading());
        EXPECT_TRUE(about.buildLabel->text().startsWith("Build: "));
        EXPECT_TRUE(about.systemLabel->text().contains("(Build "));
        EXPECT_TRUE(about.memoryLabel->text().endsWith(" KB"));
        int ticks = 0;
        while (about.fading() && ticks < 100) {
            about.fadeTick();
            ++ticks;
        }
        // 0, 4, ... 244, then 248 >= 247 is set to 255: 62 ticks.
        EXPECT_EQ(ticks, 62);
        EXPECT_EQ(about.transparency(), 255);
        about.closeButton->click();
        ticks = 0;
        while (about.fading() && ticks < 100) {
            about.fadeTick();
            ++ticks;
        }
        EXPECT_LT(about.transparency(), 5);
        EXPECT_EQ(about.result(), QDialog::Accepted);
        return about.result();
    });
    form.what->click();
}

// Draws one entry into an image and returns the colours used for its pixels.
std::set<QRgb> drawnColours(MemberMark mark, bool selected, QFont font) {
    MemberList list;
    list.setFont(font);
    list.setEntries({{"WWWWWWWW.Sales.Acme", mark}});
    QImage image(200, MemberList::kItemHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.initFrom(&list);
    option.font = font;
    option.rect = image.rect();
    option.state = selected ? QStyle::State_Selected : QStyle::State_None;
    list.itemDelegate()->paint(&painter, option, list.model()->index(0, 0));
    painter.end();
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y) & 0xFFFFFF);
    return colours;
}

int strikeRows(MemberMark mark, QFont font) {
    // A struck-out entry has a horizontal run of the mark colour far wider than any glyph.
    MemberList list;
    list.setEntries({{"il il il il il il", mark}});
    QImage image(300, MemberList::kItemHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.initFrom(&list);
    option.font = font;
    option.rect = image.rect();
    list.itemDelegate()->paint(&painter, option, list.model()->index(0, 0));
    painter.end();
    const QRgb colour = StyleOfMark(int(mark)).colour.rgb() & 0xFFFFFF;
    int rows = 0;
    for (int y = 0; y < image.height(); ++y) {
        int run = 0, longest = 0;
        for (int x = 0; x < image.width(); ++x) {
            run = (image.pixel(x, y) & 0xFFFFFF) == colour ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        rows += longest > 40;
    }
    return rows;
}

TEST(MemberListDrawing, EachMarkHasItsColourAndStyle) {
    QFont font;
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::NoAntialias);
    const std::pair<MemberMark, QRgb> expected[] = {
        {MemberMark::Keep, 0x000000},     {MemberMark::Remove, 0xFF0000},
        {MemberMark::Add, 0x008000},      {MemberMark::Excluded, 0x0000FF},
        {MemberMark::Static, 0x0000FF},
    };
    for (const auto &[mark, colour] : expected) {
        EXPECT_TRUE(drawnColours(mark, false, font).count(colour)) << int(mark);
        // The highlight of a selected entry does not take the mark colour away.
        EXPECT_TRUE(drawnColours(mark, true, font).count(colour)) << int(mark);
    }
    EXPECT_GT(strikeRows(MemberMark::Remove, font), 0);
    EXPECT_GT(strikeRows(MemberMark::Excluded, font), 0);
    EXPECT_EQ(strikeRows(MemberMark::Static, font), 0);
    EXPECT_EQ(strikeRows(MemberMark::Add, font), 0);
    EXPECT_EQ(StyleOfMark(9).colour, QColor(Qt::black));
}

TEST(MemberListDrawing, EntriesKeepTheirMarks) {
    MemberList list;
    const MemberEntries entries{{"A.Acme", MemberMark::Remove},
                                {"B.Acme", MemberMark::Static, true}};
    list.setEntries(entries);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.markAt(1), MemberMark::Static);
    // Update group reads the list back: an incomplete entry must stay incomplete.
    EXPECT_EQ(list.entries(), entries);
    EXPECT_EQ(list.sizeHintForRow(0), MemberList::kItemHeight);
}

TEST(MemberListDrawing, AnIncompleteEntryIsDrawnWithItsNote) {
    // The rightmost column with ink: the note follows the name.
    const auto inkEnd = [](bool incomplete) {
        MemberList list;
        list.setEntries({{"A.Acme", MemberMark::Keep, incomplete}});
        QImage image(300, MemberList::kItemHeight, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.initFrom(&list);
        option.rect = image.rect();
        list.itemDelegate()->paint(&painter, option, list.model()->index(0, 0));
        painter.end();
        int end = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                    end = std::max(end, x);
        return end;
    };
    EXPECT_GT(inkEnd(true), inkEnd(false) + 20);
}

TEST(MemberListDrawing, AnIncompleteEntrysNameIsItalic) {
    const auto draw = [](bool incomplete) {
        MemberList list;
        list.setEntries({{"HHHHHHHH.Acme", MemberMark::Keep, incomplete}});
        QImage image(300, MemberList::kItemHeight, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.initFrom(&list);
        option.rect = image.rect();
        list.itemDelegate()->paint(&painter, option, list.model()->index(0, 0));
        painter.end();
        // Only the name's own width, not the note after it.
        return image.copy(0, 0, QFontMetrics(option.font).horizontalAdvance("HHHHHHHH.Acme") - 4,
                          image.height());
    };
    EXPECT_NE(draw(true), draw(false));
}

} // namespace
