// File > Print Preview: the chosen windows' pages drawn by the print job itself,
// so that the preview shows the pages the paper gets.
#include <QLabel>
#include <QListWidget>
#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include "printtesthelpers.h"
#include "shell/printu.h"
#include "shell/scriptedseams.h"
#include "support/testsupport.h"

using namespace printtest;

class PrintPreviewTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        installFonts();
    }
    void cleanup() { QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0); }

    void thePreviewShowsThePagesThePrinterGets_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("from");  // the dialog's page range (0: all)
        QTest::addColumn<int>("to");
        QTest::newRow("one page") << 20 << 0 << 0;
        QTest::newRow("three pages") << 150 << 0 << 0;
        QTest::newRow("pages 2 to 3 of three") << 150 << 2 << 3;
        QTest::newRow("from page 3") << 150 << 3 << 0;
    }
    void thePreviewShowsThePagesThePrinterGets() {
        QFETCH(int, lines);
        QFETCH(int, from);
        QFETCH(int, to);
        ScriptedSeams s;
        const QString path = tmp_.path() + QStringLiteral("/paper%1-%2.pdf").arg(lines).arg(from);
        auto printer = pdfPrinter(path, QPageSize(QPageSize::A4));
        LinesWindow first(Kind::Viewer, QStringLiteral("first-"), lines, QStringLiteral("first.LST"));
        LinesWindow second(Kind::Viewer, QStringLiteral("second-"), 10, QStringLiteral("second.OUT"));
        TPrintDlg dlg;
        dlg.setPrinter(printer.get());

        // The preview: every window chosen, its pages drawn on the printer's page.
        int previewPages = -1;
        QSizeF previewPage;
        s.dialogs.onDialog = [&](QDialog& shown) -> int {
            auto* preview = shown.findChild<QPrintPreviewWidget*>();
            if (!preview) return QDialog::Rejected;
            preview->updatePreview();
            previewPages = preview->pageCount();
            previewPage = printer->pageLayout().fullRect(QPageLayout::Point).size();
            return QDialog::Rejected;
        };
        dlg.setPreview(true);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Select Windows to Preview"));
        dlg.findChild<QSpinBox*>(QStringLiteral("FromPage"))->setValue(from);
        dlg.findChild<QSpinBox*>(QStringLiteral("ToPage"))->setValue(to);
        dlg.fill({&first, &second}, &first);
        dlg.IncAllBtnClick();
        dlg.OKBtnClick();
        QCOMPARE(s.dialogs.dialogsShown.size(), 1);
        QVERIFY(!QFile::exists(path));  // previewing prints nothing

        // Printed: as many pages, the same size.
        dlg.setPreview(false);
        dlg.fill({&first, &second}, &first);
        dlg.IncAllBtnClick();
        dlg.OKBtnClick();
        const QStringList pages = pdfPages(path);
        QCOMPARE(previewPages, static_cast<int>(pages.size()));
        QCOMPARE(previewPage, printer->pageLayout().fullRect(QPageLayout::Point).size());
        QVERIFY(pages.back().contains(QStringLiteral("second-9")));
        if (from == 0) {
            QVERIFY(pages.size() >= (lines > 100 ? 3 : 1));
        } else {
            // Only the range, its first page the job's page "from".
            QCOMPARE(pages.size(), 3 - from + 1);
            QVERIFY2(pages.front().startsWith(QStringLiteral("Page %1 ").arg(from)), qPrintable(pages.front()));
        }
    }
};

QTEST_MAIN(PrintPreviewTest)
#include "test_printpreview.moc"
