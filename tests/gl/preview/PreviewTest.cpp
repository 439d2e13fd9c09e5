// The preview on a real context: every frame it draws after seeks, pauses and
// keys is the frame an uninterrupted 60 fps run draws at that time.

#include "app/preview/Preview.h"
#include "demo/Christmas.h"
#include "support/GLTest.h"
#include "support/ShowFixture.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <unistd.h>
#include <vector>

namespace {

using Frame = std::vector<std::uint8_t>;

// One frame in each scene window (the candy's three), as frame numbers of the 60 fps run.
const long kProbes[] = {60, 228, 540, 660, 840, 900, 990, 1140, 1260};

class PreviewTest : public GLTest {
protected:
    static void SetUpTestSuite()
    {
        GLTest::SetUpTestSuite();
        demo = loadShowFromSource(kWidth, kHeight);
        ASSERT_NE(demo, nullptr);
        core = loadCoreFromSource(kWidth, kHeight).release();
        ASSERT_NE(core, nullptr);
    }

    void SetUp() override
    {
        GLTest::SetUp();
        glEnable(GL_DEPTH_TEST);
    }

    static Frame drawn(Preview& preview)
    {
        preview.draw(kWidth, kHeight);
        return frame();
    }

    // The reference run is the show made in code; the preview plays show.toml.
    static inline Christmas* demo = nullptr;
    static inline ShowCore* core = nullptr;
};

TEST_F(PreviewTest, SeeksGiveTheUninterruptedRunsFrameWhereverTheyComeFrom)
{
    // Every frame of a 60 fps run from the first; frames not kept go into one pixel, the state moves on.
    std::map<long, Frame> reference;
    for (long k = 0; k <= kProbes[std::size(kProbes) - 1]; ++k) {
        const bool kept = std::find(std::begin(kProbes), std::end(kProbes), k) != std::end(kProbes);
        glViewport(0, 0, kept ? kWidth : 1, kept ? kHeight : 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        demo->show(static_cast<double>(k) / 60.0);
        if (kept)
            reference[k] = frame();
    }
    glViewport(0, 0, kWidth, kHeight);
    Preview preview(*core, nullptr, 0, 0);
    preview.togglePause(0);
    for (double from : {0.0, 16.0, 20.0}) { // to 15 s from before, inside and after the candy
        SCOPED_TRACE(from);
        preview.seek(from);
        preview.draw(kWidth, kHeight); // whatever state the scenes carry from there
        preview.seek(15);
        EXPECT_TRUE(drawn(preview) == reference[900]) << "the frame depends on where the seek came from";
    }
    // Every scene window backwards, then forwards between two frames: the earlier one shows.
    const std::size_t n = std::size(kProbes);
    for (std::size_t i = 0; i < 2 * n; ++i) {
        const long probe = kProbes[i < n ? n - 1 - i : i - n];
        SCOPED_TRACE(probe);
        preview.seek(static_cast<double>(probe) / 60.0 + (i < n ? 0 : 0.008));
        EXPECT_TRUE(drawn(preview) == reference[probe]);
    }
}

TEST_F(PreviewTest, KeysMoveTheClockAsTheyPromise)
{
    Preview preview(*core, nullptr, 15, 0);
    ASSERT_TRUE(preview.key(SDLK_SPACE, KMOD_NONE, 0)); // paused from here on
    const long after16_7 = PreviewClock::frameAfter(16.7);
    struct Step { SDL_Keycode key; Uint16 mod; long frameAfter; double speed = 1; };
    // A second or, with either shift, a tenth right and left; page down to the church's first frame and the
    // second wipe's; page up back to the church and on to the candy; home; double, then half the speed twice.
    const Step steps[] = {{SDLK_RIGHT, KMOD_NONE, 960}, {SDLK_RIGHT, KMOD_LSHIFT, 966}, {SDLK_LEFT, KMOD_NONE, 906},
                          {SDLK_LEFT, KMOD_RSHIFT, 900}, {SDLK_PAGEDOWN, KMOD_NONE, after16_7},
                          {SDLK_PAGEDOWN, KMOD_NONE, PreviewClock::frameAfter(20.3)},
                          {SDLK_PAGEUP, KMOD_NONE, after16_7}, {SDLK_PAGEUP, KMOD_NONE, PreviewClock::frameAfter(13)},
                          {SDLK_HOME, KMOD_NONE, 0}, {SDLK_RIGHTBRACKET, KMOD_NONE, 0, 2},
                          {SDLK_LEFTBRACKET, KMOD_NONE, 0, 1}, {SDLK_LEFTBRACKET, KMOD_NONE, 0, 0.5}};
    for (const Step& s : steps) {
        SCOPED_TRACE(&s - steps);
        ASSERT_TRUE(preview.key(s.key, s.mod, 0));
        EXPECT_EQ(preview.clock().frame(), s.frameAfter);
        EXPECT_EQ(preview.clock().speed(), s.speed);
        EXPECT_TRUE(preview.clock().paused()) << "a seek must not start playing";
    }
    preview.seek(14);
    preview.key(SDLK_l, KMOD_NONE, 0);
    ASSERT_TRUE(preview.clock().loop().has_value()) << "the candy, not the overlay that also spans 14 s";
    EXPECT_EQ(std::pair(preview.clock().loop()->from, preview.clock().loop()->to), std::pair(13.0, 16.7));
    preview.key(SDLK_l, KMOD_NONE, 0);
    EXPECT_FALSE(preview.clock().loop().has_value());
    EXPECT_FALSE(preview.key(SDLK_ESCAPE, KMOD_NONE, 0));
}

TEST_F(PreviewTest, PausedFramesAndTheMusicStandStill)
{
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError(); // the dummy driver under ctest
    ASSERT_EQ(Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 2048), 0) << Mix_GetError();
    Mix_Music* music = Mix_LoadMUS(VORNAK_FIXTURES "/long.mp3");
    ASSERT_NE(music, nullptr) << Mix_GetError();
    const auto now = [] { return SDL_GetTicks() / 1000.0; };
    // The fixture track is 8 s long: the candy is out of its reach, the title and wipe are not.
    Preview preview(*core, music, 3.5, now());
    // However slowly the audio thread is served beside other tests.
    for (const double until = now() + 30; preview.clock().time() <= 3.6 && now() < until; preview.frame(now(), kWidth, kHeight))
        usleep(50000);
    EXPECT_GT(preview.clock().time(), 3.6) << "playing at 1x moves with the music";
    EXPECT_GT(preview.music().position(), 3.6);
    preview.key(SDLK_SPACE, KMOD_NONE, now());
    EXPECT_FALSE(preview.music().audible());
    const double position = Mix_GetMusicPosition(music);
    preview.frame(now(), kWidth, kHeight);
    const Frame first = frame();
    const double time = preview.clock().time();
    usleep(1000000);
    preview.frame(now(), kWidth, kHeight);
    EXPECT_TRUE(frame() == first) << "a paused preview changed its picture";
    EXPECT_EQ(preview.clock().time(), time);
    EXPECT_EQ(Mix_GetMusicPosition(music), position) << "the music moved while paused";
    // A seek while paused moves the music with it; play resumes from there.
    preview.seek(5);
    const double resumed = now();
    preview.key(SDLK_SPACE, KMOD_NONE, resumed);
    const double playing = Mix_GetMusicPosition(music);
    // Played on from 5 s: at most the time since, and a buffer or two the device took ahead.
    EXPECT_GE(playing, 5.0 - 0.001);
    EXPECT_LE(playing, 5.0 + (now() - resumed) + 2 * 2048 / 44100.0 + 0.01);
    // Away from 1x the music is silent, the picture runs on.
    preview.key(SDLK_RIGHTBRACKET, KMOD_NONE, now());
    EXPECT_FALSE(preview.music().audible());
    Mix_HaltMusic();
    Mix_FreeMusic(music);
    Mix_CloseAudio();
}

} // namespace
