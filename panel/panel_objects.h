// PanelObjects: the objects the interface document uses beside `_core`, made
// from the back end's parts, wired to each other and published under the
// names the document binds to. The application, the QML tests and the panel
// benchmark probe make the same set here, so none of them can miss a piece.
#pragma once

#include "browser/impulses.h"
#include "browser/lab_preview.h"
#include "desktop/desktop.h"
#include "history/edit_history.h"
#include "lab/lab.h"
#include "library/librarian.h"
#include "panel/preset_names.h"
#include "parameter_model/parameter_model.h"
#include "ports/port_chooser.h"
#include "slot_list/slot_list.h"
#include "state/device_state.h"

#include <QString>

class DeviceReadout;
class Link;
class PresetSession;
class QQmlContext;
class QSettings;
class WebPageOpener;

class PanelObjects {
public:
    // `givenPort`: the port named on the command line ("" for discovery).
    // Web pages open in the desktop's browser.
    PanelObjects(Link &link, PresetSession &session, DeviceReadout &readout, QSettings &settings,
                 WebPageOpener &webPages, const QString &givenPort);
    PanelObjects(const PanelObjects &) = delete;
    PanelObjects &operator=(const PanelObjects &) = delete;

    // Publishes every object under its name ("_device", "_impulses", ...),
    // and the preset names, which belong to the engine: they hold no state
    // and outlive the document, which may still read them while it goes.
    // `_core` is published by whoever owns Core.
    void publish(QQmlContext *context);

    // Declared in the order they are made; each goes before those it uses.
    Impulses impulses;
    ParameterModel parameters;
    EditHistory history;
    PortChooser ports;
    Desktop desktop;
    SlotList slotList;
    Librarian library;
    LabPreview labPreview;
    Lab lab;
    DeviceState device;
};
