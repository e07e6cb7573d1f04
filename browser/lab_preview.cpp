// The cabinet lab's previews through Impulses.
#include "browser/lab_preview.h"

#include "browser/impulses.h"
#include "editing/preset_session.h"
#include "link/link.h"

LabPreview::LabPreview(Link &link, PresetSession &session, Impulses &impulses, QObject *parent)
    : lab::PreviewTarget(parent), m_link(link), m_impulses(impulses)
{
    // The link's queue has run dry: the device has answered what went before.
    connect(&link, &Link::idle, this, &LabPreview::becameIdle);
    // Another file loaded, another preset, a revert, a paste, a new
    // connection: the device plays something other than the lab's file, and
    // a preview waiting for the wire is not meant for it.
    connect(&session, &PresetSession::replaced, this, [this] {
        if (!m_loading)
            emit replaced();
    });
    connect(&link, &Link::closedAfterError, this, &LabPreview::replaced);
}

// As the Impulses page's own stepping: a closed port is "idle" too, so the
// attempt is made and says the device is not connected.
bool LabPreview::idle() const
{
    return !m_link.isOpen() || m_link.queueEmpty();
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
