// Settings kept across runs, the folder position stack and the web links.
// Every setter writes through to the store at once.
#include "core/core.h"
#include "core/core_seam.h"
#include "core/web_pages.h"

#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace {

const char *const keyImpulsPath = "ImpulsPath";
const char *const keySkinsPath = "SkinsPath";
const char *const keyAlternativeSkins = "AlternativeSkins";
const char *const keyColor = "ColorImpulsFone";
const char *const defaultColor = "#0000ff";

// The folder the file dialogs start in when nothing has been stored yet.
QString defaultFolderUrl()
{
#ifdef Q_OS_WIN
    return QStringLiteral("file:///C:/");
#else
    return QUrl::fromLocalFile(QDir::homePath()).toString();
#endif
}

} // namespace

QString Core::getLastPath()
{
    return settings.value(keyImpulsPath, defaultFolderUrl()).toString();
}

void Core::setLastPath(QString path)
{
    settings.setValue(keyImpulsPath, path);
    settings.sync();
}

QString Core::getSkinsPath()
{
    return settings.value(keySkinsPath, defaultFolderUrl()).toString();
}

void Core::setSkinsPath(QString path)
{
    settings.setValue(keySkinsPath, path);
    settings.sync();
}

bool Core::getAlternativeSkins()
{
    return settings.value(keyAlternativeSkins, QStringLiteral("false")).toBool();
}

void Core::setAlternativeSkins(bool on)
{
    settings.setValue(keyAlternativeSkins, on);
    settings.sync();
}

void Core::colorOpen()
{
    emit sgColorOpen();
}

void Core::setColorFileName(QString color)
{
    qDebug() << "setColorFileName" << color;
    emit sgSetColorFileName(color); // the interface applies it at once
    settings.setValue(keyColor, color);
    settings.sync();
}

QString Core::getColorFileName()
{
    return settings.value(keyColor, defaultColor).toString();
}

void Core::setFolderPos(uchar pos)
{
    qDebug() << "setFolderPos" << pos;
    folderStack.append(static_cast<char>(pos));
}

uchar Core::getFolderPos()
{
    uchar pos = 0;
    if (!folderStack.isEmpty()) {
        pos = static_cast<uchar>(folderStack.back());
        folderStack.chop(1);
    }
    qDebug() << "getFolderPos" << pos;
    return pos;
}

// A page that no browser could open is reported through the seam, so the
// panel can say so instead of doing nothing.
void Core::slOpenUrl1()
{
    const QUrl page = webPages::productPage();
    if (!QDesktopServices::openUrl(page))
        emit seam->webPageNotOpened(page);
}

void Core::slOpenUrl2()
{
    const QUrl page = webPages::shopPage();
    if (!QDesktopServices::openUrl(page))
        emit seam->webPageNotOpened(page);
}
