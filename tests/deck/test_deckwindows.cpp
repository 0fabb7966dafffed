// Deck editing in the main window: the engine's messages of a real run lead to
// their lines, the editor colours and outlines a deck, and hover, completion
// and F1 use the type files.
#include <QAbstractItemView>
#include <QCompleter>
#include <QDockWidget>
#include <QMenu>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolTip>
#include <QTreeWidget>
#include <QtTest>

#include "common/settings.h"
#include "deck/deckassist.h"
#include "deck/deckcommands.h"
#include "deck/deckhighlighter.h"
#include "deck/messagesdock.h"
#include "deck/outlinedock.h"
#include "help/addhelp.h"
#include "mainwindow/desktopintegration.h"
#include "text/editoru.h"
#include "shell/fonts.h"
#include "mainwindow/palumaro.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

namespace {

const char* const kHeaterType =
    "TYPE 7 TEST HEATER\r\n"
    "PARAMETERS\r\n"
    "POWER\r\nHeating power\r\nkW kBtu/h 0 3.41214 0 50\r\n"
    "EFF\r\nEfficiency\r\nnone 0 1\r\n"
    "INPUTS\r\n"
    "TIN\r\nInlet temperature\r\nC F 17.7778 1.8 -50 200\r\n";

// The 1-based number of the deck line that begins with text.
int lineOf(const QString& deck, const QString& text) {
    const QStringList lines = QString::fromLatin1(testsupport::readFile(deck)).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].startsWith(text)) return i + 1;
    return 0;
}

void replaceInFile(const QString& path, const QByteArray& from, const QByteArray& to) {
    QByteArray bytes = testsupport::readFile(path);
    bytes.replace(from, to);
    testsupport::writeFile(path, bytes);
}

}  // namespace

class DeckWindowsTest : public QObject, testsupport::MainWindowFixture {
    Q_OBJECT

    TEditForm* openDeck(const QString& path) {
        if (!form_->openAsChosen(path)) return nullptr;
        for (TDocWindow* w : form_->docWindows())
            if (auto* e = qobject_cast<TEditForm*>(w); e && e->fileName() == path) return e;
        return nullptr;
    }
    static TDeckAssist* assistOf(TEditForm* e) {
        TDeckAssist* a = TDeckAssist::of(e);
        if (a) a->refresh();
        return a;
    }
    QTreeWidget* messageList() { return deckedit::messagesDock()->list(); }
    void writeHeaderType() {
        QDir(prog_).mkpath(QStringLiteral("INFO"));
        testsupport::writeFile(prog_ + "/INFO/TYPE7.INF", kHeaterType);
    }

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        installFontSubstitutions();
    }
    void init() {
        startMainWindow(Engine::Linked);
        launcher().runForReal = true;
    }
    void cleanup() {
        pal::messageBoard().clear();
        endMainWindow();
    }

    // ---- messages of a run lead to their lines ----

    void messagesLeadToTheirLines_data() {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("lineStart");
        QTest::addColumn<QString>("severity");
        QTest::addColumn<QString>("text");
        QTest::newRow("unknown name") << QByteArray("HEAD = HSTAT + LEVEL ") << QByteArray("HEAD = HSTAT + LEVL  ")
                                      << "HEAD =" << "Error" << "LEVL";
        QTest::newRow("defined again") << QByteArray("L0 = 1.0 ") << QByteArray("CV = 1.0 ") << "CV = 1.0"
                                       << "Warning" << "CV is defined again";
        QTest::newRow("bad count") << QByteArray("EQUATIONS 10") << QByteArray("EQUATIONS 1x") << "EQUATIONS"
                                   << "Error" << "EQUATIONS needs the number";
    }
    void messagesLeadToTheirLines() {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QString, lineStart);
        QFETCH(QString, severity);
        QFETCH(QString, text);
        const QString deck = testsupport::copySample("PUMP.DCK", work_ + "/pump");
        replaceInFile(deck, from, to);
        const int line = lineOf(deck, lineStart);
        QVERIFY(line > 0);
        TEditForm* editor = openDeck(deck);
        QVERIFY(editor);

        form_->Calculate1Click();

        QTreeWidget* list = messageList();
        const auto entries = deckedit::messagesDock()->entries();
        int row = -1;
        for (int i = 0; i < entries.size(); ++i)
            if (QString::fromStdString(entries[i].message.text).contains(text)) row = i;
        QVERIFY2(row >= 0, qPrintable(form_->statusBar()->currentMessage()));
        QCOMPARE(list->topLevelItem(row)->text(0), severity);
        QCOMPARE(list->topLevelItem(row)->text(1), QString::number(line));
        QVERIFY(form_->statusBar()->currentMessage().contains(QStringLiteral("PUMP.DCK")));
        QVERIFY(!deckedit::messagesDock()->isHidden());  // the messages bring up their panel

        // Somewhere else first, then the message's line.
        editor->editor()->moveCursor(QTextCursor::End);
        emit list->itemActivated(list->topLevelItem(row), 0);
        TDeckAssist* assist = TDeckAssist::of(editor);
        QVERIFY(assist);
        QCOMPARE(editor->editor()->textCursor().blockNumber() + 1, line);
        QCOMPARE(assist->markedLine(), line);
        QVERIFY(assist->gutter()->markedLines().contains(qMakePair(line, severity == "Error" ? deck::Severity::Error
                                                                                          : deck::Severity::Warning)));
    }

    void fixedDeckRunsWithoutMessagesAndF4Steps() {
        const QString deck = testsupport::copySample("PUMP.DCK", work_ + "/pump");
        replaceInFile(deck, "HEAD = HSTAT + LEVEL ", "HEAD = HSTAT + LEVL  ");
        replaceInFile(deck, "L0 = 1.0 ", "CV = 1.0 ");
        TEditForm* editor = openDeck(deck);
        form_->Calculate1Click();
        QCOMPARE(messageList()->topLevelItemCount(), 3);  // L0 is gone as well

        // F4 and Shift+F4 go round the messages.
        QAction* next = form_->findChild<QAction*>(QStringLiteral("NextMessage1"));
        QAction* previous = form_->findChild<QAction*>(QStringLiteral("PreviousMessage1"));
        QCOMPARE(next->shortcut(), QKeySequence(Qt::Key_F4));
        QCOMPARE(previous->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F4));
        const int cv = lineOf(deck, "CV = 1.0"), level = lineOf(deck, "LEVEL ="), head = lineOf(deck, "HEAD =");
        for (int line : {cv, level, head}) {
            next->trigger();
            QCOMPARE(editor->editor()->textCursor().blockNumber() + 1, line);
        }
        previous->trigger();
        QCOMPARE(editor->editor()->textCursor().blockNumber() + 1, level);

        // Lines inserted above: the message still finds its line, and says so.
        QTextCursor top(editor->editor()->document());
        top.insertText(QStringLiteral("* one\n* two\n"));
        next->trigger();
        QCOMPARE(editor->editor()->textCursor().blockNumber() + 1, head + 2);
        QVERIFY(form_->statusBar()->currentMessage().startsWith(QStringLiteral("The deck changed since the run")));

        // Fixed and run again: the panel is cleared and the status bar says 0 errors.
        QTextCursor c = editor->editor()->document()->find(QStringLiteral("LEVL"));
        c.insertText(QStringLiteral("LEVEL"));
        c = editor->editor()->document()->find(QStringLiteral("CV = 1.0"));
        c.insertText(QStringLiteral("L0 = 1.0"));
        alerts().answers = {AlertButton::Yes};  // save before the run
        form_->Calculate1Click();
        QCOMPARE(messageList()->topLevelItemCount(), 0);
        QCOMPARE(form_->statusBar()->currentMessage(), QStringLiteral("KALVEX run of PUMP.DCK: 0 errors"));
        QVERIFY(TDeckAssist::of(editor)->gutter()->markedLines().isEmpty());
    }

    // ---- highlighting ----

    void highlightsEachKindOfLine_data() {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("token");
        QTest::newRow("keyword") << 2 << 1 << int(deck::Token::Keyword);
        QTest::newRow("comment") << 1 << 3 << int(deck::Token::Comment);
        QTest::newRow("descriptor") << 4 << 2 << int(deck::Token::Descriptor);
        QTest::newRow("constant name") << 3 << 0 << int(deck::Token::ConstantName);
        QTest::newRow("number") << 3 << 7 << int(deck::Token::Number);
        QTest::newRow("equation name") << 6 << 1 << int(deck::Token::EquationName);
        QTest::newRow("file name") << 7 << 8 << int(deck::Token::FileName);
        QTest::newRow("remark") << 3 << 10 << int(deck::Token::Remark);
    }
    void highlightsEachKindOfLine() {
        QFETCH(int, line);
        QFETCH(int, column);
        QFETCH(int, token);
        const QString deck = work_ + "/KINDS.DCK";
        testsupport::writeFile(deck, "* kinds\r\nCONSTANTS 1\r\nAREA = 12 ! [m2]\r\n*|Area|m2|ft2|0|10.76|1|100|0\r\n"
                                     "EQUATIONS 1\r\nVOL = AREA * 2\r\nASSIGN KINDS.LST 6\r\nSIMULATION 0 1 1\r\nEND\r\n");
        TEditForm* editor = openDeck(deck);
        QVERIFY(assistOf(editor));
        const QTextBlock b = editor->editor()->document()->findBlockByNumber(line - 1);
        QTRY_VERIFY(!b.layout()->formats().isEmpty());
        QTextCharFormat found;
        for (const QTextLayout::FormatRange& r : b.layout()->formats())
            if (column >= r.start && column < r.start + r.length) found = r.format;
        QCOMPARE(found.foreground(), TDeckHighlighter::formatOf(deck::Token(token)).foreground());
        QCOMPARE(found.fontWeight(), TDeckHighlighter::formatOf(deck::Token(token)).fontWeight());
        QCOMPARE(found.fontItalic(), TDeckHighlighter::formatOf(deck::Token(token)).fontItalic());
    }

    void colourFollowsTheView() {
        const QString deck = work_ + "/LONG.DCK";
        QByteArray bytes = "CONSTANTS 3000\r\n";
        for (int i = 0; i < 3000; ++i) bytes += "C" + QByteArray::number(i) + " = " + QByteArray::number(i) + "\r\n";
        testsupport::writeFile(deck, bytes + "SIMULATION 0 1 1\r\nEND\r\n");
        TEditForm* editor = openDeck(deck);
        QVERIFY(assistOf(editor));
        QTextDocument* doc = editor->editor()->document();
        QTRY_VERIFY(!doc->findBlockByNumber(1).layout()->formats().isEmpty());
        // A far line gets its reading state while the window is idle, but no
        // colours until it is shown.
        TDeckHighlighter* highlighter = TDeckAssist::of(editor)->highlighter();
        QTRY_COMPARE(TDeckHighlighter::stateAfter(doc->findBlockByNumber(2500)).pending, 3000 - 2500);
        QTRY_VERIFY(!highlighter->readingOn());
        for (int line = 2300; line < 2600; ++line) QVERIFY(doc->findBlockByNumber(line).layout()->formats().isEmpty());

        // A changed count changes the lines in view at once and the far ones soon.
        QTextCursor count(doc->firstBlock());
        count.movePosition(QTextCursor::EndOfBlock);
        count.insertText(QStringLiteral("0"));  // 30000 definitions
        QCOMPARE(TDeckHighlighter::stateAfter(doc->findBlockByNumber(5)).pending, 30000 - 5);
        QTRY_COMPARE(TDeckHighlighter::stateAfter(doc->findBlockByNumber(2500)).pending, 30000 - 2500);
        count.deletePreviousChar();
        QTRY_VERIFY(TDeckHighlighter::stateAfter(doc->lastBlock().previous()).ended);

        // Far lines changed (replaced all over) are read again too.
        for (int line : {10, 1500, 2990}) QTextCursor(doc->findBlockByNumber(line)).insertText(QStringLiteral("EQUATIONS 1\n"));
        QVERIFY(highlighter->readingOn());
        QTRY_VERIFY(!highlighter->readingOn());
        for (int line : {1500, 2990}) {
            QVERIFY(TDeckHighlighter::stateAfter(doc->findBlockByNumber(line)).equations);
            QCOMPARE(TDeckHighlighter::stateAfter(doc->findBlockByNumber(line)).pending, 1);
            QCOMPARE(TDeckHighlighter::stateAfter(doc->findBlockByNumber(line + 1)).pending, 0);
        }

        TDeckAssist::of(editor)->goToLine(2501, false);
        const int first = editor->editor()->verticalScrollBar()->value();
        QVERIFY(first > 2300);
        QTRY_VERIFY(!doc->findBlockByNumber(first).layout()->formats().isEmpty());
    }

    // ---- outline ----

    void outlineFollowsTheDeckAndLeadsToLines() {
        writeHeaderType();
        const QString deck = testsupport::copySample("COLLECT.DCK", work_);
        TEditForm* editor = openDeck(deck);
        QTreeWidget* tree = deckedit::outlineDock()->tree();
        QTRY_COMPARE(tree->topLevelItemCount(), 8);
        QCOMPARE(tree->topLevelItem(2)->text(0), QStringLiteral("UNIT 1 TYPE 1 Solar collector"));  // no type files here
        QCOMPARE(tree->topLevelItem(5)->child(1)->text(0), QStringLiteral("ETA0"));

        // Typing a unit in: the outline follows once typing stops.
        QTextCursor c(editor->editor()->document()->findBlockByNumber(lineOf(deck, "CONSTANTS") - 1));
        c.insertText(QStringLiteral("UNIT 4 TYPE 7 Heater\nPARAMETERS 2\n20 0.5\n"));
        QTRY_COMPARE(tree->topLevelItemCount(), 9);
        QCOMPARE(tree->topLevelItem(5)->text(0), QStringLiteral("UNIT 4 TYPE 7 Heater \u2014 TEST HEATER"));

        emit tree->itemClicked(tree->topLevelItem(6)->child(0), 0);
        QCOMPARE(editor->editor()->textCursor().blockNumber() + 1, lineOf(deck, "CONSTANTS") + 4);
    }

    // ---- hover, limits, completion and F1 from the type files ----

    void hoverShowsTheParameterAndUnderlinesValuesOutsideItsLimits() {
        writeHeaderType();
        const QString deck = work_ + "/HEAT.DCK";
        testsupport::writeFile(deck, "UNIT 4 TYPE 7 Heater\r\nPARAMETERS 2\r\n  20 1.5\r\nINPUTS 1\r\n0,0\r\n300\r\nEND\r\n");
        TEditForm* editor = openDeck(deck);
        TDeckAssist* assist = assistOf(editor);
        QVERIFY(assist);
        QPlainTextEdit* e = editor->editor();
        auto pointAt = [&](int line, int column) {
            QTextCursor c(e->document()->findBlockByNumber(line));
            c.setPosition(c.position() + column);
            const QRect r = e->cursorRect(c);
            return QPoint(r.left() + e->fontMetrics().horizontalAdvance(QLatin1Char('0')) / 2, r.center().y());
        };
        QVERIFY(assist->hoverText(pointAt(2, 2)).startsWith(QStringLiteral("POWER - Heating power\nUnit: kW    Limits: 0 to 50")));
        QVERIFY(assist->hoverText(pointAt(2, 5)).contains(QStringLiteral("The value 1.5 lies outside the limits 0 to 1.")));
        QVERIFY(assist->hoverText(pointAt(5, 0)).contains(QStringLiteral("Limits: -50 to 200")));
        QVERIFY(assist->hoverText(pointAt(1, 3)).isEmpty());

        // The values outside their limits are underlined, the others not.
        auto underlined = [&](int line, int column) {
            for (const auto& r : e->document()->findBlockByNumber(line).layout()->formats())
                if (column >= r.start && column < r.start + r.length &&
                    r.format.underlineStyle() == QTextCharFormat::WaveUnderline)
                    return true;
            return false;
        };
        QTRY_VERIFY(underlined(2, 5));
        QVERIFY(!underlined(2, 2));
        QVERIFY(underlined(5, 1));
    }

    void typeIsCompletedAndF1ShowsItsHelp() {
        writeHeaderType();
        const QString deck = work_ + "/NEW.DCK";
        testsupport::writeFile(deck, "\r\nEND\r\n");
        TEditForm* editor = openDeck(deck);
        TDeckAssist* assist = assistOf(editor);
        QPlainTextEdit* e = editor->editor();
        e->setFocus();
        e->moveCursor(QTextCursor::Start);
        QTest::keyClicks(e, QStringLiteral("UNIT 4 TYPE "));
        QTRY_VERIFY(assist->completer()->popup()->isVisible());
        QCOMPARE(assist->completer()->completionModel()->index(0, 0).data().toString(), QStringLiteral("7  TEST HEATER"));
        emit assist->completer()->activated(QStringLiteral("7"));
        QCOMPARE(e->textCursor().block().text(), QStringLiteral("UNIT 4 TYPE 7"));

        QString shown;
        dialogs().onDialog = [&](QDialog& d) {
            if (auto* h = qobject_cast<TAddHelpDlg*>(&d)) shown = d.windowTitle() + "\n" + h->text();
            return 0;
        };
        QTest::keyClick(e, Qt::Key_F1);
        QVERIFY2(shown.startsWith(QStringLiteral("Help for TYPE 7 TEST HEATER\nTYPE 7 TEST HEATER")), qPrintable(shown));
    }

    // ---- the panels are dock widgets whose layout is remembered ----

    void panelsAreRememberedWithTheWindow() {
        QDockWidget* outline = deckedit::outlineDock();
        // Hidden at the first start; the Windows menu shows and hides them.
        QVERIFY(outline->isHidden() && deckedit::messagesDock()->isHidden());
        QAction* toggle = form_->item(QStringLiteral("Outline1"));
        QVERIFY(toggle && form_->windowsMenu()->actions().contains(toggle));
        toggle->trigger();
        QVERIFY(!outline->isHidden() && toggle->isChecked());
        form_->item(QStringLiteral("Messages1"))->trigger();
        QVERIFY(!deckedit::messagesDock()->isHidden());
        QCOMPARE(form_->dockWidgetArea(deckedit::messagesDock()), Qt::BottomDockWidgetArea);
        form_->addDockWidget(Qt::RightDockWidgetArea, outline);
        outline->hide();
        form_->desktop()->saveGeometry();

        // The next start of the program.
        form_.reset();
        form_ = std::make_unique<TPALUMAROFORM>();
        form_->startUp();
        form_->desktop()->showMainWindow();
        QCOMPARE(form_->dockWidgetArea(deckedit::outlineDock()), Qt::RightDockWidgetArea);
        QVERIFY(deckedit::outlineDock()->isHidden());
        QVERIFY(!deckedit::messagesDock()->isHidden());
        QVERIFY(!form_->item(QStringLiteral("Outline1"))->isChecked());
    }
};

QTEST_MAIN(DeckWindowsTest)
#include "test_deckwindows.moc"
