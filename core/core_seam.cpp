// The seam's accessors: each reads one piece of Core's state for the newer
// back-end objects.
#include "core/core_seam.h"

#include "core/core.h"

#include <QSerialPort>

CoreSeam::CoreSeam(Core &core) : QObject(&core), m_core(core) {}

CoreSeam &CoreSeam::of(Core &core)
{
    return *core.seam;
}

QSettings &CoreSeam::settings() const
{
    return m_core.settings;
}

bool CoreSeam::portOpen() const
{
    return m_core.port && m_core.port->isOpen();
}
