// Mouse selection: highlight while dragging, the copy on release, and the
// drags that copy nothing.
#include <vector>

#include "tests/log/TextWndFixture.h"

namespace veltmoor::testing {
namespace {

class TextWndSelection : public TextWndTest {
protected:
    void SetUp() override {
        TextWndTest::SetUp();
        QGuiApplication::clipboard()->setText("sentinel");
    }
    // dx pixels right of where prefix ends on row `row`, half-way down the row.
    QPoint At(const char* prefix, int row, int dx = 0) const {
        return QPoint(Extent(QString::fromUtf8(prefix)) + dx, row * LineHeight() + LineHeight() / 2);
    }
    QPoint Spaces(int n, int dx = 0) const { return At(std::string(static_cast<size_t>(n), ' ').c_str(), 0, dx); }
};

TEST_F(TextWndSelection, DragsCopyFromTheStartRowToTheEndRow) {
    const std::string e4 = "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9";  // U+00E9 four times
    const struct {
        std::vector<std::string> lines;
        QPoint from, to;
        Qt::KeyboardModifiers modifiers;
        std::string copied;
    } cases[] = {
        {{"The first line of the log", "\x03" "04Second" "\x03" " line", "Third line here"}, At("The ", 0, 1),
         At("Third", 2, 1), {}, "first line of the log\r\nSecond line\r\nThird"},
        {{"abcdefghij"}, At("ab", 0, 1), At("abcdef", 0, 1), {}, "cdef"},
        {{"one", "  ", "three"}, At("", 0), At("th", 2, 1), {}, "one\r\n  \r\nth"},
        // Inside the second character to inside the sixth: whole characters only.
        {{e4 + e4, "x"}, At("\xC3\xA9\xC3\xA9", 0, -2), At((e4 + "\xC3\xA9\xC3\xA9").c_str(), 0, -2), {}, e4},
        // Right to left, upwards, with Shift or Ctrl, a click: nothing.
        {{"abcdefghij"}, At("abcdef", 0, 1), At("ab", 0), {}, "sentinel"},
        {{"first", "second", "third"}, At("", 2, 2), At("", 0, 30), {}, "sentinel"},
        {{"abcdefghij", "klmnopqrst"}, At("", 0, 2), At("", 1, 40), Qt::ShiftModifier, "sentinel"},
        {{"abcdefghij"}, At("", 0, 2), At("", 0, 60), Qt::ControlModifier, "sentinel"},
        {{"abcdefghij"}, At("", 0, 20), At("", 0, 20), {}, "sentinel"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.front());
        wnd_->Clear();
        QGuiApplication::clipboard()->setText("sentinel");
        for (const std::string& line : c.lines) wnd_->AddLine(line);
        Drag(c.from, c.to, c.modifiers);
        EXPECT_EQ(Clipboard(), c.copied);
        EXPECT_FALSE(wnd_->IsDragging());
    }
}

TEST_F(TextWndSelection, FirstRowIsCopiedOnlyUpToTheRightEdge) {
    wnd_->AddLine("The " + std::string(300, 'x'));
    wnd_->AddLine("next");
    Drag(At("The ", 0, 1), At("ne", 1, 1));
    EXPECT_EQ(wnd_->SelectionStart(), QPoint(Extent("The "), 0));  // snapped left of the press
    int n = 0;  // as many x as fit between the start and the client width less the edge
    while (n < 300 && Extent(QString(n + 1, 'x')) <= Room() - Extent("The ")) ++n;
    ASSERT_GT(n, 0);
    ASSERT_LT(n, 300);
    EXPECT_EQ(Clipboard(), std::string(static_cast<size_t>(n), 'x') + "\r\nne");
}

TEST_F(TextWndSelection, HighlightFollowsTheDragAndGoesOnRelease) {
    wnd_->AddLine(Bg(4, 40));
    const int y = CellHeight() - 1;
    Press(Spaces(0));
    Move(Spaces(30));
    EXPECT_TRUE(wnd_->IsDragging());
    EXPECT_EQ(Grab().pixel(Spaces(20).x(), y), kWhite);
    Move(Spaces(10));  // moving the end back shrinks it
    EXPECT_EQ(Grab().pixel(Spaces(5).x(), y), kWhite);
    EXPECT_EQ(Grab().pixel(Spaces(20).x(), y), kRed);
    Release(Spaces(10));
    EXPECT_EQ(Grab().pixel(Spaces(5).x(), y), kRed);
    EXPECT_EQ(Clipboard(), std::string(10, ' '));
}

TEST_F(TextWndSelection, PressesThatEndNoDragCopyNothing) {
    wnd_->AddLine(Bg(4, 40));
    Press(Spaces(0));
    Move(Spaces(30));
    // A second press without a release in between (a release lost elsewhere).
    Press(Spaces(5, 1));
    EXPECT_FALSE(wnd_->IsDragging());
    EXPECT_EQ(wnd_->SelectionEnd(), QPoint(0, 0));
    EXPECT_EQ(wnd_->SelectionStart(), QPoint(Spaces(5).x(), 0));
    EXPECT_EQ(Grab().pixel(Spaces(20).x(), CellHeight() - 1), kRed);
    Release(Spaces(5, 1));
    Mouse(QEvent::MouseButtonPress, Spaces(1), Qt::RightButton, Qt::RightButton);
    Mouse(QEvent::MouseMove, Spaces(20), Qt::NoButton, Qt::RightButton);
    Mouse(QEvent::MouseButtonRelease, Spaces(20), Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(Clipboard(), "sentinel");
    EXPECT_FALSE(wnd_->IsDragging());
}

TEST_F(TextWndSelection, PressBelowTheLastLineKeepsThePreviousStart) {
    wnd_->AddLine("abcdefghij");
    wnd_->AddLine("klmnopqrst");
    Press(At("abc", 0, 1));
    Release(At("abc", 0, 1));
    Press(At("", 6, 5));
    EXPECT_EQ(wnd_->SelectionStart(), QPoint(Extent("abc"), 0));
    Move(At("klm", 1, 1));
    Release(At("klm", 1, 1));
    EXPECT_EQ(Clipboard(), "defghij\r\nklm");
}

TEST_F(TextWndSelection, LinesAddedDuringADragWaitForTheRelease) {
    AddRows(3);
    Press(At("", 0, 2));
    Move(At("", 1, 20));
    AddRows(50);
    EXPECT_EQ(wnd_->Model().Count(), 53u);
    EXPECT_EQ(wnd_->RowCount(), 3u);
    EXPECT_EQ(V(), 0);
    Release(At("", 1, 20));
    EXPECT_EQ(wnd_->RowCount(), 53u);
    EXPECT_EQ(V(), 53 - Page());
}

TEST_F(TextWndSelection, SelectionFollowsTheHorizontalScroll) {
    wnd_->AddLine("ab" + std::string(300, 'c'));
    wnd_->AddLine("defghijklm");
    wnd_->OnHScroll(CTextWnd::SB_THUMBTRACK, 1);  // rows shifted left by "ab"
    // The start snaps unshifted at "ab", then in the scrolled view: the copy begins
    // at the first visible 'c'; the end counts from the shifted line start.
    Drag(At("ab", 0, 1), QPoint(Extent("defg") - Extent("ab") + 1, At("", 1).y()));
    const std::string copied = Clipboard();
    ASSERT_GT(copied.size(), 6u);
    EXPECT_EQ(copied.substr(copied.size() - 6), "\r\ndefg");
    EXPECT_EQ(copied.find_first_not_of('c'), copied.size() - 6);
}

}  // namespace
}  // namespace veltmoor::testing
