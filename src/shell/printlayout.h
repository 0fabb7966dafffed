// The arithmetic of the printed page: the unit M, margins, header and first body
// line, the line advance with its page break, and the page-break rule of plots.
// Plain numbers in printer pixels, so the rules can be checked without a printer.
#pragma once

namespace pal {

// The header of the first page reads kPrintTitle followed by kProgramVersion.
inline constexpr const char* kPrintTitle = "PALUMARO Ver. ";
inline constexpr const char* kProgramVersion = "1.80";

struct PageLayout {
    int M = 0;           // a printer length standing for one inch
    int topMargin = 0;
    int leftMargin = 0;
    int headerY = 0;     // the line of the page header
};

// M is the page height / 11 in portrait and the page width / 11 in landscape.
PageLayout pageLayout(int pageWidth, int pageHeight, bool landscape);

// Where the body of the first page starts, below the header and a blank gap;
// textHeight is the height of "h" in the body font.
int firstBodyLine(const PageLayout& layout, int textHeight);

// The left edge of a text of the given width that ends at the header's right
// edge (half a left margin inside the page).
int headerRightAlignedX(int pageWidth, const PageLayout& layout, int textWidth);

struct LineAdvance {
    int y = 0;
    bool newPage = false;  // a page has to be started before printing at y
};

// Advances y by n lines. While printing, passing the bottom margin starts a new
// page, and y becomes the top margin plus the n lines on that page.
LineAdvance advanceLines(int y, int n, int lineHeight, int pageHeight, int M, bool printing);

// A plot that would reach below the bottom margin starts on a new page.
bool plotNeedsNewPage(int y, int plotHeight, int pageHeight, int M);

// The position that forces the next one-line advance to break the page; used
// before a plot that does not fit and after every plot.
int forcedBreakY(int pageHeight, int M);

}  // namespace pal
