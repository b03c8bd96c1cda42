// Dialog 102 and the About box as laid out from dialog units, and the window menu.
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "app/AboutDlg.h"
#include "app/DialogUnits.h"
#include "app/Resources.h"
#include "tests/app/AppFixture.h"

namespace veltmoor::test {
namespace {

TEST(DialogUnitsTest, MapsWithTheBaseUnitsOfTheClassicDialogFont) {
    // The classic 8-point dialog font has base units 6 x 13: worked by hand.
    const struct { QRect dlu, pixels; } cases[] = {
        {{372, 36, 54, 18}, {558, 59, 81, 29}},  // 36*13/8 = 58.5 rounds up; bottom 87.75 -> 88
        {{15, 18, 72, 14}, {23, 29, 108, 23}},   // 22.5 -> 23, 29.25 -> 29, right 130.5 -> 131
        {{6, 66, 426, 174}, {9, 107, 639, 283}},
    };
    for (const auto& c : cases) EXPECT_EQ(MapDialogRect({6, 13}, c.dlu), c.pixels) << c.dlu.x() << "," << c.dlu.y();
    EXPECT_EQ(MapDialogSize({6, 13}, {439, 247}), QSize(659, 401));
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);  // half away from zero
}

class DialogLayoutTest : public AppTest {};

TEST_F(DialogLayoutTest, ControlsHaveTheirIdsTextsPlacesAndKeyboardOrder) {
    auto dlg = StartWithDatabase();
    dlg->show();
    const DialogBaseUnits units = BaseUnitsOf(dlg->font());
    // In keyboard order; the status line and the log's placeholder take no focus.
    const struct { int id; const char* kind; const char* text; QRect dlu; } controls[] = {
        {1, "QPushButton", "Exit", {372, 36, 54, 18}},
        {1008, "QCheckBox", "Fix Errors", {372, 21, 47, 10}},
        {1009, "QPushButton", "Check Tables", {15, 18, 72, 14}},
        {1010, "QPushButton", "Check Accounts", {96, 18, 69, 14}},
        {1011, "QPushButton", "Copy Log to Clipboard", {171, 18, 87, 14}},
        {1012, "QPushButton", "Help", {315, 18, 50, 14}},
        {1006, "QLabel", "", {15, 36, 351, 18}},
        {1007, "QFrame", "", {6, 66, 426, 174}},
    };
    std::vector<QWidget*> order, expected;
    for (QWidget* w = dlg->nextInFocusChain(); w != dlg.get(); w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus && w->isVisible() && w->parentWidget() == dlg.get()) order.push_back(w);
    for (const auto& c : controls) {
        SCOPED_TRACE(c.id);
        QWidget* w = dlg->GetDlgItem(c.id);
        ASSERT_NE(w, nullptr);
        EXPECT_STREQ(w->metaObject()->className(), c.kind);
        EXPECT_EQ(w->geometry(), MapDialogRect(units, c.dlu));
        if (auto* button = qobject_cast<QAbstractButton*>(w)) { EXPECT_EQ(button->text(), QString::fromLatin1(c.text)); }
        if (c.id == 1007) continue;  // hidden beneath the log window
        QWidget* hit = dlg->childAt(w->geometry().center());  // the group box lies beneath
        while (hit && hit->parentWidget() != dlg.get()) hit = hit->parentWidget();
        EXPECT_EQ(hit, w);
        if (w->focusPolicy() & Qt::TabFocus) expected.push_back(w);
    }
    ASSERT_GE(order.size(), expected.size());
    EXPECT_EQ(std::vector<QWidget*>(order.begin(), order.begin() + expected.size()), expected) << "keyboard order";
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Veltmoor (Build 1711 plus)"));
    EXPECT_EQ(dlg->size(), MapDialogSize(units, {439, 247}));
    EXPECT_EQ(dlg->minimumSize(), dlg->maximumSize()) << "fixed size";
    EXPECT_FALSE(dlg->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(qobject_cast<QPushButton*>(dlg->GetDlgItem(1))->isDefault());
    EXPECT_EQ(qobject_cast<QLabel*>(dlg->GetDlgItem(1006))->textFormat(), Qt::PlainText);
    const auto groups = dlg->findChildren<QGroupBox*>();
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0]->geometry(), MapDialogRect(units, {6, 3, 426, 57}));
    // The log window takes the placeholder's rectangle and place.
    ASSERT_EQ(dlg->GetDlgItem(6435), &dlg->m_wndLog);
    EXPECT_EQ(dlg->m_wndLog.geometry(), dlg->GetDlgItem(1007)->geometry());
    EXPECT_TRUE(dlg->m_wndLog.isVisible() && !dlg->GetDlgItem(1007)->isVisible());
}

TEST(AboutBoxTest, LayoutAndClosing) {
    CAboutDlg about;
    const DialogBaseUnits units = BaseUnitsOf(about.font());
    EXPECT_EQ(about.size(), MapDialogSize(units, {235, 55}));
    const struct { const char* name; QRect dlu; } parts[] = {  // an empty size: only the position is laid out
       {"version", {40, 10, 119, 8}}, {"purpose", {40, 25, 0, 0}}, {"icon", {11, 17, 0, 0}}, {"ok", {178, 7, 50, 16}}};
    for (const auto& part : parts) {
        QWidget* w = about.findChild<QWidget*>(QLatin1String(part.name));
        ASSERT_NE(w, nullptr) << part.name;
        EXPECT_EQ(part.dlu.width() ? w->geometry() : QRect(w->pos(), QSize(0, 0)), MapDialogRect(units, part.dlu)) << part.name;
    }
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("ok"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("version"))->text(), QStringLiteral("Veltmoor Version 1.0"));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("icon"))->pixmap().size(), LargeIconSize());
    for (QLabel* label : {about.findChild<QLabel*>(QStringLiteral("version")), about.findChild<QLabel*>(QStringLiteral("purpose"))})
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), ok->x() - label->x()) << "fits beside OK";
    about.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

class WindowMenuTest : public AppTest {};

TEST_F(WindowMenuTest, KeyboardAndMouseOpenItAndItsLastEntryIsAbout) {
    auto dlg = StartWithDatabase();
    dlg->show();
    QApplication::setActiveWindow(dlg.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    QMenu* menu = dlg->SystemMenu();
    dlg->GetDlgItem(CVeltmoorDlg::IDC_CHECK_TABLES)->setFocus();
    for (const auto& [key, modifier] : {std::pair{Qt::Key_Space, Qt::AltModifier}, {Qt::Key_F10, Qt::ShiftModifier}}) {
        QTest::keyClick(dlg->focusWidget(), key, modifier);
        EXPECT_TRUE(menu->isVisible()) << key;
        EXPECT_EQ(menu->pos(), dlg->mapToGlobal(QPoint(0, 0))) << key;  // at the window's corner
        menu->close();
    }
    EXPECT_EQ(dlg->m_wndLog.GetText(), "") << "the focused button was not pressed";
    // The menu key reaches the focused control, which leaves it to the dialog: the menu opens at its corner.
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(3, 3), dlg->focusWidget()->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(dlg->focusWidget(), &key);
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), dlg->mapToGlobal(QPoint(0, 0)));
    menu->close();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), dlg->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(dlg.get(), &click);
    ASSERT_TRUE(menu->isVisible());
    const QList<QAction*> actions = menu->actions();
    EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
    EXPECT_EQ(actions.back()->text(), QStringLiteral("&About Veltmoor..."));
    EXPECT_EQ(RunWithModal([&] { QTest::keyClick(menu, Qt::Key_A); }).className, QStringLiteral("veltmoor::CAboutDlg"));
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(RunWithModal([&] { dlg->OnSysCommand(16 | 0x5); }).title, QStringLiteral("About Veltmoor")) << "low bits masked";
    EXPECT_EQ(RunWithModal([&] { dlg->OnSysCommand(32); }).className, QString());
    for (QAction* action : actions)
        if (action->data().toUInt() == CVeltmoorDlg::SC_MINIMIZE) action->trigger();
    EXPECT_TRUE(dlg->isMinimized());
    dlg->OnSysCommand(CVeltmoorDlg::SC_RESTORE);
    EXPECT_FALSE(dlg->isMinimized());
}

}  // namespace
}  // namespace veltmoor::test
