// Start-up and the buttons: the order of work of the two check runs, copying the
// log, help, and the ways the dialog ends.
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include "tests/app/AppFixture.h"
#include "tests/support/ScriptedConnection.h"

namespace veltmoor::test {
namespace {

using HandlersTest = AppTest;
QString Status(const CVeltmoorDlg& dlg) { return qobject_cast<QLabel*>(dlg.GetDlgItem(1006))->text(); }

TEST_F(HandlersTest, StartUpOpensTheDatabaseBesideTheProgramOnceThenTheButtonsRunTheirHandlers) {
    database = std::make_unique<AccountDatabase>(dir.File("tarnwick.mdb"));
    auto dlg = MakeDialog();
    EXPECT_FALSE(dlg->m_pConnection) << "nothing is opened before the dialog is shown";
    dlg->show();
    dlg->OnInitDialog();
    EXPECT_EQ(dlg->m_strProgramFolder, dir.Folder());
    ASSERT_TRUE(dlg->m_pConnection && dlg->m_pConnection->State() == ado::adStateOpen);
    EXPECT_EQ(Status(*dlg), QStringLiteral("DETECTED MDAC VERSION: 2.80"));
    EXPECT_EQ(dlg->m_wndLog.GetText(), "");
    EXPECT_EQ(dlg->SystemMenu()->actions().size(), MakeDialog()->SystemMenu()->actions().size() + 2) << "started once";
    EXPECT_EQ(dlg->windowIcon().availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
    for (int size : {16, 32, 48}) EXPECT_EQ(qAlpha(dlg->windowIcon().pixmap(size).toImage().pixel(size / 2, size / 2)), 255);
    EXPECT_EQ(dlg->OnQueryDragIcon().cacheKey(), dlg->m_hIcon.cacheKey());
    // Then the buttons run their handlers.
    const ado::Connection* before = dlg->m_pConnection.get();
    SetFixErrors(*dlg, true);
    dlg->m_tally.errors = 2;
    QTest::mouseClick(dlg->GetDlgItem(CVeltmoorDlg::IDC_CHECK_ACCOUNTS), Qt::LeftButton);
    EXPECT_EQ(LogLines(*dlg), Lines{"-- No Accounts Found in The Database --"});
    EXPECT_EQ(dlg->m_tally.errors, 0);
    EXPECT_EQ(dlg->m_pConnection.get(), before) << "the account check never reconnects";
    QTest::mouseClick(dlg->GetDlgItem(CVeltmoorDlg::IDC_CHECK_TABLES), Qt::LeftButton);
    EXPECT_EQ(LogLines(*dlg), Lines{"  "});
    const ModalSeen help = RunWithModal([&] { QTest::mouseClick(dlg->GetDlgItem(1012), Qt::LeftButton); });
    EXPECT_EQ(help.text, QStringLiteral("No help available yet. Contact support@veltmoor.example for any inquiries"));
    EXPECT_EQ(help.title, QStringLiteral("Veltmoor"));
    // Copying: the plain text, tabs expanded, UTF-8 kept; an empty log empties the clipboard.
    for (const char* line : {"\x03" "04Error\x03", "a\tb", "gr\xc3\xbc\xc3\x9f"}) dlg->m_wndLog.AddLine(line);
    for (const QString& expected : {QString::fromUtf8("  \r\nError\r\na    b\r\ngr\xc3\xbc\xc3\x9f\r\n"), QString()}) {
        const ModalSeen copy = RunWithModal([&] { QTest::mouseClick(dlg->GetDlgItem(1011), Qt::LeftButton); });
        EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
        EXPECT_EQ(copy.text, QStringLiteral("Data copied to the clipboard."));
        dlg->m_wndLog.Clear();
    }
}

// Check Tables without tables.xml: both passes find nothing. With "Fix Errors" the main pass runs on a new
// connection; a failing Close is recorded and the reopen still happens; without a connection object only the reopen.
TEST_F(HandlersTest, CheckTablesReconnectsBetweenThePassesOnlyWhenFixing) {
    const struct { bool fix, failClose, noConnection; int made, closes, errors; } cases[] = {{false, false, false, 1, 0, 0}, {true, false, false, 2, 1, 0}, {true, true, false, 2, 1, 1},
                 {true, false, true, 1, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fix * 4 + c.failClose * 2 + c.noConnection);
        ScriptedConnection sql;
        if (c.failClose) sql.OnCall("Close()").Fail(hr::kFail, "close failed");
        auto dlg = MakeDialog();
        dlg->m_connectionFactory = c.noConnection ? [] { return ado::ConnectionPtr(); } : sql.Factory();
        dlg->OnInitDialog();
        dlg->m_connectionFactory = sql.Factory();
        qobject_cast<QCheckBox*>(dlg->GetDlgItem(1008))->setChecked(c.fix);  // the handler reads the box
        dlg->m_wndLog.AddLine("left over from the last run");
        dlg->m_tally.findings = 3;
        dlg->OnCheckTables();
        EXPECT_EQ(dlg->m_bFixErrors, c.fix);
        EXPECT_EQ(sql.ConnectionsMade(), c.made);
        EXPECT_EQ(std::ranges::count(sql.Calls(), "Close()"), c.closes);
        ASSERT_TRUE(dlg->m_pConnection && dlg->m_pConnection->State() == ado::adStateOpen);
        EXPECT_EQ(dlg->m_tally.findings, 0) << "each run counts afresh";
        EXPECT_EQ(dlg->m_tally.errors, c.errors);
        const Lines lines = LogLines(*dlg);
        EXPECT_TRUE(c.failClose ? std::ranges::count(lines, "Tracer: CVeltmoorDlg::OnCheckTables") == 1 : lines == Lines{"  "});
        EXPECT_EQ(lines.back(), "  ") << "the main pass follows";
    }
}

TEST_F(HandlersTest, AFailedIdentityPassEndsTheRunWithItsErrorBlock) {
    // A table to look up, but no database: start-up says so, and the identity pass fails on its first lookup.
    dir.Write("tables.xml", "<TABLES><TABLE name=\"ACCOUNTS\"/></TABLES>");
    auto dlg = MakeDialog();
    ASSERT_TRUE(dlg->OnInitDialog());
    EXPECT_EQ(Status(*dlg), QStringLiteral("NO MDAC VERSION DETECTED"));
    EXPECT_EQ(std::ranges::count(LogLines(*dlg), "Tracer: CVeltmoorDlg::OpenConnection"), 1);
    EXPECT_EQ(dlg->m_tally.errors, 1);
    SetFixErrors(*dlg, true);
    const ado::Connection* before = dlg->m_pConnection.get();
    dlg->OnCheckTables();
    const Lines lines = LogLines(*dlg);
    ASSERT_EQ(lines.size(), 8u) << dlg->m_wndLog.GetText();
    EXPECT_EQ(lines[0], "  ");
    EXPECT_EQ(lines[6], "Tracer: CVeltmoorDlg::CheckTables");
    EXPECT_EQ(lines.back().rfind("** Email ", 0), 0u) << "no separator line follows the block";
    EXPECT_EQ(dlg->m_pConnection.get(), before) << "no reconnect after a failed identity pass";
}

TEST_F(HandlersTest, ExitEnterEscapeAndCloseEndTheDialog) {
    // Exit clicked; Enter and Escape with Exit focused; the window menu's Close.
    for (const auto& [key, result] : {std::pair{Qt::Key_unknown, QDialog::Accepted}, {Qt::Key_Return, QDialog::Accepted},
                                      {Qt::Key_Escape, QDialog::Rejected}, {Qt::Key_Close, QDialog::Rejected}}) {
        auto dlg = MakeDialog();
        dlg->show();
        dlg->GetDlgItem(1)->setFocus();
        if (key == Qt::Key_unknown) QTest::mouseClick(dlg->GetDlgItem(1), Qt::LeftButton);
        else if (key == Qt::Key_Close) dlg->OnSysCommand(CVeltmoorDlg::SC_CLOSE);
        else QTest::keyClick(dlg.get(), key);
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(dlg->result(), result) << key;
    }
}

}  // namespace
}  // namespace veltmoor::test
