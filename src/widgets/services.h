#pragma once

namespace korvel {

struct AppState;
class SettingsFile;
class Prompt;
class Ticker;
class SerialPortFactory;

// What every window is given: the run's state and the outside world it talks through.
struct Services {
    AppState& state;
    SettingsFile& settings;
    Prompt& prompt;
    Ticker& ticker;
    SerialPortFactory& ports;
};

} // namespace korvel
