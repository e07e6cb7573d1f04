// ImpulseFiles: the list of one folder's files for the impulse browser
// (`_impulses.files`), with its subfolders to enter, or, with
// `searchSubfolders`, the files of the folder and every folder below it,
// each with the subfolder it sits in.
//
// Nothing here blocks the event loop for long, whatever the folder's size:
// the worker thread lists (or walks) and sorts, and reads what each file is
// (format, rate, channels, length, whether a load converts it, or why it
// cannot be used); the list takes its results in batches and hands rows to
// the view in steps that each stay well inside a frame, the rows the view
// shows coming first. It follows the folder on disk with small row diffs (a
// folder that changed wholesale is listed again), narrows by name, keeps
// favourites (in the settings) first or alone, and marks the files that are
// the current preset's stored impulse. Rows are the subfolders, then the
// files, each in natural name order; a search lists the files folder by
// folder, depth first.
//
// The pieces: the worker's jobs (ListingJob), what was read of files no
// longer listed (DetailsCache), the watch on disk (FolderWatch), which
// entries are shown as which rows (RowProjection) and the favourites
// (FavouriteFiles). This class holds the listing and ties them together;
// its roles are in impulse_files_roles.cpp.
#pragma once

#include "browser/details_cache.h"
#include "browser/favourite_files.h"
#include "browser/folder_listing.h"
#include "browser/folder_watch.h"
#include "browser/listing_job.h"
#include "browser/row_projection.h"

#include <QAbstractListModel>
#include <QHash>
#include <QThreadPool>
#include <QTimer>
#include <QVector>

class QSettings;

class ImpulseFiles : public QAbstractListModel {
    Q_OBJECT

    // The folder listed, as a local path.
    Q_PROPERTY(QString folder READ folder NOTIFY folderChanged)
    // Listing and watching happen only while the list is active (shown).
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY activeChanged)
    // Only names containing this text (any case) are shown.
    Q_PROPERTY(QString filter READ filter WRITE setFilter NOTIFY filterChanged)
    // The list holds the files of the folder and of every folder below it.
    Q_PROPERTY(bool searchSubfolders READ searchSubfolders WRITE setSearchSubfolders NOTIFY
                   searchSubfoldersChanged)
    // Favourites among the files: Mixed (in name order), First, Only.
    Q_PROPERTY(int favourites READ favourites WRITE setFavourites NOTIFY favouritesChanged)
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)
    // The highlighted row and its path; -1 and empty when none.
    Q_PROPERTY(int selectedRow READ selectedRow NOTIFY selectionChanged)
    Q_PROPERTY(QString selectedPath READ selectedPath NOTIFY selectionChanged)
    // Files whose details are still to be read, counting a listing under way
    // as one: 0 once everything is in.
    Q_PROPERTY(int pending READ pending NOTIFY progressChanged)
    // The folder (or the tree) is still being listed.
    Q_PROPERTY(bool listing READ listing NOTIFY progressChanged)
    // Files listed, and those of them whose details are in.
    Q_PROPERTY(int total READ total NOTIFY progressChanged)
    Q_PROPERTY(int read READ read NOTIFY progressChanged)
    // What is under way, in words ("Reading 12,400 of 20,000 files"); empty
    // when nothing is.
    Q_PROPERTY(QString progress READ progress NOTIFY progressChanged)
    // The name the device reports for the current preset's stored impulse.
    Q_PROPERTY(QString storedName READ storedName NOTIFY storedNameChanged)

public:
    enum Favourites { Mixed, First, Only };
    Q_ENUM(Favourites)

    enum Role {
        NameRole = Qt::UserRole + 1,
        PathRole,
        FolderRole,     // a subfolder to enter
        SubfolderRole,  // where a file found by a search sits ("Cab 1/SM57"); empty in the folder
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
    bool searchSubfolders() const { return m_search; }
    void setSearchSubfolders(bool on);
    int favourites() const { return m_favourites; }
    void setFavourites(int mode);
    int selectedRow() const;
    QString selectedPath() const { return m_selected; }
    int pending() const { return m_unread + (listing() ? 1 : 0); }
    bool listing() const;
    int total() const { return m_files; }
    int read() const { return m_files - m_unread; }
    QString progress() const;
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
    void searchSubfoldersChanged();
    void favouritesChanged();
    void countChanged();
    void selectionChanged();
    void progressChanged();
    void storedNameChanged();

private:
    using Entry = browser::FileEntry;
    // Where the entries are in their life: none (or a listing cut short),
    // being taken in as the worker lists them, or complete (a newer listing
    // of a complete one is applied as a diff when it comes).
    enum class Listing { None, Arriving, Complete };

    const Entry *entryAt(int row) const;
    void clearListing(bool keepSelection);
    void relist();
    void startListing();
    void listed(bool last);
    void takeIn();
    void applyRelisting();
    // A new listing that changed more than a few ranges: taken in afresh.
    bool changedWholesale(const Relisting &next, const QVector<int> &after) const;
    void listingComplete();
    bool visible(const Entry &e) const;
    int rowClass(int entry) const;
    bool comesBefore(int a, int b) const;
    QVector<int> visibleRows() const;
    void showRows(const QVector<int> &target);
    void afterRowsChanged(int countBefore, int selectedBefore);
    void readDetails();
    void detailsRead(const QVector<browser::FileDetails> &batch);
    void rowsChanged(QVector<int> rows, const QVector<int> &roles);
    void keepListing();
    void countFiles();
    bool isStored(const Entry &e) const;
    void updateProgress();
    void followOnDisk();

    QString m_folder;
    bool m_active = false;
    QString m_filter;
    bool m_search = false;
    int m_favourites = Mixed;
    QString m_selected;
    QString m_storedName;

    // The listing: every entry of the folder (or the tree) in the order
    // shown, and where each path is in it.
    QVector<Entry> m_entries;
    QHash<QString, int> m_entryOf;
    Listing m_listing = Listing::None;
    bool m_relistWanted = false; // the folder changed while it was being listed
    QVector<Entry> m_incoming;   // listed by the worker, not yet taken in
    int m_incomingAt = 0;
    QStringList m_walked; // the folders the latest listing covered
    int m_files = 0;      // entries that are files
    int m_unread = 0;     // files whose details are not in

    QThreadPool m_pool; // the worker: one thread
    FavouriteFiles m_favouritePaths;
    DetailsCache m_cache{m_pool};
    ListingJob m_job{m_pool};
    FolderWatch m_watch;
    RowProjection m_rows;
    QTimer m_takeInTimer; // the next step of taking in listed entries

    // What the progress properties last said, to signal only changes.
    int m_shownPending = 0;
    int m_shownFiles = 0;
    bool m_shownListing = false;
    QString m_shownProgress;
};
