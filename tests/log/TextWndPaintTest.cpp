// Creation and painting of the log window, checked on the grabbed client area.
#include "tests/log/TextWndFixture.h"

namespace veltmoor::testing {
namespace {

// Background-only text: spaces draw nothing but their cells' background.
std::string Spaces(int n) { return std::string(static_cast<size_t>(n), ' '); }

bool AllPixels(const QImage& img, QRect area, QRgb colour) {
    area = area.intersected(img.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.pixel(x, y) != colour) return false;
    return true;
}

using TextWndPaint = TextWndTest;

TEST_F(TextWndPaint, CreateMakesAVisibleChildWithItsIdAndFont) {
    EXPECT_TRUE(Wnd().IsCreated());
    EXPECT_EQ(Wnd().parentWidget(), parent_.get());
    EXPECT_EQ(Wnd().geometry(), QRect(10, 10, 400, 200));
    EXPECT_TRUE(Wnd().isVisible());
    EXPECT_EQ(Wnd().GetDlgCtrlID(), 6435);
    EXPECT_FALSE(Wnd().Create(parent_.get(), QRect(0, 0, 10, 10), 1));
    // Cell height 12 at most, line height = cell height + leading.
    EXPECT_LE(CellHeight(), 12);
    EXPECT_GE(CellHeight(), 9);
    EXPECT_EQ(Wnd().LineHeight(), CellHeight() + std::max(0, QFontMetrics(Wnd().LogFont()).leading()));
}

TEST_F(TextWndPaint, UnderscoresAndDescendersAreInkedInsideTheirRow) {
    // Under a coloured second row, so that ink below the first row's rectangle is painted over.
    Wnd().AddLine("IX_FOLDERS_ACCOUNT gjpqy");
    Wnd().AddLine("\x03" "01,04" + Spaces(40));
    const QImage img = Grab();
    const struct {
        const char* before;
        const char* glyph;
    } kGlyphs[] = {{"IX", "_"}, {"IX_FOLDERS", "_"}, {"IX_FOLDERS_ACCOUNT ", "g"}, {"IX_FOLDERS_ACCOUNT gjp", "q"}};
    for (const auto& g : kGlyphs) {
        const int from = Extent(g.before), to = Extent(QString(g.before) + g.glyph);
        int inked = 0;
        // The lowest third of the row's rectangle, where nothing but underscores and descenders draws.
        for (int y = LineHeight() * 2 / 3; y < LineHeight(); ++y)
            for (int x = from; x < to; ++x) inked += qRed(img.pixel(x, y)) >= 128 ? 1 : 0;
        EXPECT_GT(inked, 0) << g.glyph << " after " << g.before;
    }
}

TEST_F(TextWndPaint, EmptyLogIsAllBackground) {
    const QImage img = Grab();
    ASSERT_FALSE(img.isNull());
    EXPECT_TRUE(AllPixels(img, img.rect(), kBackground));
}

TEST_F(TextWndPaint, PlainLineIsWhiteOnTheBackground) {
    Wnd().AddLine("Hello World");
    const QImage img = Grab();
    const int width = Extent("Hello World");
    int white = 0;
    for (int y = 0; y < CellHeight(); ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb p = img.pixel(x, y);
            // Only blends of white over (0, 0, 64): red equals green, blue not below them.
            ASSERT_EQ(qRed(p), qGreen(p)) << x << "," << y;
            ASSERT_GE(qBlue(p), qRed(p)) << x << "," << y;
            if (qRed(p) >= 160) ++white;
        }
    }
    EXPECT_GT(white, 10);
    EXPECT_TRUE(AllPixels(img, QRect(width + 2, 0, img.width(), CellHeight()), kBackground));
    EXPECT_TRUE(AllPixels(img, QRect(0, LineHeight(), img.width(), img.height()), kBackground));
}

TEST_F(TextWndPaint, ThreeSegmentsHaveTheirBackgroundsSideBySide) {
    Wnd().AddLine("\x03" "01,04" + Spaces(6) + "\x03" "01,09" + Spaces(6) + "\x03" "01,12" + Spaces(6));
    const QImage img = Grab();
    const int w = Extent(QString(6, ' '));
    const int y = CellHeight() - 1;
    EXPECT_EQ(img.pixel(w / 2, y), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(w + w / 2, y), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(2 * w + w / 2, y), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(0, 0), qRgb(255, 0, 0));
    // Right of the text the row stays in the window background.
    EXPECT_TRUE(AllPixels(img, QRect(3 * w + 2, 0, img.width(), LineHeight()), kBackground));
}

TEST_F(TextWndPaint, SegmentBoundariesFollowMeasuredWidths) {
    Wnd().AddLine("\x03" "01,04" "ab" "\x03" "01,12" "cd");
    const QImage img = Grab();
    const int split = Extent("ab");
    const int y = CellHeight() - 1;  // below the glyphs of these letters
    EXPECT_EQ(img.pixel(split - 1, y), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(split, y), qRgb(0, 0, 255));
}

TEST_F(TextWndPaint, SegmentWiderThanTheWindowAdvancesOnlyByItsVisiblePart) {
    SetClientSize(100, 60);
    Wnd().AddLine("\x03" "01,04" + Spaces(80) + "\x03" "01,09" + Spaces(3));
    const QImage img = Grab();
    // The first run is measured against the client width less the edge: the
    // second one starts where the part of the first that fits ends.
    const int limit = Viewport()->width() - CTextWnd::kEdge;
    int fit = 0;
    while (Extent(QString(fit + 1, ' ')) <= limit) ++fit;
    const int x = Extent(QString(fit, ' '));
    ASSERT_LT(x + 1, img.width());
    EXPECT_EQ(img.pixel(x - 1, CellHeight() - 1), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(x + 1, CellHeight() - 1), qRgb(0, 255, 0));
}

TEST_F(TextWndPaint, RowsBelowTheLastLineStayBackground) {
    Wnd().AddLine("\x03" "01,08" + Spaces(10));
    Wnd().AddLine("\x03" "01,08" + Spaces(10));
    const QImage img = Grab();
    EXPECT_EQ(img.pixel(2, LineHeight() + CellHeight() - 1), qRgb(255, 255, 0));
    EXPECT_TRUE(AllPixels(img, QRect(0, 2 * LineHeight(), img.width(), img.height()), kBackground));
}

TEST_F(TextWndPaint, LeadingShowsAsABackgroundStripBetweenRows) {
    Wnd().AddLine("\x03" "01,08" + Spaces(10));
    Wnd().AddLine("\x03" "01,08" + Spaces(10));
    const QImage img = Grab();
    for (int y = CellHeight(); y < LineHeight(); ++y) EXPECT_EQ(img.pixel(2, y), kBackground) << y;
    EXPECT_EQ(img.pixel(2, LineHeight()), qRgb(255, 255, 0));
}

TEST_F(TextWndPaint, PartlyVisibleBottomRowIsClippedNotSkipped) {
    SetClientSize(300, 2 * LineHeight() + LineHeight() / 2);
    for (int i = 0; i < 3; ++i) Wnd().AddLine("\x03" "01,08" + Spaces(10));
    Wnd().OnVScroll(CTextWnd::SB_TOP);
    ASSERT_EQ(V(), 0);
    const QImage img = Grab();
    ASSERT_EQ(img.height(), 2 * LineHeight() + LineHeight() / 2);
    EXPECT_EQ(img.pixel(2, 2 * LineHeight()), qRgb(255, 255, 0));
    EXPECT_EQ(img.pixel(2, img.height() - 1), qRgb(255, 255, 0));
}

TEST_F(TextWndPaint, ClearPaintsTheEmptyWindow) {
    Wnd().AddLine("\x03" "01,08" + Spaces(10));
    Wnd().Clear();
    const QImage img = Grab();
    EXPECT_TRUE(AllPixels(img, img.rect(), kBackground));
}

TEST_F(TextWndPaint, NarrowerThanTheEdgePaintsNoText) {
    SetClientSize(1, 100);
    Wnd().AddLine("\x03" "01,08" + Spaces(10));
    const QImage img = Grab();
    EXPECT_TRUE(AllPixels(img, img.rect(), kBackground));
}

TEST_F(TextWndPaint, MultiByteCharactersAreDrawn) {
    // U+00E9 in colour 4 on colour 8 after a plain 'a'.
    Wnd().AddLine("a\x03" "04,08\xC3\xA9\xC3\xA9");
    const QImage img = Grab();
    EXPECT_EQ(img.pixel(Extent(QString::fromUtf8("a\xC3\xA9")), CellHeight() - 1), qRgb(255, 255, 0));
    EXPECT_EQ(img.pixel(Extent(QString::fromUtf8("a\xC3\xA9\xC3\xA9")) + 1, CellHeight() - 1), kBackground);
}

TEST_F(TextWndPaint, LinesAddedBeforeCreationAreShown) {
    CTextWnd early;
    early.AddLine("\x03" "01,08" + Spaces(10));
    EXPECT_FALSE(early.IsCreated());
    ASSERT_TRUE(early.Create(parent_.get(), QRect(0, 0, 200, 100), 7));
    const QImage img = early.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(img.pixel(2, CellHeight() - 1), qRgb(255, 255, 0));
}

}  // namespace
}  // namespace veltmoor::testing
