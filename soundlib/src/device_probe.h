// Finding sound servers and devices without hanging and without starting any server.
#pragma once

#include "soundlib.h"

#include <RtAudio.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace soundlib::devices {

struct OutputDevice {
    std::string name;
    unsigned int id = 0; // RtAudio device index
};

// What a PulseAudio client reads to find its server; unset variables are empty.
struct PulseEnvironment {
    std::string pulseServer;      // PULSE_SERVER
    std::string pulseRuntimePath; // PULSE_RUNTIME_PATH
    std::string xdgRuntimeDir;    // XDG_RUNTIME_DIR
    std::string xdgConfigHome;    // XDG_CONFIG_HOME
    std::string home;             // HOME
    std::string machineId;        // /etc/machine-id
    unsigned int uid = 0;
    static PulseEnvironment current();
};

// Where a PulseAudio client would look for its server, in its order. `remote` is set when
// PULSE_SERVER names something other than a local socket (tcp, a host name), which only libpulse
// can check.
struct PulseServerPlaces {
    std::vector<std::string> sockets;
    bool remote = false;
};
PulseServerPlaces pulseServerPlaces(const PulseEnvironment& environment);

// A PulseAudio (or PipeWire pulse) server accepts connections. Cheap: one socket connect per
// candidate, no libpulse, so no server autospawn.
bool pulseServerAnswers();
// The kernel lists at least one ALSA sound card.
bool alsaHasSoundCards();

// The RtAudio API behind a device output type (12, 14, 20) when this RtAudio build has it.
std::optional<RtAudio::Api> rtAudioApi(FMOD_OUTPUTTYPE type);

// An RtAudio instance for exactly `api` with console warnings off; null when it cannot be made.
std::unique_ptr<RtAudio> makeRtAudio(RtAudio::Api api);
// Devices with output channels, in RtAudio index order. Hold an RtAudioLock while calling.
std::vector<OutputDevice> outputDevices(RtAudio& audio);

// The output devices of a device output type, asked on a helper thread that is abandoned after
// a few seconds so a wedged server cannot hang the caller. Empty when there are none, when the
// type has no RtAudio API, or when PulseAudio is asked for and no server answers.
std::vector<OutputDevice> listOutputDevices(FMOD_OUTPUTTYPE type);

} // namespace soundlib::devices
