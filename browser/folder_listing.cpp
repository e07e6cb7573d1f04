// Listing, walking and reading for the impulse browser, run on its worker.
#include "browser/folder_listing.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <numeric>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace browser {

namespace {

// A batch never grows beyond this, so taking it in stays short.
constexpr int maxBatch = 512;
// Deeper than this is a loop the link check missed, not a library.
constexpr int maxDepth = 64;

FileEntry entryOf(const QFileInfo &info, const QString &subfolder)
{
    FileEntry e;
    e.name = info.fileName();
    e.path = info.absoluteFilePath();
    e.subfolder = subfolder;
#ifdef Q_OS_UNIX
    // One stat for type, size and time: QFileInfo's time goes through a
    // local-time date, which costs more than the rest of the listing.
    struct stat st;
    if (::stat(QFile::encodeName(e.path).constData(), &st) == 0) {
        e.folder = S_ISDIR(st.st_mode);
        e.size = e.folder ? 0 : qint64(st.st_size);
        e.modified = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
        return e;
    }
#endif
    e.folder = info.isDir();
    e.size = e.folder ? 0 : info.size();
    e.modified = info.lastModified().toMSecsSinceEpoch();
    return e;
}

// The entries of one folder, unsorted; hidden ones left out.
QVector<FileEntry> entriesOf(const QString &folder, const QString &subfolder,
                             const std::atomic_bool &cancel)
{
    QVector<FileEntry> found;
    QDirIterator it(folder, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot);
    while (it.hasNext() && !cancel) {
        it.next();
        found.append(entryOf(it.fileInfo(), subfolder));
    }
    return found;
}

// Sorts folders first, then files, each by natural key, then by path; keys
// are made once per entry, not once per comparison.
void sortEntries(QVector<FileEntry> &entries)
{
    QVector<QString> keys;
    keys.reserve(entries.size());
    for (const FileEntry &e : qAsConst(entries))
        keys.append(naturalKey(e.name));
    QVector<int> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const FileEntry &ea = entries.at(a), &eb = entries.at(b);
        if (ea.folder != eb.folder)
            return ea.folder;
        const int byKey = keys.at(a).compare(keys.at(b));
        return byKey != 0 ? byKey < 0 : ea.path < eb.path;
    });
    QVector<FileEntry> sorted;
    sorted.reserve(entries.size());
    for (int index : qAsConst(order))
        sorted.append(std::move(entries[index]));
    entries = std::move(sorted);
}

} // namespace

QString naturalKey(const QString &name)
{
    // A run of digits becomes '0', its length without leading zeros, then
    // those digits: numbers compare by value, and against any other
    // character as a digit does.
    const QString folded = name.toCaseFolded();
    QString key;
    key.reserve(folded.size() + 8);
    for (int i = 0; i < folded.size();) {
        if (!folded.at(i).isDigit()) {
            key.append(folded.at(i++));
            continue;
        }
        int end = i;
        while (end < folded.size() && folded.at(end).isDigit())
            ++end;
        int start = i;
        while (start + 1 < end && folded.at(start) == QLatin1Char('0'))
            ++start;
        key.append(QLatin1Char('0'));
        key.append(QChar(ushort(std::min(end - start, 0xffff))));
        key.append(QStringView(folded).mid(start, end - start));
        i = end;
    }
    return key;
}

QVector<FileEntry> listFolder(const QString &folder, const std::atomic_bool &cancel)
{
    QVector<FileEntry> entries = entriesOf(folder, QString(), cancel);
    if (cancel)
        return {};
    sortEntries(entries);
    return entries;
}

QStringList walkTree(const QString &root, const std::atomic_bool &cancel, int batchMs,
                     const Deliver &deliver)
{
    QStringList walked;
    QSet<QString> seen; // canonical paths, so a link back up is not walked twice
    QVector<FileEntry> batch;
    QElapsedTimer sinceDelivery;
    sinceDelivery.start();
    const auto flush = [&] {
        if (!batch.isEmpty())
            deliver(std::exchange(batch, {}));
        sinceDelivery.restart();
    };

    // Depth first, in order: a stack of folders still to walk, the next on top.
    struct Folder {
        QString path;
        QString subfolder;
        int depth;
    };
    QVector<Folder> stack{{QDir::cleanPath(root), QString(), 0}};
    while (!stack.isEmpty() && !cancel) {
        const Folder here = stack.takeLast();
        const QString canonical = QFileInfo(here.path).canonicalFilePath();
        if (canonical.isEmpty() || seen.contains(canonical))
            continue;
        seen.insert(canonical);
        walked.append(here.path);

        QVector<FileEntry> entries = entriesOf(here.path, here.subfolder, cancel);
        sortEntries(entries);
        // Folders come first: pushed last to first, so the first is walked next.
        int files = 0;
        while (files < entries.size() && entries.at(files).folder)
            ++files;
        for (int k = files - 1; k >= 0 && here.depth < maxDepth; --k) {
            const FileEntry &sub = entries.at(k);
            stack.append(
                {sub.path,
                 here.subfolder.isEmpty() ? sub.name : here.subfolder + QLatin1Char('/') + sub.name,
                 here.depth + 1});
        }
        for (int k = files; k < entries.size() && !cancel; ++k) {
            batch.append(std::move(entries[k]));
            if (batch.size() >= maxBatch || sinceDelivery.elapsed() >= batchMs)
                flush();
        }
    }
    if (!cancel)
        flush();
    return walked;
}

void readDetails(const QVector<DetailsJob> &jobs, const std::atomic_bool &cancel, int batchMs,
                 const std::function<void(QVector<FileDetails>)> &deliver)
{
    QVector<FileDetails> batch;
    QElapsedTimer sinceDelivery;
    sinceDelivery.start();
    for (const DetailsJob &job : jobs) {
        if (cancel)
            return;
        batch.append({job.path, job.size, job.modified, summariseImpulse(job.path)});
        if (batch.size() >= maxBatch || sinceDelivery.elapsed() >= batchMs) {
            deliver(std::exchange(batch, {}));
            sinceDelivery.restart();
        }
    }
    if (!batch.isEmpty())
        deliver(std::move(batch));
}

} // namespace browser
