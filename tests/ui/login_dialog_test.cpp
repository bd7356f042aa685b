// The login dialog on a duplicated context of the lab tree: wrong and right passwords, the
// password never outliving a showing, overlong input, and picking the user in the browser.

#include "../shell/trees_fixture.h"

#include "platform/dsclient/embedded/store_admin.h"
#include "shell/trees.h"
#include "ui/browser_dialog.h"
#include "ui/login_dialog.h"

#include "scripted_dialogs.h"
#include "scripted_prompter.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace tarnbeck::testing {
namespace {

using namespace dsclient;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

const char *const kLoginFails = "Login Fails, try again";
const char *const kNotAUserAlias = "Alias object is not am alias of User objects!";

// Whether `text` after its first character (a freed buffer may have lost that one) lies in
// private writable memory as UTF-16, the way the toolkit holds texts. The text itself is only
// read from where the caller keeps it, so the search finds no copy of its own.
bool Utf16InMemory(const char *text) {
    struct Range {
        const unsigned char *from, *to;
    };
    std::vector<Range> ranges;
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        unsigned long start = 0, end = 0;
        char perms[5] = {};
        if (std::sscanf(line.c_str(), "%lx-%lx %4s", &start, &end, perms) == 3 &&
            std::strcmp(perms, "rw-p") == 0)
            ranges.push_back({reinterpret_cast<const unsigned char *>(start),
                              reinterpret_cast<const unsigned char *>(end)});
    }
    const char *chars = text + 1;
    const std::size_t length = std::strlen(chars);
    for (const Range &range : ranges) {
        for (const unsigned char *at = range.from; at + 2 * length <= range.to; ++at) {
            at = static_cast<const unsigned char *>(
                std::memchr(at, chars[0], static_cast<std::size_t>(range.to - at) - 2 * length + 1));
            if (!at)
                break;
            std::size_t i = 0;
            while (i < length && at[2 * i] == static_cast<unsigned char>(chars[i]) && at[2 * i + 1] == 0)
                ++i;
            if (i == length)
                return true;
        }
    }
    return false;
}

class LoginDialogTest : public TwoTreesTest {
  protected:
    void SetUp() override {
        TwoTreesTest::SetUp();
        startClient();
        ASSERT_EQ(DuplicateContext(openContext(), labContext), status::Ok);
        ASSERT_EQ(SwitchContextTree(labContext, kLabTree), status::Ok);
        form.SetBrowser(browser);
    }

    // Types into the fields and presses OK; the dialog's result so far.
    static int Submit(TLoginForm &login, const std::string &name, const std::string &password) {
        login.Name->setText(QString::fromStdString(name));
        login.Password->setText(QString::fromStdString(password));
        login.BitBtn1->click();
        return login.result();
    }
    static TLoginForm &Login(QDialog &dialog) { return static_cast<TLoginForm &>(dialog); }

    ContextHandle labContext = 0;
    TcForm browser;
    TLoginForm form;
    ScriptedPrompter prompter;
    ScriptedDialogs dialogs;
};

TEST_F(LoginDialogTest, AWrongPasswordKeepsTheDialogOpenUntilCancelled) {
    prompter.expectMessage(kLoginFails).expectMessage(kLoginFails);
    dialogs.expect("LoginForm", [](QDialog &dialog) {
        TLoginForm &login = Login(dialog);
        EXPECT_EQ(login.windowTitle(), "Login into tree: LAB_TREE");
        EXPECT_EQ(Submit(login, "Joe.Lab", "wrong"), QDialog::Rejected);
        EXPECT_TRUE(login.isVisible());
        EXPECT_EQ(login.Name->text(), "Joe.Lab");
        EXPECT_EQ(login.Password->text(), "wrong");
        // The same answer however often it is tried.
        EXPECT_EQ(Submit(login, "Joe.Lab", "wrong again"), QDialog::Rejected);
        login.BitBtn2->click();
        EXPECT_FALSE(login.isVisible());
        EXPECT_EQ(login.Password->text(), "");
        return login.result();
    });

    EXPECT_EQ(RunLogin(form, labContext), std::nullopt);
    EXPECT_EQ(ScanAuthenticatedTrees(labContext), (std::vector<std::string>{kTestTree}));
    EXPECT_EQ(form.Name->text(), "Joe.Lab") << "the name stays for the next showing";
}

TEST_F(LoginDialogTest, ThePasswordIsEmptiedHoweverTheDialogCloses) {
    // A runner that hides the dialog without any button: the field must still be emptied.
    dialogs.expect("LoginForm", [](QDialog &dialog) {
        Login(dialog).Password->setText("left behind");
        return int(QDialog::Rejected);
    });
    EXPECT_EQ(RunLogin(form, labContext), std::nullopt);
    EXPECT_EQ(form.Password->text(), "");
    EXPECT_EQ(form.Password->echoMode(), QLineEdit::Password);
}

TEST_F(LoginDialogTest, OverlongNamesAndPasswordsAreRefusedNotCut) {
    const std::string longest(TLoginForm::kMaxLoginText, 'x');
    prompter.expectMessage("Name is longer than 255 characters")
        .expectMessage("Password is longer than 255 characters")
        .expectMessage(kLoginFails);
    dialogs.expect("LoginForm", [&](QDialog &dialog) {
        TLoginForm &login = Login(dialog);
        EXPECT_EQ(Submit(login, longest + "x", kLabPassword), QDialog::Rejected);
        EXPECT_EQ(Submit(login, "Joe.Lab", longest + "x"), QDialog::Rejected);
        EXPECT_EQ(login.Password->text().size(), 256) << "nothing cut";
        // 255 characters reach the directory, which refuses them as a wrong password.
        EXPECT_EQ(Submit(login, "Joe.Lab", longest), QDialog::Rejected);
        login.BitBtn2->click();
        return login.result();
    });
    EXPECT_EQ(RunLogin(form, labContext), std::nullopt);
}

TEST_F(LoginDialogTest, LeavingTheNameDropsOneLeadingDot) {
    dialogs.expect("LoginForm", [](QDialog &dialog) {
        TLoginForm &login = Login(dialog);
        login.Name->setText("..Joe.Lab");
        QFocusEvent leave(QEvent::FocusOut);
        QApplication::sendEvent(login.Name, &leave);
        EXPECT_EQ(login.Name->text(), ".Joe.Lab");
        QApplication::sendEvent(login.Name, &leave);
        EXPECT_EQ(login.Name->text(), "Joe.Lab");
        EXPECT_EQ(Submit(login, login.Name->text().toStdString(), kLabPassword), QDialog::Accepted);
        return login.result();
    });
    EXPECT_EQ(RunLogin(form, labContext), "Joe.Lab");
}

TEST_F(LoginDialogTest, TheBrowserPicksUsersAndAliasesOfUsersOnly) {
    // Each pick: what the browser returns, then what the Name field shows afterwards.
    const auto pick = [this](const std::string &chosen) {
        dialogs.expect("cForm", [this, chosen](QDialog &dialog) {
            TcForm &shown = static_cast<TcForm &>(dialog);
            EXPECT_EQ(shown.context(), labContext);
            EXPECT_EQ(shown.windowTitle(), "LAB_TREE: Select User/Alias");
            EXPECT_TRUE(shown.ShowLeaves());
            EXPECT_EQ(shown.ClassFilter(), (std::vector<std::string>{"Alias", "User"}));
            EXPECT_EQ(shown.SelectedPath(), form.Name->text().toStdString());
            shown.SetSelectedPath(chosen);
            return int(QDialog::Accepted);
        });
        form.Button1->click();
        return form.Name->text().toStdString();
    };
    browser.AddClassFilter("Group"); // left by an earlier use
    form.SetContext(labContext);
    form.Name->setText("Someone");

    prompter.expectMessage(kNotAUserAlias);
    EXPECT_EQ(pick("StaffLink.Lab"), "Someone");
    EXPECT_EQ(pick("JoeLink.Lab"), "Joe.Lab");

    // A cancelled browser changes nothing.
    dialogs.expect("cForm", [](QDialog &) { return int(QDialog::Rejected); });
    form.Button1->click();
    EXPECT_EQ(form.Name->text(), "Joe.Lab");
}

TEST_F(LoginDialogTest, AnObjectThatVanishedIsReportedAsTheDirectoryError) {
    prompter.expectMessage("Netware error -601 (0xFFFFFDA7): no such object");
    dialogs.expect("cForm", [](QDialog &dialog) {
        static_cast<TcForm &>(dialog).SetSelectedPath("Gone.Lab");
        return int(QDialog::Accepted);
    });
    form.SetContext(labContext);
    form.Name->setText("Joe.Lab");
    form.Button1->click();
    EXPECT_EQ(form.Name->text(), "Joe.Lab");
}

TEST_F(LoginDialogTest, NoCopyOfThePasswordStaysInMemoryAfterTheLogin) {
    // The search reads every writable page, the sanitizer's shadow and poisoned heap included,
    // which the sanitizer reports as errors; it keeps freed blocks besides, so it cannot tell.
    if (kAddressSanitizer)
        GTEST_SKIP() << "reads all of memory, which AddressSanitizer forbids";
    static const char kPassword[] = "Zq7vMx2Kp9Lw4RtB";
    {
        std::unique_ptr<embedded::StoreAdmin> lab;
        ASSERT_EQ(embedded::StoreAdmin::Open(config.trees[1].store, lab), status::Ok);
        ASSERT_EQ(lab->SetPassword("Joe.Lab", kPassword), status::Ok);
    }
    dialogs.expect("LoginForm", [](QDialog &dialog) {
        TLoginForm &login = Login(dialog);
        login.Name->setText("Joe.Lab");
        QTest::keyClicks(login.Password, kPassword); // typed, as administrators do
        EXPECT_TRUE(Utf16InMemory(kPassword)) << "the search must see the field's text";
        login.BitBtn1->click();
        return login.result();
    });
    EXPECT_EQ(RunLogin(form, labContext), "Joe.Lab");
    EXPECT_FALSE(Utf16InMemory(kPassword));
}

} // namespace
} // namespace tarnbeck::testing
