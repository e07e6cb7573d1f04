// Checking and writing a destination: stat(2) says what a path is (links
// followed, as the write follows them), QSaveFile writes files, stdio writes
// standard output.
#include "library/destination.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace library {
namespace {

// What a non-regular file is, in words.
QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a pipe (FIFO)");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    return QStringLiteral("not a regular file");
}

bool writeStandardOutput(const QByteArray &bytes, QString *error)
{
    errno = 0;
    const bool ok =
        fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size()) &&
        fflush(stdout) == 0;
    if (!ok)
        *error = QStringLiteral("standard output could not be written (%1)")
                     .arg(QString::fromLocal8Bit(strerror(errno ? errno : EIO)));
    return ok;
}

} // namespace

QString destinationProblem(const QString &path)
{
    if (path == standardOutput)
        return QString();
    const QString shown = QDir::toNativeSeparators(path);
    struct stat info = {};
    if (stat(QFile::encodeName(path).constData(), &info) == 0) {
        if (!S_ISREG(info.st_mode))
            return QStringLiteral("%1 is %2, not a file: nothing is written there.")
                .arg(shown, kindOf(info.st_mode));
        if (!QFileInfo(path).isWritable())
            return QStringLiteral("The file %1 may not be written.").arg(shown);
    }
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.exists())
        return QStringLiteral("The folder %1 does not exist.")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    if (!folder.isDir())
        return QStringLiteral("%1 is not a folder.")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    if (!folder.isWritable())
        return QStringLiteral("The folder %1 may not be written to.")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    return QString();
}

bool writeDestination(const QString &path, const QByteArray &bytes, QString *error)
{
    if (path == standardOutput)
        return writeStandardOutput(bytes, error);
    const QString problem = destinationProblem(path);
    if (!problem.isEmpty()) {
        *error = problem.chopped(1); // the caller ends the sentence
        return false;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

QString destinationLabel(const QString &path)
{
    return path == standardOutput ? QStringLiteral("standard output") : QFileInfo(path).fileName();
}

} // namespace library
