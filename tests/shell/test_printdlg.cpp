// The window-printing dialog: filling, the move buttons with their selection and
// button states, drops on the lists, and OK handing the chosen windows to a job.
#include <QDropEvent>
#include <QFileInfo>
#include <QListWidget>
#include <QMimeData>
#include <QPageSize>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "printtesthelpers.h"
#include "shell/printu.h"
#include "shell/scriptedseams.h"
#include "support/testsupport.h"

using namespace printtest;

namespace {

QStringList texts(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

QList<int> selectedRows(const QListWidget* list) {
    QList<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) rows << i;
    return rows;
}

void select(QListWidget* list, const QList<int>& rows) {
    list->clearSelection();
    for (int r : rows) list->item(r)->setSelected(true);
}

}  // namespace

class TestPrintDlg : public QObject {
    Q_OBJECT
private:
    QTemporaryDir tmp_;
    std::unique_ptr<ScriptedSeams> seams_;
    std::unique_ptr<TPrintDlg> dlg_;
    std::vector<std::unique_ptr<LinesWindow>> windows_;

    // Windows with captions in a deliberately unsorted order.
    QList<TDocWindow*> openWindows() {
        windows_.clear();
        QList<TDocWindow*> list;
        const QStringList captions{QStringLiteral("C:\\RUNS\\pump.DCK"), QStringLiteral("/home/u/Delta.LST"),
                                   QStringLiteral("alpha.OUT"), QStringLiteral("/w/x\\Charlie.TBL"),
                                   QStringLiteral("Bravo.PLT")};
        for (const QString& c : captions) {
            windows_.push_back(std::make_unique<LinesWindow>(Kind::Viewer, TPrintDlg::itemText(c) + '-', 1, c));
            list << windows_.back().get();
        }
        return list;
    }
    bool enabled(const char* name) const { return dlg_->button(QString::fromLatin1(name))->isEnabled(); }
    QString buttons() const {
        QString s;
        for (const char* n : {"IncludeBtn", "IncAllBtn", "ExcludeBtn", "ExcAllBtn", "OKBtn"}) s += enabled(n) ? '1' : '0';
        return s;
    }

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        installFonts();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(tmp_.isValid());
    }
    void init() {
        seams_ = std::make_unique<ScriptedSeams>();
        dlg_ = std::make_unique<TPrintDlg>();
    }
    void cleanup() {
        dlg_.reset();
        windows_.clear();
        seams_.reset();
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }

    void itemTextDropsTheDirectory() {
        QCOMPARE(TPrintDlg::itemText(QStringLiteral("C:\\KALVEX\\PUMP.DCK")), QStringLiteral("PUMP.DCK"));
        QCOMPARE(TPrintDlg::itemText(QStringLiteral("/home/u/runs/PUMP.DCK")), QStringLiteral("PUMP.DCK"));
        QCOMPARE(TPrintDlg::itemText(QStringLiteral("a\\b/c.LST")), QStringLiteral("c.LST"));
        QCOMPARE(TPrintDlg::itemText(QStringLiteral("Untitled.DCK")), QStringLiteral("Untitled.DCK"));
        QCOMPARE(TPrintDlg::itemText(QStringLiteral("dir/")), QString());
    }

    void fillOffersTheOthersSortedAndChoosesTheActive() {
        const QList<TDocWindow*> open = openWindows();
        dlg_->fill(open, open[0]);
        QCOMPARE(texts(dlg_->srcList()), (QStringList{"alpha.OUT", "Bravo.PLT", "Charlie.TBL", "Delta.LST"}));
        QCOMPARE(texts(dlg_->dstList()), QStringList{"pump.DCK"});
        QCOMPARE(dlg_->chosenWindows(), QList<TDocWindow*>{open[0]});
        QCOMPARE(buttons(), QStringLiteral("11111"));

        // Filling again starts over; no active window means nothing is chosen.
        dlg_->fill(open, nullptr);
        QCOMPARE(dlg_->srcList()->count(), 5);
        QCOMPARE(dlg_->dstList()->count(), 0);
        QCOMPARE(buttons(), QStringLiteral("11000"));

        // An active window that is no longer open is not offered.
        LinesWindow closed(Kind::Viewer, QStringLiteral("gone"), 1);
        dlg_->fill(open.mid(1), &closed);
        QCOMPARE(dlg_->dstList()->count(), 0);

        dlg_->fill({}, nullptr);
        QCOMPARE(buttons(), QStringLiteral("00000"));
    }

    void includeMovesTheSelectionAndSelectsTheNextItem() {
        const QList<TDocWindow*> open = openWindows();
        dlg_->fill(open, open[0]);
        dlg_->show();
        QVERIFY(QTest::qWaitForWindowActive(dlg_.get()));
        QListWidget* src = dlg_->srcList();
        QListWidget* dst = dlg_->dstList();

        // Selected items go from the last to the first onto the end of "Print:".
        select(src, {1, 2});
        dlg_->IncludeBtnClick();
        QCOMPARE(texts(dst), (QStringList{"pump.DCK", "Charlie.TBL", "Bravo.PLT"}));
        QCOMPARE(texts(src), (QStringList{"alpha.OUT", "Delta.LST"}));
        QCOMPARE(selectedRows(src), QList<int>{1});
        QVERIFY(selectedRows(dst).isEmpty());
        QVERIFY(src->hasFocus());

        // The first moved item was the last one: the new last one is selected.
        select(src, {1});
        dlg_->IncludeBtnClick();
        QCOMPARE(texts(src), QStringList{"alpha.OUT"});
        QCOMPARE(selectedRows(src), QList<int>{0});

        // Nothing selected: nothing moves and the first item is selected.
        select(dst, {});
        dlg_->ExcludeBtnClick();
        QCOMPARE(dst->count(), 4);
        QCOMPARE(selectedRows(dst), QList<int>{0});
        QVERIFY(dst->hasFocus());

        // Back into "Windows:" in alphabetical order.
        select(dst, {0, 2});
        dlg_->ExcludeBtnClick();
        QCOMPARE(texts(src), (QStringList{"alpha.OUT", "Bravo.PLT", "pump.DCK"}));
        QCOMPARE(texts(dst), (QStringList{"Charlie.TBL", "Delta.LST"}));
        QCOMPARE(selectedRows(dst), QList<int>{0});
        QCOMPARE(dlg_->chosenWindows(), (QList<TDocWindow*>{open[3], open[1]}));
    }

    void moveAllEmptiesOneListAndSetsTheButtons() {
        const QList<TDocWindow*> open = openWindows();
        dlg_->fill(open, open[2]);
        dlg_->IncAllBtnClick();
        QCOMPARE(texts(dlg_->dstList()),
                 (QStringList{"alpha.OUT", "Bravo.PLT", "Charlie.TBL", "Delta.LST", "pump.DCK"}));
        QCOMPARE(dlg_->srcList()->count(), 0);
        QCOMPARE(buttons(), QStringLiteral("00111"));

        // Reorder by hand, then all back: "Windows:" stays sorted.
        select(dlg_->dstList(), {0});
        dlg_->ExcludeBtnClick();
        dlg_->ExcAllBtnClick();
        QCOMPARE(texts(dlg_->srcList()),
                 (QStringList{"alpha.OUT", "Bravo.PLT", "Charlie.TBL", "Delta.LST", "pump.DCK"}));
        QCOMPARE(dlg_->dstList()->count(), 0);
        QCOMPARE(buttons(), QStringLiteral("11000"));
        QVERIFY(selectedRows(dlg_->srcList()).isEmpty());
    }

    void dropsActAsTheMoveButtons() {
        const QList<TDocWindow*> open = openWindows();
        dlg_->fill(open, nullptr);
        QVERIFY(dlg_->SrcListDragOver());
        QVERIFY(dlg_->DstListDragOver());

        select(dlg_->srcList(), {0});
        dlg_->DstListDragDrop();
        QCOMPARE(texts(dlg_->dstList()), QStringList{"alpha.OUT"});
        select(dlg_->dstList(), {0});
        dlg_->SrcListDragDrop();
        QCOMPARE(dlg_->dstList()->count(), 0);
        QCOMPARE(dlg_->srcList()->count(), 5);

        // A real drop event on the "Print:" list: accepted as a copy, so the drag
        // source removes nothing, and the selection moves across.
        dlg_->show();
        select(dlg_->srcList(), {3, 4});
        QMimeData mime;
        mime.setText(QStringLiteral("anything"));
        QWidget* viewport = dlg_->dstList()->viewport();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        QVERIFY(drop.isAccepted());
        QCOMPARE(drop.dropAction(), Qt::CopyAction);
        QCOMPARE(texts(dlg_->dstList()), (QStringList{"pump.DCK", "Delta.LST"}));
        QCOMPARE(dlg_->srcList()->count(), 3);
    }

    void okWithNothingChosenDoesNothing() {
        const QString path = tmp_.path() + QStringLiteral("/none.pdf");
        auto printer = pdfPrinter(path, QPageSize(QPageSize::A4));
        dlg_->setPrinter(printer.get());
        const QList<TDocWindow*> open = openWindows();
        dlg_->fill(open, nullptr);
        dlg_->OKBtnClick();
        QCOMPARE(dlg_->result(), 0);
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(seams_->dialogs.fileRequests.isEmpty());
    }

    void okPrintsTheChosenWindowsInOrder() {
        const QString path = tmp_.path() + QStringLiteral("/chosen.pdf");
        auto printer = pdfPrinter(path, QPageSize(QPageSize::A4));
        dlg_->setPrinter(printer.get());
        const QList<TDocWindow*> open = openWindows();
        dlg_->fill(open, open[0]);
        select(dlg_->srcList(), {3});
        dlg_->IncludeBtnClick();
        select(dlg_->srcList(), {0});
        dlg_->IncludeBtnClick();
        dlg_->OKBtnClick();
        QCOMPARE(dlg_->result(), int(QDialog::Accepted));

        const QStringList pages = pdfPages(path);
        QCOMPARE(pages.size(), 1);
        QVERIFY(pages[0].startsWith(QStringLiteral("PALUMARO Ver. 1.80")));
        QVERIFY2(pages[0].endsWith(QStringLiteral("pump.DCK-0 Delta.LST-0 alpha.OUT-0")), qPrintable(pages[0]));
        QVERIFY(seams_->dialogs.fileRequests.isEmpty());
    }

    void withoutAPrinterTheJobGoesToANamedPdf() {
        if (!QPrinterInfo::availablePrinters().isEmpty()) QSKIP("a real printer is installed here");
        QPrinter printer(QPrinter::HighResolution);
        dlg_->setPrinter(&printer);
        const QList<TDocWindow*> open = openWindows();

        // Cancelling the file question prints nothing.
        dlg_->fill(open, open[0]);
        dlg_->OKBtnClick();
        QCOMPARE(seams_->dialogs.fileRequests.size(), 1);
        const FileDialogRequest request = seams_->dialogs.fileRequests[0];
        QVERIFY(request.save);
        QVERIFY(request.overwritePrompt);
        QCOMPARE(request.filters, QStringList{"PDF files (*.pdf)"});
        QCOMPARE(request.fileName, QStringLiteral("pump.pdf"));
        QVERIFY(printer.outputFileName().isEmpty());

        const QString path = tmp_.path() + QStringLiteral("/named.pdf");
        seams_->dialogs.fileAnswers.push_back(FileDialogResult{path, 1});
        dlg_->fill(open, open[0]);
        dlg_->OKBtnClick();
        QCOMPARE(pdfPages(path).size(), 1);
        QVERIFY(pdfPages(path)[0].contains(QStringLiteral("pump.DCK-0")));
        // The next job asks again rather than overwriting this file.
        QVERIFY(printer.outputFileName().isEmpty());
        QVERIFY(seams_->alerts.shown.isEmpty());
    }

    void aFileThatCannotBeWrittenIsReported() {
        if (!QPrinterInfo::availablePrinters().isEmpty()) QSKIP("a real printer is installed here");
        QPrinter printer(QPrinter::HighResolution);
        dlg_->setPrinter(&printer);
        const QList<TDocWindow*> open = openWindows();
        const QString path = tmp_.path() + QStringLiteral("/no/such/dir/x.pdf");
        seams_->dialogs.fileAnswers.push_back(FileDialogResult{path, 1});
        dlg_->fill(open, open[0]);
        dlg_->OKBtnClick();
        QCOMPARE(seams_->alerts.shown.size(), 1);
        QVERIFY(seams_->alerts.lastText().contains(path));
        QCOMPARE(seams_->alerts.shown[0].kind, AlertKind::Error);
    }
};

QTEST_MAIN(TestPrintDlg)
#include "test_printdlg.moc"
