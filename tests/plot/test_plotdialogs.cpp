// Plot Setup and Modify Plot through the main window's Plot menu: new plots
// from real engine output, overlays, modifying and deleting curves, refused
// input, and saved plots opened again through File > Open.
#include <QDir>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QProcess>
#include <QRadioButton>
#include <QtTest>
#include <memory>

#include "plot/axisbox.h"
#include "plot/modplotu.h"
#include "plot/plotcommands.h"
#include "plot/plotf.h"
#include "plot/plotsetu.h"
#include "plot/stylepicker.h"
#include "shell/docfactory.h"
#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

namespace {

QList<TPlotForm*> plots(TPALUMAROFORM& f) {
    QList<TPlotForm*> out;
    for (TDocWindow* w : f.docWindows())
        if (w->Tag() == Kind::Plot) out << qobject_cast<TPlotForm*>(w);
    return out;
}

void selectY(TPlotSetup& d, std::initializer_list<int> rows) {
    for (int r : rows) {
        d.YList->item(r)->setSelected(true);
        d.YListClick();
    }
}

int countColour(const QImage& img, QColor c, QRect area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += img.pixelColor(x, y) == c;
    return n;
}

const char* kPlt =
    "TIME A B C\r\n"
    "s m kg N\r\n"
    "0 3 1 -1\r\n1 10 2 -2\r\n2 20 4 -3\r\n3 40 8 -4\r\n4 62 16 -5\r\n";

}  // namespace

class PlotDialogsTest : public QObject, testsupport::MainWindowFixture {
    Q_OBJECT

    TPlotSetup& setup() { return *plot::setupDialogInstance(); }
    TModPlot& modify() { return *plot::modifyDialogInstance(); }

    // New Plot on the written plot data with the given Y columns and OK.
    TPlotForm* newPlot(std::initializer_list<int> ys, std::function<void(TPlotSetup&)> adjust = {}) {
        answeringDialogs(
            [&](QDialog& dlg) -> int {
                auto& d = dynamic_cast<TPlotSetup&>(dlg);
                selectY(d, ys);
                if (adjust) adjust(d);
                d.OKBtnClick();
                return d.result();
            },
            [&] { form_->NewPlot1Click(); });
        return setup().resultWindow();
    }

private slots:
    void initTestCase() { testsupport::installQuietMessageHandler(); }
    void init() {
        startMainWindow();
        usePlotData(kPlt);
    }
    // Plot windows ask before closing: answer No for every one.
    void cleanup() { endMainWindow(Ending::AnswerNoToEveryQuestion); }

    void newPlotFromTheEngineOutputSavedAndOpenedAgain() {
        // A real run of the stand-in engine on a sample deck.
        const QString engine = qEnvironmentVariable("PALUMARO_PROGRAM_DIR") + "/KALVEX32.exe";
        testsupport::copySample("OSCILL.DCK", work_);
        QProcess p;
        p.setWorkingDirectory(work_);
        p.start(engine, {work_ + "/OSCILL.DCK"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        form_->plotDataFileName = work_ + "/OSCILL.PLT";
        form_->UpdateMenu();
        QVERIFY(form_->item("NewPlot1")->isEnabled());

        TPlotForm* w = newPlot({1});  // X against TIME
        QVERIFY(w);
        QCOMPARE(plots(*form_).size(), 1);
        QCOMPARE(w->Tag(), Kind::Plot);
        QCOMPARE(w->windowTitle(), "Plot from " + work_ + "/OSCILL.PLT");
        const auto& rec = w->document().record;
        QCOMPARE(rec.curveCount(), 1);
        QCOMPARE(rec.x.title, std::string("TIME s"));
        QCOMPARE(rec.curves[0].yName, std::string("X"));
        QVERIFY(rec.curves[0].pointCount > 1000);
        QVERIFY(rec.y.maximum > rec.y.minimum);
        const QImage img = w->renderImage();
        QVERIFY(countColour(img, Qt::black, w->view().frame().adjusted(3, 3, -3, -3)) > 100);
        QVERIFY(form_->item("OverlayPlot1")->isEnabled() || form_->activeDocWindow() != w);

        const QString pmx = work_ + "/OSC.PMX";
        w->saveTo(pmx);
        const QByteArray saved = testsupport::readFile(pmx);
        form_->ReadaFile(pmx);
        QCOMPARE(plots(*form_).size(), 2);
        TPlotForm* reopened = plots(*form_).back();
        QCOMPARE(reopened->windowTitle(), w->windowTitle());
        reopened->saveTo(work_ + "/OSC2.PMX");
        QCOMPARE(testsupport::readFile(work_ + "/OSC2.PMX"), saved);
    }

    // Names and units without a row: no row of zeros is offered as data.
    void plotDataWithoutRowsIsToldAndNotOffered() {
        usePlotData("TIME A\r\ns m\r\n");
        int dialogs = 0;
        answeringDialogs([&](QDialog&) { return ++dialogs, 0; }, [&] { form_->NewPlot1Click(); });
        QCOMPARE(dialogs, 0);
        QVERIFY2(seams_->alerts.lastText().contains("holds no rows of values"), qPrintable(seams_->alerts.lastText()));
        QVERIFY(plots(*form_).empty());
    }

    void setupListsReactToTheKeyboardLikeClicks() {
        QStringList seen;
        bool okAfterSpace = false, okAfterSecondSpace = true;
        seams_->dialogs.onDialog = [&](QDialog& dlg) -> int {
            auto& d = dynamic_cast<TPlotSetup&>(dlg);
            d.YList->setFocus();
            d.YList->setCurrentRow(1, QItemSelectionModel::NoUpdate);  // where focus leaves it
            QTest::keyClick(d.YList, Qt::Key_Space);
            okAfterSpace = d.OKBtn->isEnabled();
            seen << d.YAxis->minimum->text() << d.YAxis->maximum->text();
            QTest::keyClick(d.YList, Qt::Key_Space);  // chosen off again
            okAfterSecondSpace = d.OKBtn->isEnabled();
            QTest::keyClick(d.XList, Qt::Key_Down);  // X becomes A
            seen << QString::number(d.XList->currentRow()) << d.XAxis->minimum->text() << d.XAxis->maximum->text();
            d.CancelBtnClick();
            return d.result();
        };
        form_->NewPlot1Click();
        QCOMPARE(seen, (QStringList{"0.0", "70", "1", "0.0", "70"}));
        QVERIFY(okAfterSpace);
        QVERIFY(!okAfterSecondSpace);
    }

    void setupProposesRangesAndStepsStyles() {
        QStringList seen;
        bool okAtStart = true, logEnabled = true, linear = false, okAfter = false;
        seams_->dialogs.onDialog = [&](QDialog& dlg) -> int {
            auto& d = dynamic_cast<TPlotSetup&>(dlg);
            seen << d.FromRow->text() << d.ToRow->text() << QString::number(d.XList->currentRow()) << d.XAxis->minimum->text();
            okAtStart = d.OKBtn->isEnabled();
            logEnabled = d.XAxis->log->isEnabled();
            linear = d.XAxis->linear->isChecked();
            selectY(d, {1});  // A: 3..62 proposes 0..70 in 7 intervals
            okAfter = d.OKBtn->isEnabled();
            seen << d.YAxis->minimum->text() << d.YAxis->maximum->text() << d.YAxis->ticks->text();
            selectY(d, {2, 3});
            d.Line->downClick();  // 1 -> 2
            d.OKBtnClick();
            return d.result();
        };
        form_->NewPlot1Click();
        // TIME 0..4: a range of 4 proposes 0..4 shown with one significant digit.
        QCOMPARE(seen, (QStringList{"1", "5", "0", seen[3], "0.0", "70", "7"}));
        QVERIFY(!seen[3].isEmpty());
        QVERIFY(!okAtStart);
        QVERIFY(!logEnabled);
        QVERIFY(linear);
        QVERIFY(okAfter);
        TPlotForm* w = setup().resultWindow();
        QVERIFY(w);
        const auto& c = w->document().record.curves;
        QCOMPARE(c.size(), size_t(3));
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(c[k].symbol, k + 1);
            QCOMPARE(c[k].color, k);
            QCOMPARE(c[k].lineStyle, 2);
            QCOMPARE(c[k].pointCount, 5);
        }
        // A, B and C together span -5..62: -10..70 in 8 intervals.
        QCOMPARE(w->document().record.y.ticks, 8);
        QCOMPARE(w->document().record.y.minimum, -10.0L);
        QVERIFY(!setup().table());  // the plot data is released after OK
    }

    void badNumbersAreRefusedWithABeep() {
        int beeps = 0;
        TPlotForm* w = newPlot({1}, [&](TPlotSetup& d) {
            d.YAxis->maximum->setText("-5");  // not above the minimum
            beeps = seams_->alerts.beeps;
        });
        QVERIFY(!w);
        QVERIFY(plots(*form_).empty());
        QCOMPARE(seams_->alerts.beeps, beeps + 1);
        QCOMPARE(setup().focusWidget(), setup().YAxis->maximum);
        QCOMPARE(setup().YAxis->maximum->selectedText(), QString("-5"));
        QVERIFY(seams_->alerts.shown.isEmpty());  // no words

        // A To Row that is not a whole number keeps the dialog open too.
        QVERIFY(!newPlot({1}, [](TPlotSetup& d) { d.ToRow->setText("x"); }));
        QCOMPARE(setup().focusWidget(), setup().ToRow);

        // A tick count that is not a whole number is reported and makes no plot.
        QVERIFY(!newPlot({1}, [](TPlotSetup& d) { d.XAxis->ticks->setText("a"); }));
        QCOMPARE(seams_->alerts.lastText(), QString("'a' is not a valid integer value"));
        QVERIFY(plots(*form_).empty());

        // To Row beyond the data or not above From Row gives the rest of the file.
        TPlotForm* rest = newPlot({1}, [](TPlotSetup& d) {
            d.FromRow->setText("2");
            d.ToRow->setText("99");
        });
        QVERIFY(rest);
        QCOMPARE(rest->document().record.curves[0].firstRow, 2);
        QCOMPARE(rest->document().record.curves[0].lastRow, 5);
    }

    void logIsOfferedAboveZeroAndFitTakesEveryCurve() {
        // PRESSURE 100..160 proposes a minimum above zero: Log is offered there.
        testsupport::writeFile(work_ + "/DATA.PLT", "TIME PRESSURE DROP\r\ns Pa Pa\r\n"
                                                    "0 100 -1\r\n1 120 -2\r\n2 160 -3\r\n");
        bool xLog = true, yLogAfterPressure = false, yLogAfterDrop = true;
        TPlotForm* w = newPlot({1}, [&](TPlotSetup& d) {
            xLog = d.XAxis->log->isEnabled();  // TIME 0..2
            yLogAfterPressure = d.YAxis->log->isEnabled();
            d.YAxis->log->setChecked(true);
        });
        QVERIFY(!xLog);
        QVERIFY(yLogAfterPressure);
        QVERIFY(w);
        QVERIFY(w->document().record.y.logarithmic);
        newPlot({2}, [&](TPlotSetup& d) {
            yLogAfterDrop = d.YAxis->log->isEnabled();
            d.CancelBtnClick();
        });
        QVERIFY(!yLogAfterDrop);  // DROP -3..-1 cannot be logarithmic

        // An overlay of DROP onto the pressure plot, then Fit: both axes cover
        // every curve and Y turns linear.
        seams_->dialogs.onDialog = [&](QDialog& dlg) -> int {
            auto& d = dynamic_cast<TPlotSetup&>(dlg);
            selectY(d, {2});
            d.OKBtnClick();
            return d.result();
        };
        form_->setActiveDocWindow(w);
        form_->OverlayPlot1Click();
        QCOMPARE(w->document().record.curveCount(), 2);
        seams_->dialogs.onDialog = [&](QDialog& dlg) -> int {
            auto& d = dynamic_cast<TModPlot&>(dlg);
            d.FitBtnClick();
            d.OKBtnClick();
            return d.result();
        };
        form_->ModifyPlot1Click();
        const auto& y = w->document().record.y;
        QVERIFY(!y.logarithmic);
        QVERIFY(y.minimum <= -3 && y.maximum >= 160);
    }

    void unreadablePlotDataMakesNoPlot() {
        testsupport::writeFile(work_ + "/DATA.PLT", "A B\r\n1,2 3\r\n");
        int shown = 0;
        seams_->dialogs.onDialog = [&](QDialog&) -> int { ++shown; return QDialog::Accepted; };
        form_->NewPlot1Click();
        QCOMPARE(shown, 0);
        QCOMPARE(seams_->alerts.shown.size(), 1);
        QVERIFY(plots(*form_).empty());
    }

    void overlayAddsCurvesToTheLastPlot() {
        TPlotForm* first = newPlot({1, 2, 3});
        QVERIFY(first);
        const auto axisBefore = first->document().record.y.maximum;
        bool axisEnabled = true;
        int xRow = -1;
        seams_->dialogs.onDialog = [&](QDialog& dlg) -> int {
            auto& d = dynamic_cast<TPlotSetup&>(dlg);
            axisEnabled = d.YAxis->minimum->isEnabled();
            xRow = d.XList->currentRow();
            d.Symbol->setCode(5);
            d.Color->setCode(7);
            selectY(d, {1, 2});
            d.OKBtnClick();
            return d.result();
        };
        form_->OverlayPlot1Click();
        QVERIFY(!axisEnabled);
        QCOMPARE(xRow, 0);
        QCOMPARE(setup().resultWindow(), first);
        const auto& c = first->document().record.curves;
        QCOMPARE(c.size(), size_t(5));
        QCOMPARE(c[3].curveNumber, 4);
        QCOMPARE(c[3].symbol, 5);
        QCOMPARE(c[4].symbol, 6);
        QCOMPARE(c[4].color, 8);
        QCOMPARE(first->document().record.y.maximum, axisBefore);

        // With two plot windows the last one gets the overlay, after two beeps.
        TPlotForm* second = newPlot({1});
        const int beeps = seams_->alerts.beeps;
        seams_->dialogs.onDialog = [&](QDialog& dlg) -> int {
            auto& d = dynamic_cast<TPlotSetup&>(dlg);
            selectY(d, {3});
            d.OKBtnClick();
            return d.result();
        };
        form_->OverlayPlot1Click();
        QCOMPARE(seams_->alerts.beeps, beeps + 2);
        QCOMPARE(second->document().record.curveCount(), 2);

        // No more than 50 curves in one plot.
        second->document().record.curves.resize(50);
        form_->OverlayPlot1Click();
        QCOMPARE(second->document().record.curveCount(), 50);
        QVERIFY(seams_->alerts.lastText().contains("50"));
    }

    void modifyChangesAxesAndTheChosenCurve() {
        TPlotForm* w = newPlot({1, 2});
        QVERIFY(w);
        form_->setActiveDocWindow(w);
        QStringList seen;
        seams_->dialogs.onDialog = [&](QDialog& dlg) -> int {
            auto& d = dynamic_cast<TModPlot&>(dlg);
            seen << d.windowTitle() << QString::number(d.PlotList->count()) << d.PlotList->currentText()
                 << QString::number(d.Symbol->code()) << d.YAxis->title->text();
            d.PlotList->setCurrentIndex(0);
            d.PlotListChange();
            seen << QString::number(d.Symbol->code());
            d.Symbol->setCode(15);
            d.Line->setCode(3);
            d.Line->downClick();  // wraps to "None"
            d.XAxis->title->setText("Time in seconds, a long title that is cut");
            d.YAxis->log->setChecked(true);
            d.YAxis->minimum->setText("1");
            d.YAxis->maximum->setText("100");
            d.XAxis->grid->setChecked(true);
            d.Legend->setChecked(true);
            d.OKBtnClick();
            return d.result();
        };
        form_->ModifyPlot1Click();
        QCOMPARE(seen, (QStringList{"Modify " + w->windowTitle(), "2", "B vs. TIME", "2", "A m", "1"}));
        const auto& rec = w->document().record;
        QCOMPARE(rec.curves[0].symbol, 15);
        QCOMPARE(rec.curves[0].lineStyle, 0);
        QCOMPARE(rec.curves[1].symbol, 2);
        QCOMPARE(rec.x.title, std::string("Time in seconds, a long title "));  // 30 characters
        QVERIFY(rec.y.logarithmic);
        QCOMPARE(rec.y.maximum, 100.0L);
        QVERIFY(rec.x.grid);
        QVERIFY(rec.legend);

        // A log minimum of zero is refused, but the curve codes are stored anyway.
        bool stayedOpen = false, focused = false;
        seams_->dialogs.onDialog = [&](QDialog& dlg) -> int {
            auto& d = dynamic_cast<TModPlot&>(dlg);
            d.YAxis->minimum->setText("0");
            d.Color->setCode(4);
            d.OKBtnClick();
            stayedOpen = d.result() != QDialog::Accepted;
            focused = d.focusWidget() == d.YAxis->minimum;
            return int(QDialog::Rejected);
        };
        form_->ModifyPlot1Click();
        QVERIFY(stayedOpen);
        QVERIFY(focused);
        QCOMPARE(rec.y.minimum, 1.0L);
        QCOMPARE(rec.curves[1].color, 4);
    }

    void deletingCurvesAndTheLastOneClosesTheWindow() {
        TPlotForm* w = newPlot({1, 2, 3});
        QPointer<TPlotForm> alive(w);
        form_->setActiveDocWindow(w);
        const auto deleteCurve = [&](int index) {
            seams_->dialogs.onDialog = [index](QDialog& dlg) -> int {
                auto& d = dynamic_cast<TModPlot&>(dlg);
                d.PlotList->setCurrentIndex(index);
                d.PlotListChange();
                d.DeleteBtnClick();
                return d.result();
            };
            form_->ModifyPlot1Click();
        };
        deleteCurve(1);
        QCOMPARE(w->document().record.curveCount(), 2);
        QCOMPARE(w->document().record.curves[1].yName, std::string("C"));
        deleteCurve(0);
        QCOMPARE(w->document().record.curveCount(), 1);
        seams_->alerts.answers = {AlertButton::No};
        deleteCurve(0);
        QCOMPARE(seams_->alerts.lastText(), QString("This plot has been changed.  Save it?"));
        QTRY_VERIFY(!alive);
        QVERIFY(plots(*form_).empty());
    }

    void pickersWrapAround() {
        TStylePicker line(TStylePicker::Kind::Line);
        line.setCode(3);
        line.downClick();
        QCOMPARE(line.code(), 0);
        line.upClick();
        QCOMPARE(line.code(), 3);
        TStylePicker symbol(TStylePicker::Kind::Symbol);
        symbol.setCode(0);
        symbol.upClick();
        QCOMPARE(symbol.code(), 15);
        symbol.downClick();
        QCOMPARE(symbol.code(), 0);
    }
};

QTEST_MAIN(PlotDialogsTest)
#include "test_plotdialogs.moc"
