// Watching a listed folder and its files.
#include "browser/folder_watch.h"

#include <QFileInfo>
#include <QSet>

namespace {

// A burst of changes on disk (a copy of many files) becomes one new listing.
constexpr int gatherMs = 100;
// Files that start being watched in one step (each costs tens of µs).
constexpr int watchedPerStep = 50;
// Folders of a search watched for files added and removed.
constexpr int watchedFoldersLimit = 1000;

// The paths of `paths` that `others` does not hold, in their order.
QStringList missingFrom(const QStringList &paths, const QStringList &others)
{
    const QSet<QString> known(others.begin(), others.end());
    QStringList missing;
    for (const QString &path : paths)
        if (!known.contains(path))
            missing.append(path);
    return missing;
}

// Brings `watcher`'s paths of one kind (`now`) to `wanted`; returns the
// wanted paths not yet watched.
QStringList reconcile(QFileSystemWatcher &watcher, const QStringList &now,
                      const QStringList &wanted)
{
    const QStringList gone = missingFrom(now, wanted);
    if (!gone.isEmpty())
        watcher.removePaths(gone);
    return missingFrom(wanted, now);
}

} // namespace

FolderWatch::FolderWatch(QObject *parent) : QObject(parent)
{
    gather.setSingleShot(true);
    gather.setInterval(gatherMs);
    connect(&gather, &QTimer::timeout, this, &FolderWatch::changed);
    connect(&watcher, &QFileSystemWatcher::directoryChanged, &gather, qOverload<>(&QTimer::start));
    connect(&watcher, &QFileSystemWatcher::fileChanged, &gather, qOverload<>(&QTimer::start));
    stepper.setSingleShot(true);
    stepper.setInterval(0);
    connect(&stepper, &QTimer::timeout, this, &FolderWatch::step);
}

void FolderWatch::follow(const QString &listed, const QStringList &walkedFolders,
                         const QStringList &listedFiles)
{
    folder = listed;
    walked = walkedFolders;
    files = listedFiles.mid(0, filesLimit);
    planned = false;
    following = true;
    unwatched.clear();
    stepper.start();
}

void FolderWatch::hold()
{
    following = false;
}

void FolderWatch::stop()
{
    following = false;
    gather.stop();
    stepper.stop();
    unwatched.clear();
    if (!watcher.directories().isEmpty())
        watcher.removePaths(watcher.directories());
    if (!watcher.files().isEmpty())
        watcher.removePaths(watcher.files());
}

void FolderWatch::step()
{
    if (!following)
        return;
    if (!planned) {
        planned = true;
        if (!QFileInfo(folder).isDir()) {
            gather.start(); // it went while it was being listed
            return;
        }
        QStringList folders = walked.mid(0, watchedFoldersLimit);
        if (folders.isEmpty())
            folders = QStringList{folder};
        const QStringList newFolders = reconcile(watcher, watcher.directories(), folders);
        if (!newFolders.isEmpty())
            watcher.addPaths(newFolders);
        unwatched = reconcile(watcher, watcher.files(), files);
    }
    if (unwatched.isEmpty())
        return;
    watcher.addPaths(unwatched.mid(0, watchedPerStep));
    unwatched = unwatched.mid(watchedPerStep);
    if (!unwatched.isEmpty())
        stepper.start();
}
