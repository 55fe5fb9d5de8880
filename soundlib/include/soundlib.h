/*
 * Sorvel sound library: the one public door.
 *
 * Flat C calls over a C++ engine (decoding through FFmpeg and libopenmpt, a float mixer,
 * resamplers, and sound through PulseAudio, or ALSA and JACK through RtAudio).
 *
 * Error policy, for every call:
 *   - Each call returns an FMOD_RESULT; 0 (FMOD_OK) is success. No exception crosses this header.
 *   - Handles are 32-bit values; 0 is never a valid handle. A released, stopped, ended or stale
 *     handle answers FMOD_ERR_INVALID_HANDLE (36); a channel whose slot was taken by another
 *     sound answers FMOD_ERR_CHANNEL_STOLEN (11).
 *   - Null out-pointers answer FMOD_ERR_INVALID_PARAM (37).
 *   - Settings calls after FMOD_System_Init answer FMOD_ERR_INITIALIZED (32); calls that need an
 *     initialised system before Init answer FMOD_ERR_UNINITIALIZED (78).
 *
 * Threads: every call may come from any one thread at a time per process (calls are serialised
 * internally). The mixer and streaming threads never wait on the caller's thread.
 */
#ifndef SORVEL_SOUNDLIB_H
#define SORVEL_SOUNDLIB_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define F_API __attribute__((visibility("default")))
#else
#define F_API
#endif
#define F_CALLBACK

typedef int FMOD_RESULT;
typedef int FMOD_BOOL;

/* Object handles: 32-bit, 0 = none. */
typedef uint32_t FMOD_SYSTEM;
typedef uint32_t FMOD_SOUND;
typedef uint32_t FMOD_CHANNEL;
typedef uint32_t FMOD_DSP;
typedef uint32_t FMOD_DSPCONNECTION;

/* Results (texts: FMOD_ErrorString). */
enum {
    FMOD_OK = 0,
    FMOD_ERR_ALREADYLOCKED = 1,
    FMOD_ERR_BADCOMMAND = 2,
    FMOD_ERR_CDDA_DRIVERS = 3,
    FMOD_ERR_CDDA_INIT = 4,
    FMOD_ERR_CDDA_INVALID_DEVICE = 5,
    FMOD_ERR_CDDA_NOAUDIO = 6,
    FMOD_ERR_CDDA_NODEVICES = 7,
    FMOD_ERR_CDDA_NODISC = 8,
    FMOD_ERR_CDDA_READ = 9,
    FMOD_ERR_CHANNEL_ALLOC = 10,
    FMOD_ERR_CHANNEL_STOLEN = 11,
    FMOD_ERR_COM = 12,
    FMOD_ERR_DMA = 13,
    FMOD_ERR_DSP_CONNECTION = 14,
    FMOD_ERR_DSP_FORMAT = 15,
    FMOD_ERR_DSP_NOTFOUND = 16,
    FMOD_ERR_DSP_RUNNING = 17,
    FMOD_ERR_DSP_TOOMANYCONNECTIONS = 18,
    FMOD_ERR_FILE_BAD = 19,
    FMOD_ERR_FILE_COULDNOTSEEK = 20,
    FMOD_ERR_FILE_DISKEJECTED = 21,
    FMOD_ERR_FILE_EOF = 22,
    FMOD_ERR_FILE_NOTFOUND = 23,
    FMOD_ERR_FILE_UNWANTED = 24,
    FMOD_ERR_FORMAT = 25,
    FMOD_ERR_HTTP = 26,
    FMOD_ERR_HTTP_ACCESS = 27,
    FMOD_ERR_HTTP_PROXY_AUTH = 28,
    FMOD_ERR_HTTP_SERVER_ERROR = 29,
    FMOD_ERR_HTTP_TIMEOUT = 30,
    FMOD_ERR_INITIALIZATION = 31,
    FMOD_ERR_INITIALIZED = 32,
    FMOD_ERR_INTERNAL = 33,
    FMOD_ERR_INVALID_ADDRESS = 34,
    FMOD_ERR_INVALID_FLOAT = 35,
    FMOD_ERR_INVALID_HANDLE = 36,
    FMOD_ERR_INVALID_PARAM = 37,
    FMOD_ERR_INVALID_SPEAKER = 38,
    FMOD_ERR_INVALID_SYNCPOINT = 39,
    FMOD_ERR_INVALID_VECTOR = 40,
    FMOD_ERR_IRX = 41,
    FMOD_ERR_MAXAUDIBLE = 42,
    FMOD_ERR_MEMORY = 43,
    FMOD_ERR_MEMORY_CANTPOINT = 44,
    FMOD_ERR_MEMORY_IOP = 45,
    FMOD_ERR_MEMORY_SRAM = 46,
    FMOD_ERR_NEEDS2D = 47,
    FMOD_ERR_NEEDS3D = 48,
    FMOD_ERR_NEEDSHARDWARE = 49,
    FMOD_ERR_NEEDSSOFTWARE = 50,
    FMOD_ERR_NET_CONNECT = 51,
    FMOD_ERR_NET_SOCKET_ERROR = 52,
    FMOD_ERR_NET_URL = 53,
    FMOD_ERR_NET_WOULD_BLOCK = 54,
    FMOD_ERR_NOTREADY = 55,
    FMOD_ERR_OUTPUT_ALLOCATED = 56,
    FMOD_ERR_OUTPUT_CREATEBUFFER = 57,
    FMOD_ERR_OUTPUT_DRIVERCALL = 58,
    FMOD_ERR_OUTPUT_ENUMERATION = 59,
    FMOD_ERR_OUTPUT_FORMAT = 60,
    FMOD_ERR_OUTPUT_INIT = 61,
    FMOD_ERR_OUTPUT_NOHARDWARE = 62,
    FMOD_ERR_OUTPUT_NOSOFTWARE = 63,
    FMOD_ERR_PAN = 64,
    FMOD_ERR_PLUGIN = 65,
    FMOD_ERR_PLUGIN_INSTANCES = 66,
    FMOD_ERR_PLUGIN_MISSING = 67,
    FMOD_ERR_PLUGIN_RESOURCE = 68,
    FMOD_ERR_RECORD = 69,
    FMOD_ERR_REVERB_INSTANCE = 70,
    FMOD_ERR_SUBSOUND_ALLOCATED = 71,
    FMOD_ERR_SUBSOUND_CANTMOVE = 72,
    FMOD_ERR_SUBSOUND_MODE = 73,
    FMOD_ERR_SUBSOUNDS = 74,
    FMOD_ERR_TAGNOTFOUND = 75,
    FMOD_ERR_TOOMANYCHANNELS = 76,
    FMOD_ERR_UNIMPLEMENTED = 77,
    FMOD_ERR_UNINITIALIZED = 78,
    FMOD_ERR_UNSUPPORTED = 79,
    FMOD_ERR_UPDATE = 80,
    FMOD_ERR_VERSION = 81,
    FMOD_ERR_EVENT_FAILED = 82,
    FMOD_ERR_EVENT_INFOONLY = 83,
    FMOD_ERR_EVENT_INTERNAL = 84,
    FMOD_ERR_EVENT_MAXSTREAMS = 85,
    FMOD_ERR_EVENT_MISMATCH = 86,
    FMOD_ERR_EVENT_NAMECONFLICT = 87,
    FMOD_ERR_EVENT_NOTFOUND = 88
};

/* Output types. The Windows outputs (6, 7, 8, 9, 10) behave as autodetect here. */
typedef int FMOD_OUTPUTTYPE;
enum {
    FMOD_OUTPUTTYPE_AUTODETECT = 0, /* PulseAudio/PipeWire, else ALSA, else no sound */
    FMOD_OUTPUTTYPE_UNKNOWN = 1,
    FMOD_OUTPUTTYPE_NOSOUND = 2,
    FMOD_OUTPUTTYPE_WAVWRITER = 3,     /* real-time pace, to SORVEL_WAVE_OUT or sorvel_output.wav */
    FMOD_OUTPUTTYPE_NOSOUND_NRT = 4,   /* one block per FMOD_System_Update */
    FMOD_OUTPUTTYPE_WAVWRITER_NRT = 5, /* one block per FMOD_System_Update */
    FMOD_OUTPUTTYPE_DSOUND = 6,
    FMOD_OUTPUTTYPE_WINMM = 7,
    FMOD_OUTPUTTYPE_OPENAL = 8,
    FMOD_OUTPUTTYPE_WASAPI = 9,
    FMOD_OUTPUTTYPE_ASIO = 10,
    FMOD_OUTPUTTYPE_OSS = 11,
    FMOD_OUTPUTTYPE_ALSA = 12,
    FMOD_OUTPUTTYPE_ESD = 13,
    FMOD_OUTPUTTYPE_PULSEAUDIO = 14, /* PulseAudio or PipeWire's PulseAudio service, natively */
    FMOD_OUTPUTTYPE_JACK = 20
};

/* Sample formats of the software mixer's output. */
typedef int FMOD_SOUND_FORMAT;
enum {
    FMOD_SOUND_FORMAT_NONE = 0,
    FMOD_SOUND_FORMAT_PCM8 = 1,
    FMOD_SOUND_FORMAT_PCM16 = 2,
    FMOD_SOUND_FORMAT_PCM24 = 3,
    FMOD_SOUND_FORMAT_PCM32 = 4,
    FMOD_SOUND_FORMAT_PCMFLOAT = 5,
    FMOD_SOUND_FORMAT_GCADPCM = 6,
    FMOD_SOUND_FORMAT_IMAADPCM = 7,
    FMOD_SOUND_FORMAT_VAG = 8,
    FMOD_SOUND_FORMAT_XMA = 9,
    FMOD_SOUND_FORMAT_MPEG = 10
};

/* Kinds of sound file, as FMOD_Sound_GetFormat reports them and as a creation hint. */
typedef int FMOD_SOUND_TYPE;
enum {
    FMOD_SOUND_TYPE_UNKNOWN = 0,
    FMOD_SOUND_TYPE_AAC = 1,
    FMOD_SOUND_TYPE_AIFF = 2,
    FMOD_SOUND_TYPE_ASF = 3,
    FMOD_SOUND_TYPE_AT3 = 4,
    FMOD_SOUND_TYPE_CDDA = 5,
    FMOD_SOUND_TYPE_DLS = 6,
    FMOD_SOUND_TYPE_FLAC = 7,
    FMOD_SOUND_TYPE_FSB = 8,
    FMOD_SOUND_TYPE_GCADPCM = 9,
    FMOD_SOUND_TYPE_IT = 10,
    FMOD_SOUND_TYPE_MIDI = 11,
    FMOD_SOUND_TYPE_MOD = 12,
    FMOD_SOUND_TYPE_MPEG = 13,
    FMOD_SOUND_TYPE_OGGVORBIS = 14,
    FMOD_SOUND_TYPE_PLAYLIST = 15,
    FMOD_SOUND_TYPE_RAW = 16,
    FMOD_SOUND_TYPE_S3M = 17,
    FMOD_SOUND_TYPE_SF2 = 18,
    FMOD_SOUND_TYPE_USER = 19,
    FMOD_SOUND_TYPE_WAV = 20,
    FMOD_SOUND_TYPE_XM = 21,
    FMOD_SOUND_TYPE_XMA = 22,
    FMOD_SOUND_TYPE_VAG = 23
};

typedef int FMOD_SPEAKERMODE;
enum {
    FMOD_SPEAKERMODE_RAW = 0, /* channel count from FMOD_System_SetSoftwareFormat */
    FMOD_SPEAKERMODE_MONO = 1,
    FMOD_SPEAKERMODE_STEREO = 2,
    FMOD_SPEAKERMODE_QUAD = 3,
    FMOD_SPEAKERMODE_SURROUND = 4,
    FMOD_SPEAKERMODE_5POINT1 = 5,
    FMOD_SPEAKERMODE_7POINT1 = 6,
    FMOD_SPEAKERMODE_PROLOGIC = 7 /* stereo-compatible two channels */
};

typedef int FMOD_DSP_RESAMPLER;
enum {
    FMOD_DSP_RESAMPLER_NOINTERP = 0, /* nearest sample */
    FMOD_DSP_RESAMPLER_LINEAR = 1,
    FMOD_DSP_RESAMPLER_CUBIC = 2,
    FMOD_DSP_RESAMPLER_SPLINE = 3
};

typedef unsigned int FMOD_TIMEUNIT;
#define FMOD_TIMEUNIT_MS 0x00000001
#define FMOD_TIMEUNIT_PCM 0x00000002
#define FMOD_TIMEUNIT_PCMBYTES 0x00000004
#define FMOD_TIMEUNIT_RAWBYTES 0x00000008

typedef unsigned int FMOD_MODE;
#define FMOD_DEFAULT 0x00000000
#define FMOD_LOOP_OFF 0x00000001
#define FMOD_LOOP_NORMAL 0x00000002
#define FMOD_LOOP_BIDI 0x00000004
#define FMOD_2D 0x00000008
#define FMOD_3D 0x00000010
#define FMOD_HARDWARE 0x00000020
#define FMOD_SOFTWARE 0x00000040
#define FMOD_CREATESTREAM 0x00000080
#define FMOD_CREATESAMPLE 0x00000100
#define FMOD_CREATECOMPRESSEDSAMPLE 0x00000200
#define FMOD_OPENUSER 0x00000400
#define FMOD_OPENMEMORY 0x00000800
#define FMOD_OPENRAW 0x00001000
#define FMOD_OPENONLY 0x00002000
#define FMOD_ACCURATETIME 0x00004000
#define FMOD_MPEGSEARCH 0x00008000
#define FMOD_NONBLOCKING 0x00010000
#define FMOD_UNIQUE 0x00020000

typedef unsigned int FMOD_INITFLAGS;
#define FMOD_INIT_NORMAL 0x00000000

typedef int FMOD_CHANNELINDEX;
enum { FMOD_CHANNEL_FREE = -1, FMOD_CHANNEL_REUSE = -2 };

typedef int FMOD_OPENSTATE;
enum {
    FMOD_OPENSTATE_READY = 0,
    FMOD_OPENSTATE_LOADING = 1,
    FMOD_OPENSTATE_ERROR = 2,
    FMOD_OPENSTATE_CONNECTING = 3,
    FMOD_OPENSTATE_BUFFERING = 4,
    FMOD_OPENSTATE_SEEKING = 5,
    FMOD_OPENSTATE_STREAMING = 6,
    FMOD_OPENSTATE_SETPOSITION = 7
};

typedef int FMOD_TAGTYPE;
enum {
    FMOD_TAGTYPE_UNKNOWN = 0,
    FMOD_TAGTYPE_ID3V1 = 1,
    FMOD_TAGTYPE_ID3V2 = 2,
    FMOD_TAGTYPE_VORBISCOMMENT = 3,
    FMOD_TAGTYPE_SHOUTCAST = 4,
    FMOD_TAGTYPE_ICECAST = 5,
    FMOD_TAGTYPE_ASF = 6,
    FMOD_TAGTYPE_MIDI = 7,
    FMOD_TAGTYPE_PLAYLIST = 8,
    FMOD_TAGTYPE_FMOD = 9,
    FMOD_TAGTYPE_USER = 10
};

typedef int FMOD_TAGDATATYPE;
enum {
    FMOD_TAGDATATYPE_BINARY = 0,
    FMOD_TAGDATATYPE_INT = 1,
    FMOD_TAGDATATYPE_FLOAT = 2,
    FMOD_TAGDATATYPE_STRING = 3, /* here always UTF-8, zero-terminated, the zero counted */
    FMOD_TAGDATATYPE_STRING_UTF16 = 4,
    FMOD_TAGDATATYPE_STRING_UTF16BE = 5,
    FMOD_TAGDATATYPE_STRING_UTF8 = 6,
    FMOD_TAGDATATYPE_CDTOC = 7
};

/* A tag as FMOD_Sound_GetTag hands it out. name and data stay valid until the sound is
 * released or the same tag is updated by a stream. Text tags are FMOD_TAGDATATYPE_STRING;
 * "PICTURE", a file's embedded cover picture (ID3v2 APIC, a FLAC or Vorbis picture, MP4 covr),
 * is FMOD_TAGDATATYPE_BINARY: the picture file's bytes (PNG or JPEG), datalen of them. */
typedef struct FMOD_TAG {
    FMOD_TAGTYPE type;
    FMOD_TAGDATATYPE datatype;
    char* name;
    void* data;
    unsigned int datalen;
    FMOD_BOOL updated;
} FMOD_TAG;

typedef int FMOD_DSP_TYPE;
enum {
    FMOD_DSP_TYPE_UNKNOWN = 0,
    FMOD_DSP_TYPE_MIXER = 1,
    FMOD_DSP_TYPE_OSCILLATOR = 2,
    FMOD_DSP_TYPE_LOWPASS = 3,
    FMOD_DSP_TYPE_ITLOWPASS = 4,
    FMOD_DSP_TYPE_HIGHPASS = 5,
    FMOD_DSP_TYPE_ECHO = 6,
    FMOD_DSP_TYPE_FLANGE = 7,
    FMOD_DSP_TYPE_DISTORTION = 8,
    FMOD_DSP_TYPE_NORMALIZE = 9,
    FMOD_DSP_TYPE_PARAMEQ = 10,
    FMOD_DSP_TYPE_PITCHSHIFT = 11,
    FMOD_DSP_TYPE_CHORUS = 12,
    FMOD_DSP_TYPE_REVERB = 13,
    FMOD_DSP_TYPE_VSTPLUGIN = 14,
    FMOD_DSP_TYPE_WINAMPPLUGIN = 15,
    FMOD_DSP_TYPE_ITECHO = 16,
    FMOD_DSP_TYPE_COMPRESSOR = 17,
    FMOD_DSP_TYPE_SFXREVERB = 18
};

typedef int FMOD_DSP_FFT_WINDOW;
enum {
    FMOD_DSP_FFT_WINDOW_RECT = 0,
    FMOD_DSP_FFT_WINDOW_TRIANGLE = 1,
    FMOD_DSP_FFT_WINDOW_HAMMING = 2,
    FMOD_DSP_FFT_WINDOW_HANNING = 3,
    FMOD_DSP_FFT_WINDOW_BLACKMAN = 4,
    FMOD_DSP_FFT_WINDOW_BLACKMANHARRIS = 5
};

/* File-system hooks. The library calls them on its streaming thread. */
typedef FMOD_RESULT(F_CALLBACK* FMOD_FILE_OPENCALLBACK)(const char* name, int unicode,
                                                        unsigned int* filesize, void** handle,
                                                        void** userdata);
typedef FMOD_RESULT(F_CALLBACK* FMOD_FILE_CLOSECALLBACK)(void* handle, void* userdata);
typedef FMOD_RESULT(F_CALLBACK* FMOD_FILE_READCALLBACK)(void* handle, void* buffer,
                                                        unsigned int sizebytes,
                                                        unsigned int* bytesread, void* userdata);
typedef FMOD_RESULT(F_CALLBACK* FMOD_FILE_SEEKCALLBACK)(void* handle, unsigned int pos,
                                                        void* userdata);

/*
 * Extra information for sound creation: 27 fields of 32 bits, 108 bytes. Callers zero it and
 * set cbsize to 108; of the rest only suggestedsoundtype is read (FMOD_SOUND_TYPE_MIDI forces
 * the MIDI decoder). The other fields keep their places so records made for the original
 * layout stay valid; they are ignored.
 */
typedef struct FMOD_CREATESOUNDEXINFO {
    int cbsize;
    unsigned int length;
    unsigned int fileoffset;
    int numchannels;
    int defaultfrequency;
    FMOD_SOUND_FORMAT format;
    unsigned int decodebuffersize;
    int initialsubsound;
    int numsubsounds;
    uint32_t inclusionlist;
    int inclusionlistnum;
    uint32_t pcmreadcallback;
    uint32_t pcmsetposcallback;
    uint32_t nonblockcallback;
    uint32_t dlsname;
    uint32_t encryptionkey;
    int maxpolyphony;
    uint32_t userdata;
    FMOD_SOUND_TYPE suggestedsoundtype;
    uint32_t useropen;
    uint32_t userclose;
    uint32_t userread;
    uint32_t userseek;
    int speakermap;
    uint32_t initialsoundgroup;
    unsigned int initialseekposition;
    FMOD_TIMEUNIT initialseekpostype;
} FMOD_CREATESOUNDEXINFO;

typedef struct FMOD_GUID {
    unsigned int Data1;
    unsigned short Data2;
    unsigned short Data3;
    unsigned char Data4[8];
} FMOD_GUID;

/* Result texts: the library's table for 0..88, "Unknown error." otherwise. Never null. */
F_API const char* FMOD_ErrorString(FMOD_RESULT result);

/* System. */
F_API FMOD_RESULT FMOD_System_Create(FMOD_SYSTEM* system);
F_API FMOD_RESULT FMOD_System_Release(FMOD_SYSTEM system);
F_API FMOD_RESULT FMOD_System_SetOutput(FMOD_SYSTEM system, FMOD_OUTPUTTYPE output);
F_API FMOD_RESULT FMOD_System_GetOutput(FMOD_SYSTEM system, FMOD_OUTPUTTYPE* output);
F_API FMOD_RESULT FMOD_System_GetNumDrivers(FMOD_SYSTEM system, int* numdrivers);
F_API FMOD_RESULT FMOD_System_GetDriverInfo(FMOD_SYSTEM system, int id, char* name, int namelen,
                                            FMOD_GUID* guid);
F_API FMOD_RESULT FMOD_System_SetDriver(FMOD_SYSTEM system, int driver);
F_API FMOD_RESULT FMOD_System_GetDriver(FMOD_SYSTEM system, int* driver);
F_API FMOD_RESULT FMOD_System_SetSoftwareFormat(FMOD_SYSTEM system, int samplerate,
                                                FMOD_SOUND_FORMAT format, int numoutputchannels,
                                                int maxinputchannels,
                                                FMOD_DSP_RESAMPLER resamplemethod);
F_API FMOD_RESULT FMOD_System_GetSoftwareFormat(FMOD_SYSTEM system, int* samplerate,
                                                FMOD_SOUND_FORMAT* format, int* numoutputchannels,
                                                int* maxinputchannels,
                                                FMOD_DSP_RESAMPLER* resamplemethod, int* bits);
F_API FMOD_RESULT FMOD_System_SetSpeakerMode(FMOD_SYSTEM system, FMOD_SPEAKERMODE speakermode);
F_API FMOD_RESULT FMOD_System_GetSpeakerMode(FMOD_SYSTEM system, FMOD_SPEAKERMODE* speakermode);
F_API FMOD_RESULT FMOD_System_SetStreamBufferSize(FMOD_SYSTEM system, unsigned int filebuffersize,
                                                  FMOD_TIMEUNIT filebuffersizetype);
F_API FMOD_RESULT FMOD_System_AttachFileSystem(FMOD_SYSTEM system, FMOD_FILE_OPENCALLBACK useropen,
                                               FMOD_FILE_CLOSECALLBACK userclose,
                                               FMOD_FILE_READCALLBACK userread,
                                               FMOD_FILE_SEEKCALLBACK userseek);
F_API FMOD_RESULT FMOD_System_Init(FMOD_SYSTEM system, int maxchannels, FMOD_INITFLAGS flags,
                                   void* extradriverdata);
F_API FMOD_RESULT FMOD_System_Close(FMOD_SYSTEM system);
F_API FMOD_RESULT FMOD_System_Update(FMOD_SYSTEM system);
F_API FMOD_RESULT FMOD_System_GetChannelsPlaying(FMOD_SYSTEM system, int* channels);

/*
 * Sound servers. Output type 14 plays through PulseAudio, or PipeWire's PulseAudio service; no
 * server is ever started. Autodetect tries it first, then ALSA (when the machine has a sound
 * card), then no sound. Its drivers are the server's sinks, named by their descriptions, the
 * default sink first; driver 0 opens on the default sink and follows the desktop when it picks
 * another one, and a stream whose sink goes away moves to the default sink. The stream carries
 * application.name "Sorvel", application.icon_name "sorvel", media.role "music" and media.name
 * (below), and is written in the software format's sample type.
 *
 * The stream keeps about the output latency (below) queued on the server. Starts, stops and
 * seeks drop what is queued, so they are heard at once; volume, pan, pause and effects are heard
 * once the queue has played. FMOD_Channel_GetPosition, FMOD_Channel_IsPlaying (true until the
 * last frame is heard), FMOD_System_GetSpectrum and FMOD_System_GetWaveData follow what is
 * heard, not what is mixed. After a second with nothing playing (every channel stopped or paused,
 * effect tails died away) the stream rests (corked) until a channel starts or is unpaused, so an
 * idle player costs the server nothing. When the server goes away while playing, the next
 * FMOD_System_Update answers FMOD_ERR_OUTPUT_DRIVERCALL (58), once, and the system plays on
 * without sound.
 *
 * Extension: FMOD_System_SetOutputLatency sets that queue in milliseconds (20-2000, default 250)
 * before FMOD_System_Init. FMOD_System_GetOutputLatency gives how far what is heard lags behind
 * what is mixed at the moment (0 for outputs without a queue; 78 before Init).
 * Extension: FMOD_System_SetMediaTitle names what plays, for the desktop's volume mixer and
 * now-playing applets: the stream's media.name (UTF-8, other text is read as CP932; null or ""
 * gives "Sorvel"). Valid before and after FMOD_System_Init; it never waits for the server.
 */
F_API FMOD_RESULT FMOD_System_SetOutputLatency(FMOD_SYSTEM system, int milliseconds);
F_API FMOD_RESULT FMOD_System_GetOutputLatency(FMOD_SYSTEM system, int* milliseconds);
F_API FMOD_RESULT FMOD_System_SetMediaTitle(FMOD_SYSTEM system, const char* title);

/* Sounds and streams. name_or_data is a UTF-8 path. */
F_API FMOD_RESULT FMOD_System_CreateSound(FMOD_SYSTEM system, const char* name_or_data,
                                          FMOD_MODE mode, FMOD_CREATESOUNDEXINFO* exinfo,
                                          FMOD_SOUND* sound);
F_API FMOD_RESULT FMOD_System_CreateStream(FMOD_SYSTEM system, const char* name_or_data,
                                           FMOD_MODE mode, FMOD_CREATESOUNDEXINFO* exinfo,
                                           FMOD_SOUND* sound);
F_API FMOD_RESULT FMOD_Sound_Release(FMOD_SOUND sound);
F_API FMOD_RESULT FMOD_Sound_GetLength(FMOD_SOUND sound, unsigned int* length,
                                       FMOD_TIMEUNIT lengthtype);
F_API FMOD_RESULT FMOD_Sound_GetFormat(FMOD_SOUND sound, FMOD_SOUND_TYPE* type,
                                       FMOD_SOUND_FORMAT* format, int* channels, int* bits);
F_API FMOD_RESULT FMOD_Sound_GetDefaults(FMOD_SOUND sound, float* frequency, float* volume,
                                         float* pan, int* priority);
F_API FMOD_RESULT FMOD_Sound_GetOpenState(FMOD_SOUND sound, FMOD_OPENSTATE* openstate,
                                          unsigned int* percentbuffered, FMOD_BOOL* starving);
F_API FMOD_RESULT FMOD_Sound_GetNumSubSounds(FMOD_SOUND sound, int* numsubsounds);
F_API FMOD_RESULT FMOD_Sound_GetSubSound(FMOD_SOUND sound, int index, FMOD_SOUND* subsound);
F_API FMOD_RESULT FMOD_Sound_GetNumTags(FMOD_SOUND sound, int* numtags, int* numtagsupdated);
F_API FMOD_RESULT FMOD_Sound_GetTag(FMOD_SOUND sound, const char* name, int index, FMOD_TAG* tag);
F_API FMOD_RESULT FMOD_Sound_GetMode(FMOD_SOUND sound, FMOD_MODE* mode);

/*
 * MIDI. ".mid", ".midi", ".rmi" and ".kar" files, files that start like a MIDI file, and any
 * file opened with exinfo->suggestedsoundtype FMOD_SOUND_TYPE_MIDI are synthesised by FluidSynth
 * at the output rate, through a General MIDI SoundFont installed on the machine (the largest of
 * the known ones) or the bank named below. They play as streams, in software and "hardware"
 * modes alike, with an exact length (up to the last track's end) and seeking (controllers and
 * programs are replayed up to the new place; notes that began before it are not). A bank that
 * is missing or cannot be loaded answers FMOD_ERR_PLUGIN_RESOURCE (68) when the file is opened.
 *
 * Extension: FMOD_System_SetMIDISoundBank names the bank (a SoundFont 2 or DLS file, such as a
 * gm.dls the player found) for MIDI files opened from then on; null or "" goes back to the
 * installed bank. Valid before and after FMOD_System_Init.
 */
F_API FMOD_RESULT FMOD_System_SetMIDISoundBank(FMOD_SYSTEM system, const char* path);

/*
 * Audio CD. The drives are the machine's CD drives in device order, then the disc images listed
 * in the environment variable SORVEL_CD_IMAGES (paths separated by ':'; CUE/BIN, TOC/BIN, NRG or
 * ISO), named "D:", "E:", ... in that order (at most 23). FMOD_System_CreateSound or
 * FMOD_System_CreateStream with a drive name ("D:", either case, or the device path) opens the
 * disc as a sound of type FMOD_SOUND_TYPE_CDDA with one sub-sound per audio track, in track
 * order from index 0 (FMOD_Sound_GetNumSubSounds, FMOD_Sound_GetSubSound). Each track is a
 * stream of 44100 Hz 16-bit stereo read through libcdio-paranoia on a thread of its own, with
 * its exact length and seeking; a read failure ends it. The parts are released with the drive's
 * sound. Results: 7 no drives at all, 5 no such drive, 8 no disc (or an unreadable image), 6 a
 * disc without audio tracks.
 */
F_API FMOD_RESULT FMOD_System_GetNumCDROMDrives(FMOD_SYSTEM system, int* numdrives);
/* Each buffer may be null; each gets zero-terminated text cut to its length: the drive name
 * ("D:"), the drive's make and model ("Disc image" for images), the device path or image file.
 * 37 for a drive number out of range. */
F_API FMOD_RESULT FMOD_System_GetCDROMDriveName(FMOD_SYSTEM system, int drive, char* drivename,
                                                int drivenamelen, char* scsiname, int scsinamelen,
                                                char* devicename, int devicenamelen);
/* Extension: opens the tray of the named drive ("D:"). 79 for disc images, 4 when the drive
 * refuses; 7 and 5 as above. */
F_API FMOD_RESULT FMOD_System_EjectCDROMDrive(FMOD_SYSTEM system, const char* drivename);

/*
 * Internet streams. Names beginning "http://", "https://" or "ftp://" open as live streams
 * (any case, always streamed). With FMOD_NONBLOCKING creation returns at once and
 * FMOD_Sound_GetOpenState reports LOADING, then READY (percentbuffered is then how full the
 * receive buffer is, starving whether playback waits for data) or ERROR with the result:
 * 53 an address that cannot be resolved or parsed, 51 a refused connection, 27 HTTP 401/403,
 * 28 HTTP 407, 29 HTTP 5xx, 26 other HTTP errors, 30 no answer or data within the network
 * timeout, 52 other transfer failures. The length is unknown (0xFFFFFFFF) and seeking does not
 * move. A server that closes the connection, or goes silent past the timeout while playing,
 * ends the stream; releasing a stream never waits on the network.
 *
 * FMOD_System_SetStreamBufferSize sets the receive buffer for streams opened afterwards (raw
 * bytes; other units are taken at 128 kbit/s; 16 KiB to 16 MiB).
 *
 * SHOUTcast/Icecast metadata is asked for; each new StreamTitle "Artist - Title" becomes the
 * tags "ARTIST" and "TITLE" (FMOD_TAGTYPE_SHOUTCAST, text; a title without " - " gives an
 * empty ARTIST), delivered as updated tags when playback reaches them: FMOD_Sound_GetNumTags
 * counts them as updated and FMOD_Sound_GetTag with index -1 hands them out in order. A tag
 * the stream updates again keeps its place and gets its new text (earlier pointers to that
 * tag's text are then invalid).
 *
 * File-system hooks (FMOD_System_AttachFileSystem, read at creation): for network streams only,
 * on the stream's network thread, the library calls open(address, 0, &filesize = 0, &handle,
 * &userdata) once when the server has answered with audio, then read(handle, buffer, count,
 * &bytesread = count, userdata) with every block of audio bytes as received, in order, each
 * byte once (ICY metadata blocks are taken out, so the bytes form a playable copy of the
 * stream), then close(handle, userdata) once when the transfer ends for any reason. The
 * results of the hooks are ignored, except that a failing open means no read or close calls.
 * The seek hook is never called. Local files are read directly.
 *
 * Extension: FMOD_System_SetNetworkTimeout sets, in milliseconds (at least 100), how long a
 * stream opened afterwards waits to connect and for the server's next bytes (default 10000).
 */
F_API FMOD_RESULT FMOD_System_SetNetworkTimeout(FMOD_SYSTEM system, int timeoutms);

/* Channels. */
F_API FMOD_RESULT FMOD_System_PlaySound(FMOD_SYSTEM system, FMOD_CHANNELINDEX channelid,
                                        FMOD_SOUND sound, FMOD_BOOL paused, FMOD_CHANNEL* channel);
/*
 * Extension: FMOD_System_PlaySoundAfter starts `sound` on a free channel that waits, silent and
 * at its start, until the channel `previous` has played its last frame, and then plays on from
 * the very next output frame: no frame lost, repeated or left silent between the two, whatever
 * either channel's frequency (gapless playback of one entry after another). While it waits, the
 * new channel answers as playing, at position 0, not paused; its volume, pan, frequency and
 * pause may be set meanwhile and hold when it begins. When `previous` was mixed to its end
 * already but is still heard, the new channel begins at once. When `previous` is stopped, or
 * its slot or sound taken for something else, before it ends, the new channel never begins (it
 * waits until it is stopped or its sound released). Starting, and stopping while it waits, are
 * not heard: unlike FMOD_System_PlaySound and FMOD_Channel_Stop, they leave what the output
 * has queued of the other channels alone. A channel leads one waiting channel at a time: a
 * second call for the same `previous` takes the place of the first, which then never begins.
 * Results: 36 or 11 for `previous` as for any channel (also once it has ended), 37 when `sound`
 * is a stream that `previous` plays, 10 when no channel but `previous`'s own can be had.
 */
F_API FMOD_RESULT FMOD_System_PlaySoundAfter(FMOD_SYSTEM system, FMOD_CHANNEL previous,
                                             FMOD_SOUND sound, FMOD_CHANNEL* channel);
F_API FMOD_RESULT FMOD_Channel_Stop(FMOD_CHANNEL channel);
F_API FMOD_RESULT FMOD_Channel_SetPaused(FMOD_CHANNEL channel, FMOD_BOOL paused);
F_API FMOD_RESULT FMOD_Channel_GetPaused(FMOD_CHANNEL channel, FMOD_BOOL* paused);
F_API FMOD_RESULT FMOD_Channel_IsPlaying(FMOD_CHANNEL channel, FMOD_BOOL* isplaying);
F_API FMOD_RESULT FMOD_Channel_SetPosition(FMOD_CHANNEL channel, unsigned int position,
                                           FMOD_TIMEUNIT postype);
F_API FMOD_RESULT FMOD_Channel_GetPosition(FMOD_CHANNEL channel, unsigned int* position,
                                           FMOD_TIMEUNIT postype);
F_API FMOD_RESULT FMOD_Channel_SetVolume(FMOD_CHANNEL channel, float volume);
F_API FMOD_RESULT FMOD_Channel_GetVolume(FMOD_CHANNEL channel, float* volume);
/*
 * Extension: FMOD_Channel_SetGain sets a level the channel's sound is multiplied by before its
 * volume and pan (linear, 0 to 16, default 1; each FMOD_System_PlaySound starts at 1), for
 * loudness levelling. Above 1 a limiter on the channel keeps every sample within full scale: it
 * pulls the level down at once where the sound would go over and lets it back at 40 dB a
 * second, so a gain not bounded by the sound's known peak never clips. Changes glide across a
 * few milliseconds. 35 for a value that is not a number, 37 outside 0 to 16.
 */
F_API FMOD_RESULT FMOD_Channel_SetGain(FMOD_CHANNEL channel, float gain);
F_API FMOD_RESULT FMOD_Channel_GetGain(FMOD_CHANNEL channel, float* gain);
F_API FMOD_RESULT FMOD_Channel_SetPan(FMOD_CHANNEL channel, float pan);
F_API FMOD_RESULT FMOD_Channel_GetPan(FMOD_CHANNEL channel, float* pan);
F_API FMOD_RESULT FMOD_Channel_SetFrequency(FMOD_CHANNEL channel, float frequency);
F_API FMOD_RESULT FMOD_Channel_GetFrequency(FMOD_CHANNEL channel, float* frequency);
F_API FMOD_RESULT FMOD_Channel_SetPriority(FMOD_CHANNEL channel, int priority);
F_API FMOD_RESULT FMOD_Channel_GetPriority(FMOD_CHANNEL channel, int* priority);
F_API FMOD_RESULT FMOD_Channel_GetCurrentSound(FMOD_CHANNEL channel, FMOD_SOUND* sound);

/*
 * Processing units. A unit made by FMOD_System_CreateDSPByType works on the system's mixed
 * output, every output channel at the output rate, once attached to the system-wide chain with
 * FMOD_System_AddDSP; the chain runs after all channels are mixed, in the order the units were
 * attached (the newest last, nearest the output). Making a unit needs an initialised system
 * (78 before). Types 3, 5, 6, 7, 8, 10, 11, 12, 13, 17 and 18 exist; others answer 67.
 *
 * Attaching, detaching, bypassing and parameter changes take effect from the next mixed block
 * and fade or glide instead of clicking. A detached unit keeps its parameters and starts afresh
 * (no old echoes) when attached again. Attaching an attached unit changes nothing; a unit
 * attached to one system answers 14 on another; at most 64 units are attached at once (18).
 *
 * Parameters (index: meaning, range, default); a value outside its range, or not whole or not
 * a power of two where that is asked, answers 37 and changes nothing:
 *   3 low-pass:   0 cutoff 10-22000 Hz (5000), 1 resonance 1-10 (1 = maximally flat, -3 dB at
 *                 the cutoff; higher values peak there). Two-pole.
 *   5 high-pass:  0 cutoff 1-22000 Hz (5000), 1 resonance 1-10 (1).
 *   6 echo:       0 delay 10-5000 ms (500), 1 decay ratio 0-1 (0.5), 2 channels that echo 0-16
 *                 (0 = all), 3 dry mix 0-1 (1), 4 wet mix 0-1 (1). The repeats saturate
 *                 softly above twice full scale, so a decay of 1 holds instead of growing.
 *   7 flange:     0 dry mix 0-1 (0.45), 1 wet mix 0-1 (0.55), 2 depth 0.01-1 (1; the delay
 *                 sweeps 0.1 to 5.1 ms at 1), 3 rate 0-20 Hz (0.1).
 *   8 distortion: 0 level 0-1 (0.5).
 *  10 EQ band:    0 centre 20-22000 Hz (8000), 1 bandwidth 0.2-5 octaves (1), 2 gain 0.05-3 as
 *                 a linear factor (1 = flat).
 *  11 pitch:      0 pitch factor 0.5-2 (1), 1 FFT size 256-4096, a power of two (1024),
 *                 2 overlap 1-32 (4), 3 channels shifted 0-16 (0 = all). Duration does not
 *                 change; the output is late by one FFT size.
 *  12 chorus:     0 dry mix 0-1 (0.5), 1-3 wet mix of taps 1-3 0-1 (0.5; taps at 0, 90 and
 *                 180 degrees of the oscillator), 4 delay 0.1-100 ms (40), 5 rate 0-20 Hz
 *                 (0.8), 6 depth 0-1 (0.03), 7 feedback 0-1 (0; the loop saturates softly
 *                 above full scale).
 *  13 reverb:     0 room size 0-1 (0.5), 1 damp 0-1 (0.5), 2 wet mix 0-1 (0.33), 3 dry mix 0-1
 *                 (0.66), 4 width 0-1 (1), 5 mode 0-1 (0; 1 = freeze).
 *  17 compressor: 0 threshold -60-0 dB (0), 1 attack 10-200 ms (50), 2 release 20-1000 ms (50),
 *                 3 make-up gain 0-30 dB (0). All channels share one gain.
 *  18 SFX reverb: the I3DL2 set, levels in millibels: 0 dry level -10000-0 (0), 1 room
 *                 -10000-0 (-1000), 2 room HF -10000-0 (-300), 3 room roll-off 0-10 (0, no
 *                 effect without 3D), 4 decay time 0.1-20 s (1.3), 5 decay HF ratio 0.1-2
 *                 (0.83), 6 reflections -10000-1000 (-400), 7 reflections delay 0-0.3 s
 *                 (0.008), 8 reverb -10000-2000 (0), 9 reverb delay 0-0.1 s (0.012),
 *                 10 diffusion 0-100 % (100), 11 density 0-100 % (100), 12 HF reference
 *                 20-20000 Hz (5000), 13 room LF -10000-0 (0), 14 LF reference 20-1000 Hz (250).
 *                 The defaults are a medium room.
 */
F_API FMOD_RESULT FMOD_System_CreateDSPByType(FMOD_SYSTEM system, FMOD_DSP_TYPE type,
                                              FMOD_DSP* dsp);
/* connection, when given, is set to 0: connections are not objects of their own. */
F_API FMOD_RESULT FMOD_System_AddDSP(FMOD_SYSTEM system, FMOD_DSP dsp,
                                     FMOD_DSPCONNECTION* connection);
/* Detaches the unit (nothing happens when it is not attached). */
F_API FMOD_RESULT FMOD_DSP_Remove(FMOD_DSP dsp);
/* Attached and not bypassed. */
F_API FMOD_RESULT FMOD_DSP_GetActive(FMOD_DSP dsp, FMOD_BOOL* active);
/* 0 bypasses the unit where it stands (the sound passes untouched); 1 lets it work again. */
F_API FMOD_RESULT FMOD_DSP_SetActive(FMOD_DSP dsp, FMOD_BOOL active);
/* Detaches the unit if needed; the handle answers 36 afterwards. */
F_API FMOD_RESULT FMOD_DSP_Release(FMOD_DSP dsp);
F_API FMOD_RESULT FMOD_DSP_SetParameter(FMOD_DSP dsp, int index, float value);
/* value and valuestr (the value as text, "%.2f") may each be null. */
F_API FMOD_RESULT FMOD_DSP_GetParameter(FMOD_DSP dsp, int index, float* value, char* valuestr,
                                        int valuestrlen);
F_API FMOD_RESULT FMOD_DSP_GetNumParameters(FMOD_DSP dsp, int* numparams);
/* name and label take 16 characters each; any pointer may be null. */
F_API FMOD_RESULT FMOD_DSP_GetParameterInfo(FMOD_DSP dsp, int index, char* name, char* label,
                                            char* description, int descriptionlen, float* min,
                                            float* max);

/*
 * The latest mixed output (after the processing chain), for analysers. Both calls copy a
 * snapshot the mixer keeps and return in microseconds; channeloffset is the output channel.
 * GetSpectrum: magnitudes of the latest 2 x numvalues samples (numvalues a power of two,
 * 64-8192), numvalues values from 0 Hz up in steps of rate / (2 x numvalues), scaled so that a
 * full-scale sine reads about 1.0 at its peak. GetWaveData: the latest numvalues (1-16384)
 * samples, oldest first, -1.0 to 1.0. Before anything was mixed both give zeros.
 */
F_API FMOD_RESULT FMOD_System_GetSpectrum(FMOD_SYSTEM system, float* spectrumarray, int numvalues,
                                          int channeloffset, FMOD_DSP_FFT_WINDOW windowtype);
F_API FMOD_RESULT FMOD_System_GetWaveData(FMOD_SYSTEM system, float* wavearray, int numvalues,
                                          int channeloffset);

#ifdef __cplusplus
}
#endif

#endif /* SORVEL_SOUNDLIB_H */
