// Reading modules (cuts against libxmp, refusals and their causes, the fuzz corpus), a synthetic
// module's timeline against FT2's tick arithmetic with the syncs it fires, and our XM writer.
#include "player/moduleFile.h"
#include "player/offline.h"
#include "player/player.h"
#include "player/timeline.h"
#include "tests/support/files.h"
#include "tests/support/modules.h"

#include <gtest/gtest.h>
#include <xmp.h>

#include <array>
#include <filesystem>
#include <map>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

TEST(ModuleFile, ACutPlaysWhereLibxmpPlaysItAndEachSeedSaysWhy)
{
    // The last instrument ends in 32 bytes of plain data, then 99 values as 66 bytes of ADPCM, the
    // last byte holding one value; a cut in the plain data says how much is missing.
    XmModule m = featureModule();
    m.instruments.back().samples.push_back(m.instruments.back().samples[0]);
    m.instruments.back().samples[1].adpcm = true;
    m.instruments.back().samples[1].data.resize(99, -60);
    const std::vector<uint8_t> bytes = encodeXm(m);
    for (std::size_t size = 64; size < bytes.size(); size += size < 1300 || size + 120 > bytes.size() ? 1 : 37) {
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(size));
        const auto [loaded, line] = loadOffline(cut);
        ASSERT_EQ(loaded, !libxmpRender(cut, 1).empty()) << size << line;
        const std::size_t missing = bytes.size() - size;
        std::string said = loaded ? " short inside " : "is truncated (" + std::to_string(size) + " bytes";
        if (loaded && missing <= 98)
            said = "module in memory is " + std::to_string(missing) + " bytes short inside instrument 19's sample data: what is missing "
                   "plays as silence";
        ASSERT_NE(line.find(said), std::string::npos) << size << line;
    }
    // Each seed: what the player says of it ("" when whole): "valid-*" play, with a notice when cut short; others are refused.
    const std::map<std::string, std::string> said = {
        {"bad-33-samples.xm", "is corrupt (instrument 1 has more than 32 samples)"},
        {"bad-65517-instruments.xm", "is corrupt (its XM headers count more"},
        {"bad-endless-sample-headers.xm", "is corrupt (its XM headers count more"},
        {"bad-cut-in-adpcm.xm", "is truncated (1111 bytes, its headers need at least 1121, ending inside instrument 2's sample data)"},
        {"bad-header-only.xm", "is truncated (80 bytes, its headers need at least 336, ending inside the song header)"},
        {"bad-truncated.xm", "is truncated (3443 bytes, its headers need at least 3483, ending inside instrument 9's sample headers)"},
        {"bad-pattern-length-field.xm", "is corrupt (pattern 1's header length field says 4263389726 bytes, more than the file holds)"},
        {"bad-text.xm", "not a module format libxmp knows"},
        {"valid-short-pattern-data.xm", "is 3 bytes short inside pattern 2's data"},
        {"valid-short-last-instrument-header.xm", "is 9 bytes short inside instrument 19's header"},
        {"valid-instrument-size-past-end.xm", "is 7929 bytes short inside instrument 19's header, whose size field runs past the end"},
        {"valid-short-adpcm-missing.xm", "is 71 bytes short inside instrument 2's sample data"},
    };
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(STROBARIUM_SOURCE_DIR "/tests/player/corpus")) {
        const std::string name = entry.path().filename().string();
        std::vector<uint8_t> seed = readFileBytes(entry.path());
        seed.shrink_to_fit();  // exact size, so the sanitizer build sees reads past the end
        const std::string line = loadOffline(seed).second;  // a refusal always says why
        const auto expected = said.find(name);
        EXPECT_TRUE(expected == said.end() ? line.empty() : line.find(expected->second) != std::string::npos) << name << ": " << line;
        EXPECT_EQ(LLVMFuzzerTestOneInput(seed.data(), seed.size()), 0) << name;
        ++seeds;
    }
    EXPECT_EQ(seeds, 16);
    playerFree();
}

TEST(ModuleFile, TheModuleIsFoundInALargerFileAndEachRefusalNamesItsCause)
{
    const std::vector<uint8_t> module = encodeXm(featureModule());
    std::vector<uint8_t> wrapped(100 + module.size() + 50, 'x');
    std::copy(module.begin(), module.end(), wrapped.begin() + 100);
    const TempDir dir("module-file");
    const std::string path = dir / "wrapped.bin", huge = dir / "huge.xm";
    ASSERT_TRUE(writeFileBytes(path, wrapped) && writeFileBytes(huge, module));
    std::filesystem::resize_file(huge, maxModuleBytes + 1);
    std::string why;
    ASSERT_TRUE(playerOpenOffline(44100, why));
    EXPECT_TRUE(playerLoadFile(path.c_str(), 100, uint32_t(module.size()), why)) << why;
    const std::tuple<const char*, uint32_t, uint32_t, const char*> cases[] = {  // path, offset, length, cause
        {path.c_str(), 100, uint32_t(wrapped.size()), "is shorter than the"},
        {huge.c_str(), 0, 0, "is larger than 64 MiB"},
        {dir.path().c_str(), 0, 0, "cannot read module"},
        {nullptr, 0, 0, "no module file name"},
    };
    for (const auto& [file, offset, length, cause] : cases) {
        EXPECT_FALSE(playerLoadFile(file, offset, length, why));
        EXPECT_TRUE(why.find(cause) != std::string::npos && why.find('\n') == std::string::npos) << why;
        EXPECT_TRUE(timelineEventCount() == 0 && !playerPlay()) << "a failed load leaves no module behind";
    }
    for (const auto& [bytes, length] : {std::pair<const void*, std::size_t>{nullptr, 100}, {module.data(), 0}}) {
        EXPECT_FALSE(playerLoadMemory(bytes, length, why));
        EXPECT_EQ(why, "no module in memory (null pointer or length 0)");
    }
    playerFree();
}

struct PlannedRow {
    int order, row, ticks, bpm;
    std::vector<std::array<int, 4>> notes;  // {tick of the row, instrument, note, volume}
};

// One event per line: sample, p(osition) n(ote) e(nd), order:row, instrument note volume.
std::string line(uint64_t sample, TimelineKind kind, int order, int row, int instrument = 0, int note = 0, int volume = 0)
{
    char text[80];
    std::snprintf(text, sizeof text, "%llu %c %d:%d %d %d %d\n", (unsigned long long)sample, "pne"[int(kind)], order, row, instrument, note, volume);
    return text;
}

// What a correct player's timeline says for rows played in this order.
std::string planned(const std::vector<PlannedRow>& rows, int endOrder, int endRow)
{
    std::string text;
    uint64_t sample = 0;
    for (const PlannedRow& r : rows) {
        text += line(sample, TimelineKind::position, r.order, r.row);
        for (const auto& [tick, instrument, note, volume] : r.notes)
            text += line(sample + uint64_t(tick) * tickFrames(r.bpm), TimelineKind::noteOn, r.order, r.row, instrument, note, volume);
        sample += uint64_t(r.ticks) * tickFrames(r.bpm);
    }
    return text + line(sample, TimelineKind::end, endOrder, endRow);
}

std::string loaded()
{
    std::string text;
    for (const TimelineEvent* e = timelineEvents(); e && e < timelineEvents() + timelineEventCount(); ++e)
        text += line(e->sample, e->kind, e->order, e->row, e->instrument, e->note, e->volume);
    return text;
}

const std::vector<PlannedRow> featureRows = {
    {0, 0, 6, 125, {{0, 18, 0, 64}, {0, 19, 12, 64}}},  // C-0 and C-1
    {0, 1, 6, 125, {{0, 18, 14, 40}}},                  // D-1 at volume 40
    {0, 2, 6, 125, {{0, 19, 95, 64}}},                  // B-7; the bare note on channel 2 starts nothing
    {0, 3, 6, 125, {{0, 18, 52, 40}}},                  // bare note: instrument 18, volume kept; K00 starts nothing
    {0, 4, 6, 125, {}}, {0, 5, 6, 125, {}},             // key off; the three portamentos
    {0, 6, 6, 125, {{3, 18, 57, 64}}},                  // ED3
    {0, 7, 6, 125, {{0, 19, 41, 64}}},                  // retriggered, one note-on
    {0, 8, 3, 125, {}},
    // ED2 with EE1: one row of 2 x 3 ticks, the note once. libxmp, whose mix is heard, does not
    // repeat a delayed note when its row is delayed, as FT2 and libopenmpt do.
    {0, 9, 6, 150, {{2, 18, 62, 64}}},
    {0, 10, 3, 150, {{0, 18, 60, 64}}},
    {1, 4, 3, 150, {}}, {1, 5, 3, 150, {{0, 19, 26, 64}}}, {1, 6, 3, 150, {}},  // the loop, twice
    {1, 4, 3, 150, {}}, {1, 5, 3, 150, {{0, 19, 26, 64}}}, {1, 6, 3, 150, {}},
    {1, 7, 3, 150, {{0, 18, 28, 64}}}, {2, 0, 3, 150, {{0, 19, 36, 64}}}, {2, 1, 3, 150, {}},
};

// Per user value: the data of each firing and the bound of the delivery that fired it.
std::vector<std::pair<uint32_t, uint64_t>> fired[4];
uint64_t deliveringBefore = 0;
void record(uint32_t, uint32_t data, uint32_t user) { fired[user].push_back({data, deliveringBefore}); }

TEST(Timeline, EventsFallOnTheirTicksAndSyncsFireOnceTheirSampleIsPassedWithTheirDataWords)
{
    const std::tuple<SyncType, uint32_t, std::size_t, uint32_t, uint32_t> syncs[] = {  // type, param; how often it fires, its first and second data
        {SyncType::position, 0x00050001, 2, 0x00050001, 0x00050001},   // 1:5, looped
        {SyncType::instrument, 0xFFFF0012, 7, 0x00400000, 0x0028000E},  // any note of 18: volume high, note low
        {SyncType::instrument, 0x005F0013, 1, 0x0040005F, 0},           // B-7 of 19 only
        {SyncType::end, 0, 1, 0, 0},
    };
    EXPECT_EQ(playerSetSync(SyncType::end, 0, record, 0), 0u) << "no module yet";
    ASSERT_EQ(loadOffline(encodeXm(featureModule())), std::pair(true, std::string()));
    EXPECT_EQ(loaded(), planned(featureRows, 0, 0)) << "the backward jump repeats the song from order 0";
    EXPECT_EQ(playerSetSync(SyncType::end, 0, nullptr, 0) + playerSetSync(SyncType(3), 0, record, 0), 0u) << "no callback, unknown type";
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(playerSetSync(std::get<0>(syncs[i]), std::get<1>(syncs[i]), record, i), i + 1);
    offlineDeliverSyncs(UINT64_MAX);
    std::vector<int16_t> mix(2 * 64, 1);
    EXPECT_TRUE(fired[0].empty() && offlineRender(mix.data(), 64) == 64 && mix == std::vector<int16_t>(2 * 64, 0)) << "nothing fires or sounds before playback";
    ASSERT_TRUE(playerPlay());
    EXPECT_EQ(playerSetSync(SyncType::end, 0, record, 0), 0u) << "already playing";
    for (int i = 0; i < timelineEventCount(); ++i)
        for (uint64_t before : {timelineEvents()[i].sample, timelineEvents()[i].sample + 1})
            offlineDeliverSyncs(deliveringBefore = before);
    for (uint32_t i = 0; i < 4; ++i) {
        const auto [type, param, count, first, second] = syncs[i];
        ASSERT_EQ(fired[i].size(), count) << "sync " << i;
        EXPECT_EQ(fired[i][0].first, first) << "sync " << i;
        EXPECT_EQ(fired[i][count > 1].first, count > 1 ? second : first) << "sync " << i;
    }
    EXPECT_EQ(fired[3][0].second, offlineEndSample() + 1);
    playerFree();
}

// The headers and samples, an ADPCM one of an odd count whose last byte holds one value: libxmp
// reads every value and what follows in place. The timeline and schedule tests read speeds, orders, channels.
TEST(XmWriter, LibxmpReadsBackWhatWasWritten)
{
    XmModule m;
    m.restart = 1, m.orders = {1, 0, 1};
    m.patterns = {blankXmPattern(16, 4), blankXmPattern(32, 4)};
    m.instruments.resize(1);
    m.instruments[0].samples = {{"wide", true, {0, 32767, -32768, 1000, -1000, 0}, XmLoop::pingPong, 1, 4, 48, -16, 64, 12},
                                {"packed", false, {0, 3, 6, 3, -5}}, {"after", false, {1, -2, 3}}};
    m.instruments[0].samples[1].adpcm = true;
    const std::vector<uint8_t> bytes = encodeXm(m);
    xmp_context context = xmp_create_context();
    ASSERT_EQ(xmp_load_module_from_memory(context, bytes.data(), long(bytes.size())), 0);
    xmp_module_info info;
    xmp_get_module_info(context, &info);
    const xmp_module& read = *info.mod;
    const xmp_subinstrument& sub = read.xxi[0].sub[0];
    const xmp_sample& sample = read.xxs[sub.sid];
    EXPECT_EQ(std::vector<int>({read.rst, read.xxp[1]->rows, sub.vol, sub.fin, sub.xpo, sample.len, sample.lps, sample.lpe}),
              std::vector<int>({1, 32, 48, -16, 12, 6, 1, 5}));
    EXPECT_EQ(sample.flg & (XMP_SAMPLE_16BIT | XMP_SAMPLE_LOOP_BIDIR), XMP_SAMPLE_16BIT | XMP_SAMPLE_LOOP_BIDIR);
    const auto* wide = reinterpret_cast<const int16_t*>(sample.data);
    const auto* packed = reinterpret_cast<const int8_t*>(read.xxs[read.xxi[0].sub[1].sid].data);
    const auto* after = reinterpret_cast<const int8_t*>(read.xxs[read.xxi[0].sub[2].sid].data);
    EXPECT_EQ(std::vector<int>(wide, wide + 5), std::vector<int>({0, 32767, -32768, 1000, -1000}));
    EXPECT_EQ(std::vector<int>(packed, packed + 5), std::vector<int>({0, 3, 6, 3, -5}));
    EXPECT_EQ(std::vector<int>(after, after + 3), std::vector<int>({1, -2, 3}));
    xmp_release_module(context);
    xmp_free_context(context);
}
