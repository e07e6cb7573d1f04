// The command line's engine: the one owner of the back end's parts (the link,
// the preset session, the device readout) and of the settings store the panel
// shares. Everything else in cli/ uses only the parts.
#pragma once

#include <QSettings>
#include <memory>

class DeviceParts;
class DeviceReadout;
class Link;
class PresetSession;

class Engine {
public:
    Engine();
    ~Engine();
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    Link &link();
    PresetSession &session();
    DeviceReadout &readout();
    QSettings &settings() { return store; }

private:
    std::unique_ptr<DeviceParts> parts;
    QSettings store;
};
