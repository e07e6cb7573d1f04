// What the impulse browser's worker thread does with folders: list one
// folder, or walk a folder and every folder below it, in the order the list
// shows (folders first, then files, names in the order people count), and
// read the details of files. Plain functions over the file system, no
// QObject: the list model (ImpulseFiles) runs them on its worker and takes
// the results in batches.
#pragma once

#include "browser/impulse_file.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <atomic>
#include <functional>

namespace browser {

// One row's worth of a file or subfolder. `modified` is in milliseconds
// since the epoch; size and time together tell a rewritten file.
struct FileEntry {
    QString name;
    QString path;
    QString subfolder; // where it sits below the listed folder ("Cab 1/SM57"); empty there
    bool folder = false;
    qint64 size = 0;
    qint64 modified = 0;
    bool ready = false; // `summary` is known
    ImpulseSummary summary;
};

// What reading one file gave, for the entry of that path with that size and time.
struct FileDetails {
    QString path;
    qint64 size = 0;
    qint64 modified = 0;
    ImpulseSummary summary;
};

// A key whose plain comparison puts names in the order people count:
// "Cab 2" before "Cab 10", any case, the same in every locale.
QString naturalKey(const QString &name);

// `folder`'s subfolders, then its files, each in natural name order; hidden
// entries are left out. Empty when cancelled.
QVector<FileEntry> listFolder(const QString &folder, const std::atomic_bool &cancel);

// Hands on batches of files as the worker finds them.
using Deliver = std::function<void(QVector<FileEntry> batch)>;

// Walks `folder` and every folder below it (hidden ones and links to
// folders already walked left out), depth first: a folder's own files, then
// each subfolder's, all in natural order, so the files arrive in the order
// they are shown. Batches go to `deliver` at least every `batchMs`. Returns
// the folders walked (for watching); stops early when cancelled.
QStringList walkTree(const QString &folder, const std::atomic_bool &cancel, int batchMs,
                     const Deliver &deliver);

struct DetailsJob {
    QString path;
    qint64 size = 0;
    qint64 modified = 0;
};

// Reads each job's file in turn and hands the results on in batches, at
// least every `batchMs`; stops early when cancelled.
void readDetails(const QVector<DetailsJob> &jobs, const std::atomic_bool &cancel, int batchMs,
                 const std::function<void(QVector<FileDetails>)> &deliver);

} // namespace browser

// Strings and plain values only: moved as bytes when a vector grows.
Q_DECLARE_TYPEINFO(browser::FileEntry, Q_MOVABLE_TYPE);
Q_DECLARE_TYPEINFO(browser::FileDetails, Q_MOVABLE_TYPE);
