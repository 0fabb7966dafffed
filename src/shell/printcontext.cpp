#include "shell/printcontext.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QString>

#include "shell/printlayout.h"

void PrintContext::NewLine(int n) {
    const pal::LineAdvance a = pal::advanceLines(y, n, lineHeight, pageHeight, M, printing);
    if (a.newPage && startNewPage) startNewPage();
    y = a.y;
}

void PrintContext::textOut(int x, int y, const QString& text) const {
    if (!canvas) return;
    const QFontMetricsF fm(canvas->font(), canvas->device());
    canvas->drawText(QPointF(x, y + fm.ascent()), text);
}

PrintContext& PrintCtx() {
    static PrintContext ctx;
    return ctx;
}
