// The text editor window: opening and saving (line ends, lines of any length,
// every other byte kept in UTF-8 and Latin-1 files), the save question on closing, find
// and replace with their options, the editor control's keys, and printing.
#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include "common/ioerror.h"
#include "text/editoru.h"
#include "text/finddialog.h"
#include "shell/printcontext.h"
#include "shell/scriptedseams.h"
#include "support/testsupport.h"

using testsupport::readFile;
using testsupport::writeFile;

class TestEditor : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    QString dir_;
    QString path(const QString& name) const { return dir_ + "/" + name; }
    // Opens bytes written to a file and saves them back; returns what was written.
    QByteArray roundTrip(const QByteArray& bytes, TEditForm::Encoding* encoding = nullptr) {
        const QString p = path("ROUND.TXT");
        writeFile(p, bytes);
        TEditForm f;
        f.Open(p);
        if (encoding) *encoding = f.encoding();
        f.Save();
        return readFile(p);
    }
    // Types text over the whole editor (an edit: the text becomes modified).
    static void setText(TEditForm& f, const QString& text) {
        f.editor()->selectAll();
        f.editor()->insertPlainText(text);
        f.editor()->moveCursor(QTextCursor::Start);
    }

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        QFont::insertSubstitution(QStringLiteral("MS LineDraw"), QStringLiteral("DejaVu Sans Mono"));
        dir_ = testsupport::makeDotFreeTempDir(tmp_);
    }

    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void newWindowIsUntitled() {
        TEditForm f;
        QCOMPARE(f.windowTitle(), QStringLiteral("Untitled.DCK"));
        QCOMPARE(f.fileName(), QString());
        QCOMPARE(f.Tag(), 7000);
        QCOMPARE(f.editor()->textCursor().position(), 0);
        QVERIFY(!f.isModified());
        QCOMPARE(f.editor()->font().family(), QStringLiteral("MS LineDraw"));
        QCOMPARE(f.editor()->font().pointSize(), 10);
        QCOMPARE(f.editor()->frameShape(), QFrame::NoFrame);
        QVERIFY(!f.editor()->tabChangesFocus());
    }

    void openSetsKindByExtension_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::newRow("upper") << "PUMP.DCK" << 1000;
        QTest::newRow("lower") << "pump.dck" << 1000;
        QTest::newRow("mordax") << "PUMP.DEK" << 7000;
        QTest::newRow("other") << "notes.txt" << 7000;
        QTest::newRow("none") << "README" << 7000;
    }
    void openSetsKindByExtension() {
        QFETCH(QString, name);
        QFETCH(int, kind);
        writeFile(path(name), "SIMULATION 0 10 1\n");
        TEditForm f;
        f.Open(path(name));
        QCOMPARE(f.Tag(), kind);
        QCOMPARE(f.windowTitle(), path(name));
        QCOMPARE(f.fileName(), path(name));
    }

    void openShowsTextFromTheTopUnmodified() {
        QByteArray text;
        for (int i = 0; i < 200; ++i) text += "LINE " + QByteArray::number(i) + "\n";
        text += QByteArray(300, 'x') + "\n";
        writeFile(path("LONG.DCK"), text);
        TEditForm f;
        f.resize(435, 300);
        f.editor()->setPlainText("old text");
        f.Open(path("LONG.DCK"));
        const QStringList lines = f.lines();
        QCOMPARE(lines.size(), 201);
        QCOMPARE(lines.first(), QStringLiteral("LINE 0"));
        QCOMPARE(lines.last(), QString(300, QLatin1Char('x')));
        QCOMPARE(f.editor()->textCursor().position(), 0);
        QCOMPARE(f.editor()->verticalScrollBar()->value(), 0);
        QVERIFY(!f.isModified());
        QVERIFY(!f.editor()->document()->isUndoAvailable());
    }

    void saveWritesCrlfAndKeepsLongLines_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("300 bytes") << QByteArray(300, 'y');
        QTest::newRow("beyond 64 KiB") << QByteArray(70000, 'y');
        QTest::newRow("UTF-8 across 255") << QByteArray(254, 'a') + "\xC3\xA9" + QByteArray(400, 'b');
        QTest::newRow("Latin-1") << QByteArray(254, 'a') + "\xE9" + QByteArray(400, 'b');
    }
    void saveWritesCrlfAndKeepsLongLines() {
        QFETCH(QByteArray, line);
        const QByteArray in = "first\nsecond\r\n" + line + "\nlast";
        QCOMPARE(roundTrip(in), "first\r\nsecond\r\n" + line + "\r\nlast\r\n");
    }

    void everyByteSurvivesInLatin1() {
        // All bytes but the line end, in a file that is not UTF-8.
        QByteArray in;
        for (int c = 0; c < 256; ++c)
            if (c != '\n' && c != '\r') in += char(c);
        in += "\r\n";
        in += "lone\rcarriage return\r\n";
        in += "\xA0nbsp\xE9\xFF\r\n\r\n";
        TEditForm::Encoding enc;
        QCOMPARE(roundTrip(in, &enc), in);
        QCOMPARE(enc, TEditForm::Encoding::Latin1);
    }

    void everyByteSurvivesInUtf8() {
        // Characters a text control handles specially: a byte-order mark, NUL, a
        // lone CR, no-break space, line and paragraph separators, frame markers,
        // non-characters and a character outside the BMP.
        static const char raw[] = "\xEF\xBB\xBF"
                              "deck \xC3\xA9\xE2\x82\xAC\r\n"
                              "nul \x00 here\r\n"
                              "cr\rin line\r\n"
                              "nbsp\xC2\xA0 ls\xE2\x80\xA8 ps\xE2\x80\xA9 end\r\n"
                              "frames\xEF\xB7\x90\xEF\xB7\x91 nonchar\xEF\xBF\xBE\r\n"
                              "stand-in \xE2\x90\x8D kept\r\n"
                              "emoji \xF0\x9F\x98\x80\r\n";
        const QByteArray bytes(raw, sizeof raw - 1);
        QVERIFY(bytes.contains('\0'));
        TEditForm::Encoding enc;
        QCOMPARE(roundTrip(bytes, &enc), bytes);
        QCOMPARE(enc, TEditForm::Encoding::Utf8);
    }

    void utf8LinesKeepTheCharacterAcross255Bytes() {
        const QByteArray line = QByteArray(254, 'a') + "\xC3\xA9" + "bc";
        TEditForm::Encoding enc;
        QCOMPARE(roundTrip(line + "\n", &enc), line + "\r\n");
        QCOMPARE(enc, TEditForm::Encoding::Utf8);
    }

    void emptyFileAndEmptyLinesRoundTrip() {
        QCOMPARE(roundTrip(""), QByteArray());
        QCOMPARE(roundTrip("\n"), QByteArray("\r\n"));
        QCOMPARE(roundTrip("a\n\n\n"), QByteArray("a\r\n\r\n\r\n"));
        // A byte-order mark alone, and one in front of text that is not UTF-8.
        TEditForm::Encoding enc;
        QCOMPARE(roundTrip("\xEF\xBB\xBF", &enc), QByteArray("\xEF\xBB\xBF"));
        QCOMPARE(enc, TEditForm::Encoding::Utf8);
        QCOMPARE(roundTrip("\xEF\xBB\xBF\xE9t\xE9\n", &enc), QByteArray("\xEF\xBB\xBF\xE9t\xE9\r\n"));
        QCOMPARE(enc, TEditForm::Encoding::Latin1);
    }

    void latin1FileGetsQuestionMarksForCharactersItCannotHold() {
        writeFile(path("L1.TXT"), "caf\xE9\n");
        TEditForm f;
        f.Open(path("L1.TXT"));
        QCOMPARE(f.lines().first(), QStringLiteral("caf\u00E9"));
        f.editor()->moveCursor(QTextCursor::EndOfLine);
        f.editor()->insertPlainText(QStringLiteral(" \u20AC5 \U0001F600"));
        f.Save();
        QCOMPARE(readFile(path("L1.TXT")), QByteArray("caf\xE9 ?5 ?\r\n"));
    }

    void newWindowSavesUtf8() {
        TEditForm f;
        f.setFileName(path("NEW.DCK"));
        QCOMPARE(f.windowTitle(), path("NEW.DCK"));
        setText(f, QStringLiteral("r\u00E9sum\u00E9"));
        f.Save();
        QCOMPARE(readFile(path("NEW.DCK")), QByteArray("r\xC3\xA9sum\xC3\xA9\r\n"));
        QVERIFY(!f.isModified());
        // Saving under another name (the main window's Save as).
        setText(f, QStringLiteral("other"));
        static_cast<TDocWindow&>(f).saveTo(path("OTHER.DCK"));
        QCOMPARE(f.fileName(), path("OTHER.DCK"));
        QCOMPARE(f.windowTitle(), path("OTHER.DCK"));
        QCOMPARE(readFile(path("OTHER.DCK")), QByteArray("other\r\n"));
    }

    void saveFailureKeepsTheTextModified() {
        TEditForm f;
        f.setFileName(dir_ + "/missing/DIR.DCK");
        setText(f, "text");
        QVERIFY(f.isModified());
        QVERIFY_THROWS_EXCEPTION(pal::IoError, f.Save());
        QVERIFY(f.isModified());
        TEditForm untitled;
        setText(untitled, "text");
        QVERIFY_THROWS_EXCEPTION(pal::IoError, untitled.Save());
    }

    void openOfAMissingFileThrows() {
        TEditForm f;
        QVERIFY_THROWS_EXCEPTION(pal::IoError, f.Open(path("NOPE.DCK")));
    }

    // ---- closing

    void closeWithoutChangesAsksNothing() {
        ScriptedSeams s;
        TEditForm f;
        QVERIFY(f.FormCloseQuery());
        QVERIFY(s.alerts.shown.isEmpty());
    }

    void closeQuestionText_data() {
        QTest::addColumn<bool>("titled");
        QTest::newRow("titled") << true;
        QTest::newRow("untitled") << false;
    }
    void closeQuestionText() {
        QFETCH(bool, titled);
        ScriptedSeams s;
        s.alerts.answers.push_back(AlertButton::Cancel);
        TEditForm f;
        if (titled) f.setFileName(path("PUMP.DCK"));
        setText(f, "changed");
        QVERIFY(!f.FormCloseQuery());
        QCOMPARE(s.alerts.shown.size(), 1);
        const QString name = titled ? path("PUMP.DCK") : QStringLiteral("This file");
        QCOMPARE(s.alerts.shown[0].text, name + QStringLiteral(" has been changed.  Save it?"));
        QCOMPARE(s.alerts.shown[0].kind, AlertKind::SaveQuestion);
    }

    void closeAnswers() {
        const QString p = path("ANSWER.DCK");
        writeFile(p, "old\n");
        {
            ScriptedSeams s;
            s.alerts.answers.push_back(AlertButton::No);
            TEditForm f;
            f.Open(p);
            setText(f, "new");
            QVERIFY(f.FormCloseQuery());
            QCOMPARE(readFile(p), QByteArray("old\n"));
        }
        {
            ScriptedSeams s;
            s.alerts.answers.push_back(AlertButton::Cancel);
            TEditForm f;
            f.Open(p);
            setText(f, "new");
            QVERIFY(!f.FormCloseQuery());
            QCOMPARE(readFile(p), QByteArray("old\n"));
            QVERIFY(f.isModified());
        }
        {
            ScriptedSeams s;
            s.alerts.answers.push_back(AlertButton::Yes);
            TEditForm f;
            f.Open(p);
            setText(f, "new");
            QVERIFY(f.FormCloseQuery());
            QCOMPARE(readFile(p), QByteArray("new\r\n"));
            QVERIFY(!f.isModified());
        }
    }

    void yesWithAFailingSaveKeepsTheWindow() {
        ScriptedSeams s;
        s.alerts.answers.push_back(AlertButton::Yes);
        TEditForm f;
        f.setFileName(dir_ + "/missing/DIR.DCK");
        setText(f, "text");
        QVERIFY(!f.FormCloseQuery());
        QCOMPARE(s.alerts.shown.size(), 2);
        QCOMPARE(s.alerts.shown[1].kind, AlertKind::Error);
        QVERIFY(s.alerts.shown[1].text.contains(QStringLiteral("missing/DIR.DCK")));
    }

    void yesForAnUntitledWindowWithoutAMainWindowKeepsIt() {
        // The save-as question belongs to the main window; without one nothing is lost.
        ScriptedSeams s;
        s.alerts.answers.push_back(AlertButton::Yes);
        TEditForm f;
        setText(f, "text");
        QVERIFY(!f.FormCloseQuery());
    }

    void closeEventFollowsTheQuestion() {
        ScriptedSeams s;
        s.alerts.answers.push_back(AlertButton::Cancel);
        auto* f = new TEditForm;
        f->show();
        setText(*f, "text");
        QVERIFY(!f->close());
        QVERIFY(f->isVisible());
        f->closeWithoutQuery();
        QVERIFY(!f->isVisible());
        delete f;
    }

    // ---- find and replace

    void findForwardBackwardWithOptions() {
        ScriptedSeams s;
        TEditForm f;
        setText(f, QStringLiteral("Alpha beta alphabet\nBETA alpha"));
        TFindDialog* d = f.findDialog();
        d->setFindText(QStringLiteral("alpha"));
        f.Find();
        QCOMPARE(f.editor()->textCursor().selectionStart(), 0);  // case ignored
        f.Find();
        QCOMPARE(f.editor()->textCursor().selectionStart(), 11);  // inside "alphabet"
        d->setWholeWord(true);
        f.Find();
        QCOMPARE(f.editor()->textCursor().selectedText(), QStringLiteral("alpha"));
        QCOMPARE(f.editor()->textCursor().selectionStart(), 25);  // skips "alphabet"
        f.Find();
        QCOMPARE(s.alerts.beeps, 1);  // nothing further
        QCOMPARE(f.editor()->textCursor().selectionStart(), 25);
        d->setDown(false);
        d->setWholeWord(false);
        d->setMatchCase(true);
        f.Find();
        QCOMPARE(f.editor()->textCursor().selectionStart(), 11);  // "Alpha" at 0 has the wrong case
        f.Find();
        QCOMPARE(s.alerts.beeps, 2);
        QCOMPARE(f.replaceDialog()->findText(), QStringLiteral("alpha"));
    }

    void findNextButtonRunsTheHandler() {
        ScriptedSeams s;
        TEditForm f;
        setText(f, QStringLiteral("one two"));
        f.findDialog()->setFindText(QStringLiteral("two"));
        QTest::mouseClick(f.findDialog()->findChild<QPushButton*>(QStringLiteral("FindNext")), Qt::LeftButton);
        QCOMPARE(f.editor()->textCursor().selectedText(), QStringLiteral("two"));
        QCOMPARE(s.alerts.beeps, 0);
    }

    void replaceNextAndNothingLeft() {
        ScriptedSeams s;
        TEditForm f;
        setText(f, QStringLiteral("cat Cat concat cat"));
        TReplaceDialog* d = f.replaceDialog();
        d->setFindText(QStringLiteral("cat"));
        d->setReplaceText(QStringLiteral("dog"));
        d->setWholeWord(true);
        d->ReplaceClick();
        QCOMPARE(f.editor()->toPlainText(), QStringLiteral("dog Cat concat cat"));
        QCOMPARE(f.editor()->textCursor().selectedText(), QStringLiteral("Cat"));  // the next match is shown
        d->ReplaceClick();
        d->ReplaceClick();
        QCOMPARE(f.editor()->toPlainText(), QStringLiteral("dog dog concat dog"));
        QCOMPARE(s.alerts.beeps, 0);
        d->ReplaceClick();
        QCOMPARE(s.alerts.beeps, 1);
        QVERIFY(f.isModified());
    }

    void replaceAllIsOneUndoStep() {
        ScriptedSeams s;
        TEditForm f;
        setText(f, QStringLiteral("a-a-A\na"));
        f.editor()->moveCursor(QTextCursor::End);  // Replace All covers the whole text
        TReplaceDialog* d = f.replaceDialog();
        d->setFindText(QStringLiteral("a"));
        d->setReplaceText(QStringLiteral("aa"));
        d->setMatchCase(true);
        d->ReplaceAllClick();
        QCOMPARE(f.editor()->toPlainText(), QStringLiteral("aa-aa-A\naa"));
        QVERIFY(d->replaceAll());
        // Search Again repeats Replace All.
        f.Replace();
        QCOMPARE(f.editor()->toPlainText(), QStringLiteral("aaaa-aaaa-A\naaaa"));
        f.editor()->undo();
        QCOMPARE(f.editor()->toPlainText(), QStringLiteral("aa-aa-A\naa"));
        d->setFindText(QStringLiteral("zzz"));
        d->ReplaceAllClick();
        QCOMPARE(s.alerts.beeps, 0);  // only Replace beeps
    }

    void replaceDialogTabsThroughTheFieldsInReadingOrder() {
        TEditForm f;
        TReplaceDialog* d = f.replaceDialog();
        QStringList order;
        QWidget* w = d->findChild<QWidget*>(QStringLiteral("FindText"));
        do {
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(d) && !w->objectName().isEmpty()) order << w->objectName();
            w = w->nextInFocusChain();
        } while (w && w->objectName() != QLatin1String("FindText"));
        QCOMPARE(order, (QStringList{"FindText", "ReplaceText", "WholeWord", "MatchCase", "FindNext", "Replace",
                                     "ReplaceAll", "Cancel"}));
    }

    void replaceAllWithNothingAsksFirst_data() {
        QTest::addColumn<QString>("with");
        QTest::addColumn<int>("answer");  // AlertButton
        QTest::addColumn<int>("questions");
        QTest::addColumn<QString>("result");
        QTest::newRow("empty, yes") << "" << int(AlertButton::Yes) << 1 << "--";
        QTest::newRow("empty, no") << "" << int(AlertButton::No) << 1 << "a-a-a";
        QTest::newRow("a replacement") << "b" << int(AlertButton::No) << 0 << "b-b-b";
    }
    void replaceAllWithNothingAsksFirst() {
        QFETCH(QString, with);
        QFETCH(int, answer);
        QFETCH(int, questions);
        QFETCH(QString, result);
        ScriptedSeams s;
        s.alerts.answers = {AlertButton(answer)};
        TEditForm f;
        setText(f, QStringLiteral("a-a-a"));
        TReplaceDialog* d = f.replaceDialog();
        d->setFindText(QStringLiteral("a"));
        d->setReplaceText(with);
        d->ReplaceAllClick();
        QCOMPARE(s.alerts.shown.size(), questions);
        if (questions) QCOMPARE(s.alerts.lastText(), QStringLiteral("Replace every \"a\" with nothing, deleting them all?"));
        QCOMPARE(f.editor()->toPlainText(), result);
    }

    // ---- the editor control

    void insertKeyTogglesOverwrite() {
        TEditForm f;
        f.show();
        setText(f, "abc");
        QVERIFY(!f.editor()->overwriteMode());
        QTest::keyClick(f.editor(), Qt::Key_Insert);
        QVERIFY(f.editor()->overwriteMode());
        QTest::keyClicks(f.editor(), "XY");
        QCOMPARE(f.editor()->toPlainText(), QStringLiteral("XYc"));
        QTest::keyClick(f.editor(), Qt::Key_Insert);
        QVERIFY(!f.editor()->overwriteMode());
        QTest::keyClicks(f.editor(), "Z");
        QCOMPARE(f.editor()->toPlainText(), QStringLiteral("XYZc"));
        // The block caret of overwrite mode is the control's own drawing: grab both ways.
        QTest::keyClick(f.editor(), Qt::Key_Insert);
        QVERIFY(!f.editor()->grab().isNull());
    }

    void undoAndRedoKeys() {
        TEditForm f;
        f.show();
        setText(f, "");
        QTest::keyClicks(f.editor(), "abc");
        QTest::keyClick(f.editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.editor()->toPlainText(), QString());
        QTest::keyClick(f.editor(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(f.editor()->toPlainText(), QStringLiteral("abc"));
        QTest::keyClick(f.editor(), Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(f.editor(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.editor()->toPlainText(), QStringLiteral("abc"));
    }

    void tabInsertsATab() {
        TEditForm f;
        f.show();
        setText(f, "");
        QTest::keyClick(f.editor(), Qt::Key_Tab);
        QCOMPARE(f.editor()->toPlainText(), QStringLiteral("\t"));
    }

    void selectionKeepsItsColourWithoutFocus() {
        TEditForm f;
        const QPalette pal = f.editor()->palette();
        QCOMPARE(pal.color(QPalette::Inactive, QPalette::Highlight), pal.color(QPalette::Active, QPalette::Highlight));
        QCOMPARE(pal.color(QPalette::Inactive, QPalette::HighlightedText),
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    }

    // ---- printing

    void printDrawsEveryLineAndAdvances() {
        TEditForm f;
        setText(f, QStringLiteral("first\n\tsecond\nthird\n"));
        QImage page(600, 400, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        painter.setFont(QFont(QStringLiteral("Arial"), 10));
        PrintContext ctx;
        ctx.canvas = &painter;
        ctx.leftMargin = 20;
        ctx.lineHeight = 30;
        ctx.y = 50;
        f.Print(ctx);
        QCOMPARE(painter.font().family(), QStringLiteral("MS LineDraw"));
        QCOMPARE(painter.font().pointSize(), 10);
        painter.end();
        QCOMPARE(ctx.y, 50 + 3 * 30);  // three lines; the last line end adds none
        const auto inked = [&](int top) {
            for (int y = top; y < top + 30; ++y)
                for (int x = 0; x < page.width(); ++x)
                    if (page.pixel(x, y) != qRgb(255, 255, 255)) return x;
            return -1;
        };
        QCOMPARE(inked(0), -1);
        QVERIFY(inked(50) >= 20);
        QVERIFY(inked(80) > inked(50) + 20);  // the tab moves "second" right
        QVERIFY(inked(110) >= 20);
        QCOMPARE(inked(140), -1);
    }
};

QTEST_MAIN(TestEditor)
#include "test_editor.moc"
