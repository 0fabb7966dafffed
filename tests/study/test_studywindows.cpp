// The study commands from the Parametrics menu: Sweep... into the table or into
// consecutive tables, bad ranges refused with the table unchanged; Results...
// with failed runs shown as failed, sorting, copy, CSV export, the metrics kept
// beside the table, and the sensitivity plot as an ordinary plot window.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

#include "common/textfile.h"
#include "plot/plotf.h"
#include "shell/qtbytes.h"
#include "study/studyresultsf.h"
#include "study/sweepdlg.h"
#include "support/fixtures.h"
#include "support/testsupport.h"
#include "table/table.h"
#include "table/tablefile.h"

namespace {

template <class W>
QList<W*> windowsOf(TPALUMAROFORM& f) {
    QList<W*> out;
    for (TDocWindow* w : f.docWindows())
        if (auto* x = qobject_cast<W*>(w)) out << x;
    return out;
}

// TTANK of a run rises to peak at TIME 2.
QByteArray plotData(double peak) {
    return "TIME TTANK\r\nh C\r\n0 20\r\n1 " + QByteArray::number(peak - 5) + "\r\n2 " + QByteArray::number(peak) +
           "\r\n3 " + QByteArray::number(peak - 1) + "\r\n";
}

}  // namespace

class StudyWindowsTest : public QObject, public testsupport::MainWindowFixture {
    Q_OBJECT
    QString deck_;
    TTableForm* table_{nullptr};

    // Parametrics > Sweep... with the dialog's fields set by fill.
    void sweep(const std::function<void(TSweepDlg&)>& fill) {
        answeringDialogs(
            [&](QDialog& d) {
                auto& dlg = dynamic_cast<TSweepDlg&>(d);
                fill(dlg);
                dlg.OKBtnClick();
                return dlg.result();
            },
            [&] { form_->item("Sweep1")->trigger(); });
    }

private slots:
    void init() {
        startMainWindow();
        deck_ = work_ + QStringLiteral("/SOLAR.DCK");
        testsupport::writeFile(deck_, "CONSTANTS 2\r\nAREA = 4.5    ! [m2] area\r\nVTANK = 300\r\nEND\r\n");
        table_ = openDocWindow(new TTableForm);
        table_->setTable(table::TableData(toBytes(deck_), {"AREA", "VTANK"}, 1), work_ + QStringLiteral("/SOLAR.TBL"));
        form_->setActiveDocWindow(table_);
    }
    void cleanup() { endMainWindow(); }

    void sweepFillsTheTableAndBadRangesLeaveItAlone() {
        QVERIFY(form_->item("Sweep1") && form_->item("Results1"));
        sweep([](TSweepDlg& d) {
            QCOMPARE(d.VarGrid->item(0, TSweepDlg::Base)->text(), QStringLiteral("4.5"));
            QCOMPARE(d.VarGrid->item(1, TSweepDlg::Base)->text(), QStringLiteral("300"));
            d.setRange(0, 2, 10, 3, false);
            d.setList(1, QStringLiteral("200, 300"));
            QCOMPARE(d.RunsLabel->text(), QStringLiteral("6 runs"));
        });
        const table::TableData& t = table_->data();
        QCOMPARE(t.runs(), 6);
        QCOMPARE(double(t.value(1, 3)), 6.0);
        QCOMPARE(double(t.value(2, 3)), 200.0);
        QVERIFY(table_->isModified());
        // One at a time: VTANK at its deck value while AREA varies.
        sweep([](TSweepDlg& d) {
            d.setList(0, QStringLiteral("1 2"));
            d.OneAtATime->setChecked(true);
            d.Append->setChecked(true);
        });
        QCOMPARE(t.runs(), 8);
        QCOMPARE(double(t.value(2, 8)), 300.0);
        // Reversed, through zero, not a number: told, the dialog stays, the table too.
        for (const auto& [from, to, log, what] :
             {std::tuple{10.0, 2.0, false, "reversed"}, std::tuple{-1.0, 5.0, true, "zero"}}) {
            alerts().shown.clear();
            sweep([&](TSweepDlg& d) { d.setRange(0, from, to, 4, log); });
            QVERIFY2(alerts().lastText().contains(QLatin1String(what)), qPrintable(alerts().lastText()));
            QCOMPARE(t.runs(), 8);
        }
        sweep([](TSweepDlg& d) { d.setList(1, QStringLiteral("200, lots")); });
        QVERIFY(alerts().lastText().contains(QStringLiteral("\"lots\" is not a number")));
        QCOMPARE(t.runs(), 8);
    }

    void aSweepBeyond99RunsGoesIntoConsecutiveTables() {
        alerts().answers = {AlertButton::Yes};
        sweep([](TSweepDlg& d) {
            d.setRange(0, 1, 150, 150, false);
            QCOMPARE(d.RunsLabel->text(), QStringLiteral("150 runs: 2 tables"));
        });
        QVERIFY(alerts().shown.front().text.contains(QStringLiteral("150 runs")));
        QCOMPARE(table_->data().runs(), 1);  // unchanged
        const auto one = table::readTableFile(toBytes(work_ + QStringLiteral("/SOLAR_1.TBL")));
        const auto two = table::readTableFile(toBytes(work_ + QStringLiteral("/SOLAR_2.TBL")));
        QCOMPARE(one.table.runs(), 99);
        QCOMPARE(two.table.runs(), 51);
        QCOMPARE(double(two.table.value(1, 51)), 150.0);
        QCOMPARE(double(two.table.value(2, 51)), 300.0);  // the deck's value
        QCOMPARE(one.table.deckPath, toBytes(deck_));
    }

    void resultsShowFailedRunsSortCopyExportAndPlot() {
        table::TableData t(toBytes(deck_), {"AREA", "VTANK"}, 4);
        const double values[4][2] = {{2, 200}, {4, 200}, {2, 300}, {4, 300}};
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 2; ++c) t.setValue(c + 1, r + 1, values[r][c]);
        table_->setTable(t, work_ + QStringLiteral("/SOLAR.TBL"));
        testsupport::writeFile(work_ + QStringLiteral("/SOLAR.PLT"), plotData(50));
        testsupport::writeFile(work_ + QStringLiteral("/SOLAR1.PLT"), plotData(60));
        testsupport::writeFile(work_ + QStringLiteral("/SOLAR2.PLT"), "TIME TTANK\r\nh C\r\n0 20\r\n1");  // cut short
        testsupport::writeFile(work_ + QStringLiteral("/SOLAR3.PLT"), plotData(55));
        // A wrong column is told and nothing is stored.
        form_->item("Results1")->trigger();
        auto results = windowsOf<TStudyResultsForm>(*form_);
        QCOMPARE(results.size(), 1);
        TStudyResultsForm* w = results.front();
        QVERIFY(!w->collect(QStringLiteral("TTANKK:max")));
        QVERIFY(alerts().lastText().contains(QStringLiteral("no column TTANKK")));
        QVERIFY(!QFile::exists(work_ + QStringLiteral("/SOLAR.MET")));
        QVERIFY(w->collect(QStringLiteral("TTANK:max, TTANK:xatmax")));
        QTableWidget* g = w->Grid;
        QCOMPARE(g->rowCount(), 4);
        QCOMPARE(g->item(2, 3)->text(), QStringLiteral("failed"));
        QVERIFY(g->item(2, 5)->text().startsWith(QStringLiteral("failed: ")));
        QCOMPARE(g->item(1, 3)->text(), QStringLiteral("60"));
        // Sorted by the maximum: the failed run after every number.
        g->sortItems(3, Qt::AscendingOrder);
        QCOMPARE(w->shownOrder(), (std::vector<std::size_t>{0, 3, 1, 2}));
        w->copy();
        const QStringList lines = QApplication::clipboard()->text().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], QStringLiteral("run\tAREA\tVTANK\tTTANK:max\tTTANK:xatmax\tstatus"));
        QCOMPARE(lines[1], QStringLiteral("1\t2\t200\t50\t2\tok"));
        QVERIFY(lines[4].startsWith(QStringLiteral("3\t2\t300\t\t\tfailed: ")));
        QVERIFY(w->exportCsv(work_ + QStringLiteral("/out.csv")));
        QCOMPARE(QString::fromStdString(pal::readFileBytes(toBytes(work_ + QStringLiteral("/out.csv")))),
                 QString::fromStdString(study::resultsCsv(w->results(), w->shownOrder())));
        // The sensitivity plot: TTANK:max against AREA, one curve per VTANK.
        w->PlotMetric->setCurrentIndex(0);
        w->PlotX->setCurrentIndex(0);
        w->PlotBy->setCurrentIndex(2);
        w->PlotBtnClick();
        const auto plots = windowsOf<TPlotForm>(*form_);
        QCOMPARE(plots.size(), 1);
        QCOMPARE(plots.front()->document().record.curveCount(), 2);  // VTANK 300 has one point left
        QCOMPARE(plots.front()->document().record.curves[1].pointCount, 2);  // the last point twice
        // Reopened, the window shows the stored metrics at once.
        form_->setActiveDocWindow(table_);
        form_->item("Results1")->trigger();
        results = windowsOf<TStudyResultsForm>(*form_);
        QCOMPARE(results.size(), 2);
        QCOMPARE(results.back()->MetricsEdit->text(), QStringLiteral("TTANK:max,TTANK:xatmax"));
        QCOMPARE(results.back()->Grid->rowCount(), 4);
    }
};

QTEST_MAIN(StudyWindowsTest)
#include "test_studywindows.moc"
