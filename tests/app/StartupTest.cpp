// Start-up: what OnInitDialog leaves behind, that it runs once, and the defaults
// the dialog is constructed with.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>

#include "app/Resources.h"
#include "tests/app/AppFixture.h"

namespace veltmoor::test {
namespace {

class StartupTest : public AppTest {};

QString StatusLine(const CVeltmoorDlg& dlg) { return qobject_cast<QLabel*>(dlg.GetDlgItem(1006))->text(); }

TEST_F(StartupTest, OpensTheDatabaseBesideTheProgramAndShowsTheVersion) {
    auto dlg = StartWithDatabase();
    EXPECT_EQ(dlg->m_strProgramFolder, dir.Folder());
    EXPECT_EQ(counts->made, 1);
    EXPECT_EQ(counts->opens, 1);
    ASSERT_TRUE(dlg->m_pConnection);
    EXPECT_EQ(dlg->m_pConnection->State(), ado::adStateOpen);
    EXPECT_TRUE(dlg->m_pCatalog);
    EXPECT_EQ(StatusLine(*dlg), QStringLiteral("DETECTED MDAC VERSION: 2.80"));
    EXPECT_EQ(dlg->m_wndLog.GetText(), "");
    EXPECT_FALSE(qobject_cast<QCheckBox*>(dlg->GetDlgItem(1008))->isChecked());
}

TEST_F(StartupTest, WithoutADatabaseTheErrorIsLoggedAndTheStatusSaysSo) {
    auto dlg = MakeDialog();
    ASSERT_TRUE(dlg->OnInitDialog());
    EXPECT_EQ(StatusLine(*dlg), QStringLiteral("NO MDAC VERSION DETECTED"));
    const auto lines = Lines(*dlg);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Tracer: CVeltmoorDlg::OpenConnection"), lines.end());
    EXPECT_EQ(dlg->m_tally.errors, 1);
    // The dialog still opens, with its log window in place.
    EXPECT_NE(dlg->GetDlgItem(CVeltmoorDlg::IDC_LOG_WINDOW), nullptr);
}

TEST_F(StartupTest, RunsOnceWhetherCalledOrShown) {
    auto dlg = MakeDialog();
    dlg->OnInitDialog();
    const std::string log = dlg->m_wndLog.GetText();
    const int menuEntries = static_cast<int>(dlg->SystemMenu()->actions().size());
    dlg->OnInitDialog();
    dlg->show();
    EXPECT_EQ(counts->made, 1);
    EXPECT_EQ(dlg->m_wndLog.GetText(), log);
    EXPECT_EQ(dlg->SystemMenu()->actions().size(), menuEntries);
}

TEST_F(StartupTest, ShowingTheDialogStartsIt) {
    database = std::make_unique<AccountDatabase>(dir.File("tarnwick.mdb"));
    auto dlg = MakeDialog();
    EXPECT_EQ(counts->made, 0) << "nothing is opened before the dialog is shown";
    dlg->show();
    EXPECT_EQ(counts->opens, 1);
    EXPECT_NE(dlg->GetDlgItem(CVeltmoorDlg::IDC_LOG_WINDOW), nullptr);
    EXPECT_EQ(StatusLine(*dlg), QStringLiteral("DETECTED MDAC VERSION: 2.80"));
}

TEST_F(StartupTest, ReleasesWhatAnEarlierConnectionLeft) {
    database = std::make_unique<AccountDatabase>(dir.File("tarnwick.mdb"));
    auto dlg = MakeDialog();
    // A connection that nothing should keep: OpenConnection's own object replaces it.
    auto stale = std::make_shared<CountingConnection>(std::make_shared<ConnectionCounts>());
    dlg->m_pConnection = ado::ConnectionPtr(stale);
    dlg->OnInitDialog();
    EXPECT_NE(dlg->m_pConnection.get(), stale.get());
    EXPECT_EQ(stale.use_count(), 1);
}

TEST_F(StartupTest, UpdateDataMovesStatusAndFixErrorsBothWays) {
    auto dlg = StartWithDatabase();
    auto* box = qobject_cast<QCheckBox*>(dlg->GetDlgItem(1008));
    auto* status = qobject_cast<QLabel*>(dlg->GetDlgItem(1006));

    box->setChecked(true);
    status->setText(QStringLiteral("shown"));
    EXPECT_TRUE(dlg->UpdateData(true));
    EXPECT_EQ(dlg->m_bFixErrors, 1);
    EXPECT_EQ(dlg->m_strMdacVersion, "shown");

    dlg->m_bFixErrors = 0;
    dlg->m_strMdacVersion = "<b>not markup</b>";
    EXPECT_TRUE(dlg->UpdateData(false));
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(status->text(), QStringLiteral("<b>not markup</b>"));
    EXPECT_TRUE(dlg->UpdateData(true));
    EXPECT_EQ(dlg->m_bFixErrors, 0);
}

TEST_F(StartupTest, DefaultsOfAFreshDialog) {
    CVeltmoorDlg dlg;
    EXPECT_EQ(dlg.m_strModuleFileName, QCoreApplication::applicationFilePath().toStdString());
    EXPECT_EQ(dlg.m_bFixErrors, 0);
    EXPECT_TRUE(dlg.m_strMdacVersion.empty());
    EXPECT_TRUE(dlg.m_strProgramFolder.empty());
    EXPECT_TRUE(dlg.m_strConnectionString.empty());
    EXPECT_FALSE(dlg.m_pConnection);
    EXPECT_FALSE(dlg.m_pCatalog);
    ASSERT_TRUE(dlg.m_connectionFactory);
    ado::ConnectionPtr connection = dlg.m_connectionFactory();
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->State(), ado::adStateClosed);
    // Fresh GUIDs: never zero, never the same twice.
    const Guid a = dlg.m_guidSource(), b = dlg.m_guidSource();
    EXPECT_FALSE(a.IsZero());
    EXPECT_FALSE(a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 && a.data4 == b.data4);
}

TEST_F(StartupTest, IconHasItsThreeSizesAndBecomesTheWindowIcon) {
    const QIcon icon = LoadProgramIcon();
    for (int size : {16, 32, 48}) {
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        EXPECT_EQ(image.size(), QSize(size, size));
        // Drawn, not blank: the centre is opaque.
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255) << size;
    }
    auto dlg = StartWithDatabase();
    EXPECT_EQ(dlg->windowIcon().availableSizes(), icon.availableSizes());
    EXPECT_EQ(dlg->OnQueryDragIcon().cacheKey(), dlg->m_hIcon.cacheKey());
}

}  // namespace
}  // namespace veltmoor::test
