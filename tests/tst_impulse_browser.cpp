// The impulse browser on `_impulses`: a folder made at test time listed with
// what each file is (or why it cannot be used), followed on disk, changed
// by row ranges, narrowed, favourites kept; stepping; a search through
// subfolders and stepping through its matches; the folder shared with the
// file dialog's setting; the stored impulse marked; and quick stepping over
// a real serial line, where only the newest selection may wait for the wire.
#include "browser/impulses.h"
#include "impulse/wav_image.h"
#include "support/impulses_rig.h"
#include "support/pty.h"
#include "support/sox.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QUrl>

namespace {

// A 48 kHz, 24-bit mono file the device takes as it is, every sample byte
// `fill`: its preview tells which file went out.
QByteArray deviceFile(int fill, int frames = 1500)
{
    return wavFile({1, 1, 48000, 24, false, {}, QByteArray(frames * 3, char(fill))});
}

// Which file a preview came from (its first sample byte), or -1.
int previewFill(const QByteArray &preview)
{
    if (!preview.startsWith("cc s 1\r") || preview.size() != 5912)
        return -1;
    return QByteArray::fromHex(preview.mid(7, 2)).at(0);
}

QStringList names(const ImpulseFiles &files)
{
    QStringList out;
    for (int row = 0; row < files.rowCount(); ++row)
        out << files.get(row)["name"].toString();
    return out;
}

// Lists `folder` and waits until every file's details are in.
bool listed(ImpulseFiles &files, const QString &folder)
{
    files.setActive(true);
    return files.setFolder(folder) && spinUntil([&] { return files.pending() == 0; }, 10000);
}

// What a list model tells its views, one line per signal: "inserted 3-5",
// "removed 0-0", "reset". Neighbouring ranges of one kind are joined, as
// steps of one change may split them.
class RowLog : public QObject {
public:
    explicit RowLog(QAbstractItemModel &model)
    {
        connect(&model, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex &, int first, int last) { add("inserted", first, last); });
        connect(&model, &QAbstractItemModel::rowsRemoved, this,
                [this](const QModelIndex &, int first, int last) { add("removed", first, last); });
        connect(&model, &QAbstractItemModel::modelReset, this, [this] { lines << "reset"; });
    }
    QStringList lines;

private:
    void add(const QString &kind, int first, int last)
    {
        if (!ranges.isEmpty() && lines.last().startsWith(kind)) {
            QPair<int, int> &before = ranges.last();
            // inserted right after, or removed at the same place again
            if ((kind == "inserted" && first == before.second + 1) ||
                (kind == "removed" && first == before.first)) {
                before.second += last - first + 1;
                lines.last() = QString("%1 %2-%3").arg(kind).arg(before.first).arg(before.second);
                return;
            }
        }
        ranges.append({first, last});
        lines << QString("%1 %2-%3").arg(kind).arg(first).arg(last);
    }
    QList<QPair<int, int>> ranges;
};

void soxFile(const QString &path, int rate, const QStringList &encoding, int channels,
             double seconds)
{
    QStringList args = {"-R", "-n", "-r", QString::number(rate), "-c", QString::number(channels)};
    args << encoding << path << "synth" << QString::number(seconds) << "pinknoise"
         << "gain"
         << "-10";
    sox(args);
}

} // namespace

class TestImpulseBrowser : public QObject {
    Q_OBJECT

    ScratchDir dir;
    QString mixed; // the folder of mixed files

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY2(soxAvailable(), "sox makes the test files (Debian package sox)");
        mixed = dir.filePath("mixed");
        QDir(mixed).mkpath("More Cabs");
        QDir(mixed).mkpath("Amps");
        soxFile(mixed + "/Cab 10.flac", 44100, {"-b", "16"}, 2, 1.4);
        soxFile(mixed + "/Cab 2.wav", 48000, {"-b", "24"}, 1, 0.1);
        soxFile(mixed + "/Cab 1.aifc", 96000, {"-e", "floating-point", "-b", "32"}, 1, 0.05);
        soxFile(mixed + "/Room.wav", 48000, {"-b", "16"}, 1, 0.2);
        soxFile(mixed + "/More Cabs/Inside.wav", 48000, {"-b", "24"}, 1, 0.1);
        QVERIFY(writeFile(mixed + "/notes.txt", "Closed back, mic on the cap\n"));
        QVERIFY(writeFile(mixed + "/empty.wav", {}));
        QVERIFY(writeFile(mixed + "/.hidden.wav", deviceFile(1)));
    }

    void init()
    {
        Core core;
        core.settingsStore().remove("ImpulseFavourites");
        core.settingsStore().remove("ImpulsPath");
    }

    // What each row says of its file, once read; hidden files are not listed.
    void listing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariantMap>("expected");
        QTest::addColumn<QString>("reasonWords"); // for unusable files

        QTest::newRow("subfolder")
            << "More Cabs" << QVariantMap{{"folder", true}, {"usable", false}} << "";
        QTest::newRow("96 kHz float AIFF")
            << "Cab 1.aifc" << QVariantMap{{"folder", false},
                                           {"usable", true},
                                           {"format", "AIFF, 96 kHz, 32-bit float, mono"},
                                           {"rate", 96000},
                                           {"channels", 1},
                                           {"lengthMs", 50.0},
                                           {"length", "50 ms"},
                                           {"willConvert", true}}
            << "";
        QTest::newRow("WAV for the device as it is")
            << "Cab 2.wav"
            << QVariantMap{{"usable", true},      {"format", "WAV, 48 kHz, 24-bit, mono"},
                           {"rate", 48000},       {"channels", 1},
                           {"lengthMs", 100.0},   {"length", "100 ms"},
                           {"willConvert", false}}
            << "";
        QTest::newRow("long stereo FLAC")
            << "Cab 10.flac"
            << QVariantMap{{"usable", true},     {"format", "FLAC, 44.1 kHz, 16-bit, stereo"},
                           {"rate", 44100},      {"channels", 2},
                           {"lengthMs", 1400.0}, {"length", "1.4 s"},
                           {"willConvert", true}}
            << "";
        QTest::newRow("16-bit WAV at the device's rate")
            << "Room.wav" << QVariantMap{{"usable", true}, {"willConvert", true}} << "";
        QTest::newRow("text file")
            << "notes.txt" << QVariantMap{{"usable", false}, {"format", ""}, {"willConvert", false}}
            << "not an audio file";
        QTest::newRow("empty file") << "empty.wav" << QVariantMap{{"usable", false}} << "is empty";
    }
    void listing()
    {
        QFETCH(QString, name);
        QFETCH(QVariantMap, expected);
        QFETCH(QString, reasonWords);
        ImpulsesRig rig(false);
        ImpulseFiles &files = *rig.impulses.files();
        QVERIFY(listed(files, mixed));
        QCOMPARE(names(files), everything());
        const QVariantMap row = files.get(files.rowOf(mixed + "/" + name));
        QCOMPARE(row["name"].toString(), name);
        QCOMPARE(row["ready"].toBool(), true);
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            if (it.value().type() == QVariant::Double)
                QVERIFY2(qAbs(row[it.key()].toDouble() - it.value().toDouble()) < 0.5,
                         qPrintable(it.key() + ": " + row[it.key()].toString()));
            else
                QCOMPARE(row[it.key()], it.value());
        }
        QVERIFY2(row["reason"].toString().contains(reasonWords),
                 qPrintable(row["reason"].toString()));
        QCOMPARE(row["reason"].toString().isEmpty(), reasonWords.isEmpty());
    }

    // The list follows the folder on disk, keeping the highlighted file.
    void follows_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QVariantMap>("rowOfB"); // roles of "B.wav" afterwards
        QTest::newRow("file added")
            << "add C.wav" << QStringList{"A.wav", "B.wav", "C.wav"} << QVariantMap{};
        QTest::newRow("file removed") << "remove A.wav" << QStringList{"B.wav"} << QVariantMap{};
        QTest::newRow("file renamed")
            << "rename A.wav Z.wav" << QStringList{"B.wav", "Z.wav"} << QVariantMap{};
        QTest::newRow("subfolder added")
            << "mkdir Sub" << QStringList{"Sub", "A.wav", "B.wav"} << QVariantMap{};
        QTest::newRow("file rewritten as stereo")
            << "stereo B.wav" << QStringList{"A.wav", "B.wav"}
            << QVariantMap{{"channels", 2}, {"willConvert", true}};
        QTest::newRow("file rewritten as text")
            << "text B.wav" << QStringList{"A.wav", "B.wav"} << QVariantMap{{"usable", false}};
    }
    void follows()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, after);
        QFETCH(QVariantMap, rowOfB);
        const QString folder = dir.filePath("follows-" + QString(QTest::currentDataTag()));
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QVERIFY(writeFile(folder + "/A.wav", deviceFile(1)));
        QVERIFY(writeFile(folder + "/B.wav", deviceFile(2)));

        ImpulsesRig rig(false);
        ImpulseFiles &files = *rig.impulses.files();
        QVERIFY(listed(files, folder));
        rig.impulses.select(files.rowOf(folder + "/B.wav"));
        QCOMPARE(files.selectedPath(), folder + "/B.wav");

        const QStringList words = change.split(' ');
        const QString target = folder + "/" + words.at(1);
        if (words[0] == "add")
            QVERIFY(writeFile(target, deviceFile(3)));
        else if (words[0] == "remove")
            QVERIFY(QFile::remove(target));
        else if (words[0] == "rename")
            QVERIFY(QFile::rename(target, folder + "/" + words.at(2)));
        else if (words[0] == "mkdir")
            QVERIFY(QDir(folder).mkdir(words.at(1)));
        else if (words[0] == "stereo")
            QVERIFY(writeFile(target, wavFile({1, 2, 48000, 24, false, {}, QByteArray(600, 2)})));
        else
            QVERIFY(writeFile(target, "not a sound\n"));

        const auto changed = [&] {
            const QVariantMap b = files.get(files.rowOf(folder + "/B.wav"));
            for (auto it = rowOfB.begin(); it != rowOfB.end(); ++it)
                if (b[it.key()] != it.value())
                    return false;
            return names(files) == after && files.pending() == 0;
        };
        QVERIFY2(spinUntil(changed, 5000), qPrintable(names(files).join(", ")));
        QCOMPARE(files.selectedPath(), folder + "/B.wav");
        QCOMPARE(files.selectedRow(), files.rowOf(folder + "/B.wav"));
    }

    // A new listing of a listed folder is told to the view as ranges of
    // rows removed and inserted, the highlight kept on its file; a folder
    // changed wholesale is listed again.
    void diff_data()
    {
        QTest::addColumn<QStringList>("removed"); // of Cab 001 to Cab 150
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("told"); // to the view
        QTest::newRow("one added in the middle")
            << QStringList{} << QStringList{"Cab 005b.wav"} << QStringList{"inserted 5-5"};
        QTest::newRow("three neighbours removed")
            << QStringList{"Cab 003.wav", "Cab 004.wav", "Cab 005.wav"} << QStringList{}
            << QStringList{"removed 2-4"};
        QTest::newRow("added and removed apart")
            << QStringList{"Cab 002.wav", "Cab 140.wav"} << QStringList{"Cab 008b.wav", "Amp"}
            << QStringList{"removed 139-139", "removed 1-1", "inserted 0-0", "inserted 8-8"};
        QTest::newRow("a run added at the end")
            << QStringList{} << QStringList{"Cab 151.wav", "Cab 152.wav", "Cab 153.wav"}
            << QStringList{"inserted 150-152"};
        QStringList everyOther;
        for (int n = 1; n <= 150; n += 2)
            everyOther << QString("Cab %1.wav").arg(n, 3, 10, QChar('0'));
        QTest::newRow("every other file removed: listed again")
            << everyOther << QStringList{} << QStringList{"reset", "inserted 0-74"};
    }
    void diff()
    {
        QFETCH(QStringList, removed);
        QFETCH(QStringList, added);
        QFETCH(QStringList, told);
        const QString folder = dir.filePath("diff-" + QString(QTest::currentDataTag()));
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        for (int n = 1; n <= 150; ++n)
            QVERIFY(writeFile(folder + QString("/Cab %1.wav").arg(n, 3, 10, QChar('0')),
                              deviceFile(n, 10)));

        ImpulsesRig rig(false);
        ImpulseFiles &files = *rig.impulses.files();
        QVERIFY(listed(files, folder));
        const QString kept = folder + "/Cab 010.wav";
        files.setSelectedRow(files.rowOf(kept));
        QStringList expected = names(files);

        // Changed while not shown; shown again, the folder is listed anew.
        files.setActive(false);
        for (const QString &name : removed) {
            QVERIFY(QFile::remove(folder + "/" + name));
            expected.removeOne(name);
        }
        for (const QString &name : added) {
            if (name.endsWith(".wav"))
                QVERIFY(writeFile(folder + "/" + name, deviceFile(1, 10)));
            else
                QVERIFY(QDir(folder).mkdir(name));
            expected << name;
        }
        std::sort(expected.begin(), expected.end(), [](const QString &a, const QString &b) {
            return QFileInfo(a).suffix().isEmpty() > QFileInfo(b).suffix().isEmpty() ||
                   (QFileInfo(a).suffix().isEmpty() == QFileInfo(b).suffix().isEmpty() && a < b);
        });
        RowLog log(files);
        QSignalSpy selection(&files, &ImpulseFiles::selectionChanged);
        files.setActive(true);
        QVERIFY(spinUntil([&] { return files.pending() == 0; }, 10000));
        QCOMPARE(names(files), expected);
        QCOMPARE(log.lines, told);
        QCOMPARE(files.selectedPath(), kept);
        QCOMPARE(files.selectedRow(), files.rowOf(kept));
        QCOMPARE(files.selectedRow(), expected.indexOf("Cab 010.wav"));
        QCOMPARE(selection.isEmpty(), files.selectedRow() == 9);
    }

    // With the switch on, the filter searches the folder and every folder
    // below it: files only, each with the subfolder it sits in, folder by
    // folder; hidden folders are left out, favourites still come first.
    void search_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("favourites");
        QTest::addColumn<QStringList>("found"); // "subfolder|name"
        QTest::newRow("every file")
            << "" << int(ImpulseFiles::Mixed)
            << QStringList{"|Cap.wav",         "|Edge 2.wav",       "Brit|Cap.wav",
                           "Brit|Edge 10.wav", "Brit/SM57|Cap.wav", "Brit/SM57/Far|Cap 1m.wav",
                           "Open|Cone.wav"};
        QTest::newRow("three depths by name")
            << "CAP" << int(ImpulseFiles::Mixed)
            << QStringList{"|Cap.wav", "Brit|Cap.wav", "Brit/SM57|Cap.wav",
                           "Brit/SM57/Far|Cap 1m.wav"};
        QTest::newRow("a folder's name finds no file")
            << "SM57" << int(ImpulseFiles::Mixed) << QStringList{};
        QTest::newRow("favourites first")
            << "" << int(ImpulseFiles::First) << QStringList{"Brit/SM57/Far|Cap 1m.wav",
                                                             "Open|Cone.wav",
                                                             "|Cap.wav",
                                                             "|Edge 2.wav",
                                                             "Brit|Cap.wav",
                                                             "Brit|Edge 10.wav",
                                                             "Brit/SM57|Cap.wav"};
        QTest::newRow("favourites only")
            << "" << int(ImpulseFiles::Only)
            << QStringList{"Brit/SM57/Far|Cap 1m.wav", "Open|Cone.wav"};
    }
    void search()
    {
        QFETCH(QString, filter);
        QFETCH(int, favourites);
        QFETCH(QStringList, found);
        const QString tree = makeTree();
        ImpulsesRig rig(false);
        ImpulseFiles &files = *rig.impulses.files();
        QVERIFY(listed(files, tree));
        QCOMPARE(names(files), QStringList({"Brit", "Open", "Cap.wav", "Edge 2.wav"}));

        files.setFavourites(favourites);
        files.setFilter(filter);
        QStringList said;
        connect(&files, &ImpulseFiles::progressChanged, this, [&] { said << files.progress(); });
        files.setSearchSubfolders(true);
        QVERIFY(spinUntil([&] { return files.pending() == 0; }, 10000));
        QStringList got;
        for (int row = 0; row < files.rowCount(); ++row) {
            const QVariantMap r = files.get(row);
            QCOMPARE(r["path"].toString(),
                     tree + "/" +
                         (r["subfolder"].toString().isEmpty() ? QString()
                                                              : r["subfolder"].toString() + "/") +
                         r["name"].toString());
            QCOMPARE(r["ready"].toBool(), true);
            QCOMPARE(r["favourite"].toBool(),
                     r["name"].toString() == "Cap 1m.wav" || r["name"].toString() == "Cone.wav");
            got << r["subfolder"].toString() + "|" + r["name"].toString();
        }
        QCOMPARE(got, found);
        QCOMPARE(files.total(), 7);
        QCOMPARE(files.read(), 7);
        // Progress in the page's words, and nothing once everything is in.
        const QRegularExpression words("^(Searching the subfolders: \\d+ files so far|"
                                       "Reading \\d+ of 7 files|)$");
        for (const QString &text : said)
            QVERIFY2(words.match(text).hasMatch(), qPrintable(text));
        QCOMPARE(files.progress(), QString());

        // Switched off, the folder's own entries are back.
        files.setSearchSubfolders(false);
        files.setFilter("");
        files.setFavourites(ImpulseFiles::Mixed);
        QVERIFY(spinUntil([&] { return files.pending() == 0; }, 10000));
        QCOMPARE(names(files), QStringList({"Brit", "Open", "Cap.wav", "Edge 2.wav"}));
    }

    // Stepping through a search's matches auditions each on the device, the
    // same name in two subfolders as two files.
    void searchStep_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QList<int>>("deltas");
        QTest::addColumn<QList<int>>("previews"); // each file's own fill byte
        QTest::newRow("down through three depths")
            << "cap" << QList<int>{1, 1, 1} << QList<int>{1, 3, 5};
        QTest::newRow("to the last and back") << "cap" << QList<int>{-1, -1} << QList<int>{6, 5};
        QTest::newRow("the same name one folder down")
            << "cap.wav" << QList<int>{1, 1, 1, 1} << QList<int>{1, 3, 5};
        QTest::newRow("past the end of another filter") << "o" << QList<int>{1, 1} << QList<int>{7};
    }
    void searchStep()
    {
        QFETCH(QString, filter);
        QFETCH(QList<int>, deltas);
        QFETCH(QList<int>, previews);
        const QString tree = makeTree();
        ImpulsesRig rig;
        ImpulseFiles &files = *rig.impulses.files();
        QVERIFY(listed(files, tree));
        files.setFilter(filter);
        files.setSearchSubfolders(true);
        QVERIFY(spinUntil([&] { return files.pending() == 0; }, 10000));

        QList<int> seen;
        for (int delta : deltas) {
            const QString path = rig.impulses.step(delta);
            QCOMPARE(files.selectedPath(), path);
            QVERIFY(rig.waitIdle());
            const QByteArray preview = rig.nextPreview(0);
            if (preview.isEmpty())
                continue; // stayed at an end: nothing sent again
            seen << previewFill(preview);
            QCOMPARE(rig.impulses.currentPath(), path);
        }
        QCOMPARE(seen, previews);
    }

    // Narrowing by name and favourites; favourites are kept in the settings.
    void narrowing_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("favourites");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("everything") << "" << int(ImpulseFiles::Mixed) << everything();
        QTest::newRow("by name, any case")
            << "cab 1" << int(ImpulseFiles::Mixed) << QStringList{"Cab 1.aifc", "Cab 10.flac"};
        QTest::newRow("folders narrow too")
            << "CABS" << int(ImpulseFiles::Mixed) << QStringList{"More Cabs"};
        QTest::newRow("favourites first")
            << "" << int(ImpulseFiles::First)
            << QStringList{"Amps",       "More Cabs", "Cab 10.flac", "Room.wav",
                           "Cab 1.aifc", "Cab 2.wav", "empty.wav",   "notes.txt"};
        QTest::newRow("favourites only")
            << "" << int(ImpulseFiles::Only)
            << QStringList{"Amps", "More Cabs", "Cab 10.flac", "Room.wav"};
        QTest::newRow("favourites only, by name")
            << "room" << int(ImpulseFiles::Only) << QStringList{"Room.wav"};
    }
    void narrowing()
    {
        QFETCH(QString, filter);
        QFETCH(int, favourites);
        QFETCH(QStringList, shown);
        {
            ImpulsesRig rig(false);
            ImpulseFiles &files = *rig.impulses.files();
            QVERIFY(listed(files, mixed));
            files.setFavourite(files.rowOf(mixed + "/Room.wav"), true);
            files.setFavourite(files.rowOf(mixed + "/Cab 10.flac"), true);
            files.setFavourite(files.rowOf(mixed + "/notes.txt"), true);
            files.setFavourite(files.rowOf(mixed + "/notes.txt"), false);
            files.setFavourite(files.rowOf(mixed + "/Amps"), true); // folders are not favourites
        }
        ImpulsesRig rig(false); // a new object reads them back
        ImpulseFiles &files = *rig.impulses.files();
        QVERIFY(listed(files, mixed));
        files.setFavourites(favourites);
        files.setFilter(filter);
        QCOMPARE(names(files), shown);
        for (int row = 0; row < files.rowCount(); ++row)
            QCOMPARE(files.get(row)["favourite"].toBool(),
                     QStringList({"Room.wav", "Cab 10.flac"}).contains(names(files).at(row)));
        // Undone, everything is back in name order.
        files.setFilter("");
        files.setFavourites(ImpulseFiles::Mixed);
        QCOMPARE(names(files), everything());
    }

    // Steps land on files and folders, past files known to be unusable, and
    // stay at the ends.
    void stepping_data()
    {
        QTest::addColumn<QString>("from"); // empty: nothing highlighted
        QTest::addColumn<QList<int>>("deltas");
        QTest::addColumn<QStringList>("landing");
        QTest::newRow("down from nothing: the first file")
            << "" << QList<int>{1} << QStringList{"Cab 1.aifc"};
        QTest::newRow("up from nothing: the last file")
            << "" << QList<int>{-1} << QStringList{"Room.wav"};
        QTest::newRow("down past the unusable files")
            << "Cab 10.flac" << QList<int>{1, 1} << QStringList{"Room.wav", "Room.wav"};
        QTest::newRow("up into the folders")
            << "Cab 2.wav" << QList<int>{-1, -1, -1, -1}
            << QStringList{"Cab 1.aifc", "More Cabs", "Amps", "Amps"};
        QTest::newRow("several at once")
            << "Amps" << QList<int>{3, -2} << QStringList{"Cab 2.wav", "More Cabs"};
    }
    void stepping()
    {
        QFETCH(QString, from);
        QFETCH(QList<int>, deltas);
        QFETCH(QStringList, landing);
        ImpulsesRig rig(false);
        ImpulseFiles &files = *rig.impulses.files();
        QVERIFY(listed(files, mixed));
        if (!from.isEmpty())
            files.setSelectedRow(files.rowOf(mixed + "/" + from));
        for (int i = 0; i < deltas.size(); ++i) {
            const QString path = rig.impulses.step(deltas[i]);
            QCOMPARE(path, mixed + "/" + landing[i]);
            QCOMPARE(files.selectedPath(), path);
        }
        // Unconnected: each file landed on was tried and refused for that.
        for (const QVariantList &failed : rig.events.of("failed")) {
            QVERIFY(!QFileInfo(failed[0].toString()).isDir());
            QVERIFY(failed[1].toString().contains("not connected"));
        }
    }

    // The folder is the one the file dialog remembers ("ImpulsPath", a file:
    // URL); subfolders are entered and left; a folder that goes away gives
    // way to the nearest one left.
    void folder()
    {
        const QString start = mixed + "/More Cabs";
        {
            Core core;
            core.setLastPath(QUrl::fromLocalFile(start).toString());
        }
        ImpulsesRig rig(false);
        Impulses &impulses = rig.impulses;
        QCOMPARE(impulses.folder(), start);
        QVERIFY(impulses.canGoUp());

        QVERIFY(impulses.up());
        QCOMPARE(impulses.folder(), mixed);
        QCOMPARE(rig.core.getLastPath(), QUrl::fromLocalFile(mixed).toString());
        QCOMPARE(rig.events.count("folderChanged"), 1);

        impulses.files()->setActive(true);
        QVERIFY(spinUntil([&] { return impulses.files()->pending() == 0; }, 10000));
        QVERIFY(!impulses.enter(impulses.files()->rowOf(mixed + "/Room.wav")));
        QVERIFY(impulses.enter(impulses.files()->rowOf(mixed + "/Amps")));
        QCOMPARE(impulses.folder(), mixed + "/Amps");

        impulses.setFolder(mixed + "/notes.txt"); // not a folder: nothing changes
        impulses.setFolder(dir.filePath("no such folder"));
        QCOMPARE(impulses.folder(), mixed + "/Amps");
        QCOMPARE(rig.core.getLastPath(), QUrl::fromLocalFile(mixed + "/Amps").toString());

        const QString doomed = dir.filePath("doomed/deeper");
        QVERIFY(QDir().mkpath(doomed));
        impulses.setFolder(QUrl::fromLocalFile(doomed).toString());
        QCOMPARE(impulses.folder(), doomed);
        QVERIFY(QDir(dir.filePath("doomed")).removeRecursively());
        QVERIFY(spinUntil([&] { return impulses.folder() == dir.path(); }, 5000));
        QCOMPARE(rig.core.getLastPath(), QUrl::fromLocalFile(dir.path()).toString());
    }

    // The files whose name the device reports for the preset are marked,
    // also under the name a stored impulse gets.
    void storedMark_data()
    {
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QStringList>("marked");
        QTest::newRow("a file as it is") << "Cab 2.wav" << QStringList{"Cab 2.wav"};
        QTest::newRow("stored under its store name") << "Cab_2.wav" << QStringList{"Cab 2.wav"};
        QTest::newRow("a converted file") << "Cab_10.wav" << QStringList{"Cab 10.flac"};
        QTest::newRow("a factory impulse") << "Closed 4x12 Center" << QStringList{};
        QTest::newRow("no impulse") << "empty" << QStringList{};
    }
    void storedMark()
    {
        QFETCH(QString, reported);
        QFETCH(QStringList, marked);
        ImpulsesRig rig(false);
        ImpulseFiles &files = *rig.impulses.files();
        QVERIFY(listed(files, mixed));
        // The current preset holds that impulse; the device names it when
        // the panel connects ("rn").
        if (reported == "empty")
            rig.device.model().removeImpulse();
        else
            rig.device.model().storeImpulse(
                {reported.toUtf8(), wav::deviceImage(QByteArray(3, 0))});
        QVERIFY(rig.openIdle());
        QStringList got;
        for (int row = 0; row < files.rowCount(); ++row)
            if (files.get(row)["stored"].toBool())
                got << files.get(row)["name"].toString();
        QCOMPARE(got, marked);
    }

    // Quick steps over a real serial line: while a preview is on the wire
    // only the newest selection waits; it goes out when the device has
    // answered; whatever replaces the preset drops it.
    void coalescing_data()
    {
        QTest::addColumn<QList<int>>("deltas");
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QList<int>>("previews"); // file numbers, in order
        QTest::addColumn<QString>("selected");
        QTest::newRow("five steps down")
            << QList<int>{1, 1, 1, 1, 1} << "" << QList<int>{1, 5} << "5.wav";
        QTest::newRow("down and back")
            << QList<int>{1, 1, 1, 1, -1} << "" << QList<int>{1, 3} << "3.wav";
        QTest::newRow("back to the file on the wire: not sent twice")
            << QList<int>{1, 1, 1, -1, -1} << "" << QList<int>{1} << "1.wav";
        QTest::newRow("one step") << QList<int>{1} << "" << QList<int>{1} << "1.wav";
        QTest::newRow("past the end")
            << QList<int>{1, 9, 9, 9, 9} << "" << QList<int>{1, 6} << "6.wav";
        QTest::newRow("a file loaded meanwhile")
            << QList<int>{1, 1, 1} << "load 6.wav" << QList<int>{1, 6} << "3.wav";
        QTest::newRow("a preset move meanwhile")
            << QList<int>{1, 1, 1} << "move" << QList<int>{1} << "3.wav";
        QTest::newRow("the device gone meanwhile")
            << QList<int>{1, 1, 1} << "close" << QList<int>{1} << "3.wav";
    }
    void coalescing()
    {
        QFETCH(QList<int>, deltas);
        QFETCH(QString, meanwhile);
        QFETCH(QList<int>, previews);
        QFETCH(QString, selected);
        const QString folder = dir.filePath("steps");
        QDir().mkpath(folder);
        for (int n = 1; n <= 6; ++n)
            QVERIFY(writeFile(folder + QString("/%1.wav").arg(n), deviceFile(n)));

        ImpulsesRig rig;
        rig.device.setDelay(30); // each preview is answered a little later
        ImpulseFiles &files = *rig.impulses.files();
        QVERIFY(listed(files, folder));

        for (int delta : deltas)
            rig.impulses.step(delta);
        QCOMPARE(files.selectedPath(), folder + "/" + selected);

        // The interruption comes once the first preview is out.
        QVERIFY(!rig.nextPreview().isEmpty());
        if (meanwhile == "load 6.wav")
            QVERIFY(rig.impulses.load(folder + "/6.wav"));
        else if (meanwhile == "move")
            rig.session.jumpNow(5);
        else if (meanwhile == "close")
            rig.losePort();
        if (rig.link.isOpen())
            QVERIFY(rig.waitIdle());
        QList<int> seen;
        const QList<QByteArray> raw = rig.device.rawRequests();
        for (const QByteArray &request : raw) {
            if (request.startsWith("cc s 1\r"))
                seen << previewFill(request);
        }
        QCOMPARE(seen, previews);
        if (meanwhile.isEmpty() || meanwhile.startsWith("load"))
            QCOMPARE(raw.size(), seen.size()); // nothing else went out
        QVERIFY(rig.impulses.waitingPath().isEmpty());
        // After a move the device names the impulse of the preset moved to,
        // which ends the one auditioned.
        QCOMPARE(rig.impulses.currentPath(),
                 meanwhile == "move"
                     ? QString()
                     : folder + QString("/%1.wav").arg(meanwhile == "close" ? 1 : previews.last()));
    }

    // Rows that cannot be auditioned: a folder, a file known to be unusable
    // (nothing is sent, no message); one found unusable on loading is marked.
    void notAuditioned()
    {
        ImpulsesRig rig;
        ImpulseFiles &files = *rig.impulses.files();
        QVERIFY(listed(files, mixed));
        QVERIFY(!rig.impulses.select(files.rowOf(mixed + "/Amps")));
        QVERIFY(!rig.impulses.select(files.rowOf(mixed + "/notes.txt")));
        QCOMPARE(files.selectedPath(), mixed + "/notes.txt");
        QCOMPARE(rig.events.count("failed"), 0);
        QTest::qWait(20);
        QCOMPARE(rig.device.wire(), QByteArray());

        // Spoiled after it was listed: the load says why, and the row too.
        const QString spoiled = dir.filePath("spoiled");
        QDir().mkpath(spoiled);
        QVERIFY(writeFile(spoiled + "/Gone bad.wav", deviceFile(7)));
        QVERIFY(listed(files, spoiled));
        files.setActive(false); // no longer watched: the list cannot know
        QVERIFY(writeFile(spoiled + "/Gone bad.wav", "text now\n"));
        QVERIFY(!rig.impulses.select(0));
        QCOMPARE(rig.events.count("failed"), 1);
        QCOMPARE(files.get(0)["usable"].toBool(), false);
        QCOMPARE(files.get(0)["reason"].toString(), rig.events.of("failed")[0][1].toString());
        // Nothing else to step to: it stays, and is not tried again.
        QCOMPARE(rig.impulses.step(1), spoiled + "/Gone bad.wav");
        QCOMPARE(rig.events.count("failed"), 1);
    }

private:
    // A pack as packs come: files at three depths below the folder, the same
    // name in several folders (each file's fill byte tells it on the wire),
    // a hidden folder; two favourites.
    QString makeTree()
    {
        const QString tree = dir.filePath("tree");
        Core core;
        core.settingsStore().setValue(
            "ImpulseFavourites",
            QStringList{tree + "/Brit/SM57/Far/Cap 1m.wav", tree + "/Open/Cone.wav"});
        if (QDir(tree).exists())
            return tree;
        const QList<QPair<QString, int>> made = {
            {"Cap.wav", 1},          {"Edge 2.wav", 2},        {"Brit/Cap.wav", 3},
            {"Brit/Edge 10.wav", 4}, {"Brit/SM57/Cap.wav", 5}, {"Brit/SM57/Far/Cap 1m.wav", 6},
            {"Open/Cone.wav", 7},    {".hidden/Cap.wav", 8}};
        for (const auto &file : made) {
            QDir(tree).mkpath(QFileInfo(file.first).path());
            writeFile(tree + "/" + file.first, deviceFile(file.second));
        }
        return tree;
    }

    // The mixed folder in name order.
    static QStringList everything()
    {
        return {"Amps",        "More Cabs", "Cab 1.aifc", "Cab 2.wav",
                "Cab 10.flac", "empty.wav", "notes.txt",  "Room.wav"};
    }
};

VORTAXA_TEST_MAIN(TestImpulseBrowser)
#include "tst_impulse_browser.moc"
