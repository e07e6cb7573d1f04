// Details of files kept across listings.
#include "browser/details_cache.h"

#include <QRunnable>
#include <QThreadPool>

namespace {

// Details kept of files that left a listing, before they are all forgotten.
constexpr int knownLimit = 50000;
// Listings given up that are kept whole for their details.
constexpr int earlierListings = 2;
// Listings at least this long are freed on the worker.
constexpr int disposeOnWorker = 1000;

// Frees a listing on the worker.
class Disposal : public QRunnable {
public:
    Disposal(QVector<browser::FileEntry> entries, QHash<QString, int> entryOf)
        : m_entries(std::move(entries)), m_entryOf(std::move(entryOf))
    {
    }
    void run() override
    {
        m_entries = {};
        m_entryOf = {};
    }

private:
    QVector<browser::FileEntry> m_entries;
    QHash<QString, int> m_entryOf;
};

} // namespace

void DetailsCache::keep(const Entry &e)
{
    if (e.folder || !e.ready)
        return;
    if (known.size() >= knownLimit)
        known.clear();
    known.insert(e.path, {e.size, e.modified, e.summary});
}

void DetailsCache::fill(Entry &e) const
{
    if (e.folder || e.ready)
        return;
    const auto found = known.constFind(e.path);
    if (found != known.constEnd() && found->size == e.size && found->modified == e.modified) {
        e.ready = true;
        e.summary = found->summary;
        return;
    }
    for (const Earlier &listing : earlier) {
        const int index = listing.entryOf.value(e.path, -1);
        if (index < 0)
            continue;
        const Entry &was = listing.entries.at(index);
        if (was.ready && was.size == e.size && was.modified == e.modified) {
            e.ready = true;
            e.summary = was.summary;
            return;
        }
    }
}

void DetailsCache::keepListing(QVector<Entry> entries, QHash<QString, int> entryOf)
{
    if (!entries.isEmpty())
        earlier.prepend({std::move(entries), std::move(entryOf)});
    while (earlier.size() > earlierListings) {
        Earlier oldest = earlier.takeLast();
        dispose(std::move(oldest.entries), std::move(oldest.entryOf));
    }
}

void DetailsCache::dispose(QVector<Entry> entries, QHash<QString, int> entryOf)
{
    if (entries.size() < disposeOnWorker)
        return; // small: freed here at once
    worker.start(new Disposal(std::move(entries), std::move(entryOf)));
}
