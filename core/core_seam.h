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

class Core;

class CoreSeam : public QObject {
    Q_OBJECT

public:
    // The seam of `core`.
    static CoreSeam &of(Core &core);

    Core &core() const { return m_core; }

signals:
    // The current preset's content was replaced as a whole: a move to another
    // preset, a revert, a paste, an impulse load, a sweep or a new connection.
    void presetReplaced();

private:
    friend class Core;
    explicit CoreSeam(Core &core);

    Core &m_core;
};
