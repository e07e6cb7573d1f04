// What the panel needs of the desktop beyond the device, published as
// `_desktop`: the window's place and size kept across runs, and a report
// when no browser could open one of the web pages.
#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

class QSettings;
class WebPageOpener;

class Desktop : public QObject {
    Q_OBJECT

public:
    Desktop(QSettings &settings, WebPageOpener &webPages, QObject *parent = nullptr);

    // The window's last place: {"x", "y", "width", "height"} fitted onto the
    // screens there are now (empty when none was kept or it lies off every
    // screen), and "maximized".
    Q_INVOKABLE QVariantMap windowPlace() const;
    // Keeps the window's place for the next run. A maximized window keeps
    // only that: its place as it was before stays kept.
    Q_INVOKABLE void keepWindowPlace(int x, int y, int width, int height, bool maximized);

signals:
    // A web page (`url`) could not be opened: no browser, for instance.
    void webPageNotOpened(const QString &url);

private:
    QSettings &settings;
};
