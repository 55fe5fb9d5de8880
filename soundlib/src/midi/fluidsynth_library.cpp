// FluidSynth is opened when the first MIDI file is played instead of being linked: it brings
// its own tree of libraries (SDL, Wayland, sound servers' clients, readline) that every
// player would otherwise load and relocate at start, while few sessions play MIDI. The
// functions below stand for the FluidSynth calls the MIDI decoder makes; the first of them
// opens the library and each hands its arguments on. Without the library no synthesizer is
// made and a MIDI file does not open.
#include "lazy_library.h"

#include <fluidsynth.h>

namespace lazy = sorvel::lazy;

namespace {

// FluidSynth 2's library on this platform.
constexpr const char* kSoname = "libfluidsynth.so.3";

struct Calls {
    decltype(&::fluid_set_log_function) setLogFunction = nullptr;
    decltype(&::new_fluid_settings) newSettings = nullptr;
    decltype(&::delete_fluid_settings) deleteSettings = nullptr;
    decltype(&::fluid_settings_setint) settingsSetint = nullptr;
    decltype(&::fluid_settings_setnum) settingsSetnum = nullptr;
    decltype(&::new_fluid_synth) newSynth = nullptr;
    decltype(&::delete_fluid_synth) deleteSynth = nullptr;
    decltype(&::fluid_synth_sfload) sfload = nullptr;
    decltype(&::fluid_synth_noteon) noteon = nullptr;
    decltype(&::fluid_synth_noteoff) noteoff = nullptr;
    decltype(&::fluid_synth_cc) cc = nullptr;
    decltype(&::fluid_synth_sysex) sysex = nullptr;
    decltype(&::fluid_synth_pitch_bend) pitchBend = nullptr;
    decltype(&::fluid_synth_program_change) programChange = nullptr;
    decltype(&::fluid_synth_channel_pressure) channelPressure = nullptr;
    decltype(&::fluid_synth_key_pressure) keyPressure = nullptr;
    decltype(&::fluid_synth_system_reset) systemReset = nullptr;
    decltype(&::fluid_synth_write_float) writeFloat = nullptr;
};

// Every call the program makes, all or none.
Calls open() {
    return lazy::open<Calls>("soundlib", kSoname, [](void* library, Calls& calls, bool& complete) {
        lazy::resolve(library, "fluid_set_log_function", calls.setLogFunction, complete);
        lazy::resolve(library, "new_fluid_settings", calls.newSettings, complete);
        lazy::resolve(library, "delete_fluid_settings", calls.deleteSettings, complete);
        lazy::resolve(library, "fluid_settings_setint", calls.settingsSetint, complete);
        lazy::resolve(library, "fluid_settings_setnum", calls.settingsSetnum, complete);
        lazy::resolve(library, "new_fluid_synth", calls.newSynth, complete);
        lazy::resolve(library, "delete_fluid_synth", calls.deleteSynth, complete);
        lazy::resolve(library, "fluid_synth_sfload", calls.sfload, complete);
        lazy::resolve(library, "fluid_synth_noteon", calls.noteon, complete);
        lazy::resolve(library, "fluid_synth_noteoff", calls.noteoff, complete);
        lazy::resolve(library, "fluid_synth_cc", calls.cc, complete);
        lazy::resolve(library, "fluid_synth_sysex", calls.sysex, complete);
        lazy::resolve(library, "fluid_synth_pitch_bend", calls.pitchBend, complete);
        lazy::resolve(library, "fluid_synth_program_change", calls.programChange, complete);
        lazy::resolve(library, "fluid_synth_channel_pressure", calls.channelPressure, complete);
        lazy::resolve(library, "fluid_synth_key_pressure", calls.keyPressure, complete);
        lazy::resolve(library, "fluid_synth_system_reset", calls.systemReset, complete);
        lazy::resolve(library, "fluid_synth_write_float", calls.writeFloat, complete);
    });
}

// Opened on first use, once, whichever stream's thread gets there first.
const Calls& calls() {
    static const Calls opened = open();
    return opened;
}

} // namespace

extern "C" {

fluid_log_function_t fluid_set_log_function(int level, fluid_log_function_t fun, void* data) {
    return lazy::forward(calls(), &Calls::setLogFunction, fluid_log_function_t{}, level, fun, data);
}

fluid_settings_t* new_fluid_settings(void) {
    return lazy::forward(calls(), &Calls::newSettings, static_cast<fluid_settings_t*>(nullptr));
}

void delete_fluid_settings(fluid_settings_t* settings) {
    lazy::forwardVoid(calls(), &Calls::deleteSettings, settings);
}

int fluid_settings_setint(fluid_settings_t* settings, const char* name, int val) {
    return lazy::forward(calls(), &Calls::settingsSetint, int(FLUID_FAILED), settings, name, val);
}

int fluid_settings_setnum(fluid_settings_t* settings, const char* name, double val) {
    return lazy::forward(calls(), &Calls::settingsSetnum, int(FLUID_FAILED), settings, name, val);
}

fluid_synth_t* new_fluid_synth(fluid_settings_t* settings) {
    return lazy::forward(calls(), &Calls::newSynth, static_cast<fluid_synth_t*>(nullptr), settings);
}

void delete_fluid_synth(fluid_synth_t* synth) {
    lazy::forwardVoid(calls(), &Calls::deleteSynth, synth);
}

int fluid_synth_sfload(fluid_synth_t* synth, const char* filename, int reset_presets) {
    return lazy::forward(calls(), &Calls::sfload, int(FLUID_FAILED), synth, filename,
                         reset_presets);
}

int fluid_synth_noteon(fluid_synth_t* synth, int chan, int key, int vel) {
    return lazy::forward(calls(), &Calls::noteon, int(FLUID_FAILED), synth, chan, key, vel);
}

int fluid_synth_noteoff(fluid_synth_t* synth, int chan, int key) {
    return lazy::forward(calls(), &Calls::noteoff, int(FLUID_FAILED), synth, chan, key);
}

int fluid_synth_cc(fluid_synth_t* synth, int chan, int ctrl, int val) {
    return lazy::forward(calls(), &Calls::cc, int(FLUID_FAILED), synth, chan, ctrl, val);
}

int fluid_synth_sysex(fluid_synth_t* synth, const char* data, int len, char* response,
                      int* response_len, int* handled, int dryrun) {
    return lazy::forward(calls(), &Calls::sysex, int(FLUID_FAILED), synth, data, len, response,
                         response_len, handled, dryrun);
}

int fluid_synth_pitch_bend(fluid_synth_t* synth, int chan, int val) {
    return lazy::forward(calls(), &Calls::pitchBend, int(FLUID_FAILED), synth, chan, val);
}

int fluid_synth_program_change(fluid_synth_t* synth, int chan, int program) {
    return lazy::forward(calls(), &Calls::programChange, int(FLUID_FAILED), synth, chan, program);
}

int fluid_synth_channel_pressure(fluid_synth_t* synth, int chan, int val) {
    return lazy::forward(calls(), &Calls::channelPressure, int(FLUID_FAILED), synth, chan, val);
}

int fluid_synth_key_pressure(fluid_synth_t* synth, int chan, int key, int val) {
    return lazy::forward(calls(), &Calls::keyPressure, int(FLUID_FAILED), synth, chan, key, val);
}

int fluid_synth_system_reset(fluid_synth_t* synth) {
    return lazy::forward(calls(), &Calls::systemReset, int(FLUID_FAILED), synth);
}

int fluid_synth_write_float(fluid_synth_t* synth, int len, void* lout, int loff, int lincr,
                            void* rout, int roff, int rincr) {
    return lazy::forward(calls(), &Calls::writeFloat, int(FLUID_FAILED), synth, len, lout, loff,
                         lincr, rout, roff, rincr);
}

} // extern "C"
