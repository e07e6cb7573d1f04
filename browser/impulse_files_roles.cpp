// The impulse list's rows as the view reads them: its roles, a row's
// entry and path, changes announced for runs of rows, and the mark of the
// current preset's stored impulse.
#include "browser/impulse_files.h"

#include "audio/audio_file.h"
#include "impulse/wav_image.h"

#include <QFileInfo>
#include <algorithm>

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
    return row >= 0 && row < m_rows.size() ? &m_entries.at(m_rows.entryAt(row)) : nullptr;
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
    return entry < 0 ? -1 : m_rows.rowOf(entry);
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
