// The Debian package as a user's system gets it: cpack makes it from this
// build, the test unpacks it and checks the layout, the validators' verdicts,
// that its dependencies cover what the program loads, the maintainer scripts,
// and that the installed command starts and shows its document.
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QString output; // standard output and error, merged
};

Run run(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(300000)) {
        result.output = program + ": " + process.errorString();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromLocal8Bit(process.readAll());
    return result;
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Every match of a pattern in a text, its captured groups joined by ':'.
QStringList allMatches(const QString &pattern, const QString &text)
{
    QStringList found;
    auto it = QRegularExpression(pattern, QRegularExpression::MultilineOption).globalMatch(text);
    while (it.hasNext())
        found << it.next().capturedTexts().mid(1).join(':');
    return found;
}

// Package names of a Depends field: alternatives, versions and architectures dropped.
QSet<QString> packageNames(const QString &field)
{
    QSet<QString> names;
    for (const QString &item : field.split(QRegularExpression("[,|]"), Qt::SkipEmptyParts)) {
        const QString name = item.trimmed().section(' ', 0, 0).section(':', 0, 0);
        if (!name.isEmpty())
            names.insert(name);
    }
    return names;
}

// The installed packages holding a file that matches a dpkg path pattern.
QStringList owners(const QString &pattern)
{
    QStringList packages;
    for (const QString &line : run("dpkg-query", {"-S", pattern}).output.split('\n')) {
        if (!line.contains(": /"))
            continue; // diversions and "no path found"
        for (const QString &package : line.section(": /", 0, 0).split(", "))
            packages << package.section(':', 0, 0).trimmed();
    }
    return packages;
}

// The qmldir of a QML module ("uri:version") as the engine finds it: the
// folder named with the major version first ("QtQuick/Controls.2"), then the
// plain one.
QString qmldirOf(const QString &module)
{
    const QString base = QLibraryInfo::location(QLibraryInfo::Qml2ImportsPath) + '/' +
                         module.section(':', 0, 0).replace('.', '/');
    const QString major = base + '.' + module.section(':', 1).section('.', 0, 0) + "/qmldir";
    return QFileInfo::exists(major) ? major : base + "/qmldir";
}

const QString appDir = QStringLiteral("usr/lib/vortaxa/");
const QString desktopEntry = QStringLiteral("usr/share/applications/" VORTAXA_APP_ID ".desktop");
const QString metainfo = QStringLiteral("usr/share/metainfo/" VORTAXA_APP_ID ".metainfo.xml");
const QString udevRule = QStringLiteral("usr/lib/udev/rules.d/70-vortaxa-device.rules");
const QString iconDir = QStringLiteral("usr/share/icons/hicolor/");

} // namespace

class TestPackage : public QObject {
    Q_OBJECT

    QTemporaryDir work;
    QString deb;
    QString root;            // the unpacked files
    QString control;         // the unpacked control area
    QSet<QString> reachable; // the package's dependencies and their own

    QString path(const QString &file) const { return root + '/' + file; }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        const Run made = run(CPACK_COMMAND, {"--config", CPACK_CONFIG, "-B", work.path()});
        QVERIFY2(made.exitCode == 0, qPrintable(made.output));
        const QStringList debs = QDir(work.path()).entryList({"vortaxa_*.deb"}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        deb = work.filePath(debs.first());
        qInfo("%s: %lld bytes", qPrintable(debs.first()), QFileInfo(deb).size());

        root = work.filePath("root");
        control = work.filePath("control");
        QCOMPARE(run("dpkg-deb", {"-x", deb, root}).exitCode, 0);
        QCOMPARE(run("dpkg-deb", {"-e", deb, control}).exitCode, 0);

        const QSet<QString> depends = packageNames(run("dpkg-deb", {"-f", deb, "Depends"}).output);
        QVERIFY(!depends.isEmpty());
        reachable = depends;
        for (const QString &package : depends)
            reachable += packageNames(run("dpkg-query", {"-W", "-f=${Depends}", package}).output);
    }

    void layout_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("kind");   // program, file, link or image
        QTest::addColumn<QString>("detail"); // a link's target file, an image's size
        QTest::newRow("executable") << appDir + "vortaxa"
                                    << "program"
                                    << "";
        QTest::newRow("document") << appDir + "flat/main.qml"
                                  << "file"
                                  << "";
        QTest::newRow("help page") << appDir + "help/index.html"
                                   << "file"
                                   << "";
        QTest::newRow("command on the PATH") << "usr/bin/vortaxa"
                                             << "link" << appDir + "vortaxa";
        QTest::newRow("desktop entry") << desktopEntry << "file"
                                       << "";
        QTest::newRow("metainfo") << metainfo << "file"
                                  << "";
        QTest::newRow("scalable icon") << iconDir + "scalable/apps/" VORTAXA_APP_ID ".svg"
                                       << "file"
                                       << "";
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString dim = QStringLiteral("%1x%1").arg(size);
            QTest::newRow(qPrintable("icon " + dim))
                << iconDir + dim + "/apps/" VORTAXA_APP_ID ".png"
                << "image" << dim;
        }
        QTest::newRow("udev rule") << udevRule << "file"
                                   << "";
        QTest::newRow("manual page") << "usr/share/man/man1/vortaxa.1.gz"
                                     << "file"
                                     << "";
        QTest::newRow("command line") << "usr/bin/vortaxa-cli"
                                      << "program"
                                      << "";
        QTest::newRow("command line's manual page") << "usr/share/man/man1/vortaxa-cli.1.gz"
                                                    << "file"
                                                    << "";
        QTest::newRow("command line's completion")
            << "usr/share/bash-completion/completions/vortaxa-cli"
            << "file"
            << "";
        QTest::newRow("copyright") << "usr/share/doc/vortaxa/copyright"
                                   << "file"
                                   << "";
    }

    void layout()
    {
        QFETCH(QString, file);
        QFETCH(QString, kind);
        QFETCH(QString, detail);
        const QFileInfo info(path(file));
        QVERIFY2(info.exists(), qPrintable(file + " is missing"));
        if (kind == "program") {
            QVERIFY(info.isFile() && info.isExecutable());
        } else if (kind == "link") {
            // Relative, so it leads to the package's own executable wherever unpacked.
            QVERIFY(info.isSymLink());
            QCOMPARE(info.canonicalFilePath(), QFileInfo(path(detail)).canonicalFilePath());
        } else if (kind == "image") {
            const QSize size = QImageReader(info.filePath()).size();
            QCOMPARE(QStringLiteral("%1x%2").arg(size.width()).arg(size.height()), detail);
        } else {
            QVERIFY(info.isFile() && !info.isSymLink());
        }
    }

    void validators_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("desktop-file-validate")
            << "desktop-file-validate" << QStringList{path(desktopEntry)};
        QTest::newRow("appstreamcli")
            << "appstreamcli" << QStringList{"validate", "--no-net", path(metainfo)};
        QTest::newRow("lintian") << "lintian" << QStringList{"--fail-on", "error", deb};
    }

    void validators()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        const Run verdict = run(program, arguments);
        if (!verdict.output.trimmed().isEmpty())
            qInfo("%s", qPrintable(verdict.output.trimmed())); // warnings stay in the log
        QCOMPARE(verdict.exitCode, 0);
    }

    // The desktop entry, the metainfo and the udev rule name each other and
    // the files the package installs.
    void entriesAgree()
    {
        const QString entry = readText(path(desktopEntry));
        const QString info = readText(path(metainfo));
        const QStringList command = allMatches("^Exec=(\\S+)", entry);
        QCOMPARE(command.size(), 1);
        QVERIFY2(QFileInfo(path("usr/bin/" + command.first())).isExecutable(),
                 qPrintable(command.first()));
        const QStringList icon = allMatches("^Icon=(\\S+)", entry);
        QCOMPARE(icon, QStringList{VORTAXA_APP_ID});
        QVERIFY(QFileInfo::exists(path(iconDir + "scalable/apps/" + icon.first() + ".svg")));
        QCOMPARE(allMatches("<launchable type=\"desktop-id\">([^<]+)<", info),
                 QStringList{QFileInfo(desktopEntry).fileName()});
        QCOMPARE(allMatches("<icon type=\"stock\">([^<]+)<", info), icon);

        // The software centre offers the package for the devices the rule serves.
        QStringList ruleIds = allMatches(
            "ATTRS\\{idVendor\\}==\"([0-9a-f]{4})\", ATTRS\\{idProduct\\}==\"([0-9a-f]{4})\"",
            readText(path(udevRule)));
        ruleIds.removeDuplicates(); // each pair has two lines
        QCOMPARE(ruleIds.size(), 3);
        QStringList modaliasIds =
            allMatches("<modalias>usb:v([0-9A-F]{4})p([0-9A-F]{4})d\\*<", info);
        for (QString &ids : modaliasIds)
            ids = ids.toLower();
        ruleIds.sort();
        modaliasIds.sort();
        QCOMPARE(modaliasIds, ruleIds);
    }

    // Every library the executable links and every QML module the document
    // imports (with the modules those declare they need) comes from a package
    // that the package depends on, directly or through that package.
    void dependencies_data()
    {
        QTest::addColumn<QStringList>("providers");
        QSet<QString> libraries;
        for (const QString &program : {appDir + "vortaxa", QStringLiteral("usr/bin/vortaxa-cli")}) {
            const Run elf = run("objdump", {"-p", path(program)});
            QVERIFY2(elf.exitCode == 0, qPrintable(elf.output));
            for (const QString &library : allMatches("^\\s*NEEDED\\s+(\\S+)", elf.output))
                libraries << library;
        }
        for (const QString &library : libraries)
            QTest::newRow(qPrintable("library " + library)) << owners("*/" + library);

        QSet<QString> modules; // "uri:version"
        for (const QFileInfo &document : QDir(path(appDir + "flat")).entryInfoList({"*.qml"}))
            for (const QString &module : allMatches("^import\\s+([A-Za-z][\\w.]*)\\s+(\\d+\\.\\d+)",
                                                    readText(document.filePath())))
                modules << module;
        QVERIFY(!modules.isEmpty());
        for (const QString &module : modules) {
            const QString qmldir = qmldirOf(module);
            QTest::newRow(qPrintable("QML " + module)) << owners(qmldir);
            for (const QString &needed :
                 allMatches("^depends\\s+(\\S+)\\s+(\\S+)", readText(qmldir)))
                QTest::newRow(qPrintable("QML " + needed + " for " + module))
                    << owners(qmldirOf(needed));
        }
    }

    void dependencies()
    {
        QFETCH(QStringList, providers);
        QVERIFY2(!providers.isEmpty(), "no installed package provides it");
        bool covered = false;
        for (const QString &package : providers)
            covered = covered || reachable.contains(package);
        QVERIFY2(covered, qPrintable(providers.join(", ") + " is not among the dependencies"));
    }

    // Where udev runs, the scripts reload its rules and re-trigger serial
    // ports; where it does not (a chroot, a container) they call nothing. A
    // failing udevadm never fails the installation.
    void maintainerScripts_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("acts");
        QTest::newRow("postinst configure") << "postinst"
                                            << "configure" << true;
        QTest::newRow("postinst abort-upgrade") << "postinst"
                                                << "abort-upgrade" << false;
        QTest::newRow("postrm remove") << "postrm"
                                       << "remove" << true;
        QTest::newRow("postrm upgrade") << "postrm"
                                        << "upgrade" << false;
    }

    void maintainerScripts()
    {
        QFETCH(QString, script);
        QFETCH(QString, action);
        QFETCH(bool, acts);
        const QString file = control + '/' + script;

        QTemporaryDir bin;
        const QString log = bin.filePath("calls");
        QFile udevadm(bin.filePath("udevadm"));
        QVERIFY(udevadm.open(QIODevice::WriteOnly));
        udevadm.write("#!/bin/sh\necho \"$*\" >> \"$UDEVADM_CALLS\"\nexit 1\n");
        udevadm.close();
        udevadm.setPermissions(udevadm.permissions() | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", bin.path() + ":/usr/sbin:/usr/bin:/sbin:/bin");
        env.insert("UDEVADM_CALLS", log);

        const Run result = run(file, {action}, env);
        QVERIFY2(result.exitCode == 0, qPrintable(result.output));
        const bool udevRuns = QFileInfo(QStringLiteral("/run/udev")).isDir();
        QCOMPARE(readText(log),
                 acts && udevRuns
                     ? QStringLiteral("control --reload-rules\n"
                                      "trigger --subsystem-match=tty --action=change\n")
                     : QString());
    }

    // The command on the PATH, run as a menu entry runs it, finds the
    // document beside its real path and draws the window.
    void commandShowsTheDocument()
    {
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkdir("runtime"));
        QFile::setPermissions(home.filePath("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QML2_IMPORT_PATH");
        env.insert("HOME", home.path());
        env.insert("XDG_RUNTIME_DIR", home.filePath("runtime"));
        env.insert("XDG_CACHE_HOME", home.filePath("cache"));
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QT_QUICK_BACKEND", "software");
        env.insert("QML_DISABLE_DISK_CACHE", "1");
        env.insert("QT_LOGGING_RULES", "default.debug=false;qt.scenegraph.time.renderloop=true");

        QProcess app;
        app.setProcessEnvironment(env);
        app.setWorkingDirectory(home.path());
        app.setProcessChannelMode(QProcess::MergedChannels); // the render loop logs on stderr
        app.start(path("usr/bin/vortaxa"), QStringList());
        QVERIFY2(app.waitForStarted(), qPrintable(app.errorString()));
        QByteArray output;
        const QDeadlineTimer deadline(60000);
        while (!output.contains("Frame rendered") && app.state() == QProcess::Running &&
               !deadline.hasExpired()) {
            app.waitForReadyRead(int(deadline.remainingTime()));
            output += app.readAll();
        }
        const bool drawn = output.contains("Frame rendered");
        app.kill();
        app.waitForFinished();
        QVERIFY2(drawn, output.constData());
    }

    // The command line runs with no display at all and links none of Qt's
    // display libraries.
    void commandLineNeedsNoDisplay()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        const Run version = run(path("usr/bin/vortaxa-cli"), {"--version"}, env);
        QCOMPARE(version.exitCode, 0);
        QVERIFY2(version.output.startsWith("vortaxa-cli "), qPrintable(version.output));
        const Run elf = run("objdump", {"-p", path("usr/bin/vortaxa-cli")});
        for (const QString &library : allMatches("^\\s*NEEDED\\s+(\\S+)", elf.output))
            QVERIFY2(!library.contains(QRegularExpression("Qt5(Gui|Qml|Quick)")),
                     qPrintable(library));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
