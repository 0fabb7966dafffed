// The QUIVET form window on its own and inside the main window.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QtTest>
#include <memory>

#include <sys/stat.h>

#include "common/ioerror.h"
#include "quivet/descriptor.h"
#include "quivet/fileinput.h"
#include "quivet/formpictures.h"
#include "quivet/input.h"
#include "quivet/openfile.h"
#include "quivet/quivet.h"
#include "quivet/quivetcommands.h"
#include "quivet/quiveterror.h"
#include "shell/compilin.h"
#include "shell/docfactory.h"
#include "shell/fonts.h"
#include "mainwindow/palumaro.h"
#include "shell/printcontext.h"
#include "shell/scriptedseams.h"
#include "common/settings.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

namespace {

const QByteArray kForm =
    "*QUIVET\r\n"
    "*|*Pump and tank\r\n"
    "*|*Case|Base case|7\r\n"
    "CONSTANTS 4\r\n"
    "AREA = 12.0\r\n"
    "*|Tank area        |m2|ft2|0|10.7639|1|100.0|12\r\n"
    "TEMP=100\r\n"
    "*|Water temperature|C|F|17.7778|1.8|0|150.00|\r\n"
    "STEP=0.5\r\n"
    "*|Time step        |h|h|0|1|0.01|1.00|4\r\n"
    "FLUID=water\r\n"
    "*|<Fluid|fluids.chc|1|2|3\r\n"
    "DENS=1000\r\n"
    "*|<Density|fluids.chc|0|3|0\r\n"
    "*|<PICTURE> pump.bmp\r\n"
    "ASSIGN data.txt 10\r\n"
    "*|?Input data|5\r\n"
    "*|<BEFORE> echo before\r\n"
    "END\r\n";

enum Item { Title, Case, Area, Temp, Step, Fluid, Dens, Picture, Data };

}  // namespace

class QuivetFormTest : public QObject, testsupport::ProgramDirFixture {
    Q_OBJECT

    ScriptedAlerts& alerts() { return seams_->alerts; }

    void writeForm(const QByteArray& text = kForm, const QString& name = "form.qvd") {
        testsupport::writeFile(path(name), text);
        testsupport::writeFile(path("fluids.chc"), "3\r\nWater,water,1000\r\nOil,oil,870\r\nGlycol,glycol,1110\r\n");
        testsupport::writeFile(path("data.txt"), "1 2 3\r\n");
        QImage picture(40, 24, QImage::Format_RGB32);
        picture.fill(Qt::green);
        QVERIFY(picture.save(path("pump.bmp"), "BMP"));
    }
    std::unique_ptr<TQUIVETForm> open(const QString& name = "form.qvd") {
        auto f = std::make_unique<TQUIVETForm>();
        if (!f->ReadDeck(path(name))) return nullptr;
        return f;
    }
    static void type(TInput* box, const QString& text) {
        box->selectAll();
        QTest::keyClicks(box, text);
    }

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        installFontSubstitutions();
    }
    void init() { startProgramDir(); }
    void cleanup() { endProgramDir(); }

    void buildsTheRowsOfTheForm() {
        writeForm();
        auto f = open();
        QVERIFY(f);
        QCOMPARE(f->Tag(), Kind::QuivetForm);
        QCOMPARE(f->windowTitle(), path("form.qvd"));
        const auto& rows = f->rowControls();
        QCOMPARE(int(rows.size()), 9);
        const int W = f->charWidth(), H = f->lineHeight();
        const int step = H + H / 2;

        QCOMPARE(rows[Title].label->pos(), QPoint(2 * W, 10));
        QCOMPARE(rows[Title].label->palette().color(QPalette::WindowText), QColor(Qt::red));
        QVERIFY(!rows[Title].input);
        QCOMPARE(rows[Case].input->text(), "Base case");
        // Boxes start one character after their label's end and are framed,
        // wide enough for their text and frame.
        QCOMPARE(rows[Case].input->pos(), QPoint((4 + 5) * W, 10 + step));
        QVERIFY(rows[Case].input->width() > 11 * W && rows[Case].input->hasFrame());
        QCOMPARE(rows[Case].input->maxLength(), 18);

        TInput* area = rows[Area].input;
        QCOMPARE(area->text(), "12.0");
        QCOMPARE(area->geometry().topLeft(), QPoint((17 + 3) * W, 10 + 2 * step));
        QVERIFY(area->width() > 10 * W);
        QCOMPARE(rows[Area].unitLabel->text(), "m2");
        QCOMPARE(rows[Area].unitLabel->x(), area->x() + area->width() + W);
        QCOMPARE(rows[Step].input->text(), "0.50");

        TFileInput* fluid = rows[Fluid].choice;
        QCOMPARE(fluid->count(), 3);
        QCOMPARE(fluid->currentText(), "Water");
        QCOMPARE(fluid->geometry(), QRect((5 + 3) * W, 10 + 5 * step - 2, (6 + 3) * W, H + 2));
        QVERIFY(fluid->isVisibleTo(f.get()));

        // The hidden dependent field takes no row: the picture goes where it would have been.
        QVERIFY(!rows[Dens].choice->isVisibleTo(f->rows()));
        QVERIFY(!rows[Dens].label->row);
        QCOMPARE(rows[Picture].bitmap->geometry(), QRect((80 * W - 40) / 2, 10 + 6 * step, 40, 24));
        // The next row goes below the picture.
        QCOMPARE(rows[Data].label->y(), 10 + 6 * step + 24 - H + step);
        QCOMPARE(rows[Data].file->text(), "data.txt");
        QCOMPARE(rows[Data].file->x(), (10 + 3) * W);
        QVERIFY(rows[Data].file->hasFrame());
        QVERIFY(alerts().shown.isEmpty());
        QVERIFY(!f->DCKChanged());
    }

    void aWidePictureStartsAtTheLeftEdge() {
        writeForm("*QUIVET\r\n*|<picture> wide.bmp\r\n");
        QImage wide(2000, 10, QImage::Format_RGB32);
        wide.fill(Qt::blue);
        QVERIFY(wide.save(path("wide.bmp"), "BMP"));
        auto f = open();
        QVERIFY(f);
        QCOMPARE(f->rowControls()[0].bitmap->x(), 0);
    }

    void badFilesAreReportedAndRefusedWithoutEndingTheProgram() {
        writeForm("*QUIVET\r\nCONSTANTS 1\r\n*|Label|u|u|0|1|0|10|0\r\n", "bad.qvd");
        QVERIFY(!open("bad.qvd"));
        QCOMPARE(alerts().shown.size(), 1);
        QCOMPARE(alerts().shown[0].text,
                 "****Input Error****\nCONSTANTS 1\n*|Label|u|u|0|1|0|10|0\nFile " + path("bad.qvd") + ", line 3");
        QCOMPARE(alerts().shown[0].kind, AlertKind::Error);
        QVERIFY(alerts().shown[0].beep);

        writeForm("*QUIVET\r\nX=a\r\n*|<L|gone.chc|1|2|0\r\n", "nochoice.qvd");
        QVERIFY(!open("nochoice.qvd"));
        QCOMPARE(alerts().lastText(), "gone.chc was not found");

        QVERIFY(!open("absent.qvd"));
        QCOMPARE(alerts().lastText(), "Cannot open file " + path("absent.qvd") + ".");

        testsupport::writeFile(path("pump.bmp"), "not a picture");
        writeForm(kForm, "form.qvd");
        testsupport::writeFile(path("pump.bmp"), "not a picture");
        QVERIFY(!open());
        QCOMPARE(alerts().lastText(), "Figure file pump.bmp is not a picture");

        // A named pipe or a folder named like the picture is not found by the
        // form, and refused by the pictures themselves, never waited on.
        QFile::remove(path("pump.bmp"));
        QCOMPARE(::mkfifo(QFile::encodeName(path("pump.bmp")).constData(), 0600), 0);
        QVERIFY(!open());
        QCOMPARE(alerts().lastText(), "Figure file pump.bmp was not found");
        QVERIFY(QDir().mkpath(path("dir.bmp")));
        FormPictures pictures;
        for (const auto& [name, kind] : {std::pair{"pump.bmp", "a named pipe"}, std::pair{"dir.bmp", "a directory"}}) {
            try {
                pictures.picture(path(name), name);
                QFAIL(name);
            } catch (const quivet::QuivetError& e) {
                QCOMPARE(QString::fromStdString(e.what()),
                         QString::fromStdString(std::string("Figure file ") + name + " is " + kind + ", not a picture"));
            }
        }
    }

    void picturesAreDecodedOnceAndHugeOnesRefusedBeforeDecoding() {
        QByteArray many = "*QUIVET\r\n";
        for (int i = 0; i < 25; ++i) many += "*|<PICTURE> pump.bmp\r\n";
        writeForm(many + "END\r\n", "many.qvd");
        auto f = open("many.qvd");
        QVERIFY(f);
        QList<qint64> keys;
        for (const auto& r : f->rowControls())
            if (r.bitmap) keys << r.bitmap->pixmap().cacheKey();
        QCOMPARE(keys.size(), 25);
        QCOMPARE(QSet<qint64>(keys.begin(), keys.end()).size(), 1);  // one decoded picture, shared

        // 5000 x 5000 pixels would take 100 MB decoded: refused from the header.
        QImage big(5000, 5000, QImage::Format_Mono);
        big.fill(0);
        QVERIFY(big.save(path("big.png"), "PNG"));
        writeForm("*QUIVET\r\n*|<PICTURE> big.png\r\n*|<PICTURE> big.png\r\n", "big.qvd");
        QVERIFY(!open("big.qvd"));
        QCOMPARE(alerts().lastText(), "Figure file big.png is too large to show (5000 x 5000 pixels; a form shows "
                                      "pictures of up to 16777216 pixels)");
    }

    void aChosenFileWithABlankIsTakenRelativeOrRefused() {
        QDir().mkpath(path("my forms/data"));
        testsupport::writeFile(path("my forms/form.qvd"), "*QUIVET\r\nASSIGN old.txt 10\r\n*|?Input data|5\r\nEND\r\n");
        for (const char* f : {"my forms/old.txt", "my forms/data/new.txt", "my forms/in put.txt"})
            testsupport::writeFile(path(f), "1\r\n");
        auto f = open("my forms/form.qvd");
        QVERIFY(f);
        TOpenFile* box = f->rowControls()[0].file;
        QVERIFY(box);

        // Inside the form's folder: the relative path holds no blank and is taken.
        seams_->dialogs.fileAnswers.push_back(FileDialogResult{path("my forms/data/new.txt"), 1});
        QVERIFY(box->ShowOpenFileDlg());
        QCOMPARE(box->fileName, QString("data/new.txt"));
        f->WriteDeck(path("my forms/form.qvd"));
        QVERIFY(testsupport::readFile(path("my forms/form.qvd")).contains("ASSIGN data/new.txt 10\r\n"));
        QVERIFY(open("my forms/form.qvd"));  // and the saved form opens again

        // A blank in the relative path too: refused, the field keeps its file.
        seams_->dialogs.fileAnswers.push_back(FileDialogResult{path("my forms/in put.txt"), 1});
        QVERIFY(!box->ShowOpenFileDlg());
        QCOMPARE(box->fileName, QString("data/new.txt"));
        QVERIFY2(alerts().lastText().contains("the statement ends at its first blank"), qPrintable(alerts().lastText()));
        QVERIFY(alerts().lastText().endsWith("The field keeps data/new.txt."));
    }

    void aChoiceWhoseValueCannotBeWrittenIsRefused() {
        testsupport::writeFile(path("files.chc"), "3\r\nPlain,a.dat\r\nSpaced,in put.dat\r\nBang,!\r\n");
        testsupport::writeFile(path("a.dat"), "");
        writeForm("*QUIVET\r\nASSIGN a.dat 10\r\n*|<Input|files.chc|1|2|0\r\nEND\r\n", "choice.qvd");
        auto f = open("choice.qvd");
        QVERIFY(f);
        TFileInput* box = f->rowControls()[0].choice;
        // A blank ends the statement; "!" would begin a remark there.
        const QList<QPair<int, QString>> refused = {{1, "\"in put.dat\" cannot be written in an ASSIGN statement"},
                                                    {2, "reads \"!\" and what follows as a remark"}};
        for (const auto& [row, why] : refused) {
            box->setCurrentIndex(row);
            emit box->activated(row);
            QCOMPARE(box->currentIndex(), 0);
            QVERIFY2(alerts().lastText().contains(why), qPrintable(alerts().lastText()));
            QVERIFY(!f->DCKChanged());
        }
    }

    void leavingABoxChecksItsNumber() {
        writeForm();
        auto f = open();
        TInput* step = f->rowControls()[Step].input;
        type(step, "2");
        QVERIFY(!step->Exit());
        QCOMPARE(alerts().lastText(), "This parameter must be >= 0.01 and <= 1.00");
        QVERIFY(alerts().shown.back().beep);
        QCOMPARE(step->selectedText(), "2");
        type(step, "x");
        QVERIFY(!step->Exit());
        QCOMPARE(alerts().lastText(), "Illegal character in input");
        step->clear();
        QVERIFY(!step->Exit());
        QCOMPARE(alerts().lastText(), "The input field is empty");
        type(step, "1.");
        QVERIFY(step->Exit());
        QCOMPARE(alerts().shown.size(), 3);
        QCOMPARE(f->errorFlag(), 0);
        QVERIFY(f->DCKChanged());

        // Through a real focus change.
        f->show();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        step->setFocus();
        type(step, "5");
        f->rowControls()[Area].input->setFocus();
        QTRY_COMPARE(alerts().shown.size(), 4);
        QCOMPARE(alerts().lastText(), "This parameter must be >= 0.01 and <= 1.00");
        QTRY_VERIFY(step->hasFocus());
        QCOMPARE(f->errorFlag(), 100);
    }

    void helpNumberComesFromTheFocusedField() {
        writeForm();
        auto f = open();
        f->show();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        QCOMPARE(f->focusedHelpNumber(), -1);
        f->rowControls()[Area].input->setFocus();
        QCOMPARE(f->focusedHelpNumber(), 12);
        f->rowControls()[Fluid].choice->setFocus();
        QCOMPARE(f->focusedHelpNumber(), 3);
        f->rowControls()[Case].input->setFocus();
        QCOMPARE(f->focusedHelpNumber(), 7);
    }

    void switchingUnitsConvertsAndSurvivesBadText() {
        writeForm();
        auto f = open();
        const auto& rows = f->rowControls();
        f->ConvertUnits(1, 2);
        QCOMPARE(rows[Temp].input->text(), "212.00");
        QCOMPARE(rows[Temp].unitLabel->text(), "F");
        QCOMPARE(rows[Area].input->text(), "129.2");
        QCOMPARE(rows[Step].input->text(), "0.50");
        f->ConvertUnits(2, 1);
        QCOMPARE(rows[Temp].input->text(), "100.00");
        QCOMPARE(rows[Area].input->text(), "12.0");
        QVERIFY(!f->DCKChanged());

        type(rows[Area].input, "abc");
        type(rows[Temp].input, "50");
        f->ConvertUnits(1, 2);
        QCOMPARE(rows[Area].input->text(), "129.2");  // its last valid value
        QCOMPARE(rows[Temp].input->text(), "122.00");
        QCOMPARE(alerts().shown.size(), 1);
        QVERIFY(alerts().lastText().contains("Tank area"));
        QVERIFY(f->DCKChanged());
    }

    void closingAsksOnlyAfterRealChanges() {
        writeForm();
        auto f = open();
        QVERIFY(f->FormCloseQuery());
        QVERIFY(alerts().shown.isEmpty());
        // Typing in a file box changes nothing, and a cancelled choice neither.
        QTest::keyClicks(f->rowControls()[Data].file, "typed");
        QTest::keyClick(f->rowControls()[Data].file, Qt::Key_Return);  // cancelled
        QCOMPARE(f->rowControls()[Data].file->text(), "data.txt");
        QVERIFY(!f->DCKChanged());
        // Another file chosen is a change: the ASSIGN statement is to be written.
        seams_->dialogs.fileAnswers.push_back(FileDialogResult{path("fluids.chc"), 1});
        QVERIFY(f->rowControls()[Data].file->ShowOpenFileDlg());
        QCOMPARE(seams_->dialogs.fileRequests[0].filters.first(), "Data Files (*.txt)");
        QCOMPARE(f->rowControls()[Data].file->text(), path("fluids.chc"));
        QVERIFY(f->DCKChanged());
        QVERIFY(f->isModified());

        f->rowControls()[Fluid].choice->setCurrentIndex(2);
        QVERIFY(f->DCKChanged());
        alerts().answers = {AlertButton::Cancel};
        QVERIFY(!f->FormCloseQuery());
        QCOMPARE(alerts().lastText(), path("form.qvd") + " has been changed.  Save it?");
        QCOMPARE(alerts().shown.back().kind, AlertKind::SaveQuestion);
        alerts().answers = {AlertButton::No};
        QVERIFY(f->FormCloseQuery());
        QCOMPARE(testsupport::readFile(path("form.qvd")), kForm);

        alerts().answers = {AlertButton::Yes};
        QVERIFY(f->FormCloseQuery());
        QCOMPARE(testsupport::readFile(path("form.BAK")), kForm);
        const QByteArray saved = testsupport::readFile(path("form.qvd"));
        QVERIFY(saved.contains("FLUID= glycol\r\n*|<Fluid|fluids.chc|1|2|3\r\nDENS= 1110\r\n"));
        QVERIFY(saved.contains("ASSIGN " + path("fluids.chc").toUtf8() + " 10\r\n"));
        QVERIFY(!f->DCKChanged());
    }

    void aChoiceNotInItsFileIsShownAndKept() {
        QByteArray text = kForm;
        text.replace("FLUID=water", "FLUID=mercury");
        writeForm(text);
        auto f = open();
        TFileInput* box = f->rowControls()[Fluid].choice;
        QCOMPARE(box->count(), 4);
        QCOMPARE(box->currentText(), QStringLiteral("mercury (not in the list)"));
        QVERIFY(!f->DCKChanged());
        f->saveTo(path("same.qvd"));
        QCOMPARE(testsupport::readFile(path("same.qvd")), text);  // nothing changed: the file as it was
        box->setCurrentIndex(1);
        QVERIFY(f->DCKChanged());
        f->saveTo(path("oil.qvd"));
        QVERIFY(testsupport::readFile(path("oil.qvd")).contains("FLUID= oil\r\n*|<Fluid|fluids.chc|1|2|3\r\nDENS= 870\r\n"));
    }

    void writingInEnglishUnitsWritesSI() {
        writeForm();
        pal::app().settings.unitSystem = 2;
        auto f = open();
        pal::app().settings.unitSystem = 1;
        TInput* temp = f->rowControls()[Temp].input;
        QCOMPARE(temp->text(), "212.00");
        type(temp, "212");
        type(f->rowControls()[Case].input, "Hot");
        f->saveTo(path("copy.qvd"));
        const QByteArray out = testsupport::readFile(path("copy.qvd"));
        // 212 F is 99.99997... C with this offset: written exactly, not rounded to 100.
        QVERIFY2(out.contains("TEMP= 9.9999977777777777785E+01\r\n"), out.constData());
        QVERIFY(out.contains("AREA = 12.0\r\n"));  // untouched: its own text
        QVERIFY(out.contains("*|*Case|Hot|7\r\n"));
        QCOMPARE(testsupport::readFile(path("form.qvd")), kForm);
        QVERIFY(!QFile::exists(path("form.BAK")));
        QCOMPARE(f->fileName(), path("copy.qvd"));
        QCOMPARE(f->windowTitle(), path("copy.qvd"));
        QVERIFY(!f->isModified());
    }

    // Saved, a form changes only the statements of the fields the user changed;
    // every other value keeps its text, byte for byte, save after save.
    void savingKeepsTheTextOfEveryValueNotChanged() {
        QByteArray text = kForm;
        text.replace("CONSTANTS 4\r\n", "CONSTANTS 6\r\nPI=3.14159265358979\r\n*|Pi|-|-|0|1|0|10.0|0\r\n"
                                          "COUNT = 123456789 ! items\r\n*|Count|-|-|0|1|0|1E9|0\r\n");
        writeForm(text);
        auto f = open();
        QVERIFY(f->save());
        QCOMPARE(testsupport::readFile(path("form.qvd")), text);
        QCOMPARE(testsupport::readFile(path("form.BAK")), text);
        // Switching units and back changes no value.
        f->ConvertUnits(1, 2);
        f->ConvertUnits(2, 1);
        // One field typed, saved twice: only its line differs, and the second
        // save keeps the first one's text.
        type(f->rowControls()[Area + 2].input, "28");
        QVERIFY(f->save());
        QVERIFY(f->save());
        QCOMPARE(testsupport::readFile(path("form.qvd")), QByteArray(text).replace("AREA = 12.0", "AREA =  2.8000E+0001"));
    }

    // A picture named in many ways ("pump.bmp", "./pump.bmp", a link to it) is
    // decoded once: the form holds one copy of it.
    void onePictureUnderManyNamesIsDecodedOnce() {
        writeForm();
        QDir().mkpath(path("sub"));
        QVERIFY(QFile::link(path("pump.bmp"), path("link.bmp")));
        FormPictures pictures;
        const QPixmap first = pictures.picture(path("pump.bmp"), "pump.bmp");
        QVERIFY(!first.isNull());
        for (const QString& name : {QStringLiteral("./pump.bmp"), QStringLiteral("sub/../pump.bmp"), QStringLiteral("link.bmp")})
            QCOMPARE(pictures.picture(path(name), name.toStdString()).cacheKey(), first.cacheKey());
    }

    void latin1TextsStayLatin1() {
        writeForm("*QUIVET\r\n*|*Caf\xe9|Cr\xe8me|0\r\n");
        auto f = open();
        TInput* box = f->rowControls()[0].input;
        QCOMPARE(box->text(), QString::fromUtf8("Cr\xc3\xa8me"));
        QCOMPARE(f->rowControls()[0].label->text(), QString::fromUtf8("Caf\xc3\xa9"));
        box->setFocus();
        box->end(false);
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Agrave, Qt::NoModifier, QString::fromUtf8("\xc3\xa0"));
        QApplication::sendEvent(box, &key);
        f->saveTo(path("latin.qvd"));
        QCOMPARE(testsupport::readFile(path("latin.qvd")), QByteArray("*QUIVET\r\n*|*Caf\xe9|Cr\xe8me\xe0|0\r\n"));
    }

    void aBoxWithoutANumberStopsTheWriteWithNothingWritten() {
        writeForm();
        auto f = open();
        type(f->rowControls()[Area].input, "12,5");
        try {
            f->saveForRun();
            QFAIL("written");
        } catch (const pal::IoError& e) {
            QCOMPARE(QString::fromStdString(e.userText()),
                     "The input field Tank area does not hold a number; nothing was written.");
        }
        QCOMPARE(testsupport::readFile(path("form.qvd")), kForm);
        QVERIFY(!QFile::exists(path("form.BAK")));
        QVERIFY(f->isModified());
    }

    void aFormWhoseFileWasDeletedOrMovedStillSaves() {
        writeForm();
        auto f = open();
        type(f->rowControls()[Temp].input, "50");
        QFile::rename(path("form.qvd"), path("moved.qvd"));
        QVERIFY(f->save());
        QVERIFY(alerts().shown.isEmpty());
        QVERIFY(testsupport::readFile(path("form.qvd")).contains("TEMP=  5.0000E+0001\r\n"));
        // A second save after the file went again keeps the first one's edit too.
        QFile::remove(path("form.qvd"));
        type(f->rowControls()[Case].input, "Hot");
        QVERIFY(f->save());
        const QByteArray saved = testsupport::readFile(path("form.qvd"));
        QVERIFY(saved.contains("TEMP=  5.0000E+0001\r\n"));
        QVERIFY(saved.contains("*|*Case|Hot|7\r\n"));
        QVERIFY(saved.contains("*|<BEFORE> echo before\r\nEND\r\n"));
        QVERIFY(!f->isModified());
    }

    void commandsFromTheFileRunOnlyWhenTheUserAgrees() {
        writeForm();
        auto f = open();
        alerts().answers = {AlertButton::No};
        QCOMPARE(f->beforeCommand(), QString());
        QCOMPARE(f->afterCommand(), QString());
        QCOMPARE(alerts().shown.size(), 1);
        QCOMPARE(alerts().shown[0].kind, AlertKind::WarningYesNo);
        QVERIFY(alerts().shown[0].text.contains("echo before"));

        auto g = open();
        alerts().answers = {AlertButton::Yes};
        QCOMPARE(g->beforeCommand(), "echo before");
        QCOMPARE(g->beforeCommand(), "echo before");
        QCOMPARE(alerts().shown.size(), 2);

        writeForm(QByteArray(kForm).replace("*|<BEFORE> echo before", "*|<BEFORE> abcd"));
        auto h = open();
        QCOMPARE(h->beforeCommand(), "abcd");  // four characters never run
        QCOMPARE(alerts().shown.size(), 2);
    }

    void printsEveryRow() {
        writeForm();
        auto f = open();
        QImage page(1700, 2200, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        PrintContext ctx;
        ctx.canvas = &painter;
        ctx.pageWidth = page.width();
        ctx.pageHeight = page.height();
        ctx.M = 200;
        ctx.leftMargin = 100;
        ctx.topMargin = 100;
        ctx.lineHeight = 20;
        ctx.y = 100;
        f->Print(ctx);
        painter.end();
        // Seven rows of text and the picture's lines (24 pixels: 24 / H + 1 lines).
        const int pictureLines = 24 / f->lineHeight() + 1;
        QCOMPARE(ctx.y, 100 + (7 + pictureLines) * 20);
        QCOMPARE(page.pixelColor(page.width() - 1, page.height() - 1), QColor(Qt::white));
        bool inked = false;
        for (int x = 100; x < 600 && !inked; ++x) inked = page.pixelColor(x, 125) != QColor(Qt::white);
        QVERIFY(inked);
    }

    void theSampleOpensFromTheMainWindowAndRuns() {
        const QString samples = qEnvironmentVariable("PALUMARO_SOURCE_DIR") + "/installation/samples";
        for (const char* name : {"PUMP.QVD", "PUMPS.CHC", "PUMP.BMP"})
            QVERIFY(QFile::copy(samples + "/" + name, path(name)));
        const QString engine = qEnvironmentVariable("PALUMARO_PROGRAM_DIR") + "/KALVEX32.exe";
        QVERIFY2(QFile::link(engine, path("KALVEX32.exe")), qPrintable(engine));

        auto main = std::make_unique<TPALUMAROFORM>();
        main->startUp();
        quivet::install(*main);
        pal::app().settings.kalvexDir = dir_.toStdString();
        QDir::setCurrent(dir_);
        main->ReadaFile(path("PUMP.QVD"));
        TQUIVETForm* form = nullptr;
        for (TDocWindow* w : main->docWindows())
            if (w->Tag() == Kind::QuivetForm) form = qobject_cast<TQUIVETForm*>(w);
        QVERIFY(form);
        QCOMPARE(main->currentInputFileName, path("PUMP.QVD"));
        // The form window opens wider than the text windows, with its own help context.
        QCOMPARE(qobject_cast<QWidget*>(form->parentWidget())->size(), QSize(483, 300));
        QCOMPARE(form->property("helpContext").toInt(), 35);
        main->setActiveDocWindow(form);

        const auto& rows = form->rowControls();
        TFileInput* pump = nullptr;
        TInput* area = nullptr;
        for (const auto& r : rows) {
            if (r.choice && r.choice->shown) pump = r.choice;
            if (r.input && r.label->text().startsWith("Tank cross-section")) area = r.input;
        }
        QVERIFY(pump && area);
        QCOMPARE(pump->currentText(), "Standard pump (45 m3/h at 9 m)");
        pump->setCurrentIndex(1);
        type(area, "20");

        seams_->launcher.runForReal = true;
        alerts().answers = {AlertButton::Yes};  // save before calling KALVEX
        main->Calculate1Click();
        const QByteArray deck = testsupport::readFile(path("PUMP.QVD"));
        QVERIFY(deck.contains("AREA =  2.0000E+0001\r\n"));
        QVERIFY(deck.contains("QMAX = 60.0\r\n"));
        QVERIFY(deck.contains("HSHUT = 11.0\r\n"));
        QVERIFY(QFile::exists(path("PUMP.BAK")));
        QCOMPARE(seams_->launcher.calls.size(), 1);
        const QByteArray listing = testsupport::readFile(path("PUMP.LST"));
        QVERIFY2(listing.contains("0 errors") || !listing.contains("error"), listing.constData());
        QVERIFY(QFile::exists(path("PUMP.PLT")));
        QVERIFY(!form->isModified());

        // The progress window showed the reading and was put away.
        QCOMPARE(main->compiling()->label1()->text(), "Reading line ");
        QVERIFY(!main->compiling()->isVisible());

        // Units switched from the main window; File > Save writes the input file.
        main->convertQuivetUnits(1, 2);
        QCOMPARE(area->text(), "215.3");
        type(area, "107.64");
        main->Save1Click();
        // 107.64 ft2 is 10.0000929 m2: written as it is, not rounded to 10.
        QVERIFY(testsupport::readFile(path("PUMP.QVD")).contains("AREA = 1.00000929"));
        main->convertQuivetUnits(2, 1);
        QCOMPARE(area->text(), "10.0");

        // A bad QUIVET file leaves the main window and its other windows alone.
        testsupport::writeFile(path("BAD.QVD"), "*QUIVET\r\nX=1\r\n*|L|u|u|0|1|0|ten|0\r\n");
        main->ReadaFile(path("BAD.QVD"));
        QVERIFY(alerts().lastText().startsWith("****Input Error****"));
        for (TDocWindow* w : main->docWindows()) QVERIFY(w->Tag() != Kind::QuivetForm);  // the old form was closed first
        QVERIFY(main->currentInputFileName.isEmpty());
    }
};

QTEST_MAIN(QuivetFormTest)
#include "test_quivetform.moc"
