// The whole demo with the generated data: the real binary under a private Xvfb, with the
// build folder as working directory (its Data/ is the generated one). It must end by itself,
// with status 0, at order 17 row 16, before the song's own end that the ring-out puts ten
// seconds later.
//
// SDL's audio drivers without a device pace themselves with sleeps and fall behind the wall
// clock under load, so time alone cannot tell the two ends apart. The disk driver's output
// can: it holds exactly the frames the demo took from the player before it exited.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "tests/data/songFile.h"
#include "tests/overlays/demoRun.h"

namespace {

struct DemoRun {
    int status;
    double seconds;
};

DemoRun runDemo(int timeoutSeconds)
{
    const auto start = std::chrono::steady_clock::now();
    const int status = waitDemo(startDemo(STROBARIUM_BINARY_DIR, timeoutSeconds));
    return {status, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
}

class GeneratedDemo : public ::testing::Test {
protected:
    void SetUp() override
    {
        song = playSong(generatedSong);
        ASSERT_TRUE(song.loaded);
        for (const RowStart& r : song.rows)
            if (r.order == 17 && r.row == 16) accentSample = r.sample;
        ASSERT_GT(accentSample, 0u);
        // Twice the song's length leaves room for a slow audio clock and slow frames.
        timeout = static_cast<int>(2 * song.endSample / 44100) + 30;
    }
    SongPlay song;
    uint64_t accentSample = 0;
    int timeout = 0;
};

TEST_F(GeneratedDemo, PlaysTheWholeSongWithDummyAudioAndExitsByItself)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const DemoRun run = runDemo(timeout);
    std::printf("dummy audio: the demo ran %.1f s; order 17 row 16 is %.1f s into the song\n", run.seconds,
                accentSample / 44100.0);
    EXPECT_EQ(run.status, 0) << "124: still running after " << timeout << " s";
    EXPECT_GT(run.seconds, accentSample / 44100.0);
}

TEST_F(GeneratedDemo, StopsAtOrderSeventeenRowSixteenNotAtTheSongsEnd)
{
    char pattern[] = "/tmp/strobarium-audio-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    const std::string output = std::string(pattern) + "/out.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    const DemoRun run = runDemo(timeout);
    std::error_code error;
    const uint64_t frames = std::filesystem::file_size(output, error) / 4;  // stereo, 16-bit
    std::filesystem::remove_all(pattern, error);
    std::printf("disk audio: %.2f s of sound taken in %.1f s; order 17 row 16 at %.2f s, the end at %.2f s\n",
                frames / 44100.0, run.seconds, accentSample / 44100.0, song.endSample / 44100.0);
    EXPECT_EQ(run.status, 0) << "124: still running after " << timeout << " s";
    EXPECT_GE(frames, accentSample);
    EXPECT_LT(frames, song.endSample) << "the demo played on to the song's end";
}

}  // namespace
