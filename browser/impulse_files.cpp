// The impulse browser's list: the listing taken in by steps (first
// listings) or as a diff (new listings of a complete one), details in
// batches, following the folder on disk, narrowing, favourites and the
// selection. The worker's jobs, the details cache, the watch and the rows
// are pieces of their own (impulse_files.h says which).
#include "browser/impulse_files.h"

#include "base/log_categories.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>

namespace {

// One step of taking in listed entries stays this far inside a frame.
constexpr int stepBudgetMs = 3;
// A change needing more row ranges than this is a wholesale one: listed again.
constexpr int maxDiffRanges = 64;

const QVector<int> detailRoles = {
    ImpulseFiles::ReadyRole,    ImpulseFiles::UsableRole,     ImpulseFiles::ReasonRole,
    ImpulseFiles::FormatRole,   ImpulseFiles::RateRole,       ImpulseFiles::ChannelsRole,
    ImpulseFiles::LengthMsRole, ImpulseFiles::LengthTextRole, ImpulseFiles::WillConvertRole};

// Counts as people write them: "12,400".
QString counted(int n)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

} // namespace

ImpulseFiles::ImpulseFiles(QSettings &settings, QObject *parent)
    : QAbstractListModel(parent), m_favouritePaths(settings),
      m_rows({[this](int first, int last) { beginInsertRows({}, first, last); },
              [this] { endInsertRows(); },
              [this](int first, int last) { beginRemoveRows({}, first, last); },
              [this] { endRemoveRows(); }, [this] { beginResetModel(); },
              [this] { endResetModel(); }})
{
    m_pool.setMaxThreadCount(1);
    connect(&m_watch, &FolderWatch::changed, this, &ImpulseFiles::relist);
    connect(&m_job, &ListingJob::listed, this, &ImpulseFiles::listed);
    connect(&m_job, &ListingJob::relisted, this, &ImpulseFiles::applyRelisting);
    connect(&m_job, &ListingJob::detailsRead, this, &ImpulseFiles::detailsRead);
    m_takeInTimer.setSingleShot(true);
    m_takeInTimer.setInterval(0);
    connect(&m_takeInTimer, &QTimer::timeout, this, &ImpulseFiles::takeIn);
}

ImpulseFiles::~ImpulseFiles()
{
    m_job.cancelListing();
    m_job.cancelDetails();
    m_pool.waitForDone();
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
        m_job.cancelListing();
        m_job.cancelDetails();
        if (m_listing == Listing::Arriving)
            m_listing = Listing::None;
        m_relistWanted = false;
        m_incoming.clear();
        m_incomingAt = 0;
        m_takeInTimer.stop();
        m_watch.stop();
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
    m_job.cancelListing();
    m_job.cancelDetails();
    m_watch.hold();
    m_relistWanted = false;
    m_takeInTimer.stop();
    const int countBefore = m_rows.size();
    const int selectedBefore = selectedRow();
    beginResetModel();
    keepListing();
    m_rows.replace({}, 0);
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

// The listing given up is kept for its details.
void ImpulseFiles::keepListing()
{
    m_cache.keepListing(std::move(m_entries), std::move(m_entryOf));
    m_entries.clear();
    m_entryOf.clear();
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
    if (m_job.listing() || m_listing == Listing::Arriving) {
        m_relistWanted = true; // once this listing is in
        return;
    }
    if (m_listing == Listing::None && !m_entries.isEmpty())
        clearListing(true); // cut short before: from the start
    startListing();
    updateProgress();
}

// A first listing is taken in as it arrives; a new listing of a complete
// one comes whole and is applied as a diff.
void ImpulseFiles::startListing()
{
    const bool relisting = m_listing == Listing::Complete;
    if (m_listing == Listing::None)
        m_listing = Listing::Arriving;
    m_job.list(m_folder, m_search, relisting ? &m_entryOf : nullptr);
}

void ImpulseFiles::listed(bool last)
{
    if (m_incoming.isEmpty()) {
        m_incoming = m_job.takeBatch(); // its only owner: taken in without a copy
        m_incomingAt = 0;
    } else {
        m_incoming += m_job.takeBatch();
    }
    // Room for all of them at once: no copying while they are taken in.
    const int coming = m_entries.size() + m_incoming.size() - m_incomingAt;
    m_entries.reserve(coming);
    m_rows.reserve(coming);
    m_entryOf.reserve(coming);
    m_takeInTimer.start();
    if (last)
        m_walked = m_job.walked();
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
        m_cache.fill(e);
        const int index = m_entries.size();
        m_entryOf.insert(e.path, index);
        m_rows.entryAdded();
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
    const QVector<int> &rows = m_rows.entries();
    for (int c = 2; c >= 0; --c) {
        if (arrived[c].isEmpty())
            continue;
        const auto end = std::partition_point(rows.cbegin(), rows.cend(),
                                              [&](int entry) { return rowClass(entry) <= c; });
        m_rows.insert(int(end - rows.cbegin()), arrived[c]);
    }

    if (m_incomingAt < m_incoming.size())
        m_takeInTimer.start();
    else if (!m_job.listing() && m_listing == Listing::Arriving)
        listingComplete();
    afterRowsChanged(countBefore, selectedBefore);
    updateProgress();
}

void ImpulseFiles::listingComplete()
{
    m_listing = Listing::Complete;
    qCDebug(browserLog) << "listed" << m_entries.size() << "entries of" << m_folder;
    readDetails();
    followOnDisk();
}

// The watch follows the listing now complete; a change seen while it was
// being made lists the folder again.
void ImpulseFiles::followOnDisk()
{
    QStringList files;
    for (const Entry &e : qAsConst(m_entries)) {
        if (files.size() >= FolderWatch::filesLimit)
            break;
        if (!e.folder)
            files.append(e.path);
    }
    m_watch.follow(m_folder, m_walked, files);
    if (m_relistWanted) {
        m_relistWanted = false;
        m_watch.changeSoon();
    }
}

bool ImpulseFiles::changedWholesale(const Relisting &next, const QVector<int> &after) const
{
    int ranges = 0;
    bool lastAdded = false;
    for (int i = 0; i < next.entries.size(); ++i) {
        const bool added = next.before.at(i) < 0 || next.before.at(i) >= m_entries.size();
        ranges += added && !lastAdded ? 1 : 0;
        lastAdded = added;
    }
    const auto gone = [&](int row) { return after.at(m_rows.entryAt(row)) < 0; };
    for (int row = 0; row < m_rows.size(); ++row)
        ranges += gone(row) && (row == 0 || !gone(row - 1)) ? 1 : 0;
    return ranges > maxDiffRanges;
}

// A new listing of a complete one: the rows of files that went are removed,
// new ones inserted, rewritten ones read again; a change of more than a few
// ranges is a wholesale one, and the folder is taken in again from the start.
void ImpulseFiles::applyRelisting()
{
    Relisting next = m_job.takeRelisting();
    m_walked = next.walked;
    QVector<Entry> &entries = next.entries;
    // Where each entry of the old listing is in the new one (-1: gone); an
    // entry unchanged keeps what was read of it.
    QVector<int> after(m_entries.size(), -1);
    for (int i = 0; i < entries.size(); ++i) {
        Entry &e = entries[i];
        const int old = next.before.at(i) < m_entries.size() ? next.before.at(i) : -1;
        if (old < 0) {
            m_cache.fill(e);
            continue;
        }
        after[old] = i;
        const Entry &o = m_entries.at(old);
        if (o.ready && o.folder == e.folder && o.size == e.size && o.modified == e.modified) {
            e.ready = true;
            e.summary = o.summary;
        }
    }
    if (changedWholesale(next, after)) {
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
    const auto gone = [&](int row) { return after.at(m_rows.entryAt(row)) < 0; };
    for (int last = m_rows.size() - 1; last >= 0; --last) {
        if (!gone(last))
            continue;
        int first = last;
        while (first > 0 && gone(first - 1))
            --first;
        m_rows.remove(first, last);
        last = first;
    }
    for (int old = 0; old < m_entries.size(); ++old)
        if (after.at(old) < 0)
            m_cache.keep(m_entries.at(old));

    // The new listing takes the old one's place; the rows left keep theirs.
    QVector<int> kept;
    kept.reserve(m_rows.size());
    QVector<int> rewritten;
    for (int row = 0; row < m_rows.size(); ++row) {
        const Entry &old = m_entries.at(m_rows.entryAt(row));
        const int index = after.at(m_rows.entryAt(row));
        kept.append(index);
        const Entry &now = entries.at(index);
        if (old.ready != now.ready || old.size != now.size || old.modified != now.modified)
            rewritten.append(row);
    }
    m_cache.dispose(std::move(m_entries), std::move(m_entryOf));
    m_entries = std::move(entries);
    m_entryOf = std::move(next.entryOf);
    m_rows.replace(kept, m_entries.size());
    countFiles();
    rowsChanged(rewritten, detailRoles);
    showRows(visibleRows());
    afterRowsChanged(countBefore, selectedBefore);

    readDetails();
    followOnDisk();
    updateProgress();
}

void ImpulseFiles::countFiles()
{
    m_files = 0;
    m_unread = 0;
    for (const Entry &e : qAsConst(m_entries)) {
        m_files += e.folder ? 0 : 1;
        m_unread += !e.folder && !e.ready ? 1 : 0;
    }
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

bool ImpulseFiles::comesBefore(int a, int b) const
{
    const int ca = rowClass(a), cb = rowClass(b);
    return ca != cb ? ca < cb : a < b;
}

QVector<int> ImpulseFiles::visibleRows() const
{
    QVector<int> byClass[3];
    for (int i = 0; i < m_entries.size(); ++i)
        if (visible(m_entries.at(i)))
            byClass[rowClass(i)].append(i);
    return byClass[0] + byClass[1] + byClass[2];
}

void ImpulseFiles::showRows(const QVector<int> &target)
{
    m_rows.show(target, [this](int a, int b) { return comesBefore(a, b); });
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

// ---- details, read on the worker ------------------------------------------------

void ImpulseFiles::readDetails()
{
    m_job.cancelDetails();
    if (!m_active || m_job.listing() || m_listing != Listing::Complete || m_unread == 0)
        return;
    // The rows come first, in their order, so the first screen fills first.
    QVector<browser::DetailsJob> jobs;
    jobs.reserve(m_unread);
    const auto add = [&jobs](const Entry &e) {
        if (!e.folder && !e.ready)
            jobs.append({e.path, e.size, e.modified});
    };
    for (int entry : m_rows.entries())
        add(m_entries.at(entry));
    for (int entry = 0; entry < m_entries.size(); ++entry)
        if (m_rows.rowOf(entry) < 0)
            add(m_entries.at(entry));
    m_job.readDetails(jobs);
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
        if (m_rows.rowOf(entry) >= 0)
            rows.append(m_rows.rowOf(entry));
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
    if (m_rows.rowOf(entry) >= 0)
        rowsChanged({m_rows.rowOf(entry)}, detailRoles);
    updateProgress();
}

// ---- progress --------------------------------------------------------------------

bool ImpulseFiles::listing() const
{
    return m_job.listing() || m_incomingAt < m_incoming.size();
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

// ---- narrowing, favourites, selection ------------------------------------------------

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
        for (int entry : m_rows.entries())
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
        m_rows.remove(row, row); // its place changes
    m_favouritePaths.set(path, on);
    if (m_favourites == Mixed)
        rowsChanged({row}, {FavouriteRole});
    else
        showRows(visibleRows());
    afterRowsChanged(countBefore, selectedBefore);
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
