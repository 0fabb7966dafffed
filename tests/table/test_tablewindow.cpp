// The table window and its commands in the main window: New Table from a deck,
// editing, clipboard, saving and reading, the dialogs, printing and Run Table
// with the real stand-in engine.
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <functional>
#include <memory>

#include "common/textfile.h"
#include "shell/compilin.h"
#include "run/runsettings.h"
#include "shell/fonts.h"
#include "mainwindow/palumaro.h"
#include "shell/printcontext.h"
#include "shell/scriptedseams.h"
#include "common/settings.h"
#include "support/fixtures.h"
#include "support/testsupport.h"
#include "table/alterval.h"
#include "table/insertru.h"
#include "table/newtable.h"
#include "table/table.h"
#include "table/tablecommands.h"
#include "table/tablefile.h"
#include "table/tablegrid.h"

namespace {

// Records the progress window's text at every engine start, then lets the real
// launcher run the engine.
class ProgressRecordingLauncher : public RecordingLauncher {
public:
    QStringList progress;
    LauncherService* real = nullptr;
    TPALUMAROFORM* main = nullptr;
    LaunchResult runAndWait(const QString& program, const QStringList& arguments) override {
        note(program, arguments);
        return real->runAndWait(program, arguments);
    }
    LaunchResult runStoppable(const QString& program, const QStringList& arguments, const std::function<bool()>& stop,
                              int graceMs) override {
        note(program, arguments);
        return real->runStoppable(program, arguments, stop, graceMs);
    }
    void startChild(QProcess& p) override {
        note(p.program(), p.arguments());
        real->startChild(p);
    }
    void note(const QString& program, const QStringList& arguments) {
        calls.push_back({program, arguments, true});
        if (TCompiling* c = main->compiling())
            progress << c->label1()->text() + c->lineL()->text() + (c->isVisible() ? "" : " (hidden)");
    }
};

QStringList items(const QListWidget* l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
}

}  // namespace

// Checks inside the scripted dialogs, which cannot return from the test; the
// failures are reported when the test ends.
#define CHECK(c) \
    do { \
        if (!(c)) failures_ << QStringLiteral("line %1: %2").arg(__LINE__).arg(#c); \
    } while (0)
#define CHECK_EQ(a, b) CHECK((a) == (b))

class TableWindowTest : public QObject, testsupport::MainWindowFixture {
    Q_OBJECT
    QStringList failures_;

    QString copySample(const QString& name) { return testsupport::copySample(name, work_); }

    TTableForm* table() { return qobject_cast<TTableForm*>(form_->currentTable()); }

    // New Table on a deck window with the variables chosen and runs typed.
    TTableForm* newTable(const QString& deck, const QStringList& vars, const QString& runs) {
        openDocWindow(new FakeDocWindow(Kind::DeckEditor, deck));
        answeringDialogs(
            [&](QDialog& d) -> int {
                auto& dlg = dynamic_cast<TNewTableDlg&>(d);
                for (const QString& v : vars) {  // one at a time: the columns in the order given
                    testsupport::selectItems(dlg.SrcList, {v});
                    dlg.IncludeBtnClick();
                }
                dlg.RunsEdit->setText(runs);
                dlg.OKBtnClick();
                return dlg.result();
            },
            [&] { form_->NewTable1Click(); });
        return table();
    }

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        installFontSubstitutions();
    }

    void init() {
        startMainWindow(Engine::Linked);
        // Run Table here is one run at a time (a parallel limit of 1, the
        // progress window showing the run); more at a time are tested with the
        // table runner.
        run::tableRunSettings().parallelRuns = 1;
        dialogs().dialogsShown.clear();  // the about box
    }

    void cleanup() {
        const QStringList failures = failures_;
        failures_.clear();
        endMainWindow();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
    }

    // ---- New Table ----

    void newTableFromADeck() {
        const QString deck = copySample("SOLAR.DCK");
        TTableForm* t = newTable(deck, {"VTANK", "AREA"}, "3");
        QVERIFY(t);
        QCOMPARE(dialogs().dialogsShown, QStringList{"NewTableDlg"});
        QCOMPARE(t->Tag(), Kind::Table);
        QCOMPARE(t->tableFileName(), work_ + "/SOLAR.TBL");
        QCOMPARE(t->windowTitle(), work_ + "/SOLAR.TBL");
        QCOMPARE(t->data().runs(), 3);
        // The columns in the order the variables were included.
        QCOMPARE(QString::fromStdString(t->GetS(1, 0)).trimmed(), QStringLiteral("VTANK"));
        QCOMPARE(QString::fromStdString(t->GetS(2, 3)), QStringLiteral("Enter value"));
        QCOMPARE(form_->item("Table1")->text(), "Table " + work_ + "/SOLAR.TBL");
        QVERIFY(form_->item("Table1")->isEnabled());
        QVERIFY(form_->docWindows().contains(t));
        QVERIFY(t->modified());
        QVERIFY(form_->item("RunTable1")->isEnabled() || form_->activeDocWindow() != t);

        // A second New Table asks to save the first one; Cancel keeps it.
        alerts().answers = {AlertButton::Cancel};
        QPointer<TTableForm> first = t;
        newTable(deck, {"AREA"}, "2");
        QCOMPARE(alerts().lastText(), work_ + "/SOLAR.TBL has been changed.  Save it?");
        QCOMPARE(alerts().shown.back().kind, AlertKind::SaveQuestion);
        QVERIFY(first);
        QCOMPARE(table(), first.data());
        alerts().answers = {AlertButton::No};
        TTableForm* second = newTable(deck, {"AREA"}, "2");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QCOMPARE(second->data().variables(), 1);
        QCOMPARE(second->data().runs(), 2);
    }

    void newTableRefusesBadRunCountsAndDecksWithoutConstants() {
        const QString plain = work_ + "/PLAIN.DCK";
        testsupport::writeFile(plain, "EQUATIONS 1\r\nY=1\r\nEND\r\n");
        auto* w = new FakeDocWindow(Kind::DeckEditor, plain);
        form_->addDocWindow(w);
        form_->setActiveDocWindow(w);
        form_->NewTable1Click();
        QCOMPARE(alerts().lastText(), "File " + plain + " does not have any KALVEX Comment statements.");
        QCOMPARE(alerts().shown.back().kind, AlertKind::WarningOk);  // the warning icon with OK only
        QVERIFY(!alerts().shown.back().beep);
        QVERIFY(dialogs().dialogsShown.isEmpty());

        const QString deck = copySample("SOLAR.DCK");
        bool refused = false;
        auto* d = new FakeDocWindow(Kind::DeckEditor, deck);
        form_->addDocWindow(d);
        form_->setActiveDocWindow(d);
        dialogs().onDialog = [&](QDialog& dd) -> int {
            auto& dlg = dynamic_cast<TNewTableDlg&>(dd);
            CHECK(!dlg.OKBtn->isEnabled());
            dlg.IncAllBtnClick();
            CHECK(!dlg.IncludeBtn->isEnabled());
            CHECK(dlg.OKBtn->isEnabled());
            CHECK_EQ(dlg.DstList->count(), 10);
            const int beeps = alerts().beeps;
            for (const char* bad : {"ten", "100", "-1"}) {
                dlg.RunsEdit->setText(bad);
                dlg.OKBtnClick();
                refused = dlg.result() != QDialog::Accepted && alerts().beeps > beeps;
                if (!refused) return QDialog::Rejected;
            }
            CHECK_EQ(dlg.RunsEdit->selectedText(), QStringLiteral("-1"));
            return QDialog::Rejected;
        };
        form_->NewTable1Click();
        QVERIFY(refused);
        QVERIFY(!table());
    }

    // ---- editing, clipboard, drawing ----

    void editCopyPasteAndClear() {
        TTableForm* t = newTable(copySample("SOLAR.DCK"), {"AREA", "VTANK"}, "2");
        t->GridSetEditText(1, 1, "2.5E");
        QCOMPARE(QString::fromStdString(t->GetS(1, 1)), QStringLiteral("Enter value"));
        t->GridSetEditText(1, 1, "25");
        QCOMPARE(QString::fromStdString(t->GetS(1, 1)), QStringLiteral("25.00"));
        t->GridSetEditText(2, 1, "");
        QCOMPARE(QString::fromStdString(t->GetS(2, 1)), QStringLiteral(" "));

        t->setSelection({1, 1, 2, 2});
        QCOMPARE(t->selection().right, 2);
        t->CopytoClip();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("25.00\t \r\nEnter value\tEnter value"));

        // Cut through the main window's Edit menu: copy, then clear.
        form_->setActiveDocWindow(t);
        form_->Cut1Click();
        QCOMPARE(QString::fromStdString(t->GetS(1, 1)), QStringLiteral("Enter value"));

        QGuiApplication::clipboard()->setText("1\t2\r\n3\tx\r\n");
        t->grid()->setCurrentCell(1, 1);
        t->Paste();
        QCOMPARE(alerts().lastText(), QStringLiteral("Bad number in row 2 column 2"));
        QVERIFY(alerts().shown.back().beep);
        QCOMPARE(QString::fromStdString(t->GetS(1, 2)), QStringLiteral("3.000"));

        // Cells are painted by GridDrawCell: the column number in green.
        QImage img(90, 30, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        t->GridDrawCell(p, 1, 0, QRect(0, 0, 90, 30));
        p.end();
        bool green = false;
        for (int y = 0; y < 14 && !green; ++y)
            for (int x = 0; x < 14 && !green; ++x) {
                const QColor c = img.pixelColor(x, y);
                green = c.green() < 200 && c.green() > c.red() + 40 && c.green() > c.blue() + 40;
            }
        QVERIFY(green);
    }

    void typingInTheGridEditsAndEnterMovesDown() {
        TTableForm* t = newTable(copySample("SOLAR.DCK"), {"AREA"}, "3");
        t->setModified(false);
        TTableGrid* g = t->grid();
        g->setFocus();
        g->setCurrentCell(1, 1);
        QTest::keyClicks(g, "7");
        auto* editor = g->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QTest::keyClicks(editor, "5");
        // Every change of the editor's text reaches the table at once.
        QCOMPARE(t->data().value(1, 1), 75.0L);
        QVERIFY(t->modified());
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(g->currentRow(), 2);
        QTest::keyClick(g, Qt::Key_Return);
        QCOMPARE(g->currentRow(), 3);
        QTest::keyClick(g, Qt::Key_Return);  // the last run stays current
        QCOMPARE(g->currentRow(), 3);

        // The run numbers are not selectable: a press there beeps.
        const int beeps = alerts().beeps;
        QTest::mousePress(g->verticalHeader()->viewport(), Qt::LeftButton, {}, QPoint(10, 5));
        QCOMPARE(alerts().beeps, beeps + 1);
    }

    // ---- saving and reading ----

    void saveReadAndCloseQuestions() {
        const QString deck = copySample("SOLAR.DCK");
        TTableForm* t = newTable(deck, {"AREA", "VTANK"}, "2");
        t->GridSetEditText(1, 1, "4.5");
        t->GridSetEditText(2, 2, "300");
        t->data().columns[1].format = {1, 1};
        form_->setActiveDocWindow(t);
        form_->Save1Click();
        QVERIFY(!t->modified());
        const QString tbl = work_ + "/SOLAR.TBL";
        QVERIFY(QFile::exists(tbl));

        // Save as writes exactly the chosen file.
        dialogs().fileAnswers.push_back(FileDialogResult{work_ + "/OTHER.TBL", 9});
        form_->Saveas1Click();
        QVERIFY(QFile::exists(work_ + "/OTHER.TBL"));
        QCOMPARE(testsupport::readFile(work_ + "/OTHER.TBL"), testsupport::readFile(tbl));
        QCOMPARE(QDir(work_).entryList({"*.TBL"}).size(), 2);

        // Opening the table through file dispatch: same values, nothing to save.
        form_->GetTBLFile(deck, true);
        TTableForm* r = table();
        QVERIFY(r && r != t);
        QCOMPARE(r->tableFileName(), tbl);
        QCOMPARE(QString::fromStdString(r->GetS(1, 1)), QStringLiteral("4.500"));
        QCOMPARE(QString::fromStdString(r->GetS(2, 2)), QStringLiteral("300.0"));
        QCOMPARE(r->data().deckPath, deck.toStdString());
        QVERIFY(!r->modified());
        const int shown = alerts().shown.size();
        QVERIFY(r->FormCloseQuery());
        QCOMPARE(alerts().shown.size(), shown);

        // A change asks; Yes saves it.
        r->GridSetEditText(1, 2, "7");
        alerts().answers = {AlertButton::Yes};
        QVERIFY(r->FormCloseQuery());
        QCOMPARE(table::readTableFile(tbl.toStdString()).table.value(1, 2), 7.0L);

        // A save that fails keeps the window and its changes.
        r->GridSetEditText(1, 2, "8");
        r->SaveTable(work_ + "/SOLAR.TBL");
        r->GridSetEditText(1, 2, "9");
        QVERIFY(QDir(work_).rename("SOLAR.TBL", "KEPT.TBL"));
        QVERIFY(QDir(work_).mkdir("SOLAR.TBL"));  // a directory where the file goes
        alerts().answers = {AlertButton::Yes};
        QVERIFY(!r->FormCloseQuery());
        QVERIFY(alerts().lastText().contains("SOLAR.TBL"));
        QVERIFY(r->modified());
        QCOMPARE(r->data().value(1, 2), 9.0L);
    }

    void readingFindsAMovedDeckOrSaysItIsMissing() {
        const QString deck = copySample("SOLAR.DCK");
        table::TableData data("C:\\OLD\\PLACE\\SOLAR.DCK", {"AREA"}, 1);
        table::writeTableFile((work_ + "/SOLAR.TBL").toStdString(), data, {});
        form_->GetTBLFile(deck, true);
        QVERIFY(table());
        QCOMPARE(table()->data().deckPath, deck.toStdString());
        QVERIFY(alerts().shown.isEmpty());

        QFile::remove(deck);
        form_->GetTBLFile(deck, true);
        QCOMPARE(alerts().lastText(), "File " + work_ + "/SOLAR.DCK which is used by this table was not found.");
        QCOMPARE(alerts().shown.back().kind, AlertKind::Information);
        QVERIFY(table());  // reading goes on

        // A damaged file opens no window and says why.
        QFile f(work_ + "/SOLAR.TBL");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(300, '\x7f'));
        f.close();
        form_->GetTBLFile(deck, true);
        QVERIFY(!table());
        QVERIFY(alerts().lastText().contains("damaged"));
    }

    void tableInADottedDirectoryReadsItsOwnDeckAndRunsBesideIt() {
        // The table names its deck relative to itself; the working directory holds
        // another deck of that name, which must not be used.
        const QString dir = work_ + "/v1.2";
        QDir().mkpath(dir);
        const QString deck = testsupport::copySample("SOLAR.DCK", dir);
        testsupport::writeFile(work_ + "/SOLAR.DCK", "CONSTANTS 1\r\nAREA = 1\r\nSIMULATION 0 1 1\r\nEND\r\n");
        table::TableData data("SOLAR.DCK", {"AREA"}, 3);
        for (int r = 1; r <= 3; ++r) data.setValue(1, r, 2.0L * r);
        table::writeTableFile((dir + "/STUDY.TBL").toStdString(), data, {});
        form_->GetTBLFile(dir + "/STUDY.DCK", true);
        QVERIFY(table());
        QCOMPARE(table()->data().deckPath, deck.toStdString());
        QVERIFY2(alerts().shown.isEmpty(), qPrintable(alerts().lastText()));

        // Three runs write three sets of results beside the deck, none in the parent.
        ProgressRecordingLauncher launcher;
        launcher.real = realLauncher();
        launcher.main = form_.get();
        seams().launcher = &launcher;
        form_->setActiveDocWindow(table());
        form_->RunTable1Click();
        QTRY_VERIFY_WITH_TIMEOUT(!table::tableRunActive(), 60000);
        QVERIFY2(alerts().shown.isEmpty(), qPrintable(alerts().lastText()));
        QCOMPARE(launcher.calls.size(), 3);
        for (const char* f : {"SOLAR.PLT", "SOLAR1.PLT", "SOLAR2.PLT", "SOLAR.LST", "SOLAR1.LST", "SOLAR2.LST"})
            QVERIFY2(QFile::exists(dir + "/" + f), f);
        QCOMPARE(QDir(work_).entryList(QDir::Files), QStringList{"SOLAR.DCK"});
        QVERIFY(QDir(dir).entryList({"*.TMP"}).isEmpty());
        QVERIFY(testsupport::readFile(dir + "/SOLAR.PLT") != testsupport::readFile(dir + "/SOLAR2.PLT"));
    }

    // ---- dialogs ----

    void alterValuesFillsSeriesAndRefusesBadInput() {
        TTableForm* t = newTable(copySample("SOLAR.DCK"), {"AREA", "VTANK"}, "5");
        form_->setActiveDocWindow(t);
        int step = 0;
        dialogs().onDialog = [&](QDialog& d) -> int {
            auto& dlg = dynamic_cast<TAlterValuesDlg&>(d);
            CHECK_EQ(dlg.FirstRunEdit->text(), step == 0 ? QStringLiteral("1") : QStringLiteral("2"));
            CHECK_EQ(dlg.LastRunEdit->text(), step == 0 ? QStringLiteral("5") : QStringLiteral("4"));
            CHECK_EQ(items(dlg.VarList).size(), 2);
            if (step++ == 0) {
                dlg.FirstRunEdit->setText("2");
                dlg.LastRunEdit->setText("4");
                dlg.FirstValueEdit->setText("10");
                dlg.SecondEdit->setText("5");
                dlg.OKBtnClick();
            } else {
                // Last-value mode on the second variable; a last run past the end is cut.
                dlg.VarList->setCurrentRow(1);
                dlg.FirstRunEdit->setText("1");
                dlg.LastRunEdit->setText("50");
                dlg.LastValue1Click();
                dlg.FirstValueEdit->setText("1");
                dlg.SecondEdit->setText("1E");
                dlg.setResult(QDialog::Rejected);  // as exec() would start it
                const int beeps = alerts().beeps;
                dlg.OKBtnClick();
                CHECK(dlg.result() != QDialog::Accepted);
                CHECK_EQ(alerts().beeps, beeps + 1);
                CHECK_EQ(dlg.SecondEdit->selectedText(), QStringLiteral("1E"));
                dlg.SecondEdit->setText("9");
                dlg.OKBtnClick();
            }
            return dlg.result();
        };
        form_->AlterTable1Click();
        QCOMPARE(QString::fromStdString(t->GetS(1, 1)), QStringLiteral("Enter value"));
        QCOMPARE(t->data().value(1, 2), 10.0L);
        QCOMPARE(t->data().value(1, 4), 20.0L);
        form_->AlterTable1Click();
        for (int r = 1; r <= 5; ++r) QCOMPARE(t->data().value(2, r), static_cast<long double>(2 * r - 1));
        QCOMPARE(table::rememberedRunRange().last, 5);
    }

    void insertAndDeleteRuns() {
        TTableForm* t = newTable(copySample("SOLAR.DCK"), {"AREA"}, "5");
        for (int r = 1; r <= 5; ++r) t->GridSetEditText(1, r, QString::number(r));
        dialogs().onDialog = [&](QDialog& d) -> int {
            auto& dlg = dynamic_cast<TInsertRunsDlg&>(d);
            CHECK_EQ(dlg.NumRowsEdit->text(), QStringLiteral("10"));
            CHECK_EQ(dlg.RowEdit->text(), QStringLiteral("2"));
            dlg.AfterRowBtn->setChecked(true);
            dlg.AfterRowClick();
            dlg.NumRowsEdit->setText("3");
            dlg.OKBtnClick();
            return dlg.result();
        };
        form_->InsertDeleteRuns1Click();
        QCOMPARE(t->data().runs(), 8);
        QCOMPARE(t->grid()->model()->rowCount(), 8);
        QCOMPARE(QString::fromStdString(t->GetS(1, 4)), QStringLiteral("Enter value"));
        QCOMPARE(t->data().value(1, 6), 3.0L);

        // The choice of "After row" persists; a position past the end is refused.
        dialogs().onDialog = [&](QDialog& d) -> int {
            auto& dlg = dynamic_cast<TInsertRunsDlg&>(d);
            if (!dlg.AfterRowBtn->isChecked() || !dlg.RowEdit->isEnabled()) return QDialog::Rejected;
            dlg.RowEdit->setText("9");
            dlg.OKBtnClick();
            return dlg.result();
        };
        form_->InsertDeleteRuns1Click();
        QCOMPARE(t->data().runs(), 8);

        // Deleting every run closes the table, after its save question.
        QPointer<TTableForm> gone = t;
        alerts().answers = {AlertButton::No};
        dialogs().onDialog = [&](QDialog& d) -> int {
            auto& dlg = dynamic_cast<TInsertRunsDlg&>(d);
            dlg.DeleteButton->setChecked(true);
            dlg.DeleteButtonClick();
            dlg.NumRowsEdit->setText("8");
            dlg.OKBtnClick();
            return dlg.result();
        };
        form_->InsertDeleteRuns1Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!gone);
        QVERIFY(alerts().lastText().endsWith("has been changed.  Save it?"));
    }

    void includeMovesTheSelectionLastToFirst() {
        auto* w = new FakeDocWindow(Kind::DeckEditor, copySample("SOLAR.DCK"));
        form_->addDocWindow(w);
        form_->setActiveDocWindow(w);
        QStringList dst, back;
        dialogs().onDialog = [&](QDialog& d) -> int {
            auto& dlg = dynamic_cast<TNewTableDlg&>(d);
            testsupport::selectItems(dlg.SrcList, {"AREA", "TAMB", "VTANK"});
            dlg.IncludeBtnClick();
            for (int i = 0; i < dlg.DstList->count(); ++i) dst << dlg.DstList->item(i)->text().trimmed();
            testsupport::selectItems(dlg.DstList, {"AREA", "VTANK"});
            dlg.ExcludeBtnClick();
            for (int i = 0; i < dlg.DstList->count(); ++i) back << dlg.DstList->item(i)->text().trimmed();
            return QDialog::Rejected;
        };
        form_->NewTable1Click();
        dialogs().onDialog = nullptr;
        QCOMPARE(dst, (QStringList{"VTANK", "TAMB", "AREA"}));
        QCOMPARE(back, (QStringList{"TAMB"}));
    }

    void insertDeleteVarsKeepsValues() {
        TTableForm* t = newTable(copySample("SOLAR.DCK"), {"AREA", "VTANK"}, "2");
        t->GridSetEditText(1, 1, "4");
        t->GridSetEditText(2, 1, "300");
        dialogs().onDialog = [&](QDialog& d) -> int {
            auto& dlg = dynamic_cast<TNewTableDlg&>(d);
            // The table's variables on the right, the other constants on the left.
            CHECK_EQ(dlg.DstList->count(), 2);
            CHECK_EQ(dlg.SrcList->count(), 8);
            testsupport::selectItems(dlg.DstList, {"AREA"});
            dlg.ExcludeBtnClick();
            testsupport::selectItems(dlg.SrcList, {"TAMB"});
            dlg.IncludeBtnClick();
            dlg.OKBtnClick();
            return dlg.result();
        };
        form_->InsertDeleteVars1Click();
        QCOMPARE(t->data().variables(), 2);
        QCOMPARE(QString::fromStdString(t->GetS(1, 0)).trimmed(), QStringLiteral("VTANK"));
        QCOMPARE(t->data().value(1, 1), 300.0L);
        QCOMPARE(QString::fromStdString(t->GetS(2, 0)).trimmed(), QStringLiteral("TAMB"));
        QCOMPARE(QString::fromStdString(t->GetS(2, 1)), QStringLiteral("Enter value"));
    }

    // ---- printing ----

    void printWritesNamesAndEveryRun() {
        TTableForm* t = newTable(copySample("SOLAR.DCK"), {"AREA", "VTANK"}, "3");
        for (int r = 1; r <= 3; ++r) t->GridSetEditText(1, r, QString::number(r * 1000));
        QImage page(800, 1100, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter p(&page);
        PrintContext ctx;
        ctx.canvas = &p;
        ctx.pageWidth = 800;
        ctx.pageHeight = 1100;
        ctx.leftMargin = 40;
        ctx.lineHeight = 20;
        ctx.y = 40;
        t->Print(ctx);
        p.end();
        QCOMPARE(ctx.y, 40 + 4 * 20);  // the names and three runs
        int dark = 0;
        for (int y = 60; y < 140; ++y)
            for (int x = 40; x < 400; ++x) dark += page.pixelColor(x, y).lightness() < 128;
        QVERIFY(dark > 50);
    }

    // ---- Run Table ----

    void runTableRunsEveryRunWithTheEngine() {
        const QString deck = copySample("SOLAR.DCK");
        TTableForm* t = newTable(deck, {"AREA"}, "3");
        t->GridSetEditText(1, 1, "2");
        t->GridSetEditText(1, 2, "4.5");
        t->GridSetEditText(1, 3, "9");
        ProgressRecordingLauncher launcher;
        launcher.real = realLauncher();
        launcher.main = form_.get();
        seams().launcher = &launcher;
        form_->setActiveDocWindow(t);
        form_->RunTable1Click();
        QTRY_VERIFY_WITH_TIMEOUT(!table::tableRunActive(), 60000);

        QVERIFY2(alerts().shown.isEmpty(), qPrintable(alerts().lastText()));
        QCOMPARE(launcher.calls.size(), 3);
        QCOMPARE(launcher.calls[0].program, prog_ + "/KALVEX32.exe");
        QCOMPARE(launcher.calls[0].arguments, (QStringList{work_ + "/SOLAR.TMP", "/N"}));
        QCOMPARE(launcher.calls[2].arguments, (QStringList{work_ + "/SOLAR2.TMP", "/N"}));
        QCOMPARE(launcher.progress, (QStringList{"KALVEX Run 1", "KALVEX Run 2", "KALVEX Run 3"}));
        QVERIFY(!form_->compiling()->isVisible());
        // The engine wrote each run's results under its ASSIGN names; the run decks are gone.
        for (const char* f : {"SOLAR.PLT", "SOLAR1.PLT", "SOLAR2.PLT", "SOLAR1.LST"})
            QVERIFY2(QFile::exists(work_ + "/" + f), f);
        QVERIFY(QDir(work_).entryList({"*.TMP"}).isEmpty());
        QCOMPARE(QDir::currentPath(), work_);
        // Runs differ: a larger collector collects more heat.
        QVERIFY(testsupport::readFile(work_ + "/SOLAR.PLT") != testsupport::readFile(work_ + "/SOLAR2.PLT"));
    }

    void runTableWithoutAnEngineKeepsTheRunDecks() {
        TTableForm* t = newTable(copySample("SOLAR.DCK"), {"AREA"}, "2");
        t->GridSetEditText(1, 1, "2");
        t->GridSetEditText(1, 2, "3");
        QFile::remove(prog_ + "/KALVEX32.exe");
        form_->setActiveDocWindow(t);
        form_->RunTable1Click();  // the directory chooser is cancelled
        QCOMPARE(dialogs().directoryRequests, 1);
        QVERIFY(seams_->launcher.calls.isEmpty());
        QCOMPARE(QDir(work_).entryList({"*.TMP"}), (QStringList{"SOLAR.TMP", "SOLAR1.TMP"}));
        QCOMPARE(QDir::currentPath(), work_);
    }

    void runTableWithAnUndefinedValueStartsNothing() {
        TTableForm* t = newTable(copySample("SOLAR.DCK"), {"AREA", "VTANK"}, "2");
        t->GridSetEditText(1, 1, "2");
        t->GridSetEditText(2, 1, "300");
        t->GridSetEditText(1, 2, "3");
        form_->setActiveDocWindow(t);
        form_->RunTable1Click();
        QCOMPARE(alerts().lastText(), QStringLiteral("Parameter in the col #2, run #2 isn't defined"));
        QCOMPARE(alerts().shown.back().kind, AlertKind::Error);
        QVERIFY(seams_->launcher.calls.isEmpty());

        // A table without runs starts nothing and deletes nothing.
        TTableForm* empty = newTable(work_ + "/SOLAR.DCK", {"AREA"}, "0");
        QCOMPARE(empty->data().runs(), 0);
        testsupport::writeFile(work_ + "/KEEP.TMP", "x");
        form_->RunTable1Click();
        QVERIFY(seams_->launcher.calls.isEmpty());
        QVERIFY(QFile::exists(work_ + "/KEEP.TMP"));
    }
};

QTEST_MAIN(TableWindowTest)
#include "test_tablewindow.moc"
