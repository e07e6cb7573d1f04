// ListingJob: the impulse browser's work on its worker thread, one job at a
// time: listing a folder (or walking a tree) and reading files' details.
// Results come back on the event loop, in batches; a listing asked for
// later makes the results of an earlier one void, and a job cancelled is
// heard of no more.
//
// A first listing is delivered as it arrives (`listed`); a new listing of a
// complete one is gathered whole and matched to it on the worker, since
// hashing the paths is most of a diff's cost (`relisted`). Details read
// before a cancel are still delivered: they are checked on arrival.
#pragma once

#include "browser/folder_listing.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVector>
#include <atomic>
#include <memory>

class QThreadPool;

// A new listing of a complete one: its entries, its path hash and, for each
// entry, its place in the listing it replaces (-1: new).
struct Relisting {
    QVector<browser::FileEntry> entries;
    QHash<QString, int> entryOf;
    QVector<int> before;
    QStringList walked;
};

class ListingJob : public QObject {
    Q_OBJECT

public:
    // Runs on `worker` (one thread: a listing goes before the details it needs).
    explicit ListingJob(QThreadPool &worker, QObject *parent = nullptr);
    ~ListingJob() override;

    // Lists `folder` (or, with `search`, walks it); with `previous` (the
    // path hash of a complete listing) the result is matched to it.
    void list(const QString &folder, bool search, const QHash<QString, int> *previous);
    // A listing is under way on the worker.
    bool listing() const { return running; }
    // The listing under way is given up; its results will not come.
    void cancelListing();

    // Reads the details of `jobs`, in their order.
    void readDetails(const QVector<browser::DetailsJob> &jobs);
    void cancelDetails();

    // What `listed` and `relisted` announce, moved out (not copied: the
    // taker is then the only owner, and taking its entries apart copies
    // nothing).
    QVector<browser::FileEntry> takeBatch() { return std::move(batch); }
    QStringList walked() const { return walkedFolders; }
    Relisting takeRelisting() { return std::move(relisting); }

signals:
    // Part of a first listing is there to take; `last`: the whole of it,
    // with the folders it covered.
    void listed(bool last);
    // A new listing of a complete one is there to take.
    void relisted();
    void detailsRead(const QVector<browser::FileDetails> &batch);

private:
    using Cancel = std::shared_ptr<std::atomic_bool>;

    QThreadPool &worker;
    Cancel cancelList;
    Cancel cancelRead;
    int generation = 0; // of the latest listing asked for
    bool running = false;
    QVector<browser::FileEntry> batch;
    QStringList walkedFolders;
    Relisting relisting;
};
