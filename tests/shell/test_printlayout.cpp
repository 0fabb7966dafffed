// Page layout arithmetic of the print job: margins, first line, line advance with
// page breaks, and the page-break rule of plots.
#include <gtest/gtest.h>

#include "shell/printlayout.h"

using namespace pal;

namespace {

struct LayoutRow {
    int width, height;
    bool landscape;
    int M, left, header;
};

class PageLayoutTest : public ::testing::TestWithParam<LayoutRow> {};

TEST_P(PageLayoutTest, MarginsFollowTheOrientedSide) {
    const LayoutRow r = GetParam();
    const PageLayout l = pageLayout(r.width, r.height, r.landscape);
    EXPECT_EQ(l.M, r.M);
    EXPECT_EQ(l.topMargin, r.M);
    EXPECT_EQ(l.leftMargin, r.left);
    EXPECT_EQ(l.headerY, r.header);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PageLayoutTest,
    ::testing::Values(
        // A4 at 600 dpi, both orientations: M comes from the long side either way.
        LayoutRow{4960, 7016, false, 637, 318, 159},
        LayoutRow{7016, 4960, true, 637, 318, 159},
        // Letter at 600 dpi.
        LayoutRow{5100, 6600, false, 600, 300, 150},
        LayoutRow{6600, 5100, true, 600, 300, 150},
        // A3 landscape: a wider page gives wider margins.
        LayoutRow{9921, 7016, true, 901, 450, 225},
        // Portrait uses the height even of a page wider than tall; all divisions truncate.
        LayoutRow{9999, 6605, false, 600, 300, 150},
        LayoutRow{65, 6605, true, 5, 2, 1},
        LayoutRow{0, 0, false, 0, 0, 0}));

TEST(PageLayout, FirstBodyLineLeavesThreeTextLinesBelowTheHeader) {
    const PageLayout l = pageLayout(5100, 6600, false);
    EXPECT_EQ(firstBodyLine(l, 50), 150 + 150 + 3);
    EXPECT_EQ(firstBodyLine(l, 0), 153);
}

TEST(PageLayout, HeaderTextEndsHalfAMarginInsideThePage) {
    const PageLayout l = pageLayout(5100, 6600, false);  // left margin 300
    EXPECT_EQ(headerRightAlignedX(5100, l, 1000), 5100 - 150 - 1000);
    const PageLayout odd = pageLayout(100, 330, false);  // M 30, left margin 15
    EXPECT_EQ(headerRightAlignedX(100, odd, 10), 100 - 7 - 10);
}

struct AdvanceRow {
    const char* what;
    int y, n, lineHeight, pageHeight, M;
    bool printing;
    int expectY;
    bool expectNewPage;
};

class AdvanceTest : public ::testing::TestWithParam<AdvanceRow> {};

TEST_P(AdvanceTest, Advances) {
    const AdvanceRow r = GetParam();
    const LineAdvance a = advanceLines(r.y, r.n, r.lineHeight, r.pageHeight, r.M, r.printing);
    EXPECT_EQ(a.y, r.expectY) << r.what;
    EXPECT_EQ(a.newPage, r.expectNewPage) << r.what;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, AdvanceTest,
    ::testing::Values(
        AdvanceRow{"one line", 1000, 1, 40, 6600, 600, true, 1040, false},
        AdvanceRow{"two lines", 1000, 2, 40, 6600, 600, true, 1080, false},
        AdvanceRow{"zero lines", 1000, 0, 40, 6600, 600, true, 1000, false},
        AdvanceRow{"landing on the bottom margin stays", 5960, 1, 40, 6600, 600, true, 6000, false},
        AdvanceRow{"one pixel past it breaks", 5961, 1, 40, 6600, 600, true, 640, true},
        AdvanceRow{"after a break n lines below the top margin", 5990, 2, 40, 6600, 600, true, 680, true},
        AdvanceRow{"no break outside a job", 5990, 2, 40, 6600, 600, false, 6070, false},
        AdvanceRow{"far past the page outside a job", 100000, 1, 40, 6600, 600, false, 100040, false}));

TEST(PlotRule, BreaksOnlyWhenThePlotReachesBelowTheBottomMargin) {
    // Bottom margin line at 6600 - 600 = 6000.
    EXPECT_FALSE(plotNeedsNewPage(1000, 5000, 6600, 600));
    EXPECT_TRUE(plotNeedsNewPage(1000, 5001, 6600, 600));
    EXPECT_FALSE(plotNeedsNewPage(6000, 0, 6600, 600));
    // A plot taller than a whole page still asks for a fresh page.
    EXPECT_TRUE(plotNeedsNewPage(303, 7000, 6600, 600));
}

TEST(PlotRule, ForcedBreakAlwaysStartsAPageOnTheNextLine) {
    for (int lineHeight : {1, 40, 600}) {
        const int y = forcedBreakY(6600, 600);
        EXPECT_EQ(y, 6001);
        const LineAdvance a = advanceLines(y, 1, lineHeight, 6600, 600, true);
        EXPECT_TRUE(a.newPage) << lineHeight;
        EXPECT_EQ(a.y, 600 + lineHeight);
    }
}

}  // namespace
