// ImpulseFiles: the list of one folder's files for the impulse browser
// (`_impulses.files`), with its subfolders to enter.
//
// The names are listed at once; what each file is (format, rate, channels,
// length, whether a load converts it, or why it cannot be used) is read on a
// worker thread and filled in as it arrives, the rows the list shows first
// coming first. The list follows the folder on disk, narrows by name,
// keeps favourites (in the settings) first or alone, and marks the files
// that are the current preset's stored impulse. Rows are: the subfolders,
// then the files, each in natural name order.
#pragma once

#include "browser/impulse_file.h"

#include <QAbstractListModel>
#include <QDateTime>
#include <QFileSystemWatcher>
#include <QHash>
#include <QSet>
#include <QThreadPool>
#include <QTimer>
#include <QVector>
#include <atomic>
#include <memory>

class QSettings;

class ImpulseFiles : public QAbstractListModel {
    Q_OBJECT

    // The folder listed, as a local path.
    Q_PROPERTY(QString folder READ folder NOTIFY folderChanged)
    // Listing and watching happen only while the list is active (shown).
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY activeChanged)
    // Only names containing this text (any case) are shown.
    Q_PROPERTY(QString filter READ filter WRITE setFilter NOTIFY filterChanged)
    // Favourites among the files: Mixed (in name order), First, Only.
    Q_PROPERTY(int favourites READ favourites WRITE setFavourites NOTIFY favouritesChanged)
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)
    // The highlighted row and its path; -1 and empty when none.
    Q_PROPERTY(int selectedRow READ selectedRow NOTIFY selectionChanged)
    Q_PROPERTY(QString selectedPath READ selectedPath NOTIFY selectionChanged)
    // Files of the folder whose details are still being read.
    Q_PROPERTY(int pending READ pending NOTIFY pendingChanged)
    // The name the device reports for the current preset's stored impulse.
    Q_PROPERTY(QString storedName READ storedName NOTIFY storedNameChanged)

public:
    enum Favourites { Mixed, First, Only };
    Q_ENUM(Favourites)

    enum Role {
        NameRole = Qt::UserRole + 1,
        PathRole,
        FolderRole,     // a subfolder to enter
        ReadyRole,      // the details below are known
        UsableRole,     // a file that can be loaded (true until known otherwise)
        ReasonRole,     // why it cannot be, in words
        FormatRole,     // "FLAC, 44.1 kHz, 16-bit, stereo"
        RateRole,       // frames per second
        ChannelsRole,   //
        LengthMsRole,   // the whole file's length
        LengthTextRole, // "222 ms", "1.4 s"
        WillConvertRole,
        FavouriteRole,
        StoredRole, // the current preset's stored impulse
    };

    explicit ImpulseFiles(QSettings &settings, QObject *parent = nullptr);
    ~ImpulseFiles() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    QString folder() const { return m_folder; }
    // Lists `path` (an existing folder); false and nothing changes otherwise.
    bool setFolder(const QString &path);
    bool active() const { return m_active; }
    void setActive(bool on);
    QString filter() const { return m_filter; }
    void setFilter(const QString &text);
    int favourites() const { return m_favourites; }
    void setFavourites(int mode);
    int selectedRow() const;
    QString selectedPath() const { return m_selected; }
    int pending() const { return m_pending; }
    QString storedName() const { return m_storedName; }

    // A row's roles by name, for the panel and tests; empty for no row.
    Q_INVOKABLE QVariantMap get(int row) const;
    Q_INVOKABLE int rowOf(const QString &path) const;
    Q_INVOKABLE void setFavourite(int row, bool on);

    // Highlights a row (-1: none).
    void setSelectedRow(int row);
    // The row a step of `delta` from the highlighted row lands on: it skips
    // files known to be unusable, stops at the ends, and with nothing
    // highlighted starts at the first (or last) file. -1 when there is none.
    int stepTarget(int delta) const;
    bool isFolder(int row) const;
    bool knownUnusable(int row) const;
    QString pathAt(int row) const;

    // A load found the file unusable: the row says why.
    void markUnusable(const QString &path, const QString &reason);
    // The name the device reports for the current preset's impulse.
    void setStoredName(const QString &deviceName);

signals:
    void folderChanged();
    void activeChanged();
    void filterChanged();
    void favouritesChanged();
    void countChanged();
    void selectionChanged();
    void pendingChanged();
    void storedNameChanged();

private:
    struct Details {
        bool ready = false;
        ImpulseSummary summary;
    };
    struct Entry {
        QString name;
        QString path;
        bool folder = false;
        qint64 size = 0;
        QDateTime modified;
        Details details;
    };

    void relist();
    QVector<Entry> scan() const;
    QStringList visiblePaths() const;
    bool lessThan(const Entry &a, const Entry &b) const;
    void showRows(const QStringList &paths, bool reset);
    void readDetails();
    void applyDetails(const QString &path, qint64 size, const QDateTime &modified,
                      const ImpulseSummary &summary);
    void notifyRow(const QString &path, const QVector<int> &roles);
    bool isStored(const Entry &e) const;
    void updatePending();
    void watch();
    void saveFavourites() const;

    QSettings &m_settings;
    QString m_folder;
    bool m_active = false;
    bool m_listed = false; // m_entries holds m_folder's listing
    QString m_filter;
    int m_favourites = Mixed;
    QString m_selected;
    QString m_storedName;
    int m_pending = 0;

    QHash<QString, Entry> m_entries; // the folder's entries by path
    QStringList m_rows;              // the paths shown, in order
    QHash<QString, int> m_rowOf;
    QSet<QString> m_favouritePaths;

    QFileSystemWatcher m_watcher;
    QTimer m_relistTimer; // gathers a burst of changes into one listing

    // Details known of files already read, kept while size and time match.
    QHash<QString, Entry> m_known;
    QThreadPool m_pool;
    std::shared_ptr<std::atomic_bool> m_cancel;
};
