#include "shell/diskwatch.h"

#include <QCoreApplication>
#include <algorithm>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>


DiskWatch& DiskWatch::instance() {
    static QPointer<DiskWatch> one;
    if (!one) one = new DiskWatch;
    return *one;
}

DiskWatch::DiskWatch() : QObject(QCoreApplication::instance()) {
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &DiskWatch::changed);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &DiskWatch::folderChanged);
    poll_ = new QTimer(this);
    poll_->setInterval(kPollMs);
    connect(poll_, &QTimer::timeout, this, &DiskWatch::poll);
}

void DiskWatch::watch(QObject* w, const QString& path, std::function<void()> changed) {
    unwatch(w);
    if (path.isEmpty()) return;
    paths_.insert(w, path);
    changed_.insert(w, std::move(changed));
    if (!connected_.contains(w)) {
        connected_.insert(w);
        connect(w, &QObject::destroyed, this, [this, w] {
            connected_.remove(w);
            unwatch(w);
        });
    }
    if (!watcher_->files().contains(path) && !polled_.contains(path)) addSystemWatch(path);
}

void DiskWatch::unwatch(QObject* w) {
    const auto it = paths_.find(w);
    changed_.remove(w);
    if (it == paths_.end()) return;
    const QString path = *it;
    paths_.erase(it);
    if (std::find(paths_.cbegin(), paths_.cend(), path) != paths_.cend()) return;  // another window still shows it
    watcher_->removePath(path);
    polled_.remove(path);
    if (polled_.isEmpty()) poll_->stop();
}

void DiskWatch::setSystemWatching(bool on) {
    systemWatching_ = on;
    const QStringList watched = watcher_->files();
    if (!on && !watched.isEmpty()) {
        watcher_->removePaths(watched);
        for (const QString& p : watched) polled_.insert(p);
        poll_->start();
    }
}

bool DiskWatch::systemWatches(const QString& path) const { return watcher_->files().contains(path); }

void DiskWatch::addSystemWatch(const QString& path) {
    if (systemWatching_ && QFileInfo::exists(path) && watcher_->addPath(path)) {
        polled_.remove(path);
        return;
    }
    polled_.insert(path);
    if (!poll_->isActive()) poll_->start();
}

void DiskWatch::notify(const QString& path) {
    for (auto it = paths_.cbegin(); it != paths_.cend(); ++it)
        if (it.value() == path) {
            // Asked from the event loop, not from inside the watcher's signal.
            QPointer<QObject> w(it.key());
            QMetaObject::invokeMethod(
                this,
                [this, w] {
                    if (!w) return;
                    if (const auto c = changed_.find(w.data()); c != changed_.end() && *c) (*c)();
                },
                Qt::QueuedConnection);
        }
}

void DiskWatch::changed(const QString& path) {
    // A file replaced by a rename (as careful editors save) loses its watch:
    // the new file is watched again, or its folder until it is back.
    if (!watcher_->files().contains(path) && std::find(paths_.cbegin(), paths_.cend(), path) != paths_.cend()) {
        addSystemWatch(path);
        const QString folder = QFileInfo(path).absolutePath();
        if (polled_.contains(path) && systemWatching_ && !folders_.contains(folder) && watcher_->addPath(folder))
            folders_.insert(folder);
    }
    notify(path);
}

void DiskWatch::folderChanged(const QString& folder) {
    bool waiting = false;
    for (const QString& p : QSet<QString>(polled_)) {
        if (QFileInfo(p).absolutePath() != folder) continue;
        addSystemWatch(p);
        if (polled_.contains(p)) waiting = true;
        else notify(p);
    }
    if (!waiting && folders_.remove(folder)) watcher_->removePath(folder);
}

void DiskWatch::poll() {
    for (const QString& p : QSet<QString>(polled_)) {
        addSystemWatch(p);  // the system may take it now
        notify(p);
    }
    if (polled_.isEmpty()) poll_->stop();
}
