// FolderWatch: follows a listed folder (or the folders a search walked) and
// its files on disk, and says when they changed. A burst of changes (a copy
// of many files) becomes one `changed`. Watching a file costs more than
// listing it, so files start being watched a few at a time, in steps of
// their own; only so many files and folders are watched at all.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

class FolderWatch : public QObject {
    Q_OBJECT

public:
    // Files watched one by one, so a file rewritten in place is read again:
    // at most this many.
    static constexpr int filesLimit = 2000;

    explicit FolderWatch(QObject *parent = nullptr);

    // Brings the watching up to a complete listing of `folder`: the folders
    // it covered (`walked`; the folder alone when empty) and its files (the
    // first filesLimit), in later steps. A folder that went meanwhile counts as a change.
    void follow(const QString &folder, const QStringList &walked, const QStringList &files);
    // No further steps until the next follow (the listing is being made
    // again); what is watched already stays.
    void hold();
    // Nothing is watched any more.
    void stop();
    // A change to be reported after the usual gathering delay, as one seen
    // on disk would be.
    void changeSoon() { gather.start(); }
    bool changePending() const { return gather.isActive(); }

signals:
    void changed();

private:
    void step();

    QFileSystemWatcher watcher;
    QTimer gather;  // gathers a burst of changes into one
    QTimer stepper; // the next step of watching
    bool planned = false;
    bool following = false;
    QString folder;
    QStringList walked;
    QStringList files;
    QStringList unwatched; // files to watch, a step at a time
};
