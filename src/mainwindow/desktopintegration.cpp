#include "mainwindow/desktopintegration.h"

#include <algorithm>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QUrl>

#include "common/configdir.h"
#include "common/diskfile.h"
#include "shell/docwindow.h"
#include "text/editoru.h"
#include "text/finddialog.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "common/settings.h"
#include "text/viewer.h"

namespace {

const char* kGeometry = "mainWindow/rect";
const char* kMaximised = "mainWindow/maximised";
const char* kState = "mainWindow/state";
const char* kLastFolder = "open/lastFolder";

QString sizeKey(int kind) { return QStringLiteral("documentWindows/kind%1").arg(kind); }

// The local files a drag carries (none when it carries anything else).
QStringList localFiles(const QMimeData* mime) {
    QStringList out;
    if (!mime || !mime->hasUrls()) return out;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) out << url.toLocalFile();
    return out;
}

}  // namespace

std::unique_ptr<QSettings> desktopSettings() {
    return std::make_unique<QSettings>(toQ(pal::userConfigDir()) + QStringLiteral("/palumaro.conf"),
                                       QSettings::IniFormat);
}

DesktopIntegration::DesktopIntegration(DesktopFrame& frame) : QObject(&frame.mainWindow()), frame_(frame) {
    frame_.mainWindow().setAcceptDrops(true);
    // Files dropped anywhere in the frame open, also on a window that takes
    // dropped text (an editor, a form's field), which would paste their names.
    QCoreApplication::instance()->installEventFilter(this);
    addShortcuts();
}

void DesktopIntegration::addShortcuts() {
    // Standard keys on the documented items; F8 on Calculate is documented and
    // none of these takes it.
    const std::pair<const char*, QKeySequence> keys[] = {
        {"New1", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"Open1", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"Save1", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"Saveas1", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {"Print1", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"Exit1", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"Find1", QKeySequence(Qt::CTRL | Qt::Key_F)},
        {"Replace1", QKeySequence(Qt::CTRL | Qt::Key_H)},
        {"SearchAgain1", QKeySequence(Qt::Key_F3)},
    };
    for (const auto& [name, key] : keys) {
        QAction* a = frame_.item(QString::fromLatin1(name));
        if (a && a->shortcut().isEmpty()) a->setShortcut(key);
    }

    // Keys without a menu item of their own: the menu tree is fixed, so they
    // live on the frame. Ctrl+W is Qt's own Close of each document window's
    // window menu (shown there), which asks the window's close question.
    auto addKey = [this](const char* name, QKeySequence key, auto slot) {
        auto* a = new QAction(&frame_.mainWindow());
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, slot);
        frame_.mainWindow().addAction(a);
    };
    addKey("SearchBackwards", QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { searchBackwards(); });
    addKey("NextWindow", QKeySequence(Qt::CTRL | Qt::Key_Tab), [this] { frame_.mdiArea()->activateNextSubWindow(); });
    addKey("PreviousWindow", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
           [this] { frame_.mdiArea()->activatePreviousSubWindow(); });
}

void DesktopIntegration::searchBackwards() {
    // Search Again in the other direction: the find dialog's direction is turned
    // round for this one search.
    TDocWindow* w = frame_.activeDocument();
    TFindDialog* dialog = nullptr;
    if (auto* e = qobject_cast<TEditForm*>(w))
        dialog = e->findDialog();
    else if (auto* v = qobject_cast<TViewForm*>(w))
        dialog = v->findDialog();
    if (!dialog) return;
    const bool down = dialog->down();
    dialog->setDown(!down);
    frame_.SearchAgain1Click();
    dialog->setDown(down);
}

bool DesktopIntegration::openFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        ShowAlert(path + QStringLiteral(" no longer exists"), AlertKind::Warning, true);
        return false;
    }
    // A named pipe, a device or a folder named like a document is refused before
    // the open windows are asked to close for it.
    try {
        ::close(pal::openForReading(toBytes(info.absoluteFilePath())));
    } catch (const pal::IoError& e) {
        ShowIoError(e);
        return false;
    }
    return frame_.openAsChosen(info.absoluteFilePath());
}

bool DesktopIntegration::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
        auto* target = qobject_cast<QWidget*>(watched);
        if (!target || (target != &frame_.mainWindow() && !frame_.mainWindow().isAncestorOf(target))) return false;
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* e = static_cast<QDropEvent*>(event);
            if (!localFiles(e->mimeData()).isEmpty()) {
                e->acceptProposedAction();
                return true;
            }
        } else if (event->type() == QEvent::Drop) {
            auto* e = static_cast<QDropEvent*>(event);
            const QStringList files = localFiles(e->mimeData());
            if (!files.isEmpty()) {
                e->acceptProposedAction();
                for (const QString& f : files)
                    if (!openFile(f)) break;
                return true;
            }
        }
        return false;
    }
    if (type == QEvent::Close)
        if (auto* sub = qobject_cast<QMdiSubWindow*>(watched); sub && sub->mdiArea() == frame_.mdiArea()) rememberSize(sub);
    return false;
}

// ---------------------------------------------------------------- geometry

void DesktopIntegration::showMainWindow() {
    // The frame's own rectangle and maximised flag, not Qt's saved geometry:
    // without a window manager that restores the frame shifted by a guessed
    // title bar, partly off the screen.
    const auto s = desktopSettings();
    QRect rect = s->value(kGeometry).toRect();
    const bool maximised = s->value(kMaximised, true).toBool();
    const QRect area = frame_.mainWindow().screen() ? frame_.mainWindow().screen()->availableGeometry() : QRect();
    if (rect.isValid() && area.isValid()) {
        // A screen that has shrunk since keeps the frame on it.
        rect.setSize(rect.size().boundedTo(area.size()));
        rect.moveLeft(std::clamp(rect.left(), area.left(), area.right() - rect.width() + 1));
        rect.moveTop(std::clamp(rect.top(), area.top(), area.bottom() - rect.height() + 1));
    }
    if (rect.isValid() && rect.width() >= 200 && rect.height() >= 150) frame_.mainWindow().setGeometry(rect);
    frame_.mainWindow().restoreState(s->value(kState).toByteArray());
    if (!maximised && rect.isValid()) {
        frame_.mainWindow().show();
        return;
    }
    frame_.mainWindow().showMaximized();
    // Without a window manager (a bare X server) nothing maximises the frame:
    // give it the screen's working area then.
    if (area.isValid()) {
        QApplication::processEvents();
        if (frame_.mainWindow().width() < area.width() / 2) frame_.mainWindow().setGeometry(area);
    }
}

void DesktopIntegration::saveGeometry() {
    for (QMdiSubWindow* sub : frame_.mdiArea()->subWindowList()) rememberSize(sub);
    const auto s = desktopSettings();
    s->setValue(kMaximised, frame_.mainWindow().isMaximized());
    s->setValue(kGeometry, frame_.mainWindow().isMaximized() ? frame_.mainWindow().normalGeometry() : frame_.mainWindow().geometry());
    s->setValue(kState, frame_.mainWindow().saveState());
}

// A table sizes itself to its grid (and its run panel while runs are shown):
// a remembered size would leave a blank band where a panel once was.
static bool sizesItself(int kind) { return kind == Kind::Table; }

void DesktopIntegration::rememberSize(QMdiSubWindow* sub) {
    auto* w = qobject_cast<TDocWindow*>(sub->widget());
    if (!w || sub->isMaximized() || sub->isMinimized() || sizesItself(w->Tag())) return;
    desktopSettings()->setValue(sizeKey(w->Tag()), sub->size());
}

void DesktopIntegration::placeDocWindow(QMdiSubWindow* sub, int kind) {
    if (sub->isMaximized()) return;
    const QSize remembered = sizesItself(kind) ? QSize() : desktopSettings()->value(sizeKey(kind)).toSize();
    QSize size = remembered.isValid() ? remembered : sub->size();
    const QSize area = frame_.mdiArea()->viewport()->size();
    // The first window of a kind on a large frame: a good share of the frame
    // (text and plots read better wide), never less than the kind's own size.
    if (!remembered.isValid() && !sizesItself(kind) && kind != Kind::Diagram && area.width() >= 100 && area.height() >= 100)
        size = size.expandedTo(QSize(area.width() * 3 / 5, area.height() * 7 / 10));
    // A frame smaller than the window (not laid out yet, or tiny) keeps the
    // window's size; otherwise the window fits in the frame.
    if (area.width() >= 100 && area.height() >= 100) size = size.boundedTo(area);
    sub->resize(size);

    const int step = std::max(16, sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub));
    if (frame_.mdiArea()->subWindowList().size() <= 1) nextCascade_ = QPoint(0, 0);
    QPoint at = nextCascade_;
    if (at.x() + size.width() > area.width() || at.y() + size.height() > area.height()) at = QPoint(0, 0);
    sub->move(at);
    nextCascade_ = at + QPoint(step, step);
}

// ---------------------------------------------------------------- open folder

QString samplesFolder() {
    const QString installed = toQ(pal::app().programDir) + QStringLiteral("/samples");
    if (!QFileInfo(installed).isDir() || pal::directoryWritable(toBytes(installed))) return installed;
    // The engine writes its results beside a deck: samples in a read-only
    // installation are run from the user's own copy, made once.
    const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                        QStringLiteral("/palumaro/samples");
    if (!QFileInfo(own).isDir()) {
        if (!QDir().mkpath(own)) return installed;
        const QDir from(installed);
        for (const QString& name : from.entryList(QDir::Files))
            if (!QFile::copy(from.filePath(name), own + QLatin1Char('/') + name)) return installed;
        for (const QString& name : QDir(own).entryList(QDir::Files))
            QFile::setPermissions(own + QLatin1Char('/') + name, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    return own;
}

QString DesktopIntegration::openDialogDirectory() const {
    const QString last = desktopSettings()->value(kLastFolder).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
    const QString samples = samplesFolder();
    if (QFileInfo(samples).isDir()) return samples;
    return {};
}

void DesktopIntegration::rememberOpenedFile(const QString& path) {
    const QFileInfo info(path);
    if (info.isFile()) desktopSettings()->setValue(kLastFolder, info.absolutePath());
}
