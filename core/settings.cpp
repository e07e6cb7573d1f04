// Settings kept across runs, the folder position stack and the web links.
// Every setter writes through to the store at once.
#include "base/panel_settings.h"
#include "base/web_pages.h"
#include "core/core.h"

#include <QDebug>

namespace {

const char *const keySkinsPath = "SkinsPath";
const char *const keyAlternativeSkins = "AlternativeSkins";
const char *const keyColor = "ColorImpulsFone";
const char *const defaultColor = "#0000ff";

} // namespace

QString Core::getLastPath()
{
    return panelSettings::lastImpulseFolder(settings);
}

void Core::setLastPath(QString path)
{
    panelSettings::setLastImpulseFolder(settings, path);
}

QString Core::getSkinsPath()
{
    return settings.value(keySkinsPath, panelSettings::defaultFolderUrl()).toString();
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

void Core::slOpenUrl1()
{
    webOpener->open(webPages::productPage());
}

void Core::slOpenUrl2()
{
    webOpener->open(webPages::shopPage());
}
