// LabPreview: the cabinet lab's way to the device (lab::PreviewTarget),
// through the public calls of Impulses. A lab file goes to the device as the
// Impulses page's files do (`Impulses::load`), so it plays at once and is
// stored with the next save. Whether the link is idle comes from the link,
// and whatever replaces the preset's content from the preset session, as
// they do for the Impulses page's own stepping. The one place the lab meets
// the panel's back end.
#pragma once

#include "lab/preview_target.h"

class Impulses;
class Link;
class PresetSession;

class LabPreview : public lab::PreviewTarget {
    Q_OBJECT

public:
    LabPreview(Link &link, PresetSession &session, Impulses &impulses, QObject *parent = nullptr);

    bool idle() const override;
    bool preview(const QString &path, QString &reason) override;
    bool take(const QString &path, QString &reason) override;
    bool mixChannels() const override;

private:
    bool load(const QString &path, QString &reason);

    Link &m_link;
    Impulses &m_impulses;
    bool m_loading = false; // our own load is under way
};
