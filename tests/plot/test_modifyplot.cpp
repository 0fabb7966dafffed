// Modify Plot keeps what the user did not touch: curve codes the boxes cannot
// step to, limits more exact than their labels, and the bytes of titles and of
// the saved caption (one byte per character, as in plot data and saved plots).
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QtTest>
#include <memory>

#include "plot/axisbox.h"
#include "plot/modplotu.h"
#include "plot/plotcommands.h"
#include "plot/plotf.h"
#include "plot/plotrender.h"
#include "plot/plotsetu.h"
#include "plot/pmxfile.h"
#include "plot/stylepicker.h"
#include "shell/docfactory.h"
#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

class ModifyPlotTest : public QObject, testsupport::MainWindowFixture {
    Q_OBJECT

    // A plot of A and B against TIME from a small plot data file.
    TPlotForm* newPlot() {
        seams_->dialogs.onDialog = [&](QDialog& dlg) -> int {
            auto& d = dynamic_cast<TPlotSetup&>(dlg);
            for (int r : {1, 2}) {
                d.YList->item(r)->setSelected(true);
                d.YListClick();
            }
            d.OKBtnClick();
            return d.result();
        };
        form_->NewPlot1Click();
        TPlotForm* w = plot::setupDialogInstance()->resultWindow();
        form_->setActiveDocWindow(w);
        return w;
    }

    // Modify Plot with the given changes, then OK; true when the dialog closed.
    bool modify(const std::function<void(TModPlot&)>& change) {
        bool accepted = false;
        seams_->dialogs.onDialog = [&](QDialog& dlg) -> int {
            auto& d = dynamic_cast<TModPlot&>(dlg);
            if (change) change(d);
            d.OKBtnClick();
            accepted = d.result() == QDialog::Accepted;
            return d.result();
        };
        form_->ModifyPlot1Click();
        seams_->dialogs.onDialog = nullptr;
        return accepted;
    }

private slots:
    void initTestCase() { testsupport::installQuietMessageHandler(); }
    void init() {
        startMainWindow();
        usePlotData("TIME Temp A\r\ns \xb0"
                    "C m\r\n0 3 1\r\n1 10 2\r\n2 20 4\r\n3 40 8\r\n");
    }
    void cleanup() { endMainWindow(Ending::AnswerNoToEveryQuestion); }

    void codesOf16AndAboveAreShownAsDrawnAndKept() {
        TPlotForm* w = newPlot();
        auto& curves = w->document().record.curves;
        curves[1].symbol = 17;
        curves[1].color = 18;
        int shownSymbol = -1, shownColor = -1;
        QImage picked, drawnAs2;
        QVERIFY(modify([&](TModPlot& d) {
            shownSymbol = d.Symbol->shownCode();
            shownColor = d.Color->shownCode();
            // The picture box itself, left of the spin button.
            picked = d.Symbol->grab(QRect(0, 0, 70, 26)).toImage();
            TStylePicker two(TStylePicker::Kind::Symbol);
            two.setCode(2);
            drawnAs2 = two.grab(QRect(0, 0, 70, 26)).toImage();
        }));
        // Symbol 17 is drawn as 2, colour 18 as black: the boxes show that.
        QCOMPARE(shownSymbol, 2);
        QCOMPARE(shownColor, 0);
        QCOMPARE(picked.convertToFormat(QImage::Format_RGB32), drawnAs2.convertToFormat(QImage::Format_RGB32));
        // Untouched, OK keeps the stored codes.
        QCOMPARE(curves[1].symbol, 17);
        QCOMPARE(curves[1].color, 18);
        // Stepped, they continue from what is shown.
        QVERIFY(modify([](TModPlot& d) {
            d.Symbol->downClick();
            d.Color->downClick();
        }));
        QCOMPARE(curves[1].symbol, 3);
        QCOMPARE(curves[1].color, 1);
    }

    void untouchedLimitsKeepTheirExactValues() {
        TPlotForm* w = newPlot();
        plot::PlotRecord& rec = w->document().record;
        rec.y.logarithmic = true;
        rec.y.minimum = 0.1L;
        rec.y.maximum = 100;
        rec.y.style = 1;
        rec.y.digits = 0;
        rec.x.minimum = 0.123456L;
        rec.x.maximum = 3.98765L;
        rec.x.style = 1;
        rec.x.digits = 1;
        QStringList shown;
        // A log axis 0.1 .. 100 with F0 labels shows "0": an untouched OK is accepted.
        QVERIFY(modify([&](TModPlot& d) {
            shown << d.YAxis->minimum->text() << d.YAxis->maximum->text() << d.XAxis->minimum->text()
                  << d.XAxis->maximum->text();
        }));
        QCOMPARE(shown, (QStringList{"0", "100", "0.1", "4.0"}));
        QCOMPARE(rec.y.minimum, 0.1L);
        QCOMPARE(rec.y.maximum, 100.0L);
        QVERIFY(rec.y.logarithmic);
        QCOMPARE(rec.x.minimum, 0.123456L);
        QCOMPARE(rec.x.maximum, 3.98765L);
        QCOMPARE(seams_->alerts.beeps, 0);

        // A typed limit is read as typed, even when it shows the digits the
        // field showed.
        QVERIFY(modify([](TModPlot& d) {
            for (auto [field, text] : {std::pair{d.XAxis->minimum, "0.1"}, std::pair{d.XAxis->maximum, "4.0"}}) {
                field->selectAll();
                QTest::keyClicks(field, text);
            }
        }));
        QCOMPARE(rec.x.minimum, 0.1L);
        QCOMPARE(rec.x.maximum, 4.0L);
        // A typed log minimum of 0 is still refused.
        QVERIFY(!modify([](TModPlot& d) { d.YAxis->minimum->setText(" 0"); }));
        QCOMPARE(rec.y.minimum, 0.1L);
    }

    void titlesAndCaptionKeepOneBytePerCharacter() {
        TPlotForm* w = newPlot();
        plot::PlotRecord& rec = w->document().record;
        // The Y title comes from the plot data's Latin-1 name and unit.
        QCOMPARE(rec.y.title, std::string("Temp \xb0" "C"));
        const QString thirty = QString::fromUtf8("Temperature at the outlet in \xc2\xb0");  // 30 characters
        QCOMPARE(thirty.size(), 30);
        QVERIFY(modify([&](TModPlot& d) {
            QCOMPARE(d.YAxis->title->text(), QString::fromUtf8("Temp \xc2\xb0" "C"));
            d.XAxis->title->setText(thirty);
        }));
        QCOMPARE(rec.y.title, std::string("Temp \xb0" "C"));  // untouched: the same bytes
        QCOMPARE(rec.x.title, std::string("Temperature at the outlet in \xb0"));
        QVERIFY(modify({}));
        QCOMPARE(rec.x.title, std::string("Temperature at the outlet in \xb0"));

        // The caption is saved with the bytes it was made from.
        plot::PlotDocument doc = w->document();
        doc.caption = "Plot from /data/D\xe9" "bit.PLT";
        w->setDocument(doc);
        w->Save(work_ + "/SAVED.PMX");
        QCOMPARE(plot::readPmx((work_ + "/SAVED.PMX").toStdString()).caption, doc.caption);
        w->setWindowTitle(QString::fromUtf8("D\xc3\xa9" "bit \xe2\x82\xac"));  // a character Latin-1 lacks
        w->Save(work_ + "/SAVED.PMX");
        QCOMPARE(plot::readPmx((work_ + "/SAVED.PMX").toStdString()).caption, std::string("D\xe9" "bit ?"));
    }
};

QTEST_MAIN(ModifyPlotTest)
#include "test_modifyplot.moc"
