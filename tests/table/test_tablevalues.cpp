// Values in the table window stay what they are unless the user changes them:
// the in-place editor left untouched, the column format, the full value of a
// cell, and Insert/Delete Runs deleting at the bottom or refusing.
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>
#include <memory>

#include "mainwindow/palumaro.h"
#include "shell/qtbytes.h"
#include "shell/scriptedseams.h"
#include "support/fixtures.h"
#include "support/testsupport.h"
#include "table/columnformat.h"
#include "table/insertru.h"
#include "table/newtable.h"
#include "table/table.h"
#include "table/tablefile.h"
#include "table/tablegrid.h"

namespace {

QString cell(TTableForm* t, int column, int row) { return QString::fromStdString(t->GetS(column, row)); }

}  // namespace

class TableValuesTest : public QObject, testsupport::MainWindowFixture {
    Q_OBJECT

    TTableForm* table() { return qobject_cast<TTableForm*>(form_->currentTable()); }

    TTableForm* newTable(const QStringList& vars, const QString& runs) {
        openDocWindow(new FakeDocWindow(Kind::DeckEditor, testsupport::copySample("SOLAR.DCK", work_)));
        answeringDialogs(
            [&](QDialog& d) -> int {
                auto& dlg = dynamic_cast<TNewTableDlg&>(d);
                testsupport::selectItems(dlg.SrcList, vars);
                dlg.IncludeBtnClick();
                dlg.RunsEdit->setText(runs);
                dlg.OKBtnClick();
                return dlg.result();
            },
            [&] { form_->NewTable1Click(); });
        return table();
    }

    // Insert/Delete Runs: delete count runs at the bottom or after a row (-1).
    void deleteRuns(const QString& count, int afterRow = -1) {
        answeringDialogs(
            [&](QDialog& d) -> int {
                auto& dlg = dynamic_cast<TInsertRunsDlg&>(d);
                dlg.DeleteButton->setChecked(true);
                dlg.DeleteButtonClick();
                if (afterRow < 0) {
                    dlg.Atbottom->setChecked(true);
                    dlg.AtbottomClick();
                } else {
                    dlg.AfterRowBtn->setChecked(true);
                    dlg.AfterRowClick();
                    dlg.RowEdit->setText(QString::number(afterRow));
                }
                dlg.NumRowsEdit->setText(count);
                dlg.OKBtnClick();
                return dlg.result();
            },
            [&] { form_->InsertDeleteRuns1Click(); });
    }

private slots:
    void initTestCase() { testsupport::installQuietMessageHandler(); }

    void init() { startMainWindow(); }
    void cleanup() { endMainWindow(); }

    void editorLeftUntouchedKeepsTheStoredValue() {
        TTableForm* t = newTable({"AREA", "VTANK"}, "3");
        t->data().setValue(1, 1, 25.123456L);
        t->data().setValue(1, 2, 7.0L);
        t->setColumnFormat(1, {1, 2});
        t->SaveTable(t->tableFileName());
        QVERIFY(!t->modified());
        t->show();
        TTableGrid* g = t->grid();
        const auto openEditor = [&](int row) -> QLineEdit* {
            g->setCurrentCell(1, row);
            g->edit(g->currentIndex());
            return qobject_cast<QLineEdit*>(g->indexWidget(g->currentIndex()));
        };

        // Opened and left with Enter: the value keeps its digits, nothing changed.
        QLineEdit* editor = openEditor(1);
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("25.12"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(g->currentRow(), 2);
        QCOMPARE(t->data().value(1, 1), 25.123456L);
        QVERIFY(!t->modified());

        // Typed and typed back to the text it opened with: still the stored value.
        editor = openEditor(1);
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClicks(editor, "9");
        QCOMPARE(t->data().value(1, 1), 25.129L);
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClick(editor, Qt::Key_Tab);
        QCOMPARE(t->data().value(1, 1), 25.123456L);
        QVERIFY(!t->modified());
        form_->setActiveDocWindow(t);
        form_->Save1Click();
        QCOMPARE(table::readTableFile(toBytes(t->tableFileName())).table.value(1, 1), 25.123456L);

        // A changed text is the new value.
        editor = openEditor(2);
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("7.00"));  // moving there did not move further
        editor->selectAll();
        QTest::keyClicks(editor, "7.5");
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(t->data().value(1, 2), 7.5L);
        QVERIFY(t->modified());
    }

    void columnFormatAndFullValue() {
        TTableForm* t = newTable({"AREA"}, "2");
        t->data().setValue(1, 1, 4.50004L);
        t->setModified(false);
        QAbstractItemModel* m = t->grid()->model();
        // The grid shows the column's format; the tooltip the stored value.
        QCOMPARE(m->data(m->index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("4.500"));
        QCOMPARE(m->data(m->index(0, 0), Qt::ToolTipRole).toString(), QStringLiteral("4.50004"));
        QCOMPARE(m->data(m->index(1, 0), Qt::ToolTipRole).toString(), QStringLiteral("Enter value"));

        // The dialog shows the column's format; OK untouched changes nothing.
        QStringList seen;
        seams_->dialogs.onDialog = [&](QDialog& d) -> int {
            auto& dlg = dynamic_cast<TColumnFormatDlg&>(d);
            seen << dlg.StyleBox->currentText() << QString::number(dlg.DigitsBox->isEnabled());
            dlg.OKBtnClick();
            return dlg.result();
        };
        t->ColumnFormatClick(1);
        QCOMPARE(seen, (QStringList{"Automatic", "0"}));
        QVERIFY(!t->modified());
        QCOMPARE(t->data().columns[0].format, (pal::LabelFormat{2, 4}));

        // Fixed with 5 digits: shown and stored in the table file.
        seams_->dialogs.onDialog = [&](QDialog& d) -> int {
            auto& dlg = dynamic_cast<TColumnFormatDlg&>(d);
            dlg.StyleBox->setCurrentIndex(1);
            dlg.DigitsBox->setValue(5);
            dlg.OKBtnClick();
            return dlg.result();
        };
        t->ColumnFormatClick(1);
        QCOMPARE(cell(t, 1, 1), QStringLiteral("4.50004"));
        QVERIFY(t->modified());
        t->SaveTable(t->tableFileName());
        QCOMPARE(table::readTableFile(toBytes(t->tableFileName())).table.columns[0].format, (pal::LabelFormat{1, 5}));

        // Exponent, then Cancel: nothing changes.
        seams_->dialogs.onDialog = [&](QDialog& d) -> int {
            auto& dlg = dynamic_cast<TColumnFormatDlg&>(d);
            dlg.StyleBox->setCurrentIndex(2);
            dlg.CancelBtn->click();
            return dlg.result();
        };
        t->ColumnFormatClick(1);
        QCOMPARE(t->data().columns[0].format, (pal::LabelFormat{1, 5}));
        QVERIFY(!t->modified());
    }

    void deleteAtTheBottomDeletesTheLastRuns() {
        TTableForm* t = newTable({"AREA"}, "5");
        for (int r = 1; r <= 5; ++r) t->data().setValue(1, r, r);
        t->setModified(false);
        deleteRuns("2");
        QCOMPARE(t->data().runs(), 3);
        QCOMPARE(t->grid()->model()->rowCount(), 3);
        for (int r = 1; r <= 3; ++r) QCOMPARE(t->data().value(1, r), static_cast<long double>(r));
        QVERIFY(t->modified());

        // More runs than follow the row: refused with a message, nothing changed.
        t->setModified(false);
        const int shown = seams_->alerts.shown.size();
        deleteRuns("2", 2);
        QCOMPARE(seams_->alerts.shown.size(), shown + 1);
        QVERIFY(seams_->alerts.lastText().startsWith("Only 1 runs follow run 2"));
        QCOMPARE(t->data().runs(), 3);
        QVERIFY(!t->modified());
        // Deleting none changes nothing either.
        deleteRuns("0");
        QCOMPARE(t->data().runs(), 3);
        QVERIFY(!t->modified());
    }
};

QTEST_MAIN(TableValuesTest)
#include "test_tablevalues.moc"
