// Where a file the librarian or the command line makes goes, checked before
// any work starts: an existing regular file is replaced atomically (a
// temporary file renamed over it), a new one is made in a folder that exists
// and can be written, "-" is standard output, and anything else that exists
// (a device node, a FIFO, a socket, a folder) is refused and left as it is.
#pragma once

#include <QByteArray>
#include <QString>

namespace library {

// The name that stands for standard output.
inline const QString standardOutput = QStringLiteral("-");

// Why `path` cannot take a new file, as a sentence; empty when it can.
QString destinationProblem(const QString &path);

// Writes `bytes` to `path` (atomically for a file, at once for "-"); false
// with the reason in `error`. Checks the destination again first.
bool writeDestination(const QString &path, const QByteArray &bytes, QString *error);

// How messages name the destination: the file's name, or "standard output".
QString destinationLabel(const QString &path);

} // namespace library
