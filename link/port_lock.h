// PortLock: one program per device. The port is named by the real device
// behind whatever path was given (a symlink and its target are one port), its
// open descriptor is locked with flock (which holds for every process, root
// included), and a program refused can learn who holds the port from the
// lock file QSerialPort keeps for it (QLockFile: pid, then program name).
#pragma once

#include <QString>

class PortLock {
public:
    // The device behind `name`: a plain name ("ttyACM0") stands for /dev/NAME,
    // symlinks are resolved. A path that does not exist stays as given
    // (made absolute under /dev for a plain name).
    static QString resolve(const QString &name);

    // Locks the open descriptor `fd` for this program alone; false when
    // another open of the device holds it.
    bool acquire(int fd);
    // Forgets the lock (closing the descriptor releases it).
    void release() { held = -1; }

    // Whether the user may read and write `device`; true where that cannot
    // be told.
    static bool accessible(const QString &device);

    // Who holds `device` ("vortaxa, pid 1234"), from its lock file; empty
    // when there is none this program can read.
    static QString holder(const QString &device);

private:
    int held = -1;
};
