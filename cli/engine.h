// The command line's engine: the one owner of the back end's parts (the link,
// the preset session, the device readout and the settings store the panel
// shares). Everything else in cli/ uses only the parts; while Core still
// owns them it is created here and nowhere else.
#pragma once

#include <QSettings>
#include <memory>

class Core;
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
    QSettings &settings();

private:
    std::unique_ptr<Core> owner;
};
