// Dialog 102 as laid out: ids, kinds, texts and positions from dialog units.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "app/DialogUnits.h"
#include "tests/app/AppFixture.h"

namespace veltmoor::test {
namespace {

TEST(DialogUnitsTest, MapsWithTheBaseUnitsOfTheClassicDialogFont) {
    // The classic 8-point dialog font has base units 6 x 13: worked by hand.
    const DialogBaseUnits units{6, 13};
    struct Case {
        QRect dlu, pixels;
    } cases[] = {
        {{372, 36, 54, 18}, {558, 59, 81, 29}},  // 36*13/8 = 58.5 rounds up; bottom 87.75 -> 88
        {{15, 18, 72, 14}, {23, 29, 108, 23}},   // 22.5 -> 23, 29.25 -> 29, right 130.5 -> 131
        {{6, 66, 426, 174}, {9, 107, 639, 283}},
        {{0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(MapDialogRect(units, c.dlu), c.pixels) << c.dlu.x() << "," << c.dlu.y();
    EXPECT_EQ(MapDialogSize(units, {439, 247}), QSize(659, 401));
}

TEST(DialogUnitsTest, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(MulDiv(1, 1, 2), 1);
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);
    EXPECT_EQ(MulDiv(5, 3, 4), 4);   // 3.75
    EXPECT_EQ(MulDiv(5, 1, 4), 1);   // 1.25
    EXPECT_EQ(MulDiv(1 << 20, 1 << 12, 1 << 4), 1 << 28);  // no overflow on the way
}

TEST(DialogUnitsTest, BaseUnitsComeFromTheFont) {
    const QFont font = DialogFont();
    EXPECT_EQ(font.pointSize(), 8);
    const QFontMetrics metrics(font);
    const DialogBaseUnits units = BaseUnitsOf(font);
    EXPECT_EQ(units.y, metrics.height());
    // The rounded average of the letters: within half a pixel of the exact one.
    const double average = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52.0;
    EXPECT_LE(std::abs(units.x - average), 0.5 + 1e-9);
}

class DialogLayoutTest : public AppTest {};

TEST_F(DialogLayoutTest, ControlsHaveTheirIdsTextsAndPlaces) {
    auto dlg = MakeDialog();
    const DialogBaseUnits units = BaseUnitsOf(dlg->font());
    struct Control {
        int id;
        const char* kind;
        const char* text;
        QRect dlu;
    } controls[] = {
        {1, "QPushButton", "Exit", {372, 36, 54, 18}},
        {1006, "QLabel", "", {15, 36, 351, 18}},
        {1007, "QFrame", "", {6, 66, 426, 174}},
        {1008, "QCheckBox", "Fix Errors", {372, 21, 47, 10}},
        {1009, "QPushButton", "Check Tables", {15, 18, 72, 14}},
        {1010, "QPushButton", "Check Accounts", {96, 18, 69, 14}},
        {1011, "QPushButton", "Copy Log to Clipboard", {171, 18, 87, 14}},
        {1012, "QPushButton", "Help", {315, 18, 50, 14}},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.id);
        QWidget* w = dlg->GetDlgItem(c.id);
        ASSERT_NE(w, nullptr);
        EXPECT_STREQ(w->metaObject()->className(), c.kind);
        EXPECT_EQ(w->parentWidget(), dlg.get());
        EXPECT_EQ(w->geometry(), MapDialogRect(units, c.dlu));
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            EXPECT_EQ(button->text(), QString::fromLatin1(c.text));
        }
    }
    EXPECT_EQ(dlg->GetDlgItem(4711), nullptr);
    EXPECT_EQ(dlg->GetDlgItem(CVeltmoorDlg::IDC_LOG_WINDOW), nullptr) << "no log window before start-up";

    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Veltmoor (Build 1711 plus)"));
    EXPECT_EQ(dlg->size(), MapDialogSize(units, {439, 247}));
    EXPECT_EQ(dlg->minimumSize(), dlg->maximumSize()) << "fixed size";
    EXPECT_TRUE(dlg->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dlg->windowFlags() & Qt::WindowMaximizeButtonHint);

    auto* exit = qobject_cast<QPushButton*>(dlg->GetDlgItem(1));
    EXPECT_TRUE(exit->isDefault());
    auto* status = qobject_cast<QLabel*>(dlg->GetDlgItem(1006));
    EXPECT_EQ(status->alignment(), Qt::AlignCenter);
    EXPECT_EQ(status->frameShape(), QFrame::Box);
    EXPECT_EQ(status->textFormat(), Qt::PlainText);
    QWidget* placeholder = dlg->GetDlgItem(1007);
    EXPECT_FALSE(placeholder->isVisibleTo(dlg.get()));
    EXPECT_FALSE(placeholder->isEnabled());

    const auto groups = dlg->findChildren<QGroupBox*>();
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0]->title(), QStringLiteral("Static"));
    EXPECT_EQ(groups[0]->geometry(), MapDialogRect(units, {6, 3, 426, 57}));
}

TEST_F(DialogLayoutTest, GroupBoxLiesBeneathTheControlsItFrames) {
    auto dlg = MakeDialog();
    dlg->show();
    // What the mouse hits in the middle of each control is the control itself.
    for (int id : {1, 1006, 1008, 1009, 1010, 1011, 1012}) {
        QWidget* w = dlg->GetDlgItem(id);
        QWidget* hit = dlg->childAt(w->geometry().center());
        while (hit && hit->parentWidget() != dlg.get()) hit = hit->parentWidget();
        EXPECT_EQ(hit, w) << id;
    }
}

TEST_F(DialogLayoutTest, KeyboardOrderFollowsTheTemplate) {
    auto dlg = StartWithDatabase();
    std::vector<QWidget*> order;
    for (QWidget* w = dlg->nextInFocusChain(); w != dlg.get(); w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus && w->isEnabled() && w->isVisibleTo(dlg.get()) && w->parentWidget() == dlg.get())
            order.push_back(w);
    const std::vector<QWidget*> expected = {dlg->GetDlgItem(1),    dlg->GetDlgItem(1008), dlg->GetDlgItem(1009),
                                            dlg->GetDlgItem(1010), dlg->GetDlgItem(1011), dlg->GetDlgItem(1012)};
    ASSERT_GE(order.size(), expected.size());
    EXPECT_EQ(std::vector<QWidget*>(order.begin(), order.begin() + expected.size()), expected);
}

TEST_F(DialogLayoutTest, LogWindowTakesThePlaceholdersRectangle) {
    auto dlg = StartWithDatabase();
    QWidget* log = dlg->GetDlgItem(CVeltmoorDlg::IDC_LOG_WINDOW);
    ASSERT_EQ(log, &dlg->m_wndLog);
    EXPECT_EQ(log->parentWidget(), dlg.get());
    EXPECT_EQ(log->geometry(), dlg->GetDlgItem(1007)->geometry());
    EXPECT_TRUE(log->isVisibleTo(dlg.get()));
    EXPECT_EQ(dlg->m_wndLog.GetDlgCtrlID(), 6435);
    EXPECT_FALSE(dlg->GetDlgItem(1007)->isVisibleTo(dlg.get()));
}

}  // namespace
}  // namespace veltmoor::test
