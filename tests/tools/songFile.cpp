#include "tests/tools/songFile.h"

#include <xmp.h>

#include <cmath>
#include <cstdlib>

SongPlay playSong(const std::string& path)
{
    SongPlay play;
    xmp_context context = xmp_create_context();
    if (xmp_load_module(context, const_cast<char*>(path.c_str())) != 0) {
        xmp_free_context(context);
        return play;
    }
    play.loaded = true;
    xmp_module_info info;
    xmp_get_module_info(context, &info);
    const xmp_module& mod = *info.mod;
    play.instruments = mod.ins;
    play.orders = mod.len;
    play.speed = mod.spd;
    play.bpm = mod.bpm;
    for (int order = 0; order < mod.len; ++order) {
        const xmp_pattern& pattern = *mod.xxp[mod.xxo[order]];
        for (int row = 0; row < pattern.rows; ++row)
            for (int channel = 0; channel < mod.chn; ++channel) {
                const xmp_event& e = mod.xxt[pattern.index[channel]]->event[row];
                // libxmp counts notes from C-0 = 13 and marks key-off and cuts above 128.
                if (e.note > 0 && e.note < XMP_KEY_OFF)
                    play.notes.push_back({order, row, channel, e.ins, e.note - 12, e.vol});
            }
    }

    xmp_start_player(context, 44100, 0);
    xmp_frame_info frame;
    uint64_t sample = 0;
    double energy = 0;
    int peak = 0;
    while (xmp_play_frame(context) == 0) {
        xmp_get_frame_info(context, &frame);
        if (frame.loop_count > 0) break;
        if (frame.frame == 0) play.rows.push_back({frame.pos, frame.row, sample});
        const int16_t* pcm = static_cast<const int16_t*>(frame.buffer);
        const int values = frame.buffer_size / 2;
        for (int i = 0; i < values; ++i) {
            energy += static_cast<double>(pcm[i]) * pcm[i];
            peak = std::max(peak, std::abs(static_cast<int>(pcm[i])));
        }
        sample += static_cast<uint64_t>(values / 2);
    }
    play.endSample = sample;
    play.peakDb = 20.0 * std::log10(std::max(peak, 1) / 32768.0);
    play.rmsDb = sample ? 10.0 * std::log10(energy / (2.0 * sample) / (32768.0 * 32768.0)) : -200.0;
    xmp_end_player(context);
    xmp_release_module(context);
    xmp_free_context(context);
    return play;
}
