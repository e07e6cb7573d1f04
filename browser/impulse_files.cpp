// The impulse browser's list: listing and walking on the worker, taking the
// results in by steps, row diffs, details in batches, following the folder,
// narrowing, favourites and the mark of the stored impulse.
#include "browser/impulse_files.h"

#include "audio/audio_file.h"
#include "core/log_categories.h"
#include "impulse/wav_image.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <algorithm>

namespace {

const char *const keyFavourites = "ImpulseFavourites";
// A burst of changes on disk (a copy of many files) becomes one new listing.
constexpr int relistDelayMs = 100;
// Files watched one by one, so a file rewritten in place is read again.
constexpr int watchedFilesLimit = 2000;
// Files that start being watched in one step (each costs tens of µs).
constexpr int watchedPerStep = 50;
// Folders of a search watched for files added and removed.
constexpr int watchedFoldersLimit = 1000;
// Details kept of files that left a listing, before they are all forgotten.
constexpr int knownLimit = 50000;
// Listings given up that are kept whole for their details.
constexpr int earlierListings = 2;
// Listings at least this long are freed on the worker.
constexpr int disposeOnWorker = 1000;
// One step of taking in listed entries stays this far inside a frame.
constexpr int stepBudgetMs = 3;
// The worker hands on what it has at least this often.
constexpr int batchMs = 8;
// A change needing more row ranges than this is a wholesale one: listed again.
constexpr int maxDiffRanges = 64;

const QVector<int> detailRoles = {
    ImpulseFiles::ReadyRole,    ImpulseFiles::UsableRole,     ImpulseFiles::ReasonRole,
    ImpulseFiles::FormatRole,   ImpulseFiles::RateRole,       ImpulseFiles::ChannelsRole,
    ImpulseFiles::LengthMsRole, ImpulseFiles::LengthTextRole, ImpulseFiles::WillConvertRole};

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

// Frees a listing on the worker: tens of thousands of strings take
// milliseconds to free.
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

// Counts as people write them: "12,400".
QString counted(int n)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

} // namespace

ImpulseFiles::ImpulseFiles(QSettings &settings, QObject *parent)
    : QAbstractListModel(parent), m_settings(settings),
      m_cancelListing(std::make_shared<std::atomic_bool>(false)),
      m_cancelDetails(std::make_shared<std::atomic_bool>(false))
{
    const QStringList favourites = m_settings.value(keyFavourites).toStringList();
    m_favouritePaths = QSet<QString>(favourites.begin(), favourites.end());

    m_pool.setMaxThreadCount(1);
    m_relistTimer.setSingleShot(true);
    m_relistTimer.setInterval(relistDelayMs);
    connect(&m_relistTimer, &QTimer::timeout, this, &ImpulseFiles::relist);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_relistTimer,
            qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_relistTimer,
            qOverload<>(&QTimer::start));
    m_takeInTimer.setSingleShot(true);
    m_takeInTimer.setInterval(0);
    connect(&m_takeInTimer, &QTimer::timeout, this, &ImpulseFiles::takeIn);
    m_watchTimer.setSingleShot(true);
    m_watchTimer.setInterval(0);
    connect(&m_watchTimer, &QTimer::timeout, this, &ImpulseFiles::watchSome);
}

ImpulseFiles::~ImpulseFiles()
{
    *m_cancelListing = true;
    *m_cancelDetails = true;
    m_pool.waitForDone();
}

// ---- rows and roles ------------------------------------------------------------

int ImpulseFiles::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

QHash<int, QByteArray> ImpulseFiles::roleNames() const
{
    return {{NameRole, "name"},
            {PathRole, "path"},
            {FolderRole, "folder"},
            {SubfolderRole, "subfolder"},
            {ReadyRole, "ready"},
            {UsableRole, "usable"},
            {ReasonRole, "reason"},
            {FormatRole, "format"},
            {RateRole, "rate"},
            {ChannelsRole, "channels"},
            {LengthMsRole, "lengthMs"},
            {LengthTextRole, "length"},
            {WillConvertRole, "willConvert"},
            {FavouriteRole, "favourite"},
            {StoredRole, "stored"}};
}

const ImpulseFiles::Entry *ImpulseFiles::entryAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? &m_entries.at(m_rows.at(row)) : nullptr;
}

QVariant ImpulseFiles::data(const QModelIndex &index, int role) const
{
    const Entry *entry = index.isValid() ? entryAt(index.row()) : nullptr;
    if (!entry)
        return {};
    const Entry &e = *entry;
    const ImpulseSummary &s = e.summary;
    const bool known = !e.folder && e.ready && s.error.isEmpty();
    switch (role) {
    case Qt::DisplayRole:
    case NameRole:
        return e.name;
    case PathRole:
        return e.path;
    case FolderRole:
        return e.folder;
    case SubfolderRole:
        return e.subfolder;
    case ReadyRole:
        return e.folder || e.ready;
    case UsableRole:
        return !e.folder && (!e.ready || s.error.isEmpty());
    case ReasonRole:
        return e.folder ? QString() : s.error;
    case FormatRole:
        return known ? s.info.format + QStringLiteral(", ") + audio::describe(s.info) : QString();
    case RateRole:
        return known ? s.info.rate : 0;
    case ChannelsRole:
        return known ? s.info.channels : 0;
    case LengthMsRole:
        return known ? s.info.lengthMs() : 0.0;
    case LengthTextRole:
        return known ? audio::lengthText(s.info.lengthMs()) : QString();
    case WillConvertRole:
        return known && s.converted;
    case FavouriteRole:
        return !e.folder && m_favouritePaths.contains(e.path);
    case StoredRole:
        return isStored(e);
    default:
        return {};
    }
}

QVariantMap ImpulseFiles::get(int row) const
{
    QVariantMap map;
    if (!entryAt(row))
        return map;
    const QHash<int, QByteArray> names = roleNames();
    for (auto it = names.begin(); it != names.end(); ++it)
        map.insert(QString::fromLatin1(it.value()), data(index(row), it.key()));
    return map;
}

int ImpulseFiles::rowOf(const QString &path) const
{
    const int entry = m_entryOf.value(path, -1);
    return entry < 0 ? -1 : m_rowOfEntry.at(entry);
}

QString ImpulseFiles::pathAt(int row) const
{
    const Entry *e = entryAt(row);
    return e ? e->path : QString();
}

bool ImpulseFiles::isFolder(int row) const
{
    const Entry *e = entryAt(row);
    return e && e->folder;
}

bool ImpulseFiles::knownUnusable(int row) const
{
    const Entry *e = entryAt(row);
    return e && !e->folder && e->ready && !e->summary.error.isEmpty();
}

// ---- folder and listing ------------------------------------------------------

bool ImpulseFiles::setFolder(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir())
        return false;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    if (clean == m_folder)
        return true;
    qCDebug(browserLog) << "folder" << clean;
    m_folder = clean;
    clearListing(false);
    emit folderChanged();
    if (m_active)
        startListing();
    updateProgress();
    return true;
}

void ImpulseFiles::setActive(bool on)
{
    if (on == m_active)
        return;
    m_active = on;
    emit activeChanged();
    if (on) {
        relist();
    } else {
        // Nothing shows the list: no watching, no reading. A listing cut
        // short is made again from the start.
        ++m_generation;
        *m_cancelListing = true;
        *m_cancelDetails = true;
        if (m_listing == Listing::Arriving)
            m_listing = Listing::None;
        m_workerListing = false;
        m_relistWanted = false;
        m_incoming.clear();
        m_incomingAt = 0;
        m_relistTimer.stop();
        m_takeInTimer.stop();
        m_watchTimer.stop();
        m_unwatched.clear();
        if (!m_watcher.directories().isEmpty())
            m_watcher.removePaths(m_watcher.directories());
        if (!m_watcher.files().isEmpty())
            m_watcher.removePaths(m_watcher.files());
    }
    updateProgress();
}

void ImpulseFiles::setSearchSubfolders(bool on)
{
    if (on == m_search)
        return;
    m_search = on;
    emit searchSubfoldersChanged();
    clearListing(true);
    if (m_active)
        startListing();
    updateProgress();
}

// Forgets the listing (keeping what was read of its files) and empties the list.
void ImpulseFiles::clearListing(bool keepSelection)
{
    ++m_generation;
    *m_cancelListing = true;
    *m_cancelDetails = true;
    m_workerListing = false;
    m_relistWanted = false;
    m_takeInTimer.stop();
    const int countBefore = m_rows.size();
    const int selectedBefore = selectedRow();
    beginResetModel();
    keepEarlier();
    m_rows.clear();
    m_rowOfEntry.clear();
    endResetModel();
    m_incoming.clear();
    m_incomingAt = 0;
    m_files = 0;
    m_unread = 0;
    m_listing = Listing::None;
    if (!keepSelection)
        m_selected.clear();
    if (m_rows.size() != countBefore)
        emit countChanged();
    if (selectedRow() != selectedBefore || !keepSelection)
        emit selectionChanged();
}

void ImpulseFiles::relist()
{
    if (!m_active || m_folder.isEmpty())
        return;
    if (!QFileInfo(m_folder).isDir()) {
        // The folder went away: show the nearest one that is still there.
        QString parent = m_folder;
        do
            parent = QFileInfo(parent).path();
        while (!QFileInfo(parent).isDir() && parent != QFileInfo(parent).path());
        qCDebug(browserLog) << "folder gone:" << m_folder << "showing" << parent;
        setFolder(parent);
        return;
    }
    if (m_workerListing || m_listing == Listing::Arriving) {
        m_relistWanted = true; // once this listing is in
        return;
    }
    if (m_listing == Listing::None && !m_entries.isEmpty())
        clearListing(true); // cut short before: from the start
    startListing();
    updateProgress();
}

// Asks the worker for the folder's entries, or the tree's files. A first
// listing is taken in as it arrives; a new listing of a complete one is
// gathered whole and applied as a diff.
void ImpulseFiles::startListing()
{
    *m_cancelListing = true;
    *m_cancelDetails = true; // the worker is needed for the listing first
    const int generation = ++m_generation;
    m_workerListing = true;
    const bool relisting = m_listing == Listing::Complete;
    if (m_listing == Listing::None)
        m_listing = Listing::Arriving;

    auto cancel = std::make_shared<std::atomic_bool>(false);
    m_cancelListing = cancel;
    const QString folder = m_folder;
    const bool search = m_search;
    // A new listing of a complete one is matched to it on the worker: the
    // paths' hashing is most of a diff's cost.
    const QHash<QString, int> before = relisting ? m_entryOf : QHash<QString, int>();
    const auto post = [this, generation](QVector<Entry> batch, bool last,
                                         const QStringList &folders) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, batch = std::move(batch), last, folders]() mutable {
                listed(generation, std::move(batch), last, folders);
            },
            Qt::QueuedConnection);
    };
    const auto postRelisting = [this, generation](Relisting relisting) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, relisting = std::move(relisting)]() mutable {
                if (generation == m_generation)
                    applyRelisting(std::move(relisting));
            },
            Qt::QueuedConnection);
    };
    m_pool.start([folder, search, cancel, relisting, before, post, postRelisting] {
        QVector<Entry> all;
        QStringList walked{folder};
        if (search) {
            walked = browser::walkTree(folder, *cancel, batchMs, [&](QVector<Entry> batch) {
                if (relisting)
                    all += batch;
                else
                    post(std::move(batch), false, {});
            });
        } else {
            all = browser::listFolder(folder, *cancel);
        }
        if (*cancel)
            return;
        if (!relisting) {
            post(std::move(all), true, walked);
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

void ImpulseFiles::listed(int generation, QVector<Entry> batch, bool last,
                          const QStringList &folders)
{
    if (generation != m_generation)
        return; // a listing given up since
    if (m_incoming.isEmpty()) {
        m_incoming = std::move(batch); // its only owner: taken in without a copy
        m_incomingAt = 0;
    } else {
        m_incoming += batch;
    }
    // Room for all of them at once: no copying while they are taken in.
    const int coming = m_entries.size() + m_incoming.size() - m_incomingAt;
    m_entries.reserve(coming);
    m_rowOfEntry.reserve(coming);
    m_entryOf.reserve(coming);
    m_takeInTimer.start();
    if (last) {
        m_workerListing = false;
        m_walked = folders;
    }
    updateProgress();
}

// One step of taking in listed entries: as many as fit in the step's time,
// each shown at its place among the rows.
void ImpulseFiles::takeIn()
{
    QElapsedTimer clock;
    clock.start();
    const int countBefore = m_rows.size();
    const int selectedBefore = selectedRow();
    QVector<int> arrived[3]; // new rows by row class
    int taken = 0;
    while (m_incomingAt < m_incoming.size() &&
           (taken % 64 != 0 || clock.elapsed() < stepBudgetMs)) {
        Entry e = std::move(m_incoming[m_incomingAt++]);
        ++taken;
        if (m_entryOf.contains(e.path))
            continue;
        takeKnown(e);
        const int index = m_entries.size();
        m_entryOf.insert(e.path, index);
        m_rowOfEntry.append(-1);
        if (!e.folder) {
            ++m_files;
            m_unread += e.ready ? 0 : 1;
        }
        const bool shown = visible(e);
        m_entries.append(std::move(e));
        if (shown)
            arrived[rowClass(index)].append(index);
    }
    if (m_incomingAt == m_incoming.size()) {
        m_incoming.clear();
        m_incomingAt = 0;
    }
    // The newest entries come last in their class: from the last class to
    // the first, so the places found stay true.
    for (int c = 2; c >= 0; --c) {
        if (arrived[c].isEmpty())
            continue;
        const auto end = std::partition_point(m_rows.cbegin(), m_rows.cend(),
                                              [&](int entry) { return rowClass(entry) <= c; });
        showAt(int(end - m_rows.cbegin()), arrived[c]);
    }

    if (m_incomingAt < m_incoming.size()) {
        m_takeInTimer.start();
    } else if (!m_workerListing && m_listing == Listing::Arriving) {
        m_listing = Listing::Complete;
        qCDebug(browserLog) << "listed" << m_entries.size() << "entries of" << m_folder;
        readDetails();
        watchLater();
        if (m_relistWanted) {
            m_relistWanted = false;
            m_relistTimer.start();
        }
    }
    afterRowsChanged(countBefore, selectedBefore);
    updateProgress();
}

// A new listing of a complete one: the rows of files that went are removed,
// new ones inserted, rewritten ones read again; a change of more than a few
// ranges is a wholesale one, and the folder is taken in again from the start.
void ImpulseFiles::applyRelisting(Relisting next)
{
    m_workerListing = false;
    m_walked = next.walked;
    QVector<Entry> &entries = next.entries;
    // Where each entry of the old listing is in the new one (-1: gone).
    QVector<int> after(m_entries.size(), -1);
    int addedRanges = 0;
    bool lastAdded = false;
    for (int i = 0; i < entries.size(); ++i) {
        Entry &e = entries[i];
        const int old = next.before.at(i) < m_entries.size() ? next.before.at(i) : -1;
        if (old >= 0) {
            after[old] = i;
            const Entry &o = m_entries.at(old);
            if (o.ready && o.folder == e.folder && o.size == e.size && o.modified == e.modified) {
                e.ready = true;
                e.summary = o.summary;
            }
        } else {
            takeKnown(e);
        }
        addedRanges += (old < 0 && !lastAdded) ? 1 : 0;
        lastAdded = old < 0;
    }
    const auto gone = [&](int row) { return after.at(m_rows.at(row)) < 0; };
    int goneRanges = 0;
    for (int row = 0; row < m_rows.size(); ++row)
        goneRanges += gone(row) && (row == 0 || !gone(row - 1)) ? 1 : 0;
    if (goneRanges + addedRanges > maxDiffRanges) {
        qCDebug(browserLog) << "changed wholesale:" << m_folder;
        clearListing(true);
        m_listing = Listing::Arriving;
        m_incoming = std::move(entries);
        takeIn();
        return;
    }

    const int countBefore = m_rows.size();
    const int selectedBefore = selectedRow();
    // Rows of entries that went, last range first.
    for (int last = m_rows.size() - 1; last >= 0; --last) {
        if (!gone(last))
            continue;
        int first = last;
        while (first > 0 && gone(first - 1))
            --first;
        hideRows(first, last);
        last = first;
    }
    for (int old = 0; old < m_entries.size(); ++old)
        if (after.at(old) < 0)
            keepKnown(m_entries.at(old));

    // The new listing takes the old one's place; the rows left keep theirs.
    QVector<int> kept;
    kept.reserve(m_rows.size());
    QVector<int> rewritten;
    for (int row = 0; row < m_rows.size(); ++row) {
        const Entry &old = m_entries.at(m_rows.at(row));
        const int index = after.at(m_rows.at(row));
        kept.append(index);
        const Entry &now = entries.at(index);
        if (old.ready != now.ready || old.size != now.size || old.modified != now.modified)
            rewritten.append(row);
    }
    dispose(std::move(m_entries), std::move(m_entryOf));
    m_entries = std::move(entries);
    m_entryOf = std::move(next.entryOf);
    m_rows = kept;
    m_files = 0;
    m_unread = 0;
    for (const Entry &e : qAsConst(m_entries)) {
        m_files += e.folder ? 0 : 1;
        m_unread += !e.folder && !e.ready ? 1 : 0;
    }
    reindexRows();
    rowsChanged(rewritten, detailRoles);
    showRows(visibleRows());
    afterRowsChanged(countBefore, selectedBefore);

    readDetails();
    watchLater();
    if (m_relistWanted) {
        m_relistWanted = false;
        m_relistTimer.start();
    }
    updateProgress();
}

void ImpulseFiles::watch()
{
    if (!QFileInfo(m_folder).isDir()) {
        m_relistTimer.start(); // it went while it was being listed
        return;
    }
    QStringList folders = m_walked.mid(0, watchedFoldersLimit);
    if (folders.isEmpty())
        folders = QStringList{m_folder};
    const QStringList watchedFolders = m_watcher.directories();
    const QStringList goneFolders = missingFrom(watchedFolders, folders);
    if (!goneFolders.isEmpty())
        m_watcher.removePaths(goneFolders);
    const QStringList newFolders = missingFrom(folders, watchedFolders);
    if (!newFolders.isEmpty())
        m_watcher.addPaths(newFolders);

    QStringList files;
    for (const Entry &e : qAsConst(m_entries)) {
        if (files.size() >= watchedFilesLimit)
            break;
        if (!e.folder)
            files.append(e.path);
    }
    const QStringList watched = m_watcher.files();
    const QStringList gone = missingFrom(watched, files);
    if (!gone.isEmpty())
        m_watcher.removePaths(gone);
    m_unwatched = missingFrom(files, watched);
}

// The watching is brought up to the listing in later steps of their own.
void ImpulseFiles::watchLater()
{
    m_watchPlanned = false;
    m_unwatched.clear();
    m_watchTimer.start();
}

// Watching a file costs more than listing it: a few at a time.
void ImpulseFiles::watchSome()
{
    if (!m_active || m_listing != Listing::Complete)
        return;
    if (!m_watchPlanned) {
        m_watchPlanned = true;
        watch(); // and the first few files with it
    }
    if (m_unwatched.isEmpty())
        return;
    m_watcher.addPaths(m_unwatched.mid(0, watchedPerStep));
    m_unwatched = m_unwatched.mid(watchedPerStep);
    if (!m_unwatched.isEmpty())
        m_watchTimer.start();
}

// ---- rows ------------------------------------------------------------------------

bool ImpulseFiles::visible(const Entry &e) const
{
    if (!m_filter.isEmpty() && !e.name.contains(m_filter, Qt::CaseInsensitive))
        return false;
    return !(m_favourites == Only && !e.folder && !m_favouritePaths.contains(e.path));
}

// Folders, then (with favourites first) the favourite files, then the rest.
int ImpulseFiles::rowClass(int entry) const
{
    const Entry &e = m_entries.at(entry);
    if (e.folder)
        return 0;
    return m_favourites == First && m_favouritePaths.contains(e.path) ? 1 : 2;
}

QVector<int> ImpulseFiles::visibleRows() const
{
    QVector<int> byClass[3];
    for (int i = 0; i < m_entries.size(); ++i)
        if (visible(m_entries.at(i)))
            byClass[rowClass(i)].append(i);
    return byClass[0] + byClass[1] + byClass[2];
}

// Brings the rows to `target` by removing and inserting ranges, so a view
// keeps its place and highlight; both are walked together in the rows'
// order. More ranges than a few make it a reset.
void ImpulseFiles::showRows(const QVector<int> &target)
{
    const auto before = [this](int a, int b) {
        const int ca = rowClass(a), cb = rowClass(b);
        return ca != cb ? ca < cb : a < b;
    };
    QVector<char> keep(m_rows.size(), 0);
    QVector<char> fresh(target.size(), 1);
    int ranges = 0;
    for (int i = 0, j = 0; i < m_rows.size() || j < target.size();) {
        if (i < m_rows.size() && j < target.size() && m_rows.at(i) == target.at(j)) {
            keep[i++] = 1;
            fresh[j++] = 0;
        } else if (j == target.size() ||
                   (i < m_rows.size() && before(m_rows.at(i), target.at(j)))) {
            ranges += i == 0 || keep.at(i - 1) ? 1 : 0;
            ++i;
        } else {
            ranges += j == 0 || !fresh.at(j - 1) ? 1 : 0;
            ++j;
        }
    }
    if (ranges == 0)
        return;
    if (ranges > maxDiffRanges) {
        beginResetModel();
        m_rows = target;
        reindexRows();
        endResetModel();
        return;
    }
    for (int last = m_rows.size() - 1; last >= 0; --last) {
        if (keep.at(last))
            continue;
        int first = last;
        while (first > 0 && !keep.at(first - 1))
            --first;
        hideRows(first, last);
        last = first;
    }
    for (int first = 0; first < target.size(); ++first) {
        if (!fresh.at(first))
            continue;
        int last = first;
        while (last + 1 < target.size() && fresh.at(last + 1))
            ++last;
        showAt(first, target.mid(first, last - first + 1));
        first = last;
    }
}

void ImpulseFiles::showAt(int at, const QVector<int> &entries)
{
    if (entries.isEmpty())
        return;
    beginInsertRows({}, at, at + entries.size() - 1);
    m_rows.insert(at, entries.size(), 0);
    std::copy(entries.cbegin(), entries.cend(), m_rows.begin() + at);
    reindexRows();
    endInsertRows();
}

void ImpulseFiles::hideRows(int first, int last)
{
    beginRemoveRows({}, first, last);
    m_rows.remove(first, last - first + 1);
    reindexRows();
    endRemoveRows();
}

void ImpulseFiles::reindexRows()
{
    m_rowOfEntry.fill(-1, m_entries.size());
    for (int row = 0; row < m_rows.size(); ++row)
        m_rowOfEntry[m_rows.at(row)] = row;
}

// Signals for a change of the rows. A file no longer shown is no longer
// highlighted, once the listing is whole.
void ImpulseFiles::afterRowsChanged(int countBefore, int selectedBefore)
{
    if (!m_selected.isEmpty() && m_listing == Listing::Complete && rowOf(m_selected) < 0)
        m_selected.clear();
    if (m_rows.size() != countBefore)
        emit countChanged();
    if (selectedRow() != selectedBefore)
        emit selectionChanged();
}

// dataChanged for these rows, one signal per run of neighbours.
void ImpulseFiles::rowsChanged(QVector<int> rows, const QVector<int> &roles)
{
    std::sort(rows.begin(), rows.end());
    for (int k = 0; k < rows.size();) {
        int end = k;
        while (end + 1 < rows.size() && rows.at(end + 1) <= rows.at(end) + 1)
            ++end;
        emit dataChanged(index(rows.at(k)), index(rows.at(end)), roles);
        k = end + 1;
    }
}

// ---- details, read on the worker ------------------------------------------------

void ImpulseFiles::readDetails()
{
    *m_cancelDetails = true;
    if (!m_active || m_workerListing || m_listing != Listing::Complete || m_unread == 0)
        return;
    // The rows come first, in their order, so the first screen fills first.
    QVector<browser::DetailsJob> jobs;
    jobs.reserve(m_unread);
    const auto add = [&jobs](const Entry &e) {
        if (!e.folder && !e.ready)
            jobs.append({e.path, e.size, e.modified});
    };
    for (int entry : qAsConst(m_rows))
        add(m_entries.at(entry));
    for (int entry = 0; entry < m_entries.size(); ++entry)
        if (m_rowOfEntry.at(entry) < 0)
            add(m_entries.at(entry));
    if (jobs.isEmpty())
        return;

    auto cancel = std::make_shared<std::atomic_bool>(false);
    m_cancelDetails = cancel;
    m_pool.start([this, jobs, cancel] {
        browser::readDetails(
            jobs, *cancel, batchMs, [this](const QVector<browser::FileDetails> &batch) {
                QMetaObject::invokeMethod(
                    this, [this, batch] { detailsRead(batch); }, Qt::QueuedConnection);
            });
    });
}

void ImpulseFiles::detailsRead(const QVector<browser::FileDetails> &batch)
{
    QVector<int> rows;
    for (const browser::FileDetails &d : batch) {
        const int entry = m_entryOf.value(d.path, -1);
        if (entry < 0)
            continue;
        Entry &e = m_entries[entry];
        if (e.folder || e.ready || e.size != d.size || e.modified != d.modified)
            continue; // rewritten since: a newer reading is on its way
        e.ready = true;
        e.summary = d.summary;
        --m_unread;
        if (m_rowOfEntry.at(entry) >= 0)
            rows.append(m_rowOfEntry.at(entry));
    }
    rowsChanged(rows, detailRoles);
    updateProgress();
}

void ImpulseFiles::markUnusable(const QString &path, const QString &reason)
{
    const int entry = m_entryOf.value(path, -1);
    if (entry < 0 || m_entries.at(entry).folder)
        return;
    Entry &e = m_entries[entry];
    m_unread -= e.ready ? 0 : 1;
    e.ready = true;
    e.summary = ImpulseSummary();
    e.summary.error = reason;
    if (m_rowOfEntry.at(entry) >= 0)
        rowsChanged({m_rowOfEntry.at(entry)}, detailRoles);
    updateProgress();
}

void ImpulseFiles::keepKnown(const Entry &e)
{
    if (e.folder || !e.ready)
        return;
    if (m_known.size() >= knownLimit)
        m_known.clear();
    m_known.insert(e.path, {e.size, e.modified, e.summary});
}

void ImpulseFiles::takeKnown(Entry &e) const
{
    if (e.folder || e.ready)
        return;
    const auto known = m_known.constFind(e.path);
    if (known != m_known.constEnd() && known->size == e.size && known->modified == e.modified) {
        e.ready = true;
        e.summary = known->summary;
        return;
    }
    for (const Earlier &earlier : m_earlier) {
        const int index = earlier.entryOf.value(e.path, -1);
        if (index < 0)
            continue;
        const Entry &was = earlier.entries.at(index);
        if (was.ready && was.size == e.size && was.modified == e.modified) {
            e.ready = true;
            e.summary = was.summary;
            return;
        }
    }
}

// The listing given up is kept whole (moved, not copied) for its details;
// the oldest kept goes.
void ImpulseFiles::keepEarlier()
{
    if (!m_entries.isEmpty())
        m_earlier.prepend({std::move(m_entries), std::move(m_entryOf)});
    m_entries.clear();
    m_entryOf.clear();
    while (m_earlier.size() > earlierListings) {
        Earlier oldest = m_earlier.takeLast();
        dispose(std::move(oldest.entries), std::move(oldest.entryOf));
    }
}

void ImpulseFiles::dispose(QVector<Entry> entries, QHash<QString, int> entryOf)
{
    if (entries.size() < disposeOnWorker)
        return; // small: freed here at once
    m_pool.start(new Disposal(std::move(entries), std::move(entryOf)));
}

// ---- progress --------------------------------------------------------------------

bool ImpulseFiles::listing() const
{
    return m_workerListing || m_incomingAt < m_incoming.size();
}

QString ImpulseFiles::progress() const
{
    if (m_listing == Listing::Arriving && m_search)
        return QStringLiteral("Searching the subfolders: %1 files so far")
            .arg(counted(m_files + m_incoming.size() - m_incomingAt));
    if (m_listing == Listing::Arriving)
        return QStringLiteral("Listing the folder\u2026");
    if (m_active && m_unread > 0)
        return QStringLiteral("Reading %1 of %2 files").arg(counted(read()), counted(m_files));
    return QString();
}

void ImpulseFiles::updateProgress()
{
    const QString text = progress();
    if (pending() == m_shownPending && m_files == m_shownFiles && listing() == m_shownListing &&
        text == m_shownProgress)
        return;
    m_shownPending = pending();
    m_shownFiles = m_files;
    m_shownListing = listing();
    m_shownProgress = text;
    emit progressChanged();
}

// ---- narrowing, favourites, selection, the stored impulse ------------------------

void ImpulseFiles::setFilter(const QString &text)
{
    if (text == m_filter)
        return;
    m_filter = text;
    emit filterChanged();
    const int countBefore = m_rows.size();
    const int selectedBefore = selectedRow();
    showRows(visibleRows());
    afterRowsChanged(countBefore, selectedBefore);
    readDetails(); // the rows now shown first
}

void ImpulseFiles::setFavourites(int mode)
{
    if (mode < Mixed || mode > Only || mode == m_favourites)
        return;
    const int countBefore = m_rows.size();
    const int selectedBefore = selectedRow();
    // The rows' order changes with the mode: favourites leave their places first.
    if (m_favourites == First || mode == First) {
        QVector<int> stay;
        for (int entry : qAsConst(m_rows))
            if (m_entries.at(entry).folder || !m_favouritePaths.contains(m_entries.at(entry).path))
                stay.append(entry);
        showRows(stay);
    }
    m_favourites = mode;
    emit favouritesChanged();
    showRows(visibleRows());
    afterRowsChanged(countBefore, selectedBefore);
}

void ImpulseFiles::setFavourite(int row, bool on)
{
    const QString path = pathAt(row);
    if (path.isEmpty() || isFolder(row) || m_favouritePaths.contains(path) == on)
        return;
    const int countBefore = m_rows.size();
    const int selectedBefore = selectedRow();
    if (m_favourites == First)
        hideRows(row, row); // its place changes
    if (on)
        m_favouritePaths.insert(path);
    else
        m_favouritePaths.remove(path);
    saveFavourites();
    if (m_favourites == Mixed)
        rowsChanged({row}, {FavouriteRole});
    else
        showRows(visibleRows());
    afterRowsChanged(countBefore, selectedBefore);
}

void ImpulseFiles::saveFavourites() const
{
    QStringList paths(m_favouritePaths.begin(), m_favouritePaths.end());
    paths.sort();
    m_settings.setValue(keyFavourites, paths);
    m_settings.sync();
}

int ImpulseFiles::selectedRow() const
{
    return m_selected.isEmpty() ? -1 : rowOf(m_selected);
}

void ImpulseFiles::setSelectedRow(int row)
{
    const QString path = pathAt(row);
    if (path == m_selected)
        return;
    m_selected = path;
    emit selectionChanged();
}

int ImpulseFiles::stepTarget(int delta) const
{
    const int rows = m_rows.size();
    const auto steppable = [this](int row) { return !knownUnusable(row); };
    int at = selectedRow();
    if (at < 0) {
        if (delta == 0 || rows == 0)
            return -1;
        // From nothing: the first file (or the last), past the folders.
        if (delta > 0) {
            for (int row = 0; row < rows; ++row)
                if (!isFolder(row) && steppable(row))
                    return row;
            for (int row = 0; row < rows; ++row)
                if (steppable(row))
                    return row;
            return -1;
        }
        for (int row = rows - 1; row >= 0; --row)
            if (steppable(row))
                return row;
        return -1;
    }
    const int direction = delta > 0 ? 1 : -1;
    for (int left = std::abs(delta); left > 0; --left) {
        int next = at + direction;
        while (next >= 0 && next < rows && !steppable(next))
            next += direction;
        if (next < 0 || next >= rows)
            break;
        at = next;
    }
    return at;
}

bool ImpulseFiles::isStored(const Entry &e) const
{
    if (e.folder || m_storedName.isEmpty())
        return false;
    const QString asDevice = QFileInfo(e.name).completeBaseName() + QStringLiteral(".wav");
    for (const QString &name : {e.name, asDevice})
        if (name == m_storedName || wav::storeName(name) == m_storedName)
            return true;
    return false;
}

void ImpulseFiles::setStoredName(const QString &deviceName)
{
    if (deviceName == m_storedName)
        return;
    m_storedName = deviceName;
    emit storedNameChanged();
    if (!m_rows.isEmpty())
        emit dataChanged(index(0), index(m_rows.size() - 1), {StoredRole});
}
