// DetailsCache: what was read of files that are no longer listed, so that a
// file coming back (the same size and time) is not read again: single files
// that left a listing, and the last listings given up, kept whole. Large
// listings are freed on the worker: tens of thousands of strings take
// milliseconds to free.
#pragma once

#include "browser/folder_listing.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVector>

class QThreadPool;

class DetailsCache {
public:
    using Entry = browser::FileEntry;

    // Frees large listings on `worker`.
    explicit DetailsCache(QThreadPool &worker) : worker(worker) {}

    // A read file leaves the listing: its details are kept.
    void keep(const Entry &e);
    // Fills in an unread file's details from what was kept, when its size
    // and time still match.
    void fill(Entry &e) const;
    // A whole listing is given up: kept (moved, not copied) for its
    // details; the oldest kept goes.
    void keepListing(QVector<Entry> entries, QHash<QString, int> entryOf);
    // A listing no longer needed, freed where it costs nothing.
    void dispose(QVector<Entry> entries, QHash<QString, int> entryOf);

private:
    struct Known {
        qint64 size = 0;
        qint64 modified = 0;
        ImpulseSummary summary;
    };
    struct Earlier {
        QVector<Entry> entries;
        QHash<QString, int> entryOf;
    };

    QThreadPool &worker;
    QHash<QString, Known> known;
    QList<Earlier> earlier;
};
