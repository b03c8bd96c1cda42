// The window menu with its About entry, the About box, and the icon drawn while
// the dialog is minimised.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include "app/AboutDlg.h"
#include "app/DialogUnits.h"
#include "app/Resources.h"
#include "tests/app/AppFixture.h"
#include "tests/app/ModalWatcher.h"

namespace veltmoor::test {
namespace {

class WindowMenuTest : public AppTest {
protected:
    void TearDown() override {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    }
};

TEST_F(WindowMenuTest, AboutEntryFollowsASeparatorAtTheEnd) {
    auto dlg = StartWithDatabase();
    const QList<QAction*> actions = dlg->SystemMenu()->actions();
    ASSERT_GE(actions.size(), 3);
    EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
    QAction* about = actions.back();
    EXPECT_EQ(about->text(), QStringLiteral("&About Veltmoor..."));
    EXPECT_EQ(about->data().toUInt(), CVeltmoorDlg::IDM_ABOUTBOX);
    // The entry comes with start-up, not with the dialog object.
    auto fresh = MakeDialog();
    for (QAction* action : fresh->SystemMenu()->actions()) EXPECT_NE(action->data().toUInt(), 16u);
}

TEST_F(WindowMenuTest, ChoosingAboutOpensTheAboutBox) {
    auto dlg = StartWithDatabase();
    const ModalSeen seen = RunWithModal([&] { dlg->SystemMenu()->actions().back()->trigger(); });
    EXPECT_TRUE(seen.seen);
    EXPECT_EQ(seen.className, QStringLiteral("veltmoor::CAboutDlg"));
    EXPECT_EQ(seen.title, QStringLiteral("About Veltmoor"));
}

TEST_F(WindowMenuTest, SystemCommandMasksTheLowBits) {
    auto dlg = StartWithDatabase();
    EXPECT_TRUE(RunWithModal([&] { dlg->OnSysCommand(16 | 0x5); }).seen);
    EXPECT_FALSE(RunWithModal([&] { dlg->OnSysCommand(32); }).seen);
}

TEST_F(WindowMenuTest, RightClickOpensTheMenuAndItsMnemonicReachesAbout) {
    auto dlg = StartWithDatabase();
    dlg->show();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), dlg->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(dlg.get(), &event);
    QMenu* menu = dlg->SystemMenu();
    ASSERT_TRUE(menu->isVisible());
    const ModalSeen seen = RunWithModal([&] { QTest::keyClick(menu, Qt::Key_A); });
    EXPECT_EQ(seen.title, QStringLiteral("About Veltmoor"));
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(WindowMenuTest, KeyboardOpensTheMenu) {
    auto dlg = StartWithDatabase();
    dlg->show();
    QApplication::setActiveWindow(dlg.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    dlg->GetDlgItem(CVeltmoorDlg::IDC_CHECK_TABLES)->setFocus();
    struct Case {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } cases[] = {{"Alt+Space", Qt::Key_Space, Qt::AltModifier}, {"Shift+F10", Qt::Key_F10, Qt::ShiftModifier}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTest::keyClick(dlg->focusWidget(), c.key, c.modifiers);
        EXPECT_TRUE(dlg->SystemMenu()->isVisible());
        dlg->SystemMenu()->close();
    }
    EXPECT_EQ(dlg->m_wndLog.GetText(), "") << "the focused button was not pressed";

    // The menu key reaches the focused control as a context menu request, which
    // the control leaves to the dialog: the menu opens at the dialog's corner.
    QContextMenuEvent fromKey(QContextMenuEvent::Keyboard, QPoint(3, 3), dlg->focusWidget()->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(dlg->focusWidget(), &fromKey);
    ASSERT_TRUE(dlg->SystemMenu()->isVisible());
    EXPECT_EQ(dlg->SystemMenu()->pos(), dlg->mapToGlobal(QPoint(0, 0)));
}

TEST_F(WindowMenuTest, MinimiseEntryMinimises) {
    auto dlg = StartWithDatabase();
    dlg->show();
    for (QAction* action : dlg->SystemMenu()->actions())
        if (action->data().toUInt() == CVeltmoorDlg::SC_MINIMIZE) action->trigger();
    EXPECT_TRUE(dlg->isMinimized());
}

TEST(AboutBoxTest, LayoutAndClosing) {
    CAboutDlg about;
    const DialogBaseUnits units = BaseUnitsOf(about.font());
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Veltmoor"));
    EXPECT_EQ(about.size(), MapDialogSize(units, {235, 55}));

    auto* version = about.findChild<QLabel*>(QStringLiteral("version"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), QStringLiteral("Veltmoor Version 1.0"));
    EXPECT_EQ(version->geometry(), MapDialogRect(units, {40, 10, 119, 8}));
    auto* purpose = about.findChild<QLabel*>(QStringLiteral("purpose"));
    ASSERT_NE(purpose, nullptr);
    EXPECT_FALSE(purpose->text().isEmpty());
    EXPECT_EQ(purpose->geometry().topLeft(), MapDialogRect(units, {40, 25, 0, 0}).topLeft());
    auto* icon = about.findChild<QLabel*>(QStringLiteral("icon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->geometry().topLeft(), MapDialogRect(units, {11, 17, 0, 0}).topLeft());
    EXPECT_EQ(icon->pixmap().size(), LargeIconSize());

    auto* ok = about.findChild<QPushButton*>(QStringLiteral("ok"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->geometry(), MapDialogRect(units, {178, 7, 50, 16}));

    // Every text fits beside the OK button inside the box.
    for (QLabel* label : {version, purpose}) {
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), ok->x() - label->x()) << label->text().toStdString();
    }

    about.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(MinimizedIconTest, OriginCentresRoundingAsTheWindowSystemDoes) {
    struct Case {
        QSize client, icon;
        QPoint origin;
    } cases[] = {
        {{160, 28}, {32, 32}, {64, -1}},  // (28-32+1)/2 = -3/2, truncated towards zero
        {{33, 33}, {32, 32}, {1, 1}},
        {{32, 32}, {32, 32}, {0, 0}},
        {{31, 30}, {32, 32}, {0, 0}},     // 0/2 and -1/2 both give 0
        {{659, 401}, {32, 32}, {314, 185}},
    };
    for (const Case& c : cases) EXPECT_EQ(CVeltmoorDlg::MinimizedIconOrigin(c.client, c.icon), c.origin);
}

TEST_F(WindowMenuTest, MinimisedDialogDrawsItsIconCentred) {
    auto dlg = StartWithDatabase();
    dlg->setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(dlg->isMinimized());
    QImage drawn(dlg->size(), QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::magenta);
    dlg->render(&drawn, QPoint(), QRegion(), QWidget::DrawWindowBackground);

    // What it should look like: the window colour with the icon at the centre.
    QImage expected(dlg->size(), QImage::Format_ARGB32_Premultiplied);
    expected.fill(dlg->palette().window().color());
    {
        QPainter painter(&expected);
        const QSize iconSize = LargeIconSize();
        painter.drawPixmap(QRect(CVeltmoorDlg::MinimizedIconOrigin(dlg->size(), iconSize), iconSize),
                           dlg->m_hIcon.pixmap(iconSize));
    }
    EXPECT_EQ(drawn, expected);
}

}  // namespace
}  // namespace veltmoor::test
