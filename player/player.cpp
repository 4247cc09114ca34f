#include "player/player.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "os/os.h"
#include "player/heardClock.h"
#include "player/mix.h"
#include "player/moduleFile.h"
#include "player/output.h"
#include "player/syncs.h"
#include "player/timeline.h"

// Globals owned here (main thread unless noted):
//   playerOutput, playerRate, playerPlaying (player/output.h), audioDevice, moduleLoaded: what
//     the open, load, play and free calls have set up.
//   playbackStart: the playback clock's zero, set before the audio and sync threads start.
//   handed: written by the audio callback (handedWord), read by the sync thread.
//   stopDelivery: set by playerFree, read by the sync thread.
//   deliveryThread: the sync thread, started by playerPlay, joined by playerFree.
//   handedBuffers, recentOrigins: the audio thread's own count of buffers handed and the
//     origins of its last hand-overs (player/heardClock.h). playerPlay zeroes the count while
//     the device is paused; the origins need no reset, as only the last handedBuffers of them
//     are ever read.
PlayerOutput playerOutput = PlayerOutput::none;
int playerRate = mixRate;
bool playerPlaying = false;

namespace {

SDL_AudioDeviceID audioDevice = 0;
bool moduleLoaded = false;

using Clock = std::chrono::steady_clock;
Clock::time_point playbackStart;
std::atomic<uint64_t> handed{0};
std::atomic<bool> stopDelivery{false};
std::thread deliveryThread;
uint32_t handedBuffers = 0;
uint32_t recentOrigins[originWindow] = {};

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

// Delivers the syncs heard by now; the microseconds until the next one is due.
int64_t deliverHeard()
{
    const uint64_t word = handed.load(std::memory_order_relaxed);
    const int64_t heard = heardFrames(word, playbackMicros(), static_cast<uint32_t>(playerRate));
    if (heard > 0) deliverSyncsBefore(static_cast<uint64_t>(heard));
    const uint64_t next = nextSyncSample();
    const int64_t ahead = next == UINT64_MAX ? 0 : static_cast<int64_t>(next) - (heard > 0 ? heard : 0);
    return ahead * 1000000 / playerRate;
}

// In a web page there are no threads: its swap calls playerDeliverHeardSyncs instead.
#ifndef __EMSCRIPTEN__
// How long the sync thread sleeps between looks at the clock, in microseconds: until the next
// event is due, but at least this little and at most a fraction of a device buffer (23 ms).
constexpr int64_t minimumNap = 300;
constexpr int64_t maximumNap = 5000;

void deliverWhileHeard()
{
    nameThisThread("player sync");
    while (!stopDelivery.load(std::memory_order_relaxed) && !allSyncsDelivered()) {
        // Sleep until the next event is due, within bounds: the estimate moves on with every
        // hand-over, so it is looked at again at least every few milliseconds.
        std::this_thread::sleep_for(std::chrono::microseconds(std::clamp<int64_t>(deliverHeard(), minimumNap, maximumNap)));
    }
}
#endif

void stopPlayback()
{
    if (audioDevice) SDL_PauseAudioDevice(audioDevice, 1);
    stopDelivery.store(true, std::memory_order_relaxed);
    if (deliveryThread.joinable()) deliveryThread.join();
    playerPlaying = false;
}

// Stops playback first: the audio thread renders from the module.
void unloadModule()
{
    if (playerPlaying) stopPlayback();
    endMix();
    clearSyncs();
    clearTimeline();
    moduleLoaded = false;
}

// Decodes the module: the dry run for the timeline, then the playback context.
bool loadBytes(const uint8_t* bytes, std::size_t size, const char* path, std::string& reason)
{
    std::string notice;
    if (!wholeModule(bytes, size, path, reason, notice)) return false;
    std::string cause;
    if (!buildTimeline(bytes, size, playerRate, cause)) {
        // For a file cut short, where it ends says more than libxmp's refusal.
        if (notice.empty()) reason = "module " + moduleName(path) + ": " + cause;
        return false;
    }
    if (!startMix(bytes, size, playerRate, timelineEvents()[timelineEventCount() - 1].sample)) {
        reason = "libxmp cannot start playing the module";
        clearTimeline();
        return false;
    }
    moduleLoaded = true;
    reason = notice;
    return true;
}

}  // namespace

bool resetPlayer(int rate, std::string& reason)
{
    playerFree();
    if (rate < 8000 || rate > 192000) {
        reason = "unsupported output rate " + std::to_string(rate) + " Hz";
        return false;
    }
    playerRate = rate;
    return true;
}

bool playerOpenDevice(int device, int rate, std::string& reason)
{
    if (!resetPlayer(rate, reason)) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        reason = std::string("no audio device: ") + SDL_GetError();
        return false;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = deviceBufferFrames;
    wanted.callback = audioCallback;
    // No allowed changes: SDL converts whatever the device wants, so the callback always fills
    // exactly one buffer of our format.
    const char* name = device > 0 ? SDL_GetAudioDeviceName(device - 1, 0) : nullptr;
    audioDevice = SDL_OpenAudioDevice(name, 0, &wanted, nullptr, 0);
    if (!audioDevice) {
        reason = std::string("no audio device: ") + SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    playerOutput = PlayerOutput::device;
    return true;
}

bool playerOpenSilent(int rate, std::string& reason)
{
    // Over the user's own choice of driver too, which is what failed.
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    return playerOpenDevice(0, rate, reason);
}

bool playerLoadFile(const char* path, uint32_t offset, uint32_t length, std::string& reason)
{
    unloadModule();
    std::vector<uint8_t> bytes;
    if (!readModuleFile(path, offset, length, bytes, reason)) return false;
    return loadBytes(bytes.data(), bytes.size(), path, reason);
}

bool playerLoadMemory(const void* bytes, std::size_t length, std::string& reason)
{
    unloadModule();
    if (!bytes || length == 0) {
        reason = "no module in memory (null pointer or length 0)";
        return false;
    }
    return loadBytes(static_cast<const uint8_t*>(bytes), length, nullptr, reason);
}

uint32_t playerSetSync(SyncType type, uint32_t param, SyncCallback callback, uint32_t user)
{
    if (!moduleLoaded || playerPlaying) return 0;
    return addSync(type, param, callback, user);
}

bool playerPlay()
{
    if (playerOutput == PlayerOutput::none || !moduleLoaded) return false;
    if (playerPlaying) return true;
    playerPlaying = true;
    if (playerOutput == PlayerOutput::offline) return true;
    playbackStart = Clock::now();
    handedBuffers = 0;
    handed.store(0, std::memory_order_relaxed);
    stopDelivery.store(false, std::memory_order_relaxed);
#ifndef __EMSCRIPTEN__
    deliveryThread = std::thread(deliverWhileHeard);
#endif
    SDL_PauseAudioDevice(audioDevice, 0);
    return true;
}

void playerFree()
{
    if (playerPlaying) stopPlayback();
    if (audioDevice) {
        SDL_CloseAudioDevice(audioDevice);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioDevice = 0;
    }
    unloadModule();
    playerOutput = PlayerOutput::none;
}

void playerDeliverHeardSyncs()
{
    if (playerPlaying && playerOutput == PlayerOutput::device && !allSyncsDelivered()) deliverHeard();
}
