// The buttons: the order of work of the two check runs, copying the log, help,
// and the ways the dialog ends.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>

#include "base/Support.h"
#include "tests/app/AppFixture.h"
#include "tests/app/ModalWatcher.h"

namespace veltmoor::test {
namespace {

class HandlersTest : public AppTest {
protected:
    void TickFixErrors(CVeltmoorDlg& dlg, bool on) {
        qobject_cast<QCheckBox*>(dlg.GetDlgItem(CVeltmoorDlg::IDC_FIX_ERRORS))->setChecked(on);
    }
    static bool Contains(const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST_F(HandlersTest, CheckTablesWithoutFixRunsBothPassesOnTheSameConnection) {
    // No tables.xml: both passes find nothing to compare and write nothing.
    auto dlg = StartWithDatabase();
    dlg->m_wndLog.AddLine("left over from the last run");
    dlg->m_tally.findings = 3;
    const ado::Connection* before = dlg->m_pConnection.get();
    dlg->OnCheckTables();
    EXPECT_EQ(Lines(*dlg), std::vector<std::string>{"  "});
    EXPECT_EQ(dlg->m_pConnection.get(), before);
    EXPECT_EQ(counts->opens, 1);
    EXPECT_EQ(counts->closes, 0);
    EXPECT_EQ(dlg->m_bFixErrors, 0);
    EXPECT_EQ(dlg->m_tally.findings, 0) << "each run counts afresh";
}

TEST_F(HandlersTest, CheckTablesWithFixReconnectsBetweenThePasses) {
    auto dlg = StartWithDatabase();
    TickFixErrors(*dlg, true);
    const ado::Connection* before = dlg->m_pConnection.get();
    dlg->OnCheckTables();
    EXPECT_EQ(dlg->m_bFixErrors, 1);
    EXPECT_EQ(counts->closes, 1);
    EXPECT_EQ(counts->opens, 2);
    EXPECT_EQ(counts->made, 2);
    ASSERT_TRUE(dlg->m_pConnection);
    EXPECT_NE(dlg->m_pConnection.get(), before);
    EXPECT_EQ(dlg->m_pConnection->State(), ado::adStateOpen);
    EXPECT_EQ(Lines(*dlg), std::vector<std::string>{"  "});
}

TEST_F(HandlersTest, AFailingCloseIsRecordedAndTheReopenStillHappens) {
    auto dlg = StartWithDatabase();
    TickFixErrors(*dlg, true);
    counts->failClose = true;
    dlg->OnCheckTables();
    const auto lines = Lines(*dlg);
    EXPECT_TRUE(Contains(lines, "Exception Recorded"));
    EXPECT_TRUE(Contains(lines, "Tracer: CVeltmoorDlg::OnCheckTables"));
    EXPECT_EQ(counts->opens, 2) << "reopened after the failed close";
    EXPECT_EQ(dlg->m_tally.errors, 1);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "  ") << "the main pass still follows";
}

TEST_F(HandlersTest, WithoutAConnectionObjectOnlyTheReopenIsTried) {
    database = std::make_unique<AccountDatabase>(dir.File("tarnwick.mdb"));
    auto dlg = MakeDialog();
    // The component cannot be created at start-up: no connection object at all.
    int calls = 0;
    auto real = CountingFactory(counts);
    dlg->m_connectionFactory = [&]() -> ado::ConnectionPtr { return ++calls == 1 ? nullptr : real(); };
    dlg->OnInitDialog();
    ASSERT_FALSE(dlg->m_pConnection);
    TickFixErrors(*dlg, true);
    dlg->OnCheckTables();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(counts->closes, 0);
    EXPECT_EQ(counts->opens, 1);
    ASSERT_TRUE(dlg->m_pConnection);
    EXPECT_EQ(dlg->m_pConnection->State(), ado::adStateOpen);
}

TEST_F(HandlersTest, AFailedIdentityPassEndsTheRunWithItsErrorBlock) {
    // A table to look up, but no database: the catalog is missing and the
    // identity pass fails on its first lookup.
    dir.Write("tables.xml", "<TABLES><TABLE name=\"ACCOUNTS\"/></TABLES>");
    auto dlg = MakeDialog();
    dlg->OnInitDialog();
    TickFixErrors(*dlg, true);
    const int opensBefore = counts->opens;
    dlg->OnCheckTables();
    const auto lines = Lines(*dlg);
    ASSERT_EQ(lines.size(), 8u) << dlg->m_wndLog.GetText();
    EXPECT_EQ(lines[0], "  ");
    EXPECT_EQ(lines[1], "Exception Recorded");
    EXPECT_EQ(lines[6], "Tracer: CVeltmoorDlg::CheckTables");
    EXPECT_EQ(lines.back().rfind("** Email ", 0), 0u) << "no separator line follows the block";
    EXPECT_EQ(counts->opens, opensBefore) << "no reconnect after a failed identity pass";
    EXPECT_EQ(dlg->m_tally.errors, 1);
}

TEST_F(HandlersTest, CheckAccountsClearsTheLogAndRunsTheCheck) {
    auto dlg = StartWithDatabase();
    dlg->m_wndLog.AddLine("left over");
    dlg->m_tally.errors = 2;
    TickFixErrors(*dlg, true);
    dlg->OnCheckAccounts();
    EXPECT_EQ(dlg->m_bFixErrors, 1);
    EXPECT_EQ(Lines(*dlg), std::vector<std::string>{"-- No Accounts Found in The Database --"});
    EXPECT_EQ(dlg->m_tally.errors, 0);
    EXPECT_EQ(counts->opens, 1) << "the account check never reconnects";
}

TEST_F(HandlersTest, ButtonsAreWiredToTheirHandlers) {
    auto dlg = StartWithDatabase();
    dlg->show();
    QTest::mouseClick(dlg->GetDlgItem(CVeltmoorDlg::IDC_CHECK_ACCOUNTS), Qt::LeftButton);
    EXPECT_EQ(Lines(*dlg), std::vector<std::string>{"-- No Accounts Found in The Database --"});
    QTest::mouseClick(dlg->GetDlgItem(CVeltmoorDlg::IDC_CHECK_TABLES), Qt::LeftButton);
    EXPECT_EQ(Lines(*dlg), std::vector<std::string>{"  "});

    const ModalSeen help = RunWithModal(
        [&] { QTest::mouseClick(dlg->GetDlgItem(CVeltmoorDlg::IDC_HELP), Qt::LeftButton); });
    EXPECT_TRUE(help.text.startsWith(QStringLiteral("No help available yet.")));
    const ModalSeen copy = RunWithModal(
        [&] { QTest::mouseClick(dlg->GetDlgItem(CVeltmoorDlg::IDC_COPY_LOG), Qt::LeftButton); });
    EXPECT_EQ(copy.text, QStringLiteral("Data copied to the clipboard."));
}

TEST_F(HandlersTest, CopyLogPutsThePlainTextOnTheClipboardAndSaysSo) {
    auto dlg = StartWithDatabase();
    dlg->m_wndLog.AddLine("\x03" "04Error\x03");
    dlg->m_wndLog.AddLine("a\tb");
    dlg->m_wndLog.AddLine("gr\xc3\xbc\xc3\x9f");  // UTF-8 survives the trip
    const ModalSeen seen = RunWithModal([&] { dlg->OnCopyLog(); });
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("Error\r\na    b\r\ngr\xc3\xbc\xc3\x9f\r\n"));
    EXPECT_TRUE(seen.seen);
    EXPECT_EQ(seen.className, QStringLiteral("QMessageBox"));
    EXPECT_EQ(seen.title, QStringLiteral("Veltmoor"));
    EXPECT_EQ(seen.text, QStringLiteral("Data copied to the clipboard."));
}

TEST_F(HandlersTest, CopyLogOfAnEmptyLogEmptiesTheClipboardAndStillSaysSo) {
    auto dlg = StartWithDatabase();
    QGuiApplication::clipboard()->setText(QStringLiteral("something older"));
    const ModalSeen seen = RunWithModal([&] { dlg->OnCopyLog(); });
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());
    EXPECT_EQ(seen.text, QStringLiteral("Data copied to the clipboard."));
}

TEST_F(HandlersTest, HelpNamesTheSupportAddress) {
    auto dlg = StartWithDatabase();
    const ModalSeen seen = RunWithModal([&] { dlg->OnHelp(); });
    EXPECT_EQ(seen.text, QStringLiteral("No help available yet. Contact support@veltmoor.example for any inquiries"));
    EXPECT_EQ(QString::fromLatin1(kSupportEmail), QStringLiteral("support@veltmoor.example"));
    EXPECT_EQ(seen.title, QStringLiteral("Veltmoor"));
}

TEST_F(HandlersTest, ExitEscapeAndCloseEndTheDialog) {
    struct Case {
        const char* how;
        std::function<void(CVeltmoorDlg&)> end;
        int result;
    } cases[] = {
        {"Exit", [](CVeltmoorDlg& d) { QTest::mouseClick(d.GetDlgItem(1), Qt::LeftButton); }, QDialog::Accepted},
        {"Enter", [](CVeltmoorDlg& d) { QTest::keyClick(&d, Qt::Key_Return); }, QDialog::Accepted},
        {"Escape", [](CVeltmoorDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }, QDialog::Rejected},
        {"close", [](CVeltmoorDlg& d) { d.close(); }, QDialog::Rejected},
    };
    database = std::make_unique<AccountDatabase>(dir.File("tarnwick.mdb"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        auto dlg = MakeDialog();
        dlg->show();
        dlg->GetDlgItem(1)->setFocus();
        c.end(*dlg);
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(dlg->result(), c.result);
    }
}

}  // namespace
}  // namespace veltmoor::test
