// The seam's accessors: each reads one piece of Core's state for the newer
// back-end objects.
#include "core/core_seam.h"

#include "core/core.h"

CoreSeam::CoreSeam(Core &core) : QObject(&core), m_core(core) {}

CoreSeam &CoreSeam::of(Core &core)
{
    return *core.seam;
}

const QSerialPort &CoreSeam::port() const
{
    return *m_core.port;
}

bool CoreSeam::queueEmpty() const
{
    return m_core.commandQueue.isEmpty();
}

QSettings &CoreSeam::settings() const
{
    return m_core.settings;
}
