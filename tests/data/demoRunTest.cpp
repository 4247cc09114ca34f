// The whole demo with the generated data: the real binary under a private Xvfb, SDL's
// dummy audio, the build folder as working directory (its Data/ is the generated one).
// It must end by itself, with status 0, at order 17 row 16: after the time that position
// takes to arrive and before the song's own end, which the ring-out puts seconds later.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/data/songFile.h"
#include "tests/overlays/demoRun.h"

namespace {

TEST(GeneratedDemo, PlaysToOrderSeventeenRowSixteenAndExitsByItself)
{
    const SongPlay song = playSong(generatedSong);
    ASSERT_TRUE(song.loaded);
    double accentSeconds = -1;
    for (const RowStart& r : song.rows)
        if (r.order == 17 && r.row == 16) accentSeconds = r.sample / 44100.0;
    ASSERT_GT(accentSeconds, 0);
    const double endSeconds = song.endSample / 44100.0;

    const auto start = std::chrono::steady_clock::now();
    const int status = waitDemo(startDemo(STROBARIUM_BINARY_DIR, static_cast<int>(endSeconds) + 60));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("demo ran %.1f s; order 17 row 16 is %.1f s into the song, its end %.1f s\n", seconds,
                accentSeconds, endSeconds);
    EXPECT_EQ(status, 0) << "124 means it was still running at the timeout";
    EXPECT_GT(seconds, accentSeconds);
    EXPECT_LT(seconds, endSeconds) << "ended with the song, not at its last accent";
}

}  // namespace
