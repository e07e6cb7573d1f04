// Writing and pruning the safety copies.
#include "library/safety_copies.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

namespace safetyCopies {
namespace {

const QString prefix = QStringLiteral("before-restore-");

} // namespace

QString folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/safety-copies");
}

QString write(const library::PresetFile &copy, QString *error)
{
    QDir dir(folder());
    if (!dir.mkpath(QStringLiteral("."))) {
        *error = QStringLiteral("the folder %1 cannot be made")
                     .arg(QDir::toNativeSeparators(dir.path()));
        return QString();
    }
    // Names sort as they were made: the time to the millisecond, then a
    // count for two in the same millisecond.
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    QString path = dir.filePath(prefix + stamp + QStringLiteral(".json"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(
            QStringLiteral("%1%2-%3.json").arg(prefix, stamp).arg(n, 3, 10, QLatin1Char('0')));
    if (!library::writeFile(path, copy, error))
        return QString();
    prune(dir.path());
    return path;
}

void prune(const QString &folder, int keep)
{
    QStringList names = QDir(folder).entryList({prefix + QStringLiteral("*.json")}, QDir::Files);
    // Oldest first: by the time the copy was last written, then by name.
    std::sort(names.begin(), names.end(), [&](const QString &a, const QString &b) {
        const QDateTime ta = QFileInfo(folder + '/' + a).lastModified();
        const QDateTime tb = QFileInfo(folder + '/' + b).lastModified();
        return ta != tb ? ta < tb : a < b;
    });
    for (int i = 0; i < names.size() - keep; ++i)
        QFile::remove(folder + '/' + names.at(i));
}

} // namespace safetyCopies
