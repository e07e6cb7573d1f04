// Paths as the document hands them over: a file dialog gives a file URL, a
// typed or dropped path may come as it is.
#pragma once

#include <QString>
#include <QUrl>

// The local path of `pathOrUrl`: a file URL's path, anything else as it is.
inline QString localPath(const QString &pathOrUrl)
{
    const QUrl url(pathOrUrl);
    return url.isLocalFile() ? url.toLocalFile() : pathOrUrl;
}
