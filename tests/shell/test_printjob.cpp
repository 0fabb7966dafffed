// The print job on a PDF printer: page header, line spacing between windows, page
// breaks, landscape margins, the plot rule and which window kinds are printed.
#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QPageSize>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <stdexcept>

#include "printtesthelpers.h"
#include "shell/printcontext.h"
#include "shell/printjob.h"
#include "shell/progress.h"
#include "shell/scriptedseams.h"
#include "support/testsupport.h"

using namespace printtest;

namespace {

class ThrowingWindow : public TDocWindow {
public:
    ThrowingWindow() : TDocWindow(Kind::Viewer) {}
    void Print(PrintContext&) override { throw std::runtime_error("unreadable"); }
};

// Presses the progress window's Cancel while it prints, after telling the job
// how far it is (which brings the bar and the button up).
class CancellingWindow : public LinesWindow {
public:
    CancellingWindow(int lines, bool cancel) : LinesWindow(Kind::Viewer, QStringLiteral("long"), lines), cancel(cancel) {}
    void Print(PrintContext& ctx) override {
        QVERIFY(ctx.progress(0.1));
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* button = w->findChild<QPushButton*>(QStringLiteral("CancelBtn")); button && qobject_cast<TPrintProgress*>(w)) {
                buttonShown = button->isVisible();
                if (cancel) button->click();
            }
        LinesWindow::Print(ctx);
    }
    bool cancel;
    bool buttonShown = false;
};

int progressWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TPrintProgress*>(w)) ++n;
    return n;
}

}  // namespace

class TestPrintJob : public QObject {
    Q_OBJECT
private:
    QTemporaryDir tmp_;
    std::unique_ptr<ScriptedSeams> seams_;
    QString pdf(const QString& name) const { return tmp_.path() + QLatin1Char('/') + name + QStringLiteral(".pdf"); }

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        installFonts();
        // The header's date follows the locale; fix one so the text is known.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(tmp_.isValid());
    }
    void init() { seams_ = std::make_unique<ScriptedSeams>(); }
    void cleanup() {
        seams_.reset();
        QCOMPARE(progressWindows(), 0);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(!PrintCtx().printing);
        QVERIFY(!PrintCtx().canvas);
    }

    void oneWindowPrintsOnePageWithTheHeader() {
        LinesWindow w(Kind::DeckEditor, QStringLiteral("line"), 3);
        auto printer = pdfPrinter(pdf("one"), QPageSize(QPageSize::Letter));
        QVERIFY(RunPrintJob({&w}, *printer));

        const QStringList pages = pdfPages(pdf("one"));
        QCOMPARE(pages.size(), 1);
        QVERIFY2(pages[0].startsWith(QStringLiteral("PALUMARO Ver. 1.80 12/7/26 9:30:15 AM line0 line1 line2")),
                 qPrintable(pages[0]));

        // Letter at 600 dpi: M = 6600 / 11 = 600, left margin 300.
        QCOMPARE(w.visits.size(), 1);
        const Visit v = w.visits[0];
        QVERIFY(v.printing);
        QVERIFY(v.progressShown);
        QCOMPARE(v.progressTitle, QStringLiteral("Please wait"));
        QCOMPARE(v.progressText, QStringLiteral("Printing in progress... "));
        QVERIFY(v.progressOnTop);
        QCOMPARE(v.pageNumber, 1);
        QCOMPARE(v.M, 600);
        QCOMPARE(v.leftMargin, 300);
        // Printer metrics, not screen ones: 10 points at 600 dpi are about 83 pixels.
        QVERIFY2(v.lineHeight > 83 && v.lineHeight < 140, qPrintable(QString::number(v.lineHeight)));
        QCOMPARE(v.y, 600 / 4 + 3 * v.lineHeight);

        const QList<Word> words = pdfWords(pdf("one"));
        const Word title = findWord(words, QStringLiteral("PALUMARO"));
        QVERIFY(qAbs(title.xMin - toPoints(300)) < 1.5);
        QVERIFY(qAbs(title.yMin - toPoints(150)) < 3);
        const Word am = findWord(words, QStringLiteral("AM"));
        QVERIFY2(qAbs(am.xMax - toPoints(5100 - 150)) < 1.5, qPrintable(QString::number(am.xMax)));
        QVERIFY(qAbs(am.yMin - title.yMin) < 1);
        const Word l0 = findWord(words, QStringLiteral("line0")), l1 = findWord(words, QStringLiteral("line1"));
        QVERIFY(qAbs(l0.xMin - toPoints(300)) < 1.5);
        QVERIFY(qAbs((l1.yMin - l0.yMin) - toPoints(v.lineHeight)) < 0.2);

        // Outside a job NewLine never breaks pages.
        PrintContext& ctx = PrintCtx();
        ctx.y = 1000000;
        ctx.NewLine(2);
        QCOMPARE(ctx.y, 1000000 + 2 * v.lineHeight);
    }

    void emptyListPrintsNothing() {
        auto printer = pdfPrinter(pdf("empty"), QPageSize(QPageSize::A4));
        QVERIFY(RunPrintJob({}, *printer));
        QVERIFY(!QFileInfo::exists(pdf("empty")));
    }

    void windowsAreSeparatedByABlankGap() {
        LinesWindow a(Kind::DeckEditor, QStringLiteral("alpha"), 3);
        LinesWindow b(Kind::Viewer, QStringLiteral("beta"), 2);
        auto printer = pdfPrinter(pdf("two"), QPageSize(QPageSize::A4));
        QVERIFY(RunPrintJob({&a, &b}, *printer));

        const int lh = a.visits[0].lineHeight;
        // Three lines of a, then two more for the gap.
        QCOMPARE(b.visits[0].y - a.visits[0].y, 5 * lh);
        const QList<Word> words = pdfWords(pdf("two"));
        const Word a1 = findWord(words, QStringLiteral("alpha1")), a2 = findWord(words, QStringLiteral("alpha2"));
        const Word b0 = findWord(words, QStringLiteral("beta0"));
        QVERIFY(qAbs((a2.yMin - a1.yMin) - toPoints(lh)) < 0.2);
        QVERIFY(qAbs((b0.yMin - a2.yMin) - toPoints(3 * lh)) < 0.2);
        QCOMPARE(pdfPages(pdf("two")).size(), 1);
    }

    void aFullPageContinuesOnPageTwo() {
        LinesWindow w(Kind::TextEditor, QStringLiteral("n"), 150);
        auto printer = pdfPrinter(pdf("long"), QPageSize(QPageSize::Letter));
        QVERIFY(RunPrintJob({&w}, *printer));

        const QStringList pages = pdfPages(pdf("long"));
        QCOMPARE(pages.size(), 3);
        QVERIFY(pages[0].startsWith(QStringLiteral("PALUMARO Ver. 1.80")));
        QVERIFY2(pages[1].startsWith(QStringLiteral("Page 2 12/7/26 9:30:15 AM n")), qPrintable(pages[1].left(60)));
        QVERIFY(pages[2].startsWith(QStringLiteral("Page 3 ")));
        // Every line is printed once and in order across the pages.
        const QStringList all = pages.join(QLatin1Char(' ')).split(QLatin1Char(' '));
        QStringList numbered = all.filter(QRegularExpression(QStringLiteral("^n\\d+$")));
        QCOMPARE(numbered.size(), 150);
        for (int i = 0; i < 150; ++i) QCOMPARE(numbered[i], QStringLiteral("n%1").arg(i));

        const int lh = w.visits[0].lineHeight;
        const QList<Word> words = pdfWords(pdf("long"));
        Word lastOnOne, firstOnTwo, pageWord;
        for (const Word& word : words) {
            if (word.page == 1 && word.text.startsWith(QLatin1Char('n'))) lastOnOne = word;
            if (word.page == 2 && word.text.startsWith(QLatin1Char('n')) && firstOnTwo.page == 0) firstOnTwo = word;
            if (word.page == 2 && word.text == QLatin1String("Page")) pageWord = word;
        }
        // Nothing below the bottom margin; page two resumes one line below the top margin.
        QVERIFY(lastOnOne.yMin <= toPoints(6600 - 600));
        QVERIFY(qAbs(pageWord.xMin - toPoints(300)) < 1.5);
        QVERIFY(qAbs((firstOnTwo.yMin - pageWord.yMin) - toPoints(600 + lh - 150)) < 0.2);
        QVERIFY(!pages[0].contains(QStringLiteral("Page 1")));
    }

    void aTextThatExactlyFillsAPageMakesNoEmptyPage() {
        // How many lines fit on page one.
        LinesWindow probe(Kind::TextEditor, QStringLiteral("n"), 150);
        auto p0 = pdfPrinter(pdf("probe"), QPageSize(QPageSize::Letter));
        QVERIFY(RunPrintJob({&probe}, *p0));
        const QStringList probePages = pdfPages(pdf("probe"));
        const int fit = static_cast<int>(probePages[0].split(QLatin1Char(' ')).filter(QRegularExpression(QStringLiteral("^n\\d+$"))).size());
        QVERIFY(fit > 40);

        LinesWindow full(Kind::TextEditor, QStringLiteral("n"), fit);
        auto p1 = pdfPrinter(pdf("exact"), QPageSize(QPageSize::Letter));
        QVERIFY(RunPrintJob({&full}, *p1));
        QCOMPARE(pdfPages(pdf("exact")).size(), 1);

        // A window after it starts page two, which then carries its header.
        LinesWindow again(Kind::TextEditor, QStringLiteral("n"), fit);
        LinesWindow next(Kind::Viewer, QStringLiteral("next"), 1);
        auto p2 = pdfPrinter(pdf("exactnext"), QPageSize(QPageSize::Letter));
        QVERIFY(RunPrintJob({&again, &next}, *p2));
        const QStringList pages = pdfPages(pdf("exactnext"));
        QCOMPARE(pages.size(), 2);
        QVERIFY2(pages[1].startsWith(QStringLiteral("Page 2 ")) && pages[1].contains(QStringLiteral("next0")),
                 qPrintable(pages[1]));
        QCOMPARE(next.visits[0].pageNumber, 2);
    }

    void landscapeMarginsGrowWithThePageWidth() {
        LinesWindow a4(Kind::DeckEditor, QStringLiteral("x"), 1), a3(Kind::DeckEditor, QStringLiteral("x"), 1);
        auto p4 = pdfPrinter(pdf("a4land"), QPageSize(QPageSize::A4), QPageLayout::Landscape);
        auto p3 = pdfPrinter(pdf("a3land"), QPageSize(QPageSize::A3), QPageLayout::Landscape);
        QVERIFY(RunPrintJob({&a4}, *p4));
        QVERIFY(RunPrintJob({&a3}, *p3));

        for (const Visit& v : {a4.visits[0], a3.visits[0]}) {
            QVERIFY(v.pageWidth > v.pageHeight);
            QCOMPARE(v.M, v.pageWidth / 11);
            QCOMPARE(v.leftMargin, v.M / 2);
        }
        QVERIFY(a3.visits[0].M > a4.visits[0].M + 200);
        const Word t4 = findWord(pdfWords(pdf("a4land")), QStringLiteral("PALUMARO"));
        const Word t3 = findWord(pdfWords(pdf("a3land")), QStringLiteral("PALUMARO"));
        QVERIFY(qAbs(t4.xMin - toPoints(a4.visits[0].leftMargin)) < 1.5);
        QVERIFY(qAbs(t3.xMin - toPoints(a3.visits[0].leftMargin)) < 1.5);
    }

    void aPlotThatDoesNotFitStartsANewPage() {
        LinesWindow before(Kind::DeckEditor, QStringLiteral("before"), 10);
        BlockWindow plot(QStringLiteral("PLOTWORD"), 5000);
        LinesWindow after(Kind::Table, QStringLiteral("after"), 2);
        auto printer = pdfPrinter(pdf("plotbreak"), QPageSize(QPageSize::Letter));
        QVERIFY(RunPrintJob({&before, &plot, &after}, *printer));

        const int lh = before.visits[0].lineHeight;
        QVERIFY(plot.heightAsked > 0);
        QCOMPARE(plot.visits.size(), 1);
        QCOMPARE(plot.visits[0].pageNumber, 2);
        QCOMPARE(plot.visits[0].y, 600 + lh);
        QCOMPARE(after.visits[0].pageNumber, 3);
        QCOMPARE(after.visits[0].y, 600 + lh);

        const QStringList pages = pdfPages(pdf("plotbreak"));
        QCOMPARE(pages.size(), 3);
        QVERIFY(pages[0].contains(QStringLiteral("before9")));
        QVERIFY(pages[1].startsWith(QStringLiteral("Page 2")));
        QVERIFY(pages[1].contains(QStringLiteral("PLOTWORD")));
        QVERIFY(pages[2].startsWith(QStringLiteral("Page 3")));
        QVERIFY(pages[2].contains(QStringLiteral("after1")));

        // The plot's red pen does not colour the header of the page after it.
        const QImage page3 = pdfPageImage(pdf("plotbreak"), 3, 100);
        QVERIFY(!page3.isNull());
        const double scale = 100.0 / 600.0;
        int dark = 0, red = 0;
        for (int y = int(150 * scale); y < int((150 + lh) * scale) + 1; ++y)
            for (int x = 0; x < page3.width(); ++x) {
                const QColor c = page3.pixelColor(x, y);
                if (c.red() > 150 && c.green() < 100) ++red;
                if (c.red() < 100 && c.green() < 100) ++dark;
            }
        QVERIFY(dark > 20);
        QCOMPARE(red, 0);
    }

    void aPlotThatFitsStaysButTheNextWindowTurnsThePage() {
        LinesWindow before(Kind::DeckEditor, QStringLiteral("before"), 2);
        BlockWindow plot(QStringLiteral("PLOTWORD"), 1000);
        LinesWindow after(Kind::Viewer, QStringLiteral("after"), 1);
        auto printer = pdfPrinter(pdf("plotfits"), QPageSize(QPageSize::Letter));
        QVERIFY(RunPrintJob({&before, &plot, &after}, *printer));

        const int lh = before.visits[0].lineHeight;
        QCOMPARE(plot.visits[0].pageNumber, 1);
        QCOMPARE(plot.visits[0].y, before.visits[0].y + 4 * lh);
        QCOMPARE(after.visits[0].pageNumber, 2);
        QCOMPARE(pdfPages(pdf("plotfits")).size(), 2);
    }

    void aPlotAtTheEndLeavesNoEmptyPage() {
        LinesWindow before(Kind::DeckEditor, QStringLiteral("before"), 2);
        BlockWindow plot(QStringLiteral("PLOTWORD"), 1000);
        LinesWindow unknown(1234, QStringLiteral("unknown"), 1);
        auto printer = pdfPrinter(pdf("plotlast"), QPageSize(QPageSize::Letter));
        QVERIFY(RunPrintJob({&before, &plot, &unknown}, *printer));
        QCOMPARE(pdfPages(pdf("plotlast")).size(), 1);
    }

    void onlyKnownKindsArePrinted() {
        const QList<int> printed{Kind::DeckEditor, Kind::QuivetForm, Kind::QuivetEditor, Kind::Viewer,
                                 Kind::Table,      Kind::OutputViewer, Kind::TextEditor, Kind::Diagram};
        std::vector<std::unique_ptr<LinesWindow>> windows;
        QList<TDocWindow*> order;
        for (int tag : {0, Kind::DeckEditor, 1234, Kind::QuivetForm, Kind::QuivetEditor, Kind::Viewer, 4001,
                        Kind::Table, Kind::OutputViewer, Kind::TextEditor, Kind::Diagram, 9000}) {
            windows.push_back(std::make_unique<LinesWindow>(tag, QStringLiteral("k%1-").arg(tag), 1));
            order.append(windows.back().get());
        }
        auto printer = pdfPrinter(pdf("kinds"), QPageSize(QPageSize::A4));
        QVERIFY(RunPrintJob(order, *printer));

        QString expected;
        for (const auto& w : windows) {
            const bool shouldPrint = printed.contains(w->Tag());
            QCOMPARE(w->visits.size(), shouldPrint ? 1 : 0);
            if (shouldPrint) expected += QStringLiteral("k%1-0 ").arg(w->Tag());
        }
        const QStringList pages = pdfPages(pdf("kinds"));
        QCOMPARE(pages.size(), 1);
        QVERIFY2(pages[0].endsWith(expected.trimmed()), qPrintable(pages[0]));
    }

    void aPrinterThatCannotStartPrintsNothing() {
        LinesWindow w(Kind::DeckEditor, QStringLiteral("line"), 1);
        const QString path = tmp_.path() + QStringLiteral("/missing/dir/out.pdf");
        auto printer = pdfPrinter(path, QPageSize(QPageSize::A4));
        QVERIFY(!RunPrintJob({&w}, *printer));
        QVERIFY(w.visits.isEmpty());
        QVERIFY(!QFileInfo::exists(path));
    }

    void aFailingWindowStillEndsTheJob() {
        LinesWindow first(Kind::DeckEditor, QStringLiteral("first"), 1);
        ThrowingWindow bad;
        auto printer = pdfPrinter(pdf("throws"), QPageSize(QPageSize::A4));
        bool thrown = false;
        try {
            (void)RunPrintJob({&first, &bad}, *printer);
        } catch (const std::runtime_error&) {
            thrown = true;
        }
        QVERIFY(thrown);
        // cleanup() checks that the flag, the cursor and the progress window are gone.
        QVERIFY(pdfPages(pdf("throws")).value(0).contains(QStringLiteral("first0")));
    }

    void cancelStopsTheJobAtTheNextPageBreak_data() {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("afterVisits");
        QTest::newRow("cancelled") << true << 1 << 0;
        QTest::newRow("not cancelled") << false << 3 << 1;
    }
    void cancelStopsTheJobAtTheNextPageBreak() {
        QFETCH(bool, cancel);
        QFETCH(int, pages);
        QFETCH(int, afterVisits);
        const int delay = WorkProgress::delayMs;
        WorkProgress::delayMs = 0;
        CancellingWindow first(150, cancel);  // two pages and a bit
        LinesWindow after(Kind::DeckEditor, QStringLiteral("after"), 2);
        auto printer = pdfPrinter(pdf(cancel ? "cancelled" : "whole"), QPageSize(QPageSize::Letter));
        const bool ok = RunPrintJob({&first, &after}, *printer);
        WorkProgress::delayMs = delay;
        QVERIFY(ok);
        QVERIFY(first.buttonShown);
        QCOMPARE(PrintCtx().cancelled, cancel);
        QCOMPARE(pdfPages(pdf(cancel ? "cancelled" : "whole")).size(), pages);
        QCOMPARE(after.visits.size(), afterVisits);
    }

    void aPageRangePrintsThosePagesAsTheWholeJobHasThem_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("2-3") << 2 << 3;
        QTest::newRow("2") << 2 << 2;
        QTest::newRow("3 to the end") << 3 << 9999;
    }
    void aPageRangePrintsThosePagesAsTheWholeJobHasThem() {
        QFETCH(int, from);
        QFETCH(int, to);
        LinesWindow first(Kind::Viewer, QStringLiteral("row"), 150);  // two pages and a bit
        BlockWindow plot(QStringLiteral("PLOTWORD"), 5000);           // a page of its own
        auto whole = pdfPrinter(pdf("range-whole"), QPageSize(QPageSize::Letter));
        QVERIFY(RunPrintJob({&first, &plot}, *whole));
        const QStringList all = pdfPages(pdf("range-whole"));
        QCOMPARE(all.size(), 4);
        auto part = pdfPrinter(pdf("range-part"), QPageSize(QPageSize::Letter));
        part->setPrintRange(QPrinter::PageRange);
        part->setFromTo(from, to);
        QVERIFY(RunPrintJob({&first, &plot}, *part));
        // Headers, lines and the plot word of just those pages, where the whole job has them.
        QCOMPARE(pdfPages(pdf("range-part")), all.mid(from - 1, std::min<qsizetype>(to, all.size()) - from + 1));
        const QList<Word> wholeWords = pdfWords(pdf("range-whole")), partWords = pdfWords(pdf("range-part"));
        const Word a = findWord(wholeWords, QStringLiteral("row100")), b = findWord(partWords, QStringLiteral("row100"));
        if (from <= a.page && a.page <= to) {
            QCOMPARE(b.page, a.page - from + 1);
            QCOMPARE(b.xMin, a.xMin);
            QCOMPARE(b.yMin, a.yMin);
        }
    }

    void longWorkShowsACancelAfterItsDelay() {
        const int delay = WorkProgress::delayMs;
        WorkProgress::delayMs = 3'600'000;
        {
            WorkProgress work(QStringLiteral("Plot data"), QStringLiteral("Reading..."));
            QVERIFY(work(0.5));  // within the delay: the busy cursor only
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!qobject_cast<QProgressDialog*>(w));
        }
        WorkProgress::delayMs = 0;
        {
            WorkProgress work(QStringLiteral("Plot data"), QStringLiteral("Reading..."));
            QVERIFY(work(0.25));
            QProgressDialog* bar = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->isVisible()) bar = d;
            QVERIFY(bar);
            QCOMPARE(bar->value(), 250);
            bar->cancel();
            QVERIFY(!work(0.5));
            QVERIFY(work.cancelled());
        }
        WorkProgress::delayMs = delay;
    }
};

QTEST_MAIN(TestPrintJob)
#include "test_printjob.moc"
