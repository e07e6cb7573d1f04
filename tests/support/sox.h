// sox for tests: it makes test audio of every shape and gives the reference
// conversions the program's own are measured against.
#pragma once

#include <QByteArray>
#include <QStringList>

// Runs sox with `args` and returns what it wrote to standard output; fails
// the running test when sox cannot be run or reports an error.
QByteArray sox(const QStringList &args);

// Whether sox can be run at all (Debian package sox).
bool soxAvailable();
