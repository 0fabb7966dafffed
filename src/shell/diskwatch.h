// DiskWatch: one watcher of the files the document windows show, so that a
// window hears when another program changes its file. Files the system will not
// watch (its limit of watches reached, or watching turned off) are looked at
// every few seconds instead; windows also look when they become active.
#pragma once
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <functional>

class QFileSystemWatcher;
class QTimer;

class DiskWatch : public QObject {
    Q_OBJECT
public:
    static DiskWatch& instance();

    // Watches path for window w (the window's earlier path, if any, no more);
    // changed runs from the event loop after each change, while w exists.
    void watch(QObject* w, const QString& path, std::function<void()> changed);
    void unwatch(QObject* w);

    // Off: no system watches are made, as when the system refuses them; the
    // files are looked at by the poll. On by default.
    void setSystemWatching(bool on);
    // Whether path is watched by the system (else by the poll).
    bool systemWatches(const QString& path) const;
    static constexpr int kPollMs = 2000;

private:
    DiskWatch();
    void changed(const QString& path);
    void folderChanged(const QString& folder);
    void poll();
    void addSystemWatch(const QString& path);
    void notify(const QString& path);

    QFileSystemWatcher* watcher_{nullptr};
    QTimer* poll_{nullptr};
    bool systemWatching_ = true;
    QHash<QObject*, QString> paths_;      // the path each window watches
    QHash<QObject*, std::function<void()>> changed_;
    QSet<QString> polled_;                // paths the system does not watch
    QSet<QObject*> connected_;            // windows whose end is heard
    QSet<QString> folders_;               // folders watched for files that went away
};
