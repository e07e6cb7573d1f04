// CoreSeam: the one door through which the panel's newer back-end objects
// (the impulse browser, the librarian, the edit history, the port chooser)
// reach Core beyond the interface it offers the document.
//
// Core creates one seam as its child and lives exactly as long as it. Core
// tells the seam, through its signals, of the events its own interface does
// not carry; the objects read the little state they need through the seam's
// accessors, and never touch Core's fields themselves. The document never
// sees the seam: only Core's own interface is published as `_core`.
//
// Add to this class what a new object needs, one accessor or one signal at
// a time, each with a line saying what it means.
#pragma once

#include <QObject>
#include <QUrl>

class Core;
class QSerialPort;
class QSettings;

class CoreSeam : public QObject {
    Q_OBJECT

public:
    // The seam of `core`.
    static CoreSeam &of(Core &core);

    Core &core() const { return m_core; }

    // The device's port, read-only: whether it is open, its name, and the
    // error of the last failed open.
    const QSerialPort &port() const;

    // True while no request waits in the command queue.
    bool queueEmpty() const;

    // The settings store the panel keeps its choices in.
    QSettings &settings() const;

signals:
    // The current preset's content was replaced as a whole: a move to another
    // preset, a revert, a paste, an impulse load, a sweep or a new connection.
    void presetReplaced();

    // The desktop could not open a web page (no browser, for instance).
    void webPageNotOpened(const QUrl &url);

private:
    friend class Core;
    explicit CoreSeam(Core &core);

    Core &m_core;
};
