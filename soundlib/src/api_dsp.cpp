// Flat calls on processing units, and the spectrum and wave-data queries of the output.
#include "Library.h"
#include "dsp/dsp_catalog.h"

#include <cstdio>
#include <cstring>

using namespace soundlib;

namespace {

template <class F> FMOD_RESULT withDsp(FMOD_DSP handle, F&& body) {
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        Dsp* dsp = lib.dsps.get(handle);
        return dsp == nullptr ? FMOD_ERR_INVALID_HANDLE : body(lib, *dsp);
    });
}

template <class F> FMOD_RESULT withInitialisedSystem(FMOD_SYSTEM handle, F&& body) {
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        System* system = lib.systems.get(handle);
        if (system == nullptr) {
            return FMOD_ERR_INVALID_HANDLE;
        }
        if (!system->initialized()) {
            return FMOD_ERR_UNINITIALIZED;
        }
        return body(lib, *system);
    });
}

void copyText(const char* text, char* out, int capacity) {
    if (out == nullptr || capacity <= 0) {
        return;
    }
    std::snprintf(out, static_cast<size_t>(capacity), "%s", text);
}

} // namespace

extern "C" {

FMOD_RESULT FMOD_System_CreateDSPByType(FMOD_SYSTEM systemHandle, FMOD_DSP_TYPE type,
                                        FMOD_DSP* dsp) {
    if (dsp == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    *dsp = 0;
    return withInitialisedSystem(systemHandle, [&](Library& lib, System& system) -> FMOD_RESULT {
        const DspDescription* description = findDspDescription(type);
        if (description == nullptr) {
            return FMOD_ERR_PLUGIN_MISSING;
        }
        const uint32_t handle =
            lib.dsps.add(std::make_unique<Dsp>(*description, systemHandle, system.outputRate(),
                                               system.outputChannels(), Mixer::kChainBlockFrames));
        if (handle == 0) {
            return FMOD_ERR_MEMORY;
        }
        *dsp = handle;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_AddDSP(FMOD_SYSTEM systemHandle, FMOD_DSP dspHandle,
                               FMOD_DSPCONNECTION* connection) {
    if (connection != nullptr) {
        *connection = 0; // connections are not objects of their own here
    }
    return withInitialisedSystem(systemHandle, [&](Library& lib, System& system) -> FMOD_RESULT {
        Dsp* dsp = lib.dsps.get(dspHandle);
        return dsp == nullptr ? FMOD_ERR_INVALID_HANDLE : system.attachDsp(*dsp);
    });
}

FMOD_RESULT FMOD_DSP_Remove(FMOD_DSP handle) {
    return withDsp(handle, [&](Library&, Dsp& dsp) -> FMOD_RESULT {
        if (dsp.attached()) {
            dsp.system()->detachDsp(dsp);
        }
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_DSP_GetActive(FMOD_DSP handle, FMOD_BOOL* active) {
    if (active == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    *active = 0;
    return withDsp(handle, [&](Library&, Dsp& dsp) -> FMOD_RESULT {
        *active = dsp.attached() && !dsp.bypassed() ? 1 : 0;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_DSP_SetActive(FMOD_DSP handle, FMOD_BOOL active) {
    return withDsp(handle, [&](Library&, Dsp& dsp) -> FMOD_RESULT {
        dsp.setBypass(active == 0);
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_DSP_Release(FMOD_DSP handle) {
    return withDsp(handle, [&](Library& lib, Dsp& dsp) -> FMOD_RESULT {
        System* holder = dsp.system();
        std::unique_ptr<Dsp> owned = lib.dsps.remove(handle);
        if (holder != nullptr) {
            holder->retireDsp(std::move(owned));
        }
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_DSP_SetParameter(FMOD_DSP handle, int index, float value) {
    return withDsp(
        handle, [&](Library&, Dsp& dsp) -> FMOD_RESULT { return dsp.setParameter(index, value); });
}

FMOD_RESULT FMOD_DSP_GetParameter(FMOD_DSP handle, int index, float* value, char* valuestr,
                                  int valuestrlen) {
    return withDsp(handle, [&](Library&, Dsp& dsp) -> FMOD_RESULT {
        float current = 0.0f;
        const FMOD_RESULT result = dsp.parameter(index, current);
        if (result != FMOD_OK) {
            return result;
        }
        if (value != nullptr) {
            *value = current;
        }
        if (valuestr != nullptr && valuestrlen > 0) {
            std::snprintf(valuestr, static_cast<size_t>(valuestrlen), "%.2f", current);
        }
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_DSP_GetNumParameters(FMOD_DSP handle, int* numparams) {
    if (numparams == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withDsp(handle, [&](Library&, Dsp& dsp) -> FMOD_RESULT {
        *numparams = dsp.parameterCount();
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_DSP_GetParameterInfo(FMOD_DSP handle, int index, char* name, char* label,
                                      char* description, int descriptionlen, float* min,
                                      float* max) {
    return withDsp(handle, [&](Library&, Dsp& dsp) -> FMOD_RESULT {
        if (index < 0 || index >= dsp.parameterCount()) {
            return FMOD_ERR_INVALID_PARAM;
        }
        const DspParameterInfo& info = dsp.description().parameters[static_cast<size_t>(index)];
        copyText(info.name, name, 16);
        copyText(info.label, label, 16);
        copyText(info.name, description, descriptionlen);
        if (min != nullptr) {
            *min = info.minimum;
        }
        if (max != nullptr) {
            *max = info.maximum;
        }
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_GetSpectrum(FMOD_SYSTEM systemHandle, float* spectrumarray, int numvalues,
                                    int channeloffset, FMOD_DSP_FFT_WINDOW windowtype) {
    if (spectrumarray == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withInitialisedSystem(systemHandle, [&](Library&, System& system) -> FMOD_RESULT {
        return system.spectrum(spectrumarray, numvalues, channeloffset, windowtype);
    });
}

FMOD_RESULT FMOD_System_GetWaveData(FMOD_SYSTEM systemHandle, float* wavearray, int numvalues,
                                    int channeloffset) {
    if (wavearray == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withInitialisedSystem(systemHandle, [&](Library&, System& system) -> FMOD_RESULT {
        return system.waveData(wavearray, numvalues, channeloffset);
    });
}

} // extern "C"
