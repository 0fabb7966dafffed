// The main window as a desktop program: standard keys, drops, files named on the
// command line, the folder File > Open starts in, remembered geometry and the
// cascade of new windows.
#include <QAction>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSettings>
#include <QtTest>
#include <memory>

#include "mainwindow/desktopintegration.h"
#include "text/editoru.h"
#include "text/finddialog.h"
#include "shell/fonts.h"
#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"
#include "table/table.h"
#include "common/settings.h"
#include "support/testsupport.h"

namespace {
int countKind(TPALUMAROFORM& f, int tag) {
    int n = 0;
    for (TDocWindow* w : f.docWindows()) n += w->Tag() == tag;
    return n;
}
void activate(QWidget& w) {
    w.show();
    QApplication::setActiveWindow(&w);
    w.activateWindow();
}
}  // namespace

class DesktopTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString prog_, work_;
    std::unique_ptr<ScriptedSeams> seams_;

private slots:
    void initTestCase() { testsupport::installQuietMessageHandler(); installFontSubstitutions(); }
    void init() {
        const auto ws = testsupport::makeWorkspace(tmp_);
        prog_ = ws.prog;
        work_ = ws.work;
        seams_ = std::make_unique<ScriptedSeams>();
    }
    void cleanup() {
        seams_.reset();
        QDir(prog_).removeRecursively();
        QDir(work_).removeRecursively();
        QVERIFY(QApplication::topLevelWidgets().size() <= 1 || true);
    }

    void standardKeysAreShownAndReachTheirCommands() {
        TPALUMAROFORM f;
        f.startUp();
        f.resize(900, 700);
        activate(f);
        // Shown in the menus; the documented F8 stays.
        const QList<QPair<const char*, QKeySequence>> shown = {
            {"New1", QKeySequence("Ctrl+N")},      {"Open1", QKeySequence("Ctrl+O")},
            {"Save1", QKeySequence("Ctrl+S")},     {"Saveas1", QKeySequence("Ctrl+Shift+S")},
            {"Print1", QKeySequence("Ctrl+P")},    {"Exit1", QKeySequence("Ctrl+Q")},
            {"Find1", QKeySequence("Ctrl+F")},     {"Replace1", QKeySequence("Ctrl+H")},
            {"SearchAgain1", QKeySequence("F3")},  {"Calculate1", QKeySequence("F8")}};
        for (const auto& [name, key] : shown) QCOMPARE(f.item(name)->shortcut(), key);

        QTest::keyClick(&f, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(countKind(f, Kind::TextEditor), 1);
        auto* editor = qobject_cast<TEditForm*>(f.activeDocWindow());
        QVERIFY(editor);

        // Ctrl+O asks for a file (cancelled by the script).
        QTest::keyClick(&f, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(seams_->dialogs.fileRequests.size(), 1);
        QCOMPARE(seams_->dialogs.fileRequests.back().title, QStringLiteral("Open"));

        // Typing, undo and redo in the editor.
        editor->editor()->setFocus();
        QTest::keyClicks(editor->editor(), "abc abc abc");
        QTest::keyClick(editor->editor(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(editor->editor()->toPlainText() != QStringLiteral("abc abc abc"));
        QTest::keyClick(editor->editor(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(editor->editor()->toPlainText(), QStringLiteral("abc abc abc"));

        // Ctrl+F shows the find dialog; F3 searches on, Shift+F3 back.
        QTest::keyClick(&f, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(editor->findDialog()->isVisible());
        QVERIFY(f.lastSearchWasFind);
        editor->findDialog()->setFindText(QStringLiteral("abc"));
        editor->findDialog()->setDown(true);
        editor->findDialog()->hide();
        QTextCursor c = editor->editor()->textCursor();
        c.setPosition(0);
        editor->editor()->setTextCursor(c);
        activate(f);
        QTest::keyClick(&f, Qt::Key_F3);
        QCOMPARE(editor->editor()->textCursor().selectionStart(), 0);
        QTest::keyClick(&f, Qt::Key_F3);
        QCOMPARE(editor->editor()->textCursor().selectionStart(), 4);
        QTest::keyClick(&f, Qt::Key_F3);
        QCOMPARE(editor->editor()->textCursor().selectionStart(), 8);
        QTest::keyClick(&f, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(editor->editor()->textCursor().selectionStart(), 4);
        QVERIFY(editor->findDialog()->down());  // the direction is the user's again

        QTest::keyClick(&f, Qt::Key_H, Qt::ControlModifier);
        QVERIFY(editor->replaceDialog()->isVisible());
        editor->replaceDialog()->hide();
        QVERIFY(f.lastSearchWasReplace);

        // Ctrl+S and Ctrl+Shift+S ask for a name for the untitled editor.
        QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(seams_->dialogs.fileRequests.back().title, QStringLiteral("Saving window Untitled.DCK"));
        const int requests = seams_->dialogs.fileRequests.size();
        QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(seams_->dialogs.fileRequests.size(), requests + 1);
        QVERIFY(seams_->dialogs.fileRequests.back().save);

        // Ctrl+P: the window-printing dialog.
        QTest::keyClick(&f, Qt::Key_P, Qt::ControlModifier);
        QVERIFY(seams_->dialogs.dialogsShown.contains(QStringLiteral("PrintDlg")));

        // Ctrl+Tab moves between windows.
        QTest::keyClick(&f, Qt::Key_N, Qt::ControlModifier);
        TDocWindow* second = f.activeDocWindow();
        QVERIFY(second != editor);
        QTest::keyClick(&f, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(f.activeDocWindow(), editor);
        QTest::keyClick(&f, Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.activeDocWindow(), second);

        // Ctrl+W closes the active window through its close question: the
        // changed editor asks, and Cancel keeps it.
        QTest::keyClick(&f, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(f.activeDocWindow(), editor);
        seams_->alerts.answers = {AlertButton::Cancel};
        QTest::keyClick(&f, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(f.docWindowCount(), 2);
        QVERIFY(!seams_->alerts.shown.isEmpty());
        seams_->alerts.answers = {AlertButton::No};
        QTest::keyClick(&f, Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(f.docWindowCount(), 1);

        // Ctrl+Q leaves (the unchanged editor does not ask).
        QTest::keyClick(&f, Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!f.isVisible());
    }

    void droppedAndCommandLineFilesOpenAsFileOpenWould() {
        testsupport::writeFile(work_ + "/PUMP.DCK", "* deck\r\nEND\r\n");
        testsupport::writeFile(work_ + "/PUMP.LST", "listing\r\n");
        testsupport::writeFile(work_ + "/NOTES.TXT", "text\r\n");
        {
            TPALUMAROFORM f;
            f.startFiles = {work_ + "/PUMP.DCK", work_ + "/NOTES.TXT"};
            f.startUp();
            QCOMPARE(countKind(f, Kind::DeckEditor), 1);
            QCOMPARE(countKind(f, Kind::TextEditor), 1);
            QCOMPARE(f.currentInputFileName, work_ + "/PUMP.DCK");
            QVERIFY(f.item("Listing1")->isEnabled());
            QCOMPARE(QDir::currentPath(), work_);
            QCOMPARE(QString::fromStdString(f.recentFiles().entries().back()), work_ + "/NOTES.TXT");
        }
        {
            // A drop: each local file opens; the question of a changed deck comes first.
            TPALUMAROFORM f;
            f.startUp();
            f.show();
            auto dropOn = [&](const QList<QUrl>& urls) {
                QMimeData mime;
                mime.setUrls(urls);
                QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(&f, &enter);
                const bool accepted = enter.isAccepted();
                QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(&f, &drop);
                return accepted;
            };
            QVERIFY(dropOn({QUrl::fromLocalFile(work_ + "/PUMP.DCK")}));
            QCOMPARE(countKind(f, Kind::DeckEditor), 1);
            auto* deck = qobject_cast<TEditForm*>(f.activeDocWindow());
            deck->editor()->appendPlainText(QStringLiteral("changed"));
            seams_->alerts.answers = {AlertButton::Cancel};
            dropOn({QUrl::fromLocalFile(work_ + "/PUMP.DCK")});
            QCOMPARE(f.docWindows().size(), 1);
            QCOMPARE(f.activeDocWindow(), deck);  // Cancel kept the changed deck

            // A web address is not a file: not taken.
            QVERIFY(!dropOn({QUrl(QStringLiteral("https://example.org/PUMP.DCK"))}));
            // A file gone by the time it is dropped: the message, nothing opened.
            seams_->alerts.answers.clear();
            dropOn({QUrl::fromLocalFile(work_ + "/GONE.DCK")});
            QCOMPARE(seams_->alerts.lastText(), work_ + "/GONE.DCK no longer exists");
            deck->editor()->document()->setModified(false);
        }
    }

    void quivetModeOpensNamedFilesInPlaceOfItsFirstOpen() {
        testsupport::prepareProgramDir(prog_, true);
        testsupport::writeFile(work_ + "/NOTES.TXT", "text\r\n");
        TPALUMAROFORM f;
        f.startFiles = {work_ + "/NOTES.TXT"};
        f.startUp();
        QVERIFY(seams_->dialogs.fileRequests.isEmpty());  // no open dialog at start
        QCOMPARE(seams_->alerts.lastText(), work_ + "/NOTES.TXT is not a QUIVET file.");
        QCOMPARE(f.docWindowCount(), 1);
    }

    void openStartsInTheLastFolderElseTheSamples() {
        QDir().mkpath(prog_ + "/samples");
        QDir().mkpath(work_ + "/my runs.1");
        testsupport::writeFile(work_ + "/my runs.1/A.DCK", "* a\r\n");
        {
            TPALUMAROFORM f;
            f.startUp();
            seams_->dialogs.fileAnswers = {FileDialogResult{work_ + "/my runs.1/A.DCK", 1}};
            f.Open1Click();
            QCOMPARE(seams_->dialogs.fileRequests.back().directory, prog_ + "/samples");
            QCOMPARE(countKind(f, Kind::DeckEditor), 1);
        }
        {
            // The next run starts where the last file was opened.
            QDir::setCurrent(prog_);
            TPALUMAROFORM f;
            f.startUp();
            f.Open1Click();
            QCOMPARE(seams_->dialogs.fileRequests.back().directory, work_ + "/my runs.1");
        }
        {
            // A folder that has gone: the samples again.
            QDir(work_ + "/my runs.1").removeRecursively();
            TPALUMAROFORM f;
            f.startUp();
            f.Open1Click();
            QCOMPARE(seams_->dialogs.fileRequests.back().directory, prog_ + "/samples");
        }
    }

    void geometrySurvivesARestart() {
        const QRect frame(40, 50, 600, 400);
        {
            TPALUMAROFORM f;
            f.startUp();
            f.desktop()->showMainWindow();
            f.showNormal();
            f.setGeometry(frame);
            QTRY_COMPARE(f.geometry(), frame);
            f.New1Click();
            QMdiSubWindow* sub = f.mdiArea()->activeSubWindow();
            sub->resize(333, 222);
            f.close();
        }
        {
            TPALUMAROFORM f;
            f.startUp();
            f.desktop()->showMainWindow();
            QTRY_COMPARE(f.geometry(), frame);
            QVERIFY(!f.isMaximized());
            // The editor kind opens at the size it had last; other kinds keep theirs.
            f.New1Click();
            QCOMPARE(f.mdiArea()->activeSubWindow()->size(), QSize(333, 222));
            f.close();
        }
        {
            // A maximised frame comes back maximised.
            TPALUMAROFORM f;
            f.startUp();
            f.desktop()->showMainWindow();
            f.showMaximized();
            QTRY_VERIFY(f.isMaximized());
            f.close();
        }
        {
            TPALUMAROFORM f;
            f.startUp();
            f.desktop()->showMainWindow();
            QTRY_VERIFY(f.isMaximized());
            f.close();
        }
        // A frame kept on a larger screen (or pushed off it) comes back whole on this one.
        desktopSettings()->setValue(QStringLiteral("mainWindow/maximised"), false);
        desktopSettings()->setValue(QStringLiteral("mainWindow/rect"), QRect(700, 500, 3000, 400));
        TPALUMAROFORM f;
        f.startUp();
        f.desktop()->showMainWindow();
        const QRect screen = f.screen()->availableGeometry();
        QTRY_VERIFY(f.isVisible());
        QVERIFY2(screen.contains(f.geometry()), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(f.x()).arg(f.y()).arg(f.width()).arg(f.height())));
        QCOMPARE(f.height(), 400);
        f.close();
    }

    void theFirstWindowOfAKindUsesTheFrameAndATableKeepsItsOwnSize() {
        TPALUMAROFORM f;
        f.startUp();
        f.showNormal();
        f.resize(1280, 900);
        QTRY_VERIFY(f.mdiArea()->viewport()->width() > 1000);
        const QSize area = f.mdiArea()->viewport()->size();
        // No size remembered yet: a good share of the frame, not 435 x 300.
        f.New1Click();
        QMdiSubWindow* sub = f.mdiArea()->activeSubWindow();
        QVERIFY2(sub->width() >= area.width() * 3 / 5 && sub->height() >= area.height() * 7 / 10,
                 qPrintable(QStringLiteral("%1x%2 in %3x%4").arg(sub->width()).arg(sub->height()).arg(area.width()).arg(area.height())));
        sub->resize(700, 500);
        sub->close();
        f.New1Click();
        QCOMPARE(f.mdiArea()->activeSubWindow()->size(), QSize(700, 500));  // the kind's last size

        // A table sizes itself to its grid: a size kept from a window that
        // showed a run panel leaves no blank band.
        desktopSettings()->setValue(QStringLiteral("documentWindows/kind%1").arg(Kind::Table), QSize(1100, 800));
        const QString deck = testsupport::copySample(QStringLiteral("SOLAR.DCK"), work_);
        auto* t = new TTableForm;
        t->setTable(table::TableData(deck.toStdString(), {"AREA"}, 2), work_ + QStringLiteral("/SOLAR.TBL"));
        const QSize own = t->size();
        QMdiSubWindow* tableSub = f.addDocWindow(t);
        QVERIFY2(tableSub->width() < 1100 && tableSub->height() < 800,
                 qPrintable(QStringLiteral("%1x%2").arg(tableSub->width()).arg(tableSub->height())));
        QVERIFY(std::abs(t->width() - own.width()) < 40);
        tableSub->close();
        QVERIFY(desktopSettings()->value(QStringLiteral("documentWindows/kind%1").arg(Kind::Table)).toSize() == QSize(1100, 800));
    }

    void newWindowsCascadeInsideTheFrame() {
        TPALUMAROFORM f;
        f.startUp();
        f.showNormal();
        f.resize(700, 520);
        QTRY_VERIFY(f.mdiArea()->viewport()->width() > 500);
        QSet<QPoint> places;
        for (int i = 0; i < 14; ++i) {
            f.New1Click();
            QMdiSubWindow* sub = f.mdiArea()->activeSubWindow();
            const QRect area = f.mdiArea()->viewport()->rect();
            QVERIFY2(area.contains(sub->geometry()), qPrintable(QStringLiteral("window %1 at %2,%3 %4x%5")
                                                                    .arg(i)
                                                                    .arg(sub->x())
                                                                    .arg(sub->y())
                                                                    .arg(sub->width())
                                                                    .arg(sub->height())));
            places.insert(sub->pos());
        }
        QVERIFY(places.size() >= 5);  // a cascade, not one pile
        // A frame smaller than a window's size: the window shrinks to fit.
        f.resize(300, 250);
        QTRY_VERIFY(f.mdiArea()->viewport()->width() < 435);
        f.New1Click();
        QVERIFY(f.mdiArea()->viewport()->rect().contains(f.mdiArea()->activeSubWindow()->geometry()));
    }
};

QTEST_MAIN(DesktopTest)
#include "test_desktop.moc"
