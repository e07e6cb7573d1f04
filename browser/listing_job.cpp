// The browser's worker jobs: listing, walking, matching and reading details.
#include "browser/listing_job.h"

#include <QMetaObject>
#include <QThreadPool>

namespace {

// The worker hands on what it has at least this often.
constexpr int batchMs = 8;

} // namespace

ListingJob::ListingJob(QThreadPool &worker, QObject *parent)
    : QObject(parent), worker(worker), cancelList(std::make_shared<std::atomic_bool>(false)),
      cancelRead(std::make_shared<std::atomic_bool>(false))
{
}

ListingJob::~ListingJob()
{
    *cancelList = true;
    *cancelRead = true;
}

void ListingJob::cancelListing()
{
    *cancelList = true;
    ++generation;
    running = false;
}

void ListingJob::cancelDetails()
{
    *cancelRead = true;
}

void ListingJob::list(const QString &folder, bool search, const QHash<QString, int> *previous)
{
    *cancelList = true;
    *cancelRead = true; // the worker is needed for the listing first
    const int wanted = ++generation;
    running = true;
    auto cancel = std::make_shared<std::atomic_bool>(false);
    cancelList = cancel;
    const bool matched = previous != nullptr;
    const QHash<QString, int> before = matched ? *previous : QHash<QString, int>();

    // Results of a listing given up since are dropped on arrival.
    const auto post = [this, wanted](auto deliver) {
        QMetaObject::invokeMethod(
            this,
            [this, wanted, deliver = std::move(deliver)]() mutable {
                if (wanted == generation)
                    deliver();
            },
            Qt::QueuedConnection);
    };
    const auto postBatch = [this, post](QVector<browser::FileEntry> found, bool last,
                                        const QStringList &walked) {
        post([this, found = std::move(found), last, walked]() mutable {
            if (last)
                running = false;
            batch = std::move(found);
            walkedFolders = walked;
            emit listed(last);
        });
    };
    const auto postRelisting = [this, post](Relisting next) {
        post([this, next = std::move(next)]() mutable {
            running = false;
            relisting = std::move(next);
            emit relisted();
        });
    };
    worker.start([folder, search, cancel, matched, before, postBatch, postRelisting] {
        QVector<browser::FileEntry> all;
        QStringList walked{folder};
        if (search) {
            walked =
                browser::walkTree(folder, *cancel, batchMs, [&](QVector<browser::FileEntry> found) {
                    if (matched)
                        all += found;
                    else
                        postBatch(std::move(found), false, {});
                });
        } else {
            all = browser::listFolder(folder, *cancel);
        }
        if (*cancel)
            return;
        if (!matched) {
            postBatch(std::move(all), true, walked);
            return;
        }
        Relisting next;
        next.entries = std::move(all);
        next.walked = walked;
        next.entryOf.reserve(next.entries.size());
        next.before.reserve(next.entries.size());
        for (int i = 0; i < next.entries.size(); ++i) {
            next.entryOf.insert(next.entries.at(i).path, i);
            next.before.append(before.value(next.entries.at(i).path, -1));
        }
        postRelisting(std::move(next));
    });
}

void ListingJob::readDetails(const QVector<browser::DetailsJob> &jobs)
{
    *cancelRead = true;
    if (jobs.isEmpty())
        return;
    auto cancel = std::make_shared<std::atomic_bool>(false);
    cancelRead = cancel;
    worker.start([this, jobs, cancel] {
        // A batch read before a cancel still counts: the list checks each
        // file's size and time before it takes its details.
        browser::readDetails(
            jobs, *cancel, batchMs, [this](const QVector<browser::FileDetails> &batch) {
                QMetaObject::invokeMethod(
                    this, [this, batch] { emit detailsRead(batch); }, Qt::QueuedConnection);
            });
    });
}
