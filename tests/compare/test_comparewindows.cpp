// The compare windows from the main window's menus: Keep as Reference, Compare
// with Reference and File > Compare..., the result list (sorted, copied, band
// plot on a double click) and the side-by-side text window with F7.
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QtTest>

#include "compare/comparedlg.h"
#include "compare/comparef.h"
#include "compare/textcomparef.h"
#include "plot/plotf.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

namespace {

QByteArray plotData(double spikeAt) {
    QByteArray t = "TIME LEVEL FLOW\r\nh m m3/h\r\n";
    for (int r = 0; r < 20; ++r)
        t += QByteArray::number(r) + ' ' + QByteArray::number(1.0 + r + (r == spikeAt ? 3 : 0)) + ' ' +
             QByteArray::number(2.0 * r) + "\r\n";
    return t;
}

template <class W>
QList<W*> windowsOf(TPALUMAROFORM& f) {
    QList<W*> out;
    for (TDocWindow* w : f.docWindows())
        if (auto* x = qobject_cast<W*>(w)) out << x;
    return out;
}

}  // namespace

class CompareWindowsTest : public QObject, public testsupport::MainWindowFixture {
    Q_OBJECT
    QString deck_;

private slots:
    void init() {
        startMainWindow();
        deck_ = work_ + QStringLiteral("/PUMP.DCK");
        testsupport::writeFile(deck_, "CONSTANTS 1\r\nQMAX = 45.0\r\nEND\r\n");
        testsupport::writeFile(work_ + QStringLiteral("/PUMP.PLT"), plotData(-1));
        testsupport::writeFile(work_ + QStringLiteral("/PUMP.LST"), "QMAX = 45.0\r\nend\r\n");
        form_->currentInputFileName = deck_;
        form_->plotDataFileName = work_ + QStringLiteral("/PUMP.PLT");
        form_->UpdateMenu();
    }
    void cleanup() { endMainWindow(); }

    void keepThenCompareWithReferenceListsWhatChanged() {
        QVERIFY(!form_->item("ComparewithReference1")->isEnabled());  // no reference yet
        form_->item("KeepasReference1")->trigger();
        QVERIFY(QFile::exists(work_ + QStringLiteral("/PUMP.ref/PUMP.PLT")));
        QVERIFY(alerts().shown.back().text.contains(QStringLiteral("PUMP.LST, PUMP.PLT")));
        QVERIFY(form_->item("ComparewithReference1")->isEnabled());
        // A new run: LEVEL has a spike at TIME 7, the listing changed QMAX.
        testsupport::writeFile(work_ + QStringLiteral("/PUMP.PLT"), plotData(7));
        testsupport::writeFile(work_ + QStringLiteral("/PUMP.LST"), "QMAX = 45.45\r\nend\r\n");
        form_->item("ComparewithReference1")->trigger();
        const auto windows = windowsOf<TCompareForm>(*form_);
        QCOMPARE(windows.size(), 1);
        TCompareForm* w = windows.front();
        QCOMPARE(w->fileTable()->rowCount(), 2);
        QCOMPARE(w->fileTable()->item(0, 0)->text(), QStringLiteral("PUMP.LST"));
        QCOMPARE(w->fileTable()->item(0, 1)->text(), QStringLiteral("differs"));
        // The variables sorted with what differs first; copied as tab-separated text.
        QCOMPARE(w->variableTable()->item(0, 0)->text(), QStringLiteral("LEVEL"));
        const QStringList lines = w->tableText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith(QStringLiteral("Variable\tStatus\tLargest difference\tat TIME\t")));
        QVERIFY2(lines[1].startsWith(QStringLiteral("LEVEL\tdiffers\t3.0000E+00\t7.0000E+00\t")), qPrintable(lines[1]));
        QVERIFY(lines[2].startsWith(QStringLiteral("FLOW\tidentical\t0\t")));
        // A double click: an ordinary plot window with ref, new, band and difference.
        w->openVariable(0);
        const auto plots = windowsOf<TPlotForm>(*form_);
        QCOMPARE(plots.size(), 1);
        QCOMPARE(plots.front()->document().record.curveCount(), 5);
        QCOMPARE(QString::fromStdString(plots.front()->document().record.curves[4].yName), QStringLiteral("new - ref"));
        // And the listing side by side.
        w->openFile(0);
        const auto texts = windowsOf<TTextCompareForm>(*form_);
        QCOMPARE(texts.size(), 1);
        QCOMPARE(texts.front()->comparison().differenceCount(), 1u);
    }

    void fileCompareProposesTheReferenceAndRemembersTheTolerance() {
        form_->item("KeepasReference1")->trigger();
        QStringList proposed;
        answeringDialogs(
            [&](QDialog& d) {
                auto& dlg = static_cast<TCompareDlg&>(d);
                proposed << dlg.ReferenceEdit->text() << dlg.NewEdit->text();
                dlg.RelEdit->setText(QStringLiteral("-1"));
                dlg.OKBtnClick();  // refused with a beep
                dlg.RelEdit->setText(QStringLiteral("0.5"));
                dlg.OKBtnClick();
                return dlg.result();
            },
            [&] { form_->item("Compare1")->trigger(); });
        QCOMPARE(proposed, (QStringList{work_ + QStringLiteral("/PUMP.ref/PUMP.PLT"), work_ + QStringLiteral("/PUMP.PLT")}));
        QCOMPARE(alerts().beeps, 1);
        QCOMPARE(rememberedCompareSettings().tolerance.rel, 0.5);
        QCOMPARE(windowsOf<TCompareForm>(*form_).size(), 1);
    }

    void f7WalksTheDifferencesOfTheTextWindow() {
        QByteArray left, right;
        for (int i = 1; i <= 200; ++i) {
            const QByteArray line = "step " + QByteArray::number(i) + "  level " + QByteArray::number(i * 0.5) + "\n";
            left += line;
            right += i == 20 ? QByteArray("step 20  level 99\n") : i == 150 ? QByteArray("inserted\n") + line : line;
        }
        testsupport::writeFile(work_ + QStringLiteral("/A.LST"), left);
        testsupport::writeFile(work_ + QStringLiteral("/B.LST"), right);
        auto* w = new TTextCompareForm(work_ + QStringLiteral("/A.LST"), work_ + QStringLiteral("/B.LST"), CompareRequest{});
        openDocWindow(w);
        w->finishComparing();
        QCOMPARE(w->comparison().differenceCount(), 2u);
        QCOMPARE(w->view()->currentRow(), 19);  // the first difference is shown at once
        QVERIFY(w->nextDifference());
        QCOMPARE(w->view()->currentRow(), 149);
        QVERIFY(!w->nextDifference());
        QVERIFY(w->previousDifference());
        QCOMPARE(w->view()->currentRow(), 19);
        QVERIFY(w->status()->text().startsWith(QStringLiteral("Difference 1 of 2")));
        QVERIFY(!w->view()->grab().isNull());
    }
};

QTEST_MAIN(CompareWindowsTest)
#include "test_comparewindows.moc"
