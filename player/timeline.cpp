#include "player/timeline.h"

#include <xmp.h>

#include <algorithm>

namespace {

TimelineEvent events[maxTimelineEvents];
int eventCount = 0;

// libxmp's effect numbers for XM effects 3, 5 and E (the volume column's tone portamento also
// arrives as effect 3, in the second effect slot).
constexpr int fxTonePortamento = 0x03;
constexpr int fxTonePortamentoVolumeSlide = 0x05;
constexpr int fxExtended = 0x0E;
constexpr int fxKeyOff = 0x14;  // XM's K
constexpr int extendedNoteDelay = 0xD;
// libxmp counts notes from 1 with XM's C-0 at 13; 0x81.. are key off, cut and fade.
constexpr int libxmpC0 = 13;
constexpr int libxmpLastNote = 0x80;
constexpr unsigned char noInstrument = 255;

bool slidesIntoNote(const xmp_event& event)
{
    return event.fxt == fxTonePortamento || event.fxt == fxTonePortamentoVolumeSlide ||
           event.f2t == fxTonePortamento || event.f2t == fxTonePortamentoVolumeSlide;
}

// The tick of its row on which the event's note starts: the note-delay tick if there is one.
int noteTick(const xmp_event& event)
{
    if (event.fxt == fxExtended && (event.fxp >> 4) == extendedNoteDelay) return event.fxp & 0x0F;
    return 0;
}

bool push(const TimelineEvent& event)
{
    if (eventCount == maxTimelineEvents) return false;
    events[eventCount++] = event;
    return true;
}

// One tick's events: the row start on its first tick, then every note started on this tick, by channel.
bool recordTick(const xmp_frame_info& frame, int channels, int instruments, uint64_t sample)
{
    const auto order = static_cast<uint16_t>(frame.pos);
    const auto row = static_cast<uint16_t>(frame.row);
    // frame counts on past the speed while a pattern delay repeats the row, so these match once per row.
    if (frame.frame == 0 && !push({sample, TimelineKind::position, 0, 0, 0, order, row})) return false;
    for (int c = 0; c < channels; ++c) {
        const xmp_channel_info& channel = frame.channel_info[c];
        const xmp_event& event = channel.event;
        if (event.note < libxmpC0 || event.note > libxmpLastNote || slidesIntoNote(event)) continue;
        // K00 lets the key go on the note's own first tick: nothing is heard.
        if (event.fxt == fxKeyOff && event.fxp == 0) continue;
        const int tick = noteTick(event);
        if (tick >= frame.speed || tick != frame.frame) continue;
        // libxmp has already applied "a bare note plays the channel's current instrument".
        if (channel.instrument == noInstrument || channel.instrument >= instruments) continue;
        const TimelineEvent note{sample,
                                 TimelineKind::noteOn,
                                 static_cast<uint8_t>(channel.instrument + 1),
                                 static_cast<uint8_t>(event.note - libxmpC0),
                                 static_cast<uint8_t>(channel.volume),
                                 order,
                                 row};
        if (!push(note)) return false;
    }
    return true;
}

}  // namespace

const TimelineEvent* timelineEvents() { return eventCount > 0 ? events : nullptr; }
int timelineEventCount() { return eventCount; }

void clearTimeline() { eventCount = 0; }

bool buildTimeline(const uint8_t* bytes, std::size_t size, int rate, std::string& error)
{
    clearTimeline();
    xmp_context context = xmp_create_context();
    const int loaded = xmp_load_module_from_memory(context, bytes, static_cast<long>(size));
    if (loaded != 0) {
        xmp_free_context(context);
        error = loaded == -XMP_ERROR_FORMAT ? "not a module format libxmp knows"
                : loaded == -XMP_ERROR_LOAD ? "corrupt (libxmp cannot load it)"
                                            : "libxmp cannot load it";
        return false;
    }
    xmp_module_info info;
    xmp_get_module_info(context, &info);
    const int channels = std::min(info.mod->chn, XMP_MAX_CHANNELS);
    const int instruments = info.mod->ins;
    xmp_start_player(context, rate, 0);
    // Only the tick lengths and the events matter here, and neither depends on the interpolation
    // or on what is heard: muted, libxmp skips most of the mixing (a fifth of the time).
    xmp_set_player(context, XMP_PLAYER_INTERP, XMP_INTERP_NEAREST);
    for (int c = 0; c < XMP_MAX_CHANNELS; ++c) xmp_channel_mute(context, c, 1);

    const uint64_t cut = maxSongSeconds * static_cast<uint64_t>(rate);
    uint64_t sample = 0;
    bool ok = true;
    xmp_frame_info frame;
    for (;;) {
        xmp_play_frame(context);
        xmp_get_frame_info(context, &frame);
        // The song is played once: the first tick of the repeat is where it ends.
        if (frame.loop_count > 0 || sample >= cut || frame.buffer_size <= 0) break;
        if (!recordTick(frame, channels, instruments, sample)) {
            ok = false;
            break;
        }
        sample += static_cast<uint64_t>(frame.buffer_size) / 4;
    }
    if (ok) ok = push({sample, TimelineKind::end, 0, 0, 0, static_cast<uint16_t>(frame.pos), static_cast<uint16_t>(frame.row)});
    xmp_end_player(context);
    xmp_release_module(context);
    xmp_free_context(context);
    if (!ok) {
        clearTimeline();
        error = "the module has more events than the player can follow";
    }
    return ok;
}
