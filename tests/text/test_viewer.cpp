// The text viewer window: opening (kind, caption, lines of any length, per-line
// encoding), a large file shown before it is fully indexed, keyboard and mouse
// selection with copy, search over the whole file in both directions, printing.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QPushButton>
#include <QProgressDialog>

#include "common/ioerror.h"
#include "text/fileviewer.h"
#include "text/finddialog.h"
#include "shell/printcontext.h"
#include "shell/scriptedseams.h"
#include "text/viewer.h"
#include "support/testsupport.h"

using testsupport::writeFile;
using Pos = TFileViewer::Pos;

class TestViewer : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    QString dir_;
    QString bigFile_;
    qint64 bigLines_ = 0;
    QString path(const QString& name) const { return dir_ + "/" + name; }

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        QFont::insertSubstitution(QStringLiteral("MS LineDraw"), QStringLiteral("DejaVu Sans Mono"));
        dir_ = testsupport::makeDotFreeTempDir(tmp_);
        // A listing of about 24 MB: more than the viewer indexes before its first screen.
        bigFile_ = path("BIG.LST");
        QFile f(bigFile_);
        QVERIFY(f.open(QIODevice::WriteOnly));
        bigLines_ = 400000;
        QByteArray chunk;
        for (qint64 i = 0; i < bigLines_; ++i) {
            chunk += (i == 0) ? QByteArray("FIRSTMARK header of the listing")
                   : (i == bigLines_ - 1) ? QByteArray("LASTMARK end of the listing")
                   : "  TIME " + QByteArray::number(i) + "  values 1.000E+00 2.000E+00 3.000E+00 4.0E+00";
            chunk += "\r\n";
            if (chunk.size() > (1 << 20)) {
                f.write(chunk);
                chunk.clear();
            }
        }
        f.write(chunk);
    }

    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void aFollowedListingGrowsUnderTheUsersScrollPosition_data() {
        QTest::addColumn<QString>("scrolledTo");
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("lines");      // lines shown after the change
        QTest::addColumn<int>("firstShown"); // -1: the last page
        QTest::newRow("middle, appended") << "middle" << "append" << 300 << 50;
        QTest::newRow("end, appended") << "end" << "append" << 300 << -1;
        QTest::newRow("middle, a torn line") << "middle" << "torn" << 250 << 50;
        QTest::newRow("middle, replaced") << "middle" << "replace" << 120 << 50;
        QTest::newRow("end, shortened") << "end" << "shorten" << 20 << -1;
    }
    void aFollowedListingGrowsUnderTheUsersScrollPosition() {
        QFETCH(QString, scrolledTo);
        QFETCH(QString, change);
        QFETCH(int, lines);
        QFETCH(int, firstShown);
        const auto numbered = [](int from, int to) {
            QByteArray out;
            for (int i = from; i < to; ++i) out += "    " + QByteArray::number(i) + "  LEVEL = 1.0\r\n";
            return out;
        };
        const QString file = path("RUN.LST");
        writeFile(file, numbered(0, 200));
        TViewForm v;
        v.resize(600, 400);
        v.openFile(file);
        v.follow();
        QVERIFY(v.following());
        TFileViewer* tv = v.viewer();
        QScrollBar* bar = tv->verticalScrollBar();
        bar->setValue(scrolledTo == "end" ? bar->maximum() : 50);
        QFile f(file);
        if (change == "append" || change == "torn") {
            QVERIFY(f.open(QIODevice::Append));
            f.write(change == "append" ? numbered(200, 300) : numbered(200, 250) + "    250  LEV");
            f.close();
        } else if (change == "replace") {
            writeFile(path("RUN.NEW"), numbered(0, 120));
            QVERIFY(QFile::remove(file) && QFile::rename(path("RUN.NEW"), file));
        } else {
            writeFile(file, numbered(0, 20));
        }
        QTRY_COMPARE(tv->lineCount(), lines);
        QCOMPARE(tv->firstVisibleLine(), firstShown < 0 ? bar->maximum() : firstShown);
        if (change == "torn") {
            // The writer ends: the last line counts as it is.
            v.endFollowing();
            QCOMPARE(tv->lineCount(), 251);
            QCOMPARE(tv->lineText(250), QStringLiteral("    250  LEV"));
        }
    }

    void openShowsTheFile() {
        writeFile(path("PUMP.LST"), "one\r\ntwo\n" + QByteArray(300, 'z') + "\nLatin \xE9\nUTF \xC3\xA9");
        TViewForm v;
        QCOMPARE(v.Tag(), 3000);
        v.openFile(path("PUMP.LST"));
        QCOMPARE(v.windowTitle(), path("PUMP.LST"));
        QCOMPARE(v.fileName(), path("PUMP.LST"));
        TFileViewer* tv = v.viewer();
        QVERIFY(tv->indexingComplete());
        QCOMPARE(tv->lineCount(), 5);
        QCOMPARE(tv->lineText(0), QStringLiteral("one"));
        QCOMPARE(tv->lineText(1), QStringLiteral("two"));
        QCOMPARE(tv->lineText(2), QString(300, QLatin1Char('z')));
        QCOMPARE(tv->lineText(3), QStringLiteral("Latin \u00E9"));
        QCOMPARE(tv->lineText(4), QStringLiteral("UTF \u00E9"));
        QCOMPARE(tv->font().family(), QStringLiteral("MS LineDraw"));
        QCOMPARE(tv->viewport()->palette().color(QPalette::Base), QColor(Qt::white));
        QVERIFY(!v.findDialog()->findChild<QWidget*>(QStringLiteral("WholeWord"))->isVisibleTo(v.findDialog()));
        QVERIFY(v.findDialog()->down());
    }

    void linesBeyondTheBoundAreShownCutWithAMessage() {
        const QByteArray longLine = QByteArray(pal::LineIndex::kShownBytes + 10, 'L');
        writeFile(path("WIDE.OUT"), "short\n" + longLine + "\nafter\n");
        ScriptedSeams s;
        TViewForm v;
        v.openFile(path("WIDE.OUT"));
        v.viewer()->finishIndexing();
        QCOMPARE(v.viewer()->lineText(1).size(), qsizetype(pal::LineIndex::kShownBytes));
        QCOMPARE(v.viewer()->lineText(2), QStringLiteral("after"));
        QCOMPARE(s.alerts.shown.size(), 1);
        QCOMPARE(s.alerts.lastText(), path("WIDE.OUT") + " has lines longer than 1 MiB: they are shown up to their first 1 MiB.");
        // The end of the long line can be reached and drawn.
        v.resize(435, 300);
        v.viewer()->setCaret({1, 0});
        QTest::keyClick(v.viewer(), Qt::Key_End);
        QCOMPARE(v.viewer()->caret().col, int(pal::LineIndex::kShownBytes));
        QVERIFY(v.viewer()->horizontalScrollBar()->value() > 0);
        QImage img(v.viewer()->viewport()->size(), QImage::Format_RGB32);
        v.viewer()->viewport()->render(&img);
    }

    void missingAndEmptyFiles() {
        TViewForm v;
        QVERIFY_THROWS_EXCEPTION(pal::IoError, v.openFile(path("NOPE.LST")));
        writeFile(path("EMPTY.LST"), "");
        ScriptedSeams s;
        v.openFile(path("EMPTY.LST"));
        QCOMPARE(v.viewer()->lineCount(), 0);
        v.resize(435, 300);
        QVERIFY(!v.grab().isNull());
        v.findDialog()->setFindText("x");
        v.Find();
        QCOMPARE(s.alerts.beeps, 1);
        QTest::keyClick(v.viewer(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(v.viewer(), Qt::Key_Down, Qt::ShiftModifier);
        v.copySelection();
    }

    void firstScreenComesBeforeTheIndexIsComplete() {
        TViewForm v;
        v.resize(435, 300);
        v.show();
        QElapsedTimer t;
        t.start();
        v.openFile(bigFile_);
        const QImage first = v.grab().toImage();
        const qint64 ms = t.elapsed();
        qInfo("first screen of %lld lines after %lld ms (index complete: %d)", bigLines_, ms,
              int(v.viewer()->indexingComplete()));
        QVERIFY(!v.viewer()->indexingComplete());
        QCOMPARE(v.viewer()->lineText(0), QStringLiteral("FIRSTMARK header of the listing"));
        // Some ink on the first row.
        bool ink = false;
        for (int x = 0; x < 200 && !ink; ++x)
            for (int y = 0; y < v.viewer()->lineHeight() && !ink; ++y) ink = first.pixel(x, y) != qRgb(255, 255, 255);
        QVERIFY(ink);
        // The rest is indexed while the event loop runs; the scroll range grows.
        const int early = v.viewer()->verticalScrollBar()->maximum();
        QTRY_VERIFY_WITH_TIMEOUT(v.viewer()->indexingComplete(), 60000);
        QCOMPARE(v.viewer()->lineCount(), bigLines_);
        QVERIFY(v.viewer()->verticalScrollBar()->maximum() > early);
        QCOMPARE(v.viewer()->verticalScrollBar()->maximum(), bigLines_ - v.viewer()->visibleLineCount());
    }

    void findOverTheWholeFile() {
        ScriptedSeams s;
        TViewForm v;
        v.resize(435, 300);
        v.show();
        v.openFile(bigFile_);
        TFileViewer* tv = v.viewer();
        TFindDialog* d = v.findDialog();
        // Forward to the last line, even before the index reaches it.
        d->setFindText(QStringLiteral("lastmark"));
        v.Find();
        QCOMPARE(s.alerts.beeps, 0);
        QCOMPARE(tv->caret().line, bigLines_ - 1);
        QCOMPARE(tv->anchor(), (Pos{bigLines_ - 1, 0}));
        QCOMPARE(tv->caret().col, 8);
        QVERIFY(tv->firstVisibleLine() <= bigLines_ - 1);
        QVERIFY(tv->firstVisibleLine() + tv->visibleLineCount() > bigLines_ - 1);
        // Nothing further down.
        v.Find();
        QCOMPARE(s.alerts.beeps, 1);
        // Backward to the first line.
        d->setDown(false);
        d->setFindText(QStringLiteral("FIRSTMARK"));
        v.Find();
        QCOMPARE(s.alerts.beeps, 1);
        QCOMPARE(tv->anchor(), (Pos{0, 0}));
        QCOMPARE(tv->caret(), (Pos{0, 9}));
        QCOMPARE(tv->firstVisibleLine(), 0);
        // Case: a case-sensitive search for the lower-case text finds nothing.
        d->setMatchCase(true);
        d->setDown(true);
        d->setFindText(QStringLiteral("firstmark"));
        v.Find();
        QCOMPARE(s.alerts.beeps, 2);
        QCOMPARE(d->findText(), QStringLiteral("firstmark"));
        // Backward from the end for a line in the middle.
        d->setMatchCase(false);
        d->setDown(false);
        QTest::keyClick(tv, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(tv->caret().line, bigLines_ - 1);
        d->setFindText(QStringLiteral("TIME 200000 "));
        v.Find();
        QCOMPARE(tv->caret().line, 200000);
        QCOMPARE(tv->selectedText(), QStringLiteral("TIME 200000 "));
    }

    void aLongFindShowsProgressAndCanBeCancelled() {
        ScriptedSeams s;
        TViewForm v;
        v.resize(435, 300);
        v.show();
        v.openFile(bigFile_);
        TFileViewer* tv = v.viewer();
        tv->findProgressDelayMs = 0;  // as if half a second had passed at once
        v.findDialog()->setFindText(QStringLiteral("lastmark"));
        // While the search runs: the hourglass, and a progress window with Cancel.
        int shown = 0;
        bool hourglass = false;
        QString cancelText;
        QTimer watch;
        watch.setInterval(0);
        connect(&watch, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible()) {
                    ++shown;
                    hourglass = QApplication::overrideCursor() &&
                                (QApplication::overrideCursor()->shape() == Qt::BusyCursor ||
                                 QApplication::overrideCursor()->shape() == Qt::WaitCursor);
                    if (auto* b = p->findChild<QPushButton*>()) cancelText = b->text();
                }
        });
        watch.start();
        v.Find();
        watch.stop();
        QVERIFY(shown > 0);
        QVERIFY(hourglass);
        QCOMPARE(cancelText, QStringLiteral("Cancel"));
        QCOMPARE(tv->caret().line, bigLines_ - 1);  // found all the same
        QVERIFY(!QApplication::overrideCursor());
        // Cancel stops the search: no match, no beep, the caret stays.
        tv->setCaret({0, 0});
        QTimer cancel;
        cancel.setInterval(0);
        connect(&cancel, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible()) p->cancel();
        });
        cancel.start();
        v.Find();
        cancel.stop();
        QVERIFY(tv->findCancelled());
        QCOMPARE(tv->caret(), (Pos{0, 0}));
        QCOMPARE(s.alerts.beeps, 0);
        QVERIFY(!QApplication::overrideCursor());
        // A quick search shows no window.
        tv->findProgressDelayMs = 500;
        tv->setCaret({0, 0});
        v.findDialog()->setFindText(QStringLiteral("TIME 5 "));
        shown = 0;
        watch.start();
        v.Find();
        watch.stop();
        QCOMPARE(shown, 0);
        QCOMPARE(tv->caret().line, 5);
    }

    void theCaretIs18PixelsHigh() {
        testsupport::writeFile(path("CARET.LST"), "abc\r\n\r\nxyz\r\n");
        TViewForm v;
        v.resize(435, 300);
        v.show();
        v.openFile(path("CARET.LST"));
        TFileViewer* tv = v.viewer();
        QApplication::setActiveWindow(&v);
        tv->setFocus();
        QTRY_VERIFY(tv->hasFocus());
        tv->setCaret({1, 0});  // on the empty line: only the caret is drawn there
        const QImage img = tv->viewport()->grab().toImage();
        int best = 0;
        for (int x = 0; x < 8; ++x) {
            int run = 0;
            for (int y = 0; y < img.height(); ++y) {
                run = qGray(img.pixel(x, y)) < 64 ? run + 1 : 0;
                best = std::max(best, run);
            }
        }
        QCOMPARE(best, 18);
    }

    void findSelectsNonAsciiTextInEitherEncoding() {
        writeFile(path("ENC.LST"), "x caf\xE9 latin\ny caf\xC3\xA9 utf\n");
        ScriptedSeams s;
        TViewForm v;
        v.openFile(path("ENC.LST"));
        v.findDialog()->setFindText(QStringLiteral("CAF\u00C9"));
        v.Find();
        QCOMPARE(v.viewer()->selectedText(), QStringLiteral("caf\u00E9"));
        QCOMPARE(v.viewer()->anchor(), (Pos{0, 2}));
        v.Find();
        QCOMPARE(v.viewer()->anchor(), (Pos{1, 2}));
        QCOMPARE(v.viewer()->caret(), (Pos{1, 6}));
        QCOMPARE(s.alerts.beeps, 0);
    }

    void keyboardSelectionAndCopy() {
        writeFile(path("KEYS.LST"), "alpha\n\tbeta\ngamma\n");
        TViewForm v;
        v.resize(435, 300);
        v.show();
        v.openFile(path("KEYS.LST"));
        TFileViewer* tv = v.viewer();
        QTest::keyClick(tv, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(tv, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(tv->selectedText(), QStringLiteral("alpha\n\tbeta\n"));
        QTest::keyClick(tv, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("alpha\n\tbeta\n"));
        QTest::keyClick(tv, Qt::Key_Right);
        QTest::keyClick(tv, Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(tv->selectedText(), QStringLiteral("amma"));
        QTest::keyClick(tv, Qt::Key_A, Qt::ControlModifier);
        v.copySelection();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("alpha\n\tbeta\ngamma"));
    }

    void mouseSelection() {
        writeFile(path("MOUSE.LST"), "0123456789\nabcdefghij\n");
        TViewForm v;
        v.resize(435, 300);
        v.show();
        v.openFile(path("MOUSE.LST"));
        TFileViewer* tv = v.viewer();
        const int lh = tv->lineHeight();
        const int cw = tv->fontMetrics().horizontalAdvance(QLatin1Char('0'));
        // Press before "2" on the first line, release before "5" on the second.
        QTest::mousePress(tv->viewport(), Qt::LeftButton, {}, QPoint(2 + 2 * cw, lh / 2));
        QTest::mouseMove(tv->viewport(), QPoint(2 + 5 * cw, lh + lh / 2));
        QTest::mouseRelease(tv->viewport(), Qt::LeftButton, {}, QPoint(2 + 5 * cw, lh + lh / 2));
        QCOMPARE(tv->selectedText(), QStringLiteral("23456789\nabcde"));
        QTest::mouseDClick(tv->viewport(), Qt::LeftButton, {}, QPoint(2 + 3 * cw, lh + lh / 2));
        QCOMPARE(tv->selectedText(), QStringLiteral("abcdefghij"));
    }

    void printDrawsEveryLine() {
        writeFile(path("PRN.LST"), "one\ntwo\nthree");
        TViewForm v;
        v.openFile(path("PRN.LST"));
        QImage page(400, 300, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        painter.setFont(QFont(QStringLiteral("Arial"), 10));
        PrintContext ctx;
        ctx.canvas = &painter;
        ctx.leftMargin = 10;
        ctx.lineHeight = 25;
        ctx.y = 40;
        v.Print(ctx);
        QCOMPARE(painter.font().family(), QStringLiteral("MS LineDraw"));
        painter.end();
        QCOMPARE(ctx.y, 40 + 3 * 25);
        bool inkAbove = false, inkInside = false;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (page.pixel(x, y) != qRgb(255, 255, 255)) (y < 40 ? inkAbove : inkInside) = true;
        QVERIFY(!inkAbove);
        QVERIFY(inkInside);
    }
};

QTEST_MAIN(TestViewer)
#include "test_viewer.moc"
