// Mouse selection: highlight while dragging, the copy on release, and the
// drags that copy nothing.
#include "tests/log/TextWndFixture.h"

namespace veltmoor::testing {
namespace {

class TextWndSelection : public TextWndTest {
protected:
    void SetUp() override {
        TextWndTest::SetUp();
        SetClipboard("sentinel");
    }
    int RowY(int row) const { return row * LineHeight() + LineHeight() / 2; }
};

TEST_F(TextWndSelection, ThreeLineDragCopiesRestWholeAndStart) {
    Wnd().AddLine("The first line of the log");
    Wnd().AddLine("\x03" "04Second" "\x03" " line");
    Wnd().AddLine("Third line here");
    const int x0 = Extent("The ") + 1;
    ASSERT_LT(x0, Extent("The f"));
    const int x2 = Extent("Third") + 1;
    ASSERT_LT(x2, Extent("Third "));

    Drag(QPoint(x0, RowY(0)), QPoint(x2, RowY(2)));
    EXPECT_EQ(Clipboard(), "first line of the log\r\nSecond line\r\nThird");
    EXPECT_FALSE(Wnd().IsDragging());
    EXPECT_EQ(Wnd().SelectionEnd(), QPoint(0, 0));
    // The start was snapped to the boundary left of the press.
    EXPECT_EQ(Wnd().SelectionStart(), QPoint(Extent("The "), 0));
}

TEST_F(TextWndSelection, FirstRowIsCopiedOnlyUpToTheRightEdge) {
    const std::string longLine = "The " + std::string(300, 'x');
    Wnd().AddLine(longLine);
    Wnd().AddLine("next");
    const int start = Extent("The ");
    Drag(QPoint(start + 1, RowY(0)), QPoint(Extent("ne") + 1, RowY(1)));
    // As many x as fit between the start and the client width less the edge.
    const int room = Viewport()->width() - CTextWnd::kEdge - start;
    int n = 0;
    while (n < 300 && Extent(QString(n + 1, 'x')) <= room) ++n;
    ASSERT_GT(n, 0);
    ASSERT_LT(n, 300);
    EXPECT_EQ(Clipboard(), std::string(static_cast<size_t>(n), 'x') + "\r\nne");
}

TEST_F(TextWndSelection, DragWithinOneRow) {
    Wnd().AddLine("abcdefghij");
    Drag(QPoint(Extent("ab") + 1, RowY(0)), QPoint(Extent("abcdef") + 1, RowY(0)));
    EXPECT_EQ(Clipboard(), "cdef");
}

TEST_F(TextWndSelection, HighlightShowsWhileDraggingAndGoesOnRelease) {
    Wnd().AddLine("\x03" "01,04" + std::string(20, ' '));
    Wnd().AddLine("next");
    const int y = CellHeight() - 1;
    const int x = Extent("     ");
    Press(QPoint(2, RowY(0)));
    Move(QPoint(Extent(QString(10, ' ')), RowY(0)));
    EXPECT_TRUE(Wnd().IsDragging());
    EXPECT_EQ(Grab().pixel(x, y), qRgb(255, 255, 255));
    Release(QPoint(Extent(QString(10, ' ')), RowY(0)));
    EXPECT_EQ(Grab().pixel(x, y), qRgb(255, 0, 0));
    EXPECT_EQ(Clipboard(), std::string(10, ' '));
}

TEST_F(TextWndSelection, MovingTheEndBackShrinksTheHighlight) {
    Wnd().AddLine("\x03" "01,04" + std::string(40, ' '));
    const int y = CellHeight() - 1;
    Press(QPoint(0, RowY(0)));
    Move(QPoint(Extent(QString(30, ' ')), RowY(0)));
    EXPECT_EQ(Grab().pixel(Extent(QString(20, ' ')), y), qRgb(255, 255, 255));
    Move(QPoint(Extent(QString(10, ' ')), RowY(0)));
    const QImage img = Grab();
    EXPECT_EQ(img.pixel(Extent(QString(5, ' ')), y), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(Extent(QString(20, ' ')), y), qRgb(255, 0, 0));
    Release(QPoint(Extent(QString(10, ' ')), RowY(0)));
}

TEST_F(TextWndSelection, PressWhileStillDraggingDropsTheHighlight) {
    Wnd().AddLine("\x03" "01,04" + std::string(40, ' '));
    const int y = CellHeight() - 1;
    Press(QPoint(0, RowY(0)));
    Move(QPoint(Extent(QString(30, ' ')), RowY(0)));
    ASSERT_EQ(Grab().pixel(Extent(QString(20, ' ')), y), qRgb(255, 255, 255));
    // A second press without a release in between (a release lost elsewhere).
    Press(QPoint(Extent(QString(5, ' ')) + 1, RowY(0)));
    EXPECT_FALSE(Wnd().IsDragging());
    EXPECT_EQ(Wnd().SelectionEnd(), QPoint(0, 0));
    EXPECT_EQ(Grab().pixel(Extent(QString(20, ' ')), y), qRgb(255, 0, 0));
    EXPECT_EQ(Wnd().SelectionStart(), QPoint(Extent(QString(5, ' ')), 0));
    Release(QPoint(Extent(QString(5, ' ')) + 1, RowY(0)));
    EXPECT_EQ(Clipboard(), "sentinel");
}

TEST_F(TextWndSelection, RightToLeftDragCopiesNothing) {
    Wnd().AddLine("abcdefghij");
    Drag(QPoint(Extent("abcdef") + 1, RowY(0)), QPoint(Extent("ab"), RowY(0)));
    EXPECT_EQ(Clipboard(), "sentinel");
    EXPECT_FALSE(Wnd().IsDragging());
}

TEST_F(TextWndSelection, UpwardDragCopiesNothing) {
    Wnd().AddLine("first");
    Wnd().AddLine("second");
    Wnd().AddLine("third");
    Drag(QPoint(2, RowY(2)), QPoint(30, RowY(0)));
    EXPECT_EQ(Clipboard(), "sentinel");
}

TEST_F(TextWndSelection, ShiftDragCopiesNothing) {
    Wnd().AddLine("abcdefghij");
    Wnd().AddLine("klmnopqrst");
    Drag(QPoint(2, RowY(0)), QPoint(40, RowY(1)), Qt::ShiftModifier);
    EXPECT_EQ(Clipboard(), "sentinel");
    EXPECT_FALSE(Wnd().IsDragging());
}

TEST_F(TextWndSelection, CtrlDragAndRightButtonDragCopyNothing) {
    Wnd().AddLine("abcdefghij");
    Drag(QPoint(2, RowY(0)), QPoint(60, RowY(0)), Qt::ControlModifier);
    EXPECT_EQ(Clipboard(), "sentinel");
    Mouse(QEvent::MouseButtonPress, QPoint(2, RowY(0)), Qt::RightButton, Qt::RightButton);
    Mouse(QEvent::MouseMove, QPoint(60, RowY(0)), Qt::NoButton, Qt::RightButton);
    Mouse(QEvent::MouseButtonRelease, QPoint(60, RowY(0)), Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(Clipboard(), "sentinel");
    EXPECT_FALSE(Wnd().IsDragging());
}

TEST_F(TextWndSelection, ClickCopiesNothing) {
    Wnd().AddLine("abcdefghij");
    Press(QPoint(20, RowY(0)));
    Release(QPoint(20, RowY(0)));
    EXPECT_EQ(Clipboard(), "sentinel");
}

TEST_F(TextWndSelection, PressBelowTheLastLineKeepsThePreviousStart) {
    Wnd().AddLine("abcdefghij");
    Wnd().AddLine("klmnopqrst");
    Press(QPoint(Extent("abc") + 1, RowY(0)));
    Release(QPoint(Extent("abc") + 1, RowY(0)));
    const QPoint start = Wnd().SelectionStart();
    EXPECT_EQ(start, QPoint(Extent("abc"), 0));
    Press(QPoint(5, RowY(6)));
    EXPECT_EQ(Wnd().SelectionStart(), start);
    // A drag from down there starts from the kept point.
    Move(QPoint(Extent("klm") + 1, RowY(1)));
    Release(QPoint(Extent("klm") + 1, RowY(1)));
    EXPECT_EQ(Clipboard(), "defghij\r\nklm");
}

TEST_F(TextWndSelection, LinesAddedDuringADragWaitForTheRelease) {
    for (int i = 0; i < 3; ++i) Wnd().AddLine("line");
    Press(QPoint(2, RowY(0)));
    Move(QPoint(20, RowY(1)));
    ASSERT_TRUE(Wnd().IsDragging());
    for (int i = 0; i < 50; ++i) Wnd().AddLine("during the drag");
    EXPECT_EQ(Wnd().Model().Count(), 53u);
    EXPECT_EQ(Wnd().RowCount(), 3u);
    EXPECT_EQ(V(), 0);
    Release(QPoint(20, RowY(1)));
    EXPECT_EQ(Wnd().RowCount(), 53u);
    EXPECT_EQ(V(), 53 - Page());
}

TEST_F(TextWndSelection, MultiByteSelectionEdgesStayOnCharacters) {
    std::string line;
    for (int i = 0; i < 8; ++i) line += "\xC3\xA9";
    Wnd().AddLine(line);
    Wnd().AddLine("x");
    const QString e = QString::fromUtf8("\xC3\xA9");
    // Press in the middle of the second character, end in the middle of the sixth.
    const int from = Extent(e) + Extent(e) / 2;
    const int to = Extent(QString(5, e[0])) + Extent(e) / 2;
    Drag(QPoint(from, RowY(0)), QPoint(to, RowY(0)));
    const std::string copied = Clipboard();
    EXPECT_EQ(copied, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
    EXPECT_FALSE(QString::fromStdString(copied).contains(QChar(0xFFFD)));
}

TEST_F(TextWndSelection, SelectionFollowsTheHorizontalScroll) {
    Wnd().AddLine("ab" + std::string(300, 'c'));
    Wnd().AddLine("defghijklm");
    Wnd().OnHScroll(CTextWnd::SB_THUMBTRACK, 1);  // rows shifted left by "ab"
    ASSERT_EQ(Wnd().HorizontalOffset(), Extent("ab"));
    // The start is measured unshifted (it snaps at "ab"), then re-snapped in the
    // scrolled view: the copy begins at the first visible 'c'; the end row counts
    // from the shifted line start.
    Drag(QPoint(Extent("ab") + 1, RowY(0)), QPoint(Extent("defg") - Extent("ab") + 1, RowY(1)));
    const std::string copied = Clipboard();
    ASSERT_NE(copied, "sentinel");
    EXPECT_EQ(copied.substr(copied.size() - 6), "\r\ndefg");
    EXPECT_EQ(copied.find_first_not_of('c'), copied.size() - 6);
}

TEST_F(TextWndSelection, GetSelectedTextJoinsNonEmptySpans) {
    Wnd().AddLine("one");
    Wnd().AddLine("  ");
    Wnd().AddLine("three");
    QPoint start(0, 0);
    EXPECT_EQ(Wnd().GetSelectedText(start, QPoint(Extent("th") + 1, 2 * LineHeight())), "one\r\n  \r\nth");
    QPoint same(10, 0);
    EXPECT_EQ(Wnd().GetSelectedText(same, QPoint(5, 0)), "");
}

}  // namespace
}  // namespace veltmoor::testing
