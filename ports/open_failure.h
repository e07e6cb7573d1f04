// Why a serial port did not open, in the words the panel shows: the port is
// gone, another program holds it, or the user may not open it. Pure, so it
// can be tested without a port.
#pragma once

#include <QSerialPort>
#include <QString>

namespace openFailure {

enum class Reason { None, Gone, Busy, Permission, Other };

// The reason behind the error of a failed open. `accessible`: the user may
// read and write the port's file, so a refusal means someone else holds it
// (a lock file, or a port opened for exclusive use).
Reason classify(QSerialPort::SerialPortError error, bool accessible);

// "", "gone", "busy", "permission" or "other".
QString word(Reason reason);

// Whether the user may read and write the port named `name` (an absolute
// path, or a name under /dev). Where that cannot be told, true.
bool accessible(const QString &name);

} // namespace openFailure
