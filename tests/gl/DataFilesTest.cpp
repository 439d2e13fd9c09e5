// The show's files: every picture loads through our readers at its size; the music is as long as the schedule.

#include "vornak/Texture.h"
#include "support/GLTest.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace vornak_engine;

std::string data(const char* file) { return std::string(VORNAK_SOURCE_DIR) + "/data/" + file; }

class DataFiles : public GLTest {};

TEST_F(DataFiles, PicturesLoadAtTheirSizes)
{
    // The full-screen pictures are 1920x1080.
    const std::pair<const char*, ImgType> cases[] = {{"christmas.jpg", IMG_JPEG}, {"easter.jpg", IMG_JPEG},
                                                     {"toys.jpg", IMG_JPEG},      {"candy.jpg", IMG_JPEG},
                                                     {"religion.jpg", IMG_JPEG},  {"title.png", IMG_PNG}};
    for (const auto& [file, kind] : cases) {
        SCOPED_TRACE(file);
        testing::internal::CaptureStderr();
        Texture texture(data(file).c_str(), kind);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        int w = 0, h = 0;
        const std::vector<std::uint8_t> bytes = textureImage(texture.getTexID(), &w, &h);
        EXPECT_EQ(std::make_pair(w, h), std::make_pair(1920, 1080));
        if (kind != IMG_PNG)
            continue;
        // Most of the title lets the picture below show; its letters are opaque.
        const auto share = [&](int alpha) {
            std::size_t n = 0;
            for (std::size_t i = 3; i < bytes.size(); i += 4)
                n += bytes[i] == alpha;
            return static_cast<double>(n) / (1920.0 * 1080);
        };
        EXPECT_GT(share(0), 0.5);
        EXPECT_GT(share(255), 0.01);
    }
    // The overlay picture is shaped for its 0.25 x 0.18 corner of a 16:9 screen.
    Texture skipAd(data("skipad.jpg").c_str(), IMG_JPEG);
    const double aspect = static_cast<double>(skipAd.getWidth()) / skipAd.getHeight();
    EXPECT_NEAR(aspect, (0.25 * 16) / (0.18 * 9), 0.15);
}

TEST(DataMusic, PlaysTwentyThreeToTwentyFiveSeconds)
{
    SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 2048), 0) << Mix_GetError();
    Mix_Music* music = Mix_LoadMUS(data("zararorad.mp3").c_str());
    ASSERT_NE(music, nullptr) << Mix_GetError();
    EXPECT_GE(Mix_MusicDuration(music), 23.0);
    EXPECT_LE(Mix_MusicDuration(music), 25.0);
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

} // namespace
