// The cabinet lab's previews through Impulses and Core.
#include "browser/lab_preview.h"

#include "browser/impulses.h"
#include "core/core.h"

LabPreview::LabPreview(Core &core, Impulses &impulses, QObject *parent)
    : lab::PreviewTarget(parent), m_impulses(impulses)
{
    connect(&core, &Core::sgSetWait, this, [this](bool wait) {
        const bool wasBusy = m_busy;
        m_busy = wait;
        if (wasBusy && !wait)
            emit becameIdle();
    });
    // Another file loaded, another preset, a revert: the device plays
    // something other than the lab's file.
    connect(&impulses, &Impulses::currentChanged, this, [this] {
        if (!m_loading && !m_playing.isEmpty() && m_impulses.currentPath() != m_playing) {
            m_playing.clear();
            emit replaced();
        }
    });
    connect(&core, &Core::sgPortOpen, this, [this](bool open) {
        if (open)
            return;
        m_busy = false; // nothing more goes out to a device that is gone
        if (!m_playing.isEmpty()) {
            m_playing.clear();
            emit replaced();
        }
    });
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
    if (!loaded)
        return false;
    m_playing = path;
    m_busy = true; // its preview is on the way
    return true;
}
