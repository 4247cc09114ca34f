#include "player/bassmod.h"

#include <SDL.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "player/moduleFile.h"

#include "player/heardClock.h"
#include "player/mix.h"
#include "player/offline.h"
#include "player/syncs.h"
#include "player/timeline.h"

// Globals owned here (main thread unless noted):
//   outputMode, playerRate, audioDevice, moduleLoaded, playing: what BASSMOD_Init/MusicLoad/
//     MusicPlay/Free have set up.
//   playbackStart: the playback clock's zero, set before the audio and sync threads start.
//   handed: written by the audio callback (handedWord), read by the sync thread.
//   stopDelivery: set by BASSMOD_Free, read by the sync thread.
//   deliveryThread: the sync thread, started by BASSMOD_MusicPlay, joined by BASSMOD_Free.
//   handedBuffers, recentOrigins: the audio thread's own count of buffers handed and the
//     origins of its last hand-overs (player/heardClock.h); reset by BASSMOD_MusicPlay while
//     the device is paused.
namespace {

enum class OutputMode { none, device, offline };

OutputMode outputMode = OutputMode::none;
int playerRate = 44100;
SDL_AudioDeviceID audioDevice = 0;
bool moduleLoaded = false;
bool playing = false;

using Clock = std::chrono::steady_clock;
Clock::time_point playbackStart;
std::atomic<uint64_t> handed{0};
std::atomic<bool> stopDelivery{false};
std::thread deliveryThread;
uint32_t handedBuffers = 0;
uint32_t recentOrigins[originWindow] = {};

// How long the sync thread sleeps between looks at the clock, in microseconds: until the next
// event is due, but at least this little and at most a fraction of a device buffer (23 ms).
constexpr int64_t minimumNap = 300;
constexpr int64_t maximumNap = 5000;

void report(const std::string& cause) { std::fprintf(stderr, "strobarium: music: %s\n", cause.c_str()); }

uint32_t playbackMicros()
{
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - playbackStart).count());
}

void SDLCALL audioCallback(void*, Uint8* stream, int length)
{
    renderMix(reinterpret_cast<int16_t*>(stream), static_cast<uint32_t>(length) / 4);
    ++handedBuffers;
    const uint32_t now = playbackMicros();
    const auto rate = static_cast<uint32_t>(playerRate);
    recentOrigins[handedBuffers % originWindow] = impliedOrigin(handedBuffers, now, rate);
    // The latest origin: the one furthest behind now (differences, as the clock may wrap).
    uint32_t origin = recentOrigins[handedBuffers % originWindow];
    const uint32_t kept = handedBuffers < originWindow ? handedBuffers : originWindow;
    for (uint32_t i = 0; i < kept; ++i) {
        const uint32_t candidate = recentOrigins[(handedBuffers - i) % originWindow];
        if (now - candidate < now - origin) origin = candidate;
    }
    handed.store(handedWord(handedBuffers, origin), std::memory_order_relaxed);
}

void deliverWhileHeard()
{
    pthread_setname_np(pthread_self(), "player sync");
    while (!stopDelivery.load(std::memory_order_relaxed) && !allSyncsDelivered()) {
        const uint64_t word = handed.load(std::memory_order_relaxed);
        const int64_t heard = heardFrames(word, playbackMicros(), static_cast<uint32_t>(playerRate));
        if (heard > 0) deliverSyncsBefore(static_cast<uint64_t>(heard));
        // Sleep until the next event is due, within bounds: the estimate moves on with every
        // hand-over, so it is looked at again at least every few milliseconds.
        const uint64_t next = nextSyncSample();
        const int64_t ahead = next == UINT64_MAX ? 0 : static_cast<int64_t>(next) - (heard > 0 ? heard : 0);
        const int64_t micros = ahead * 1000000 / playerRate;
        std::this_thread::sleep_for(std::chrono::microseconds(std::clamp<int64_t>(micros, minimumNap, maximumNap)));
    }
}

void stopPlayback()
{
    if (audioDevice) SDL_PauseAudioDevice(audioDevice, 1);
    stopDelivery.store(true, std::memory_order_relaxed);
    if (deliveryThread.joinable()) deliveryThread.join();
    playing = false;
}

void unloadModule()
{
    endMix();
    clearSyncs();
    clearTimeline();
    moduleLoaded = false;
}

}  // namespace

BOOL BASSMOD_Init(int device, DWORD freq, DWORD)
{
    BASSMOD_Free();
    if (freq < 8000 || freq > 192000) {
        report("unsupported output rate " + std::to_string(freq) + " Hz");
        return 0;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        report(std::string("no audio device: ") + SDL_GetError());
        return 0;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(freq);
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = deviceBufferFrames;
    wanted.callback = audioCallback;
    // No allowed changes: SDL converts whatever the device wants, so the callback always fills
    // exactly one buffer of our format.
    // -1 (and 0) mean the default device; 1 and up count SDL's output devices from the first.
    const char* name = device > 0 ? SDL_GetAudioDeviceName(device - 1, 0) : nullptr;
    audioDevice = SDL_OpenAudioDevice(name, 0, &wanted, nullptr, 0);
    if (!audioDevice) {
        report(std::string("no audio device: ") + SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    playerRate = static_cast<int>(freq);
    outputMode = OutputMode::device;
    return 1;
}

BOOL offlineInit(DWORD freq)
{
    BASSMOD_Free();
    if (freq < 8000 || freq > 192000) {
        report("unsupported output rate " + std::to_string(freq) + " Hz");
        return 0;
    }
    playerRate = static_cast<int>(freq);
    outputMode = OutputMode::offline;
    return 1;
}

BOOL BASSMOD_MusicLoad(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD)
{
    if (playing) stopPlayback();
    unloadModule();
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readModuleBytes(mem != 0, file, offset, length, bytes, error)) {
        report(error);
        return 0;
    }
    const char* cause = nullptr;
    if (!buildTimeline(bytes.data(), bytes.size(), playerRate, cause)) {
        const std::string name = mem ? std::string("in memory") : "\"" + std::string(static_cast<const char*>(file)) + "\"";
        report("module " + name + ": " + cause);
        return 0;
    }
    const TimelineEvent* events = timelineEvents();
    if (!startMix(bytes.data(), bytes.size(), playerRate, events[timelineEventCount() - 1].sample)) {
        report("libxmp cannot start playing the module");
        clearTimeline();
        return 0;
    }
    moduleLoaded = true;
    return 1;
}

HSYNC BASSMOD_MusicSetSync(DWORD type, DWORD param, SYNCPROC* proc, DWORD user)
{
    if (!moduleLoaded || playing) return 0;
    return addSync(type, param, proc, user);
}

BOOL BASSMOD_MusicPlay()
{
    if (outputMode == OutputMode::none || !moduleLoaded) return 0;
    if (playing) return 1;
    playing = true;
    if (outputMode == OutputMode::offline) return 1;
    playbackStart = Clock::now();
    handedBuffers = 0;
    handed.store(0, std::memory_order_relaxed);
    stopDelivery.store(false, std::memory_order_relaxed);
    deliveryThread = std::thread(deliverWhileHeard);
    SDL_PauseAudioDevice(audioDevice, 0);
    return 1;
}

void BASSMOD_Free()
{
    if (playing) stopPlayback();
    if (audioDevice) {
        SDL_CloseAudioDevice(audioDevice);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioDevice = 0;
    }
    unloadModule();
    outputMode = OutputMode::none;
}

DWORD offlineRender(int16_t* stereo, DWORD frames)
{
    if (outputMode != OutputMode::offline || !stereo) return 0;
    if (playing)
        renderMix(stereo, frames);
    else
        std::memset(stereo, 0, frames * 4u);
    return frames;
}

void offlineDeliverSyncs(uint64_t beforeSample)
{
    if (outputMode == OutputMode::offline && playing) deliverSyncsBefore(beforeSample);
}

uint64_t offlineEndSample()
{
    const int count = timelineEventCount();
    return count > 0 ? timelineEvents()[count - 1].sample : 0;
}
