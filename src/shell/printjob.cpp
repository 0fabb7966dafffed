#include "shell/printjob.h"

#include <QApplication>
#include <QDateTime>
#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QRegularExpression>
#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

#include "shell/docwindow.h"
#include "shell/pagefilter.h"
#include "shell/printcontext.h"
#include "shell/printlayout.h"
#include "shell/progress.h"
#include "shell/seams.h"

namespace {

bool printsAsLines(int tag) {
    switch (tag) {
    case Kind::DeckEditor:
    case Kind::QuivetForm:
    case Kind::QuivetEditor:
    case Kind::Viewer:
    case Kind::Table:
    case Kind::OutputViewer:
    case Kind::TextEditor:
    case Kind::Diagram:
        return true;
    default:
        return false;
    }
}

bool printable(int tag) { return tag == Kind::Plot || printsAsLines(tag); }

int textHeight(const QPainter& painter) {
    return static_cast<int>(std::ceil(QFontMetricsF(painter.font(), painter.device()).height()));
}

// Keeps one piece of printing from leaving its pens, brushes and fonts to the next.
struct SavedState {
    explicit SavedState(QPainter& p) : painter(p) { painter.save(); }
    ~SavedState() { painter.restore(); }
    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;
    QPainter& painter;
};

// The header line of a page: a text at the left margin and the date and time
// ending half a left margin inside the page, in the canvas's current font, but
// black, unturned and unclipped whatever the window printing at the break set.
void printHeader(PrintContext& ctx, const QString& left) {
    const SavedState state(*ctx.canvas);
    ctx.canvas->resetTransform();
    ctx.canvas->setClipRect(0, 0, ctx.pageWidth, ctx.pageHeight);
    ctx.canvas->setPen(Qt::black);
    ctx.textOut(ctx.leftMargin, ctx.M / 4, left);
    const QString when = printHeaderDateTime(seams().clock->now());
    const QFontMetricsF fm(ctx.canvas->font(), ctx.canvas->device());
    const int width = static_cast<int>(std::ceil(fm.horizontalAdvance(when)));
    const pal::PageLayout layout{ctx.M, ctx.topMargin, ctx.leftMargin, ctx.M / 4};
    ctx.textOut(pal::headerRightAlignedX(ctx.pageWidth, layout, width), layout.headerY, when);
}

void breakPage(PrintContext& ctx) {
    ctx.y = pal::forcedBreakY(ctx.pageHeight, ctx.M);
    ctx.NewLine(1);
}

// Thrown at a page break once the user has cancelled the job.
struct JobCancelled {};

// Puts everything the job set up back, also when a window's Print throws.
struct JobScope {
    std::unique_ptr<TPrintProgress> progress;
    QPainter painter;
    bool cursorSet = false;

    ~JobScope() {
        PrintContext& ctx = PrintCtx();
        if (painter.isActive()) {
            painter.setClipping(false);
            painter.end();
        }
        ctx.printing = false;
        ctx.pageBreakPending = false;
        ctx.canvas = nullptr;
        ctx.startNewPage = nullptr;
        ctx.progress = nullptr;
        progress.reset();
        if (cursorSet) QApplication::restoreOverrideCursor();
    }
};

}  // namespace

QString printHeaderDateTime(const QDateTime& when) {
    const QLocale locale;
    // The long time format of some locales carries the time zone, which says
    // nothing useful on a printed page.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*\\(?t+\\)?")));
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(when.time(), timeFormat.trimmed());
}

bool RunPrintJob(const QList<TDocWindow*>& windows, QPrinter& printer) {
    if (windows.isEmpty()) return true;
    // Windows are held weakly: one closed while the job runs is skipped.
    QList<QPointer<TDocWindow>> queue;
    int lastPrintable = -1;
    for (TDocWindow* w : windows) {
        queue.append(w);
        if (w && printable(w->Tag())) lastPrintable = static_cast<int>(queue.size()) - 1;
    }

    PrintCtx().cancelled = false;
    // A page range chosen for the printer: the job lays out every page, and
    // only those of the range reach the printer.
    std::unique_ptr<PageFilter> filter;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0)
        filter = std::make_unique<PageFilter>(printer, printer.fromPage(), printer.toPage() > 0 ? printer.toPage() : INT_MAX);
    JobScope job;
    job.progress = std::make_unique<TPrintProgress>();
    job.progress->showCentred();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    job.cursorSet = true;

    PrintContext& ctx = PrintCtx();
    ctx.printing = true;
    ctx.pageWidth = printer.width();
    ctx.pageHeight = printer.height();
    ctx.landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    const pal::PageLayout layout = pal::pageLayout(ctx.pageWidth, ctx.pageHeight, ctx.landscape);
    ctx.M = layout.M;
    ctx.topMargin = layout.topMargin;
    ctx.leftMargin = layout.leftMargin;
    if (!job.painter.begin(filter ? static_cast<QPaintDevice*>(filter.get()) : &printer)) return false;
    ctx.canvas = &job.painter;
    ctx.pageNumber = 1;
    ctx.pageBreakPending = false;

    QFont font(QStringLiteral("Arial"));
    font.setPointSize(9);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    job.painter.setFont(font);
    job.painter.setPen(Qt::black);
    job.painter.setClipRect(0, 0, ctx.pageWidth, ctx.pageHeight);

    printHeader(ctx, QString::fromLatin1(pal::kPrintTitle) + QString::fromLatin1(pal::kProgramVersion));

    font.setPointSize(10);
    job.painter.setFont(font);
    const int h = textHeight(job.painter);
    ctx.lineHeight = h + 1;
    ctx.y = pal::firstBodyLine(layout, h);

    // How far the job is: the printable windows are equal shares of it.
    int shares = 0;
    for (int i = 0; i <= lastPrintable; ++i)
        if (queue[i] && printable(queue[i]->Tag())) ++shares;
    int share = 0;
    double at = 0;
    ctx.progress = [&](double within) {
        at = (share + std::clamp(within, 0.0, 1.0)) / std::max(shares, 1);
        return job.progress->step(at);
    };
    ctx.startNewPage = [&ctx, &printer, &job, &at, &filter] {
        // A long window stops at a page break once the job is cancelled.
        if (!job.progress->step(at)) throw JobCancelled{};
        if (filter)
            filter->newPage();
        else
            printer.newPage();
        ++ctx.pageNumber;
        printHeader(ctx, QStringLiteral("Page ") + QString::number(ctx.pageNumber));
    };

    try {
        for (int i = 0; i <= lastPrintable; ++i) {
            TDocWindow* w = queue[i];
            if (!w || !printable(w->Tag())) continue;
            const bool more = i < lastPrintable;
            const SavedState state(job.painter);
            if (w->Tag() == Kind::Plot) {
                if (pal::plotNeedsNewPage(ctx.y, w->PrintHeight(ctx), ctx.pageHeight, ctx.M)) breakPage(ctx);
                ctx.beginOutput();
                w->Print(ctx);
                // The window after a plot starts on a page of its own; after the last
                // window no empty page is started.
                if (more && !job.progress->cancelled()) breakPage(ctx);
            } else {
                ctx.beginOutput();
                w->Print(ctx);
                if (more) ctx.NewLine(2);
            }
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            ++share;
            if (!ctx.progress(0)) throw JobCancelled{};
        }
    } catch (const JobCancelled&) {
    }
    // A cancelled job ends the document with the pages begun so far (a file's
    // caller removes it).
    if (job.progress->cancelled()) PrintCtx().cancelled = true;
    return true;
}
