// QUIVET form fields as a new user meets them: values that fit their boxes,
// labels shown whole, framed heading and file boxes, full-precision tooltips,
// Tab after a scroll, finding a field by name, and damaged pictures.
#include <QHelpEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolTip>
#include <QtTest>
#include <memory>

#include "quivet/descriptor.h"
#include "quivet/input.h"
#include "quivet/openfile.h"
#include "quivet/quivet.h"
#include "shell/fonts.h"
#include "shell/scriptedseams.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

namespace {

const QByteArray kForm =
    "*QUIVET\r\n"
    "*|*Run|Base case|1\r\n"
    "CONSTANTS 3\r\n"
    "LENGTH=28\r\n"
    "*|Length of the run|m|ft|0|2|0|1E3|2\r\n"
    "STEP=0.123456789\r\n"
    "*|Time step|h|h|0|1|0|10.00|3\r\n"
    "WIDTH=-1234.5\r\n"
    "*|Width of the channel at its mouth|m|ft|0|3.28084|-1E4|1E4|4\r\n"
    "ASSIGN data.txt 10\r\n"
    "*|?Result file|5\r\n"
    "END\r\n";

// A form of n numeric fields "Temperature i" holding i.
QByteArray longForm(int n) {
    QByteArray t = "*QUIVET\r\nCONSTANTS " + QByteArray::number(n) + "\r\n";
    for (int i = 0; i < n; ++i)
        t += "V" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\r\n*|Temperature " + QByteArray::number(i) +
             "|C|F|17.7778|1.8|-1000|100000.00|0\r\n";
    return t + "END\r\n";
}

// Whether a box shows its whole text: at the text's end the cursor stands where
// the text, drawn from the box's first position, ends (no sideways scroll).
bool showsWholeText(QLineEdit* box) {
    const auto cursor = [box] { return box->inputMethodQuery(Qt::ImCursorRectangle).toRect(); };
    box->setCursorPosition(0);
    const int start = cursor().center().x();
    box->setCursorPosition(static_cast<int>(box->text().size()));
    const int end = cursor().center().x();
    const bool whole = end - start == box->fontMetrics().horizontalAdvance(box->text()) && cursor().right() < box->width();
    box->setCursorPosition(0);
    return whole;
}

}  // namespace

class FormFieldsTest : public QObject, testsupport::ProgramDirFixture {
    Q_OBJECT

    std::unique_ptr<TQUIVETForm> open(const QByteArray& text, bool shown = false) {
        testsupport::writeFile(path("form.qvd"), text);
        testsupport::writeFile(path("data.txt"), "1\r\n");
        auto f = std::make_unique<TQUIVETForm>();
        if (!f->ReadDeck(path("form.qvd"))) return nullptr;
        if (shown) {
            f->resize(600, 400);
            f->show();
            if (!QTest::qWaitForWindowExposed(f.get())) return nullptr;
        }
        return f;
    }

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        installFontSubstitutions();
    }
    void init() { startProgramDir(); }
    void cleanup() { endProgramDir(); }

    void valuesFitTheirBoxesAndLabelsShowWhole() {
        auto f = open(kForm, true);
        QVERIFY(f);
        const auto& rows = f->rowControls();
        for (int units : {1, 2}) {
            if (units == 2) f->ConvertUnits(1, 2);
            for (std::size_t k = 0; k < rows.size(); ++k) {
                const auto& r = rows[k];
                QWidget* box = r.input ? static_cast<QWidget*>(r.input) : static_cast<QWidget*>(r.file);
                if (!box) continue;
                const QString what = r.label->text();
                // The label's last character is not under the box.
                QVERIFY2(r.label->geometry().right() < box->x(), qPrintable(what));
                QVERIFY2(r.label->width() >= r.label->fontMetrics().horizontalAdvance(r.label->text()), qPrintable(what));
                auto* edit = static_cast<QLineEdit*>(box);
                QVERIFY2(showsWholeText(edit), qPrintable(what + ": " + edit->text()));
                QVERIFY2(edit->hasFrame(), qPrintable(what));
                if (r.unitLabel) QVERIFY(r.unitLabel->x() > box->geometry().right());
            }
        }
        QCOMPARE(rows[1].input->text(), QStringLiteral("5.6000E+01"));
        QCOMPARE(rows[3].input->text(), QStringLiteral("-4.0502E+03"));
        // A file box leaves room for a longer name.
        QVERIFY(rows[4].file->width() > rows[4].file->fontMetrics().horizontalAdvance(QStringLiteral("results of the long run.txt")));
    }

    void aNumericFieldsTooltipHoldsItsFullValue() {
        auto f = open(kForm, true);
        QVERIFY(f);
        TInput* step = f->rowControls()[2].input;
        QCOMPARE(step->text(), QStringLiteral("0.12"));
        QCOMPARE(step->fullValueText(), QStringLiteral("0.123456789 h"));
        QHelpEvent tip(QEvent::ToolTip, QPoint(4, 4), step->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(step, &tip);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("0.123456789 h"));
        QToolTip::hideText();
        // A typed value counts once it reads as a number, in the units shown.
        f->ConvertUnits(1, 2);
        TInput* length = f->rowControls()[1].input;
        QCOMPARE(length->fullValueText(), QStringLiteral("56 ft"));
    }

    void tabAfterAScrollGoesOnFromAFieldInView_data() {
        QTest::addColumn<bool>("forward");
        QTest::newRow("Tab") << true;
        QTest::newRow("Shift+Tab") << false;
    }
    void tabAfterAScrollGoesOnFromAFieldInView() {
        QFETCH(bool, forward);
        auto f = open(longForm(2000), true);
        QVERIFY(f);
        QScrollBar* bar = f->scrollBox()->verticalScrollBar();
        // The first field has the focus; the user drags the scroll bar half-way.
        QWidget* first = f->showField(1);
        first->setFocus();
        QTRY_VERIFY(first->hasFocus());
        bar->setValue(bar->maximum() / 2);
        QApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, forward ? Qt::NoModifier : Qt::ShiftModifier);
        QWidget* now = QApplication::focusWidget();
        QVERIFY(now && now != first);
        const QRect inView(now->mapTo(f->scrollBox()->viewport(), QPoint()), now->size());
        QVERIFY2(f->scrollBox()->viewport()->rect().contains(inView),
                 qPrintable(QStringLiteral("%1,%2").arg(inView.top()).arg(inView.bottom())));
        // The first of the fields in view (Shift+Tab: the last), not a far one.
        const int gap = forward ? inView.top() : f->scrollBox()->viewport()->height() - inView.bottom();
        QVERIFY2(gap < 2 * f->lineHeight() + f->lineHeight() / 2 + 4, qPrintable(QString::number(gap)));
    }

    void findsAFieldByNameInALongForm() {
        auto f = open(longForm(20000), true);
        QVERIFY(f);
        ScriptedAlerts& alerts = seams_->alerts;
        QVERIFY(f->FindField(QStringLiteral("temperature 19876")));
        auto* focused = qobject_cast<TInput*>(QApplication::focusWidget());
        QVERIFY(focused);
        QCOMPARE(focused->text(), QStringLiteral("19876.00"));
        QCOMPARE(focused->selectedText(), focused->text());
        const QRect inView(focused->mapTo(f->scrollBox()->viewport(), QPoint()), focused->size());
        QVERIFY(f->scrollBox()->viewport()->rect().contains(inView));

        // Ctrl+F asks for the name; F3 goes on to the next match, round the form.
        seams_->dialogs.inputAnswers = {QStringLiteral("Temperature 1999")};
        QTest::keyClick(focused, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(seams_->dialogs.inputRequests.back(), QStringLiteral("Find field"));
        QCOMPARE(qobject_cast<TInput*>(QApplication::focusWidget())->text(), QStringLiteral("19990.00"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
        QCOMPARE(qobject_cast<TInput*>(QApplication::focusWidget())->text(), QStringLiteral("19991.00"));
        QVERIFY(f->FindField(QStringLiteral("temperature 5")));
        QCOMPARE(qobject_cast<TInput*>(QApplication::focusWidget())->text(), QStringLiteral("5.00"));
        QVERIFY(alerts.shown.isEmpty());

        QVERIFY(!f->FindField(QStringLiteral("Pressure")));
        QCOMPARE(alerts.lastText(), QStringLiteral("No field of this form is named \"Pressure\"."));
    }

    void aDamagedPictureIsReportedNotShownBlack() {
        QImage picture(40, 24, QImage::Format_RGB32);
        picture.fill(Qt::green);
        QVERIFY(picture.save(path("pump.bmp"), "BMP"));
        const QByteArray whole = testsupport::readFile(path("pump.bmp"));
        testsupport::writeFile(path("pump.bmp"), whole.left(whole.size() / 2));
        QVERIFY(!open("*QUIVET\r\n*|<PICTURE> pump.bmp\r\n"));
        QCOMPARE(seams_->alerts.lastText(), QStringLiteral("Figure file pump.bmp is truncated or damaged"));
        // The whole picture opens.
        testsupport::writeFile(path("pump.bmp"), whole);
        QVERIFY(open("*QUIVET\r\n*|<PICTURE> pump.bmp\r\n"));
    }
};

QTEST_MAIN(FormFieldsTest)
#include "test_formfields.moc"
