// The impulse browser's list of one folder: listing, details read on a
// worker thread, following the folder, narrowing, favourites and the mark of
// the stored impulse.
#include "browser/impulse_files.h"

#include "audio/audio_file.h"
#include "core/log_categories.h"
#include "impulse/wav_image.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>

namespace {

const char *const keyFavourites = "ImpulseFavourites";
// A burst of changes on disk (a copy of many files) becomes one new listing.
constexpr int relistDelayMs = 100;
// Files watched one by one, so a file rewritten in place is read again.
constexpr int watchedFilesLimit = 2000;
// Details kept of files no longer listed, before the oldest are forgotten.
constexpr int knownLimit = 20000;

// Names in the order people count: "Cab 2" before "Cab 10", any case. The
// same in every locale (a collator ignores numbers in the C locale).
int naturalCompare(const QString &a, const QString &b)
{
    int i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            int ie = i, je = j;
            while (ie < a.size() && a[ie].isDigit())
                ++ie;
            while (je < b.size() && b[je].isDigit())
                ++je;
            // Numbers compare by value: without leading zeros, by length, then digit by digit.
            int is = i, js = j;
            while (is + 1 < ie && a[is] == QLatin1Char('0'))
                ++is;
            while (js + 1 < je && b[js] == QLatin1Char('0'))
                ++js;
            if (ie - is != je - js)
                return (ie - is) - (je - js);
            const int digits =
                QStringView(a).mid(is, ie - is).compare(QStringView(b).mid(js, je - js));
            if (digits != 0)
                return digits;
            i = ie;
            j = je;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca.unicode() - cb.unicode();
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) - (b.size() - j);
    return a.compare(b);
}

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

} // namespace

ImpulseFiles::ImpulseFiles(QSettings &settings, QObject *parent)
    : QAbstractListModel(parent), m_settings(settings),
      m_cancel(std::make_shared<std::atomic_bool>(false))
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
}

ImpulseFiles::~ImpulseFiles()
{
    *m_cancel = true;
    m_pool.waitForDone();
}

int ImpulseFiles::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

QHash<int, QByteArray> ImpulseFiles::roleNames() const
{
    return {
        {NameRole, "name"},           {PathRole, "path"},         {FolderRole, "folder"},
        {ReadyRole, "ready"},         {UsableRole, "usable"},     {ReasonRole, "reason"},
        {FormatRole, "format"},       {RateRole, "rate"},         {ChannelsRole, "channels"},
        {LengthMsRole, "lengthMs"},   {LengthTextRole, "length"}, {WillConvertRole, "willConvert"},
        {FavouriteRole, "favourite"}, {StoredRole, "stored"}};
}

QVariant ImpulseFiles::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_rows.size())
        return {};
    const auto it = m_entries.constFind(m_rows.at(index.row()));
    if (it == m_entries.constEnd())
        return {};
    const Entry &e = *it;
    const ImpulseSummary &s = e.details.summary;
    const bool known = !e.folder && e.details.ready && s.error.isEmpty();
    switch (role) {
    case Qt::DisplayRole:
    case NameRole:
        return e.name;
    case PathRole:
        return e.path;
    case FolderRole:
        return e.folder;
    case ReadyRole:
        return e.folder || e.details.ready;
    case UsableRole:
        return !e.folder && (!e.details.ready || s.error.isEmpty());
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
    if (row < 0 || row >= m_rows.size())
        return map;
    const QHash<int, QByteArray> names = roleNames();
    for (auto it = names.begin(); it != names.end(); ++it)
        map.insert(QString::fromLatin1(it.value()), data(index(row), it.key()));
    return map;
}

int ImpulseFiles::rowOf(const QString &path) const
{
    return m_rowOf.value(path, -1);
}

QString ImpulseFiles::pathAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : QString();
}

bool ImpulseFiles::isFolder(int row) const
{
    return row >= 0 && row < m_rows.size() && m_entries.value(m_rows.at(row)).folder;
}

bool ImpulseFiles::knownUnusable(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return false;
    const Entry e = m_entries.value(m_rows.at(row));
    return !e.folder && e.details.ready && !e.details.summary.error.isEmpty();
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
    m_listed = false;
    *m_cancel = true;
    m_selected.clear();
    beginResetModel();
    m_entries.clear();
    m_rows.clear();
    m_rowOf.clear();
    endResetModel();
    emit folderChanged();
    emit countChanged();
    emit selectionChanged();
    if (m_active)
        relist();
    updatePending();
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
        // Nothing shows the list: no watching, no reading.
        *m_cancel = true;
        m_relistTimer.stop();
        if (!m_watcher.directories().isEmpty())
            m_watcher.removePaths(m_watcher.directories());
        if (!m_watcher.files().isEmpty())
            m_watcher.removePaths(m_watcher.files());
    }
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

    const QVector<Entry> found = scan();
    m_entries.clear();
    for (const Entry &e : found)
        m_entries.insert(e.path, e);
    showRows(visiblePaths(), !m_listed);
    m_listed = true;
    watch();
    readDetails();
    updatePending();
}

QVector<ImpulseFiles::Entry> ImpulseFiles::scan() const
{
    QVector<Entry> found;
    const QFileInfoList list =
        QDir(m_folder).entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    found.reserve(list.size());
    for (const QFileInfo &info : list) {
        Entry e;
        e.name = info.fileName();
        e.path = info.absoluteFilePath();
        e.folder = info.isDir();
        e.size = info.size();
        e.modified = info.lastModified();
        // What was read of the same file before still holds.
        const auto known = m_known.constFind(e.path);
        if (!e.folder && known != m_known.constEnd() && known->size == e.size &&
            known->modified == e.modified)
            e.details = known->details;
        found.append(e);
    }
    return found;
}

bool ImpulseFiles::lessThan(const Entry &a, const Entry &b) const
{
    if (a.folder != b.folder)
        return a.folder;
    if (m_favourites == First && !a.folder) {
        const bool fa = m_favouritePaths.contains(a.path);
        const bool fb = m_favouritePaths.contains(b.path);
        if (fa != fb)
            return fa;
    }
    const int order = naturalCompare(a.name, b.name);
    return order != 0 ? order < 0 : a.path < b.path;
}

QStringList ImpulseFiles::visiblePaths() const
{
    QVector<const Entry *> shown;
    shown.reserve(m_entries.size());
    for (const Entry &e : m_entries) {
        if (!m_filter.isEmpty() && !e.name.contains(m_filter, Qt::CaseInsensitive))
            continue;
        if (m_favourites == Only && !e.folder && !m_favouritePaths.contains(e.path))
            continue;
        shown.append(&e);
    }
    std::sort(shown.begin(), shown.end(),
              [this](const Entry *a, const Entry *b) { return lessThan(*a, *b); });
    QStringList paths;
    paths.reserve(shown.size());
    for (const Entry *e : shown)
        paths.append(e->path);
    return paths;
}

// Brings the rows to `paths` by removing, moving and inserting rows, so a
// view keeps its place and highlight; a new folder is a reset.
void ImpulseFiles::showRows(const QStringList &paths, bool reset)
{
    const int countBefore = m_rows.size();
    const int selectedBefore = selectedRow();
    if (reset) {
        beginResetModel();
        m_rows = paths;
        endResetModel();
    } else {
        const QSet<QString> wanted(paths.begin(), paths.end());
        for (int end = m_rows.size() - 1; end >= 0; --end) {
            if (wanted.contains(m_rows.at(end)))
                continue;
            int begin = end;
            while (begin > 0 && !wanted.contains(m_rows.at(begin - 1)))
                --begin;
            beginRemoveRows({}, begin, end);
            m_rows.erase(m_rows.begin() + begin, m_rows.begin() + end + 1);
            endRemoveRows();
            end = begin;
        }
        QSet<QString> present(m_rows.begin(), m_rows.end());
        for (int row = 0; row < paths.size(); ++row) {
            const QString &path = paths.at(row);
            if (row < m_rows.size() && m_rows.at(row) == path)
                continue;
            if (present.contains(path)) {
                const int from = m_rows.indexOf(path, row + 1);
                beginMoveRows({}, from, from, {}, row);
                m_rows.move(from, row);
                endMoveRows();
                continue;
            }
            int last = row;
            while (last + 1 < paths.size() && !present.contains(paths.at(last + 1)))
                ++last;
            beginInsertRows({}, row, last);
            for (int k = row; k <= last; ++k) {
                m_rows.insert(k, paths.at(k));
                present.insert(paths.at(k));
            }
            endInsertRows();
            row = last;
        }
    }
    m_rowOf.clear();
    for (int row = 0; row < m_rows.size(); ++row)
        m_rowOf.insert(m_rows.at(row), row);
    // A file that left the list is no longer highlighted.
    if (!m_selected.isEmpty() && !m_rowOf.contains(m_selected))
        m_selected.clear();
    if (m_rows.size() != countBefore)
        emit countChanged();
    if (selectedRow() != selectedBefore)
        emit selectionChanged();
}

void ImpulseFiles::watch()
{
    if (!m_watcher.directories().contains(m_folder)) {
        if (!m_watcher.directories().isEmpty())
            m_watcher.removePaths(m_watcher.directories());
        m_watcher.addPath(m_folder);
    }
    QStringList files;
    for (const Entry &e : qAsConst(m_entries))
        if (!e.folder && files.size() < watchedFilesLimit)
            files.append(e.path);
    const QStringList watched = m_watcher.files();
    const QStringList gone = missingFrom(watched, files);
    if (!gone.isEmpty())
        m_watcher.removePaths(gone);
    const QStringList added = missingFrom(files, watched);
    if (!added.isEmpty())
        m_watcher.addPaths(added);
}

// ---- details, read on the worker ------------------------------------------------

void ImpulseFiles::readDetails()
{
    *m_cancel = true;
    struct Job {
        QString path;
        qint64 size;
        QDateTime modified;
    };
    QVector<Job> jobs;
    // The rows shown come first, in their order, so the first screen fills first.
    QStringList order = m_rows;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        if (!m_rowOf.contains(it.key()))
            order.append(it.key());
    for (const QString &path : qAsConst(order)) {
        const Entry &e = m_entries[path];
        if (!e.folder && !e.details.ready)
            jobs.append({e.path, e.size, e.modified});
    }
    if (jobs.isEmpty())
        return;

    auto cancel = std::make_shared<std::atomic_bool>(false);
    m_cancel = cancel;
    m_pool.start([this, jobs, cancel] {
        for (const Job &job : jobs) {
            if (*cancel)
                return;
            const ImpulseSummary summary = summariseImpulse(job.path);
            QMetaObject::invokeMethod(
                this,
                [this, job, summary] { applyDetails(job.path, job.size, job.modified, summary); },
                Qt::QueuedConnection);
        }
    });
}

void ImpulseFiles::applyDetails(const QString &path, qint64 size, const QDateTime &modified,
                                const ImpulseSummary &summary)
{
    if (m_known.size() > knownLimit)
        m_known.clear();
    Entry known;
    known.path = path;
    known.size = size;
    known.modified = modified;
    known.details = {true, summary};
    m_known.insert(path, known);

    const auto it = m_entries.find(path);
    if (it == m_entries.end() || it->details.ready || it->size != size || it->modified != modified)
        return;
    it->details = known.details;
    notifyRow(path, {ReadyRole, UsableRole, ReasonRole, FormatRole, RateRole, ChannelsRole,
                     LengthMsRole, LengthTextRole, WillConvertRole});
    updatePending();
}

void ImpulseFiles::markUnusable(const QString &path, const QString &reason)
{
    const auto it = m_entries.find(path);
    if (it == m_entries.end() || it->folder)
        return;
    it->details.ready = true;
    it->details.summary.error = reason;
    m_known.insert(path, *it);
    notifyRow(path, {ReadyRole, UsableRole, ReasonRole, FormatRole, RateRole, ChannelsRole,
                     LengthMsRole, LengthTextRole, WillConvertRole});
    updatePending();
}

void ImpulseFiles::updatePending()
{
    int pending = 0;
    for (const Entry &e : qAsConst(m_entries))
        pending += !e.folder && !e.details.ready;
    if (pending == m_pending)
        return;
    m_pending = pending;
    emit pendingChanged();
}

void ImpulseFiles::notifyRow(const QString &path, const QVector<int> &roles)
{
    const int row = rowOf(path);
    if (row >= 0)
        emit dataChanged(index(row), index(row), roles);
}

// ---- narrowing, favourites, selection, the stored impulse ------------------------

void ImpulseFiles::setFilter(const QString &text)
{
    if (text == m_filter)
        return;
    m_filter = text;
    emit filterChanged();
    if (m_listed)
        showRows(visiblePaths(), false);
}

void ImpulseFiles::setFavourites(int mode)
{
    if (mode < Mixed || mode > Only || mode == m_favourites)
        return;
    m_favourites = mode;
    emit favouritesChanged();
    if (m_listed)
        showRows(visiblePaths(), false);
}

void ImpulseFiles::setFavourite(int row, bool on)
{
    const QString path = pathAt(row);
    if (path.isEmpty() || isFolder(row) || m_favouritePaths.contains(path) == on)
        return;
    if (on)
        m_favouritePaths.insert(path);
    else
        m_favouritePaths.remove(path);
    saveFavourites();
    notifyRow(path, {FavouriteRole});
    if (m_favourites != Mixed)
        showRows(visiblePaths(), false);
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
