// The cabinet lab's previews through Impulses and Core.
#include "browser/lab_preview.h"

#include "browser/impulses.h"
#include "core/core.h"
#include "core/core_seam.h"

#include <QSerialPort>

LabPreview::LabPreview(Core &core, Impulses &impulses, QObject *parent)
    : lab::PreviewTarget(parent), m_seam(CoreSeam::of(core)), m_impulses(impulses)
{
    // Core's queue has run dry: the device has answered what went before.
    connect(&core, &Core::sgSetWait, this, [this](bool wait) {
        if (!wait)
            emit becameIdle();
    });
    // Another file loaded, another preset, a revert, a paste, a new
    // connection: the device plays something other than the lab's file, and
    // a preview waiting for the wire is not meant for it.
    connect(&m_seam, &CoreSeam::presetReplaced, this, [this] {
        if (!m_loading)
            emit replaced();
    });
    connect(&core, &Core::sgPortOpen, this, [this](bool open) {
        if (!open)
            emit replaced();
    });
}

// As the Impulses page's own stepping: a closed port is "idle" too, so the
// attempt is made and says the device is not connected.
bool LabPreview::idle() const
{
    return !m_seam.port().isOpen() || m_seam.queueEmpty();
}

bool LabPreview::preview(const QString &path, QString &reason)
{
    return load(path, reason);
}

bool LabPreview::take(const QString &path, QString &reason)
{
    return load(path, reason);
}

bool LabPreview::mixChannels() const
{
    return m_impulses.mixChannels();
}

bool LabPreview::load(const QString &path, QString &reason)
{
    const auto watch = connect(&m_impulses, &Impulses::failed, this,
                               [&reason](const QString &, const QString &why) { reason = why; });
    m_loading = true;
    const bool loaded = m_impulses.load(path);
    m_loading = false;
    disconnect(watch);
    return loaded;
}
