#include "shell/printcontext.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QString>

#include "shell/printlayout.h"

void PrintContext::NewLine(int n) {
    const pal::LineAdvance a = pal::advanceLines(y, n, lineHeight, pageHeight, M, printing);
    if (a.newPage && startNewPage) {
        beginOutput();  // an earlier break still waiting gets its page
        pageBreakPending = true;
    }
    y = a.y;
}

void PrintContext::beginOutput() const {
    if (!pageBreakPending) return;
    pageBreakPending = false;
    if (startNewPage) startNewPage();
}

void PrintContext::textOut(int x, int y, const QString& text) const {
    if (!canvas) return;
    beginOutput();
    const QFontMetricsF fm(canvas->font(), canvas->device());
    canvas->drawText(QPointF(x, y + fm.ascent()), text);
}

PrintContext& PrintCtx() {
    static PrintContext ctx;
    return ctx;
}
