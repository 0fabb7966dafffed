#include "shell/printlayout.h"

namespace pal {

PageLayout pageLayout(int pageWidth, int pageHeight, bool landscape) {
    PageLayout l;
    l.M = (landscape ? pageWidth : pageHeight) / 11;
    l.topMargin = l.M;
    l.leftMargin = l.M / 2;
    l.headerY = l.M / 4;
    return l;
}

int firstBodyLine(const PageLayout& layout, int textHeight) { return layout.headerY + 3 * textHeight + 3; }

int headerRightAlignedX(int pageWidth, const PageLayout& layout, int textWidth) {
    return pageWidth - layout.leftMargin / 2 - textWidth;
}

LineAdvance advanceLines(int y, int n, int lineHeight, int pageHeight, int M, bool printing) {
    LineAdvance a;
    a.y = y + n * lineHeight;
    if (!printing || a.y <= pageHeight - M) return a;
    a.newPage = true;
    a.y = M + n * lineHeight;
    return a;
}

bool plotNeedsNewPage(int y, int plotHeight, int pageHeight, int M) { return pageHeight - M < y + plotHeight; }

int forcedBreakY(int pageHeight, int M) { return pageHeight - M + 1; }

}  // namespace pal
