// A QUIVET form far longer than its window: only the rows near the view have
// controls, and every field is still reached with Tab, helped, converted,
// saved and printed.
#include <QComboBox>
#include <QDir>
#include <QPageSize>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>
#include <memory>

#include "help/helpu.h"
#include "quivet/descriptor.h"
#include "quivet/fileinput.h"
#include "quivet/input.h"
#include "quivet/openfile.h"
#include "quivet/quivet.h"
#include "shell/docfactory.h"
#include "shell/fonts.h"
#include "mainwindow/palumaro.h"
#include "shell/printjob.h"
#include "shell/scriptedseams.h"
#include "../shell/printtesthelpers.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

namespace {

constexpr int kFields = 300;

// A heading with a text (help 1000), kFields fields with help numbers 1..kFields
// (numeric "Temperature i" holding i, every 50th from the 25th a choice "Fluid
// i"), a hidden dependent choice and a file field (help 5000) at the foot.
QByteArray longForm() {
    QByteArray t = "*QUIVET\r\n*|*Long form|notes|1000\r\nCONSTANTS " + QByteArray::number(kFields) + "\r\n";
    for (int i = 0; i < kFields; ++i) {
        const QByteArray n = QByteArray::number(i);
        if (i % 50 == 25)
            t += "C" + n + "=water\r\n*|<Fluid " + n + "|fluids.chc|1|2|" + QByteArray::number(i + 1) + "\r\n";
        else
            t += "V" + n + "=" + n + "\r\n*|Temperature " + n + "|C|F|17.7778|1.8|-1000|100000.00|" +
                 QByteArray::number(i + 1) + "\r\n";
    }
    t += "DENS=1000\r\n*|<Density|fluids.chc|0|3|0\r\nASSIGN data.txt 10\r\n*|?Input data|5000\r\nEND\r\n";
    return t;
}

// The item of field i (the heading comes first).
std::size_t item(int field) { return static_cast<std::size_t>(field + 1); }

}  // namespace

class QuivetLongFormTest : public QObject, testsupport::ProgramDirFixture {
    Q_OBJECT


    std::unique_ptr<TQUIVETForm> openShown() {
        testsupport::writeFile(path("long.qvd"), longForm());
        testsupport::writeFile(path("fluids.chc"), "3\r\nWater,water,1000\r\nOil,oil,870\r\nGlycol,glycol,1110\r\n");
        testsupport::writeFile(path("data.txt"), "1\r\n");
        auto f = std::make_unique<TQUIVETForm>();
        if (!f->ReadDeck(path("long.qvd"))) return nullptr;
        f->show();
        if (!QTest::qWaitForWindowExposed(f.get())) return nullptr;
        return f;
    }
    static int liveRows(const TQUIVETForm& f) {
        int n = 0;
        for (const auto& r : f.rowControls()) n += r.label ? 1 : 0;
        return n;
    }
    static QRect inViewport(const TQUIVETForm& f, const QWidget* w) {
        return QRect(w->mapTo(f.scrollBox()->viewport(), QPoint()), w->size());
    }

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        installFontSubstitutions();
        printtest::installFonts();
    }
    void init() { startProgramDir(); }
    void cleanup() { endProgramDir(); }

    void tabAndHelpReachEveryFieldBeyondTheView() {
        auto main = std::make_unique<TPALUMAROFORM>();
        main->startUp();  // installs the help window
        QList<int> topics;
        QStringList captions;
        seams_->dialogs.onDialog = [&](QDialog& d) {
            if (auto* h = qobject_cast<THelpDlg*>(&d)) {
                topics << h->topic;
                captions << h->fieldLabel;
            }
            return 0;
        };
        auto f = openShown();
        QVERIFY(f);
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        // Only the rows near the view have controls.
        QVERIFY2(liveRows(*f) < kFields / 2, qPrintable(QString::number(liveRows(*f))));
        QVERIFY(!f->rowControls()[item(kFields - 1)].label);

        // Tab from the heading's text through every field, in the form's order,
        // each one scrolled into view and focused; then round to the first.
        f->showField(0)->setFocus();
        QList<int> reached{f->focusedHelpNumber()};
        for (int k = 0; k <= kFields + 1; ++k) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached << f->focusedHelpNumber();
            const QWidget* w = QApplication::focusWidget();
            QVERIFY(w && f->rows()->isAncestorOf(w) && w->isVisible());
            QVERIFY2(f->scrollBox()->viewport()->rect().contains(inViewport(*f, w)), qPrintable(QString::number(k)));
        }
        QList<int> expected{1000};
        for (int i = 1; i <= kFields; ++i) expected << i;
        expected << 5000 << 1000;
        QCOMPARE(reached, expected);
        QVERIFY(liveRows(*f) < kFields / 2);  // rows left behind gave their controls back
        // Shift+Tab goes back round to the file field at the foot.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(f->focusedHelpNumber(), 5000);
        QVERIFY(qobject_cast<TOpenFile*>(QApplication::focusWidget()));

        // F1 on a field scrolled into view with the scroll bar and clicked.
        QScrollBar* bar = f->scrollBox()->verticalScrollBar();
        bar->setValue(bar->maximum() / 2);
        TInput* middle = nullptr;
        for (const auto& r : f->rowControls())
            if (r.input && r.input->numeric && f->scrollBox()->viewport()->rect().contains(inViewport(*f, r.input))) {
                middle = r.input;
                break;
            }
        QVERIFY(middle);
        QTest::mouseClick(middle, Qt::LeftButton);
        QTest::keyClick(middle, Qt::Key_F1);
        QCOMPARE(topics.size(), 1);
        QCOMPARE(topics[0], middle->help);
        QCOMPARE(captions[0], QStringLiteral("Temperature %1").arg(middle->help - 1));
        QVERIFY(!f->rowControls()[0].label);  // the top is far away
    }

    void offScreenFieldsAreCheckedConvertedSavedAndPrinted() {
        auto f = openShown();
        QVERIFY(f);
        // A refused number far down: the message, and the focus stays in that box.
        auto* far = qobject_cast<TInput*>(f->showField(item(280)));
        QVERIFY(far);
        far->selectAll();
        QTest::keyClicks(far, "-5000");
        QVERIFY(!far->Exit());
        QCOMPARE(seams_->alerts.lastText(), "This parameter must be >= -1000.00 and <= 100000.00");
        QTest::keyClicks(far, "50");
        QVERIFY(far->Exit());
        auto* fluid = qobject_cast<TFileInput*>(f->showField(item(275)));
        QVERIFY(fluid);
        fluid->setCurrentIndex(2);
        // A number typed but not yet checked keeps its row while scrolling away.
        auto* typed = qobject_cast<TInput*>(f->showField(item(260)));
        typed->selectAll();
        QTest::keyClicks(typed, "60");
        typed->setFocus();

        f->scrollBox()->verticalScrollBar()->setValue(0);
        QVERIFY(!f->rowControls()[item(280)].input);
        QVERIFY(!f->rowControls()[item(275)].choice);
        QCOMPARE(f->rowControls()[item(260)].input, typed);
        QVERIFY(f->DCKChanged());

        // Units: the fields off screen show the new units when they come back.
        f->ConvertUnits(1, 2);
        QCOMPARE(qobject_cast<TInput*>(f->showField(item(280)))->text(), "122.00");
        QCOMPARE(f->rowControls()[item(280)].unitLabel->text(), "F");
        QCOMPARE(qobject_cast<TInput*>(f->showField(item(200)))->text(), "392.00");
        QCOMPARE(typed->text(), "140.00");
        f->scrollBox()->verticalScrollBar()->setValue(0);
        f->ConvertUnits(2, 1);
        QCOMPARE(qobject_cast<TInput*>(f->showField(item(280)))->text(), "50.00");
        f->scrollBox()->verticalScrollBar()->setValue(0);

        // Printing shows every field with its current value, also those off screen.
        auto printer = printtest::pdfPrinter(path("long.pdf"), QPageSize(QPageSize::A4));
        QVERIFY(RunPrintJob({f.get()}, *printer));
        const QString all = printtest::pdfPages(path("long.pdf")).join('\n');
        QCOMPARE(all.count(QStringLiteral("Temperature ")), kFields - kFields / 50);
        QCOMPARE(all.count(QStringLiteral("Fluid ")), kFields / 50);
        for (const QString& row : {QStringLiteral("Temperature 280 50.00 C"), QStringLiteral("Temperature 260 60.00 C"),
                                   QStringLiteral("Temperature 299 299.00 C"), QStringLiteral("Fluid 275 Glycol"),
                                   QStringLiteral("Input data data.txt")})
            QVERIFY2(all.contains(row), qPrintable(row));

        // Saving writes them all; the form is then unchanged, wherever its view is.
        f->saveTo(path("saved.qvd"));
        const QByteArray saved = testsupport::readFile(path("saved.qvd"));
        QVERIFY(saved.contains("V280=  5.0000E+0001\r\n"));
        QVERIFY(saved.contains("V260=  6.0000E+0001\r\n"));
        QVERIFY(saved.contains("C275= glycol\r\n"));
        QVERIFY(saved.contains("DENS= 1110\r\n"));
        QVERIFY(saved.contains("V299=299\r\n"));  // not changed: as the file had it
        QVERIFY(!f->DCKChanged());
        f->showField(item(275));
        QVERIFY(!f->DCKChanged());
    }
};

QTEST_MAIN(QuivetLongFormTest)
#include "test_quivetlongform.moc"
