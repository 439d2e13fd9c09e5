#include "vornak/DecodeQueue.h"
#include "vornak/Texture.h"

#include "support/GLTest.h"
#include "support/ImageFiles.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace testimg;
using namespace vornak_engine;

class PhotoTextureTest : public GLTest {
protected:
    void TearDown() override { DecodeQueue::setCurrent(nullptr); }

    // Runs a converter from Debian's libheif-examples or webp (scripts/install-deps installs both).
    std::string convert(const std::string& command, const std::string& out)
    {
        int status = -1;
        shell(command + " >/dev/null 2>&1", &status);
        EXPECT_EQ(status, 0) << command << " failed: are libheif-examples and webp installed?";
        return out;
    }

    // Level 0 and its size.
    static std::tuple<Pixels, int, int> levelOf(Texture& texture)
    {
        int w = 0, h = 0;
        Pixels level = textureImage(texture.getTexID(), &w, &h);
        return {level, w, h};
    }

    TempDir dir;
};

// 64x48, smooth like a photo, with a dark mark at the top left and a half-transparent band at the bottom.
Pixels photo(int channels)
{
    Pixels p;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool mark = x < 12 && y < 12;
            p.insert(p.end(), {std::uint8_t(mark ? 20 : 60 + x * 3), std::uint8_t(mark ? 20 : 40 + y * 4),
                               std::uint8_t(mark ? 20 : 200 - x - y)});
            if (channels == 4)
                p.push_back(y >= 40 ? 128 : 255);
        }
    return p;
}

double meanDifference(const Pixels& a, const Pixels& b)
{
    if (a.size() != b.size() || a.empty())
        return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(a.size());
}

// HEIC and WebP made by Debian's own encoders draw as the PNG they were made from, within the codec's
// loss, whole and within a limit, whatever the name says; the same within a limit as the PNG reduced.
TEST_F(PhotoTextureTest, HeicAndWebpDrawAsThePngTheyWereMadeFrom)
{
    const std::string png = dir.write("src.png", encodePNG(64, 48, photo(3)));
    const std::string alpha = dir.write("alpha.png", encodePNG(64, 48, photo(4), PNG_COLOR_TYPE_RGBA));
    const std::string d = dir.path() + "/";
    const std::string heic = convert("heif-enc -q 90 '" + png + "' -o '" + d + "a.heic'", d + "a.heic");
    const std::string lossy = convert("cwebp -q 90 '" + png + "' -o '" + d + "a.webp'", d + "a.webp");
    const std::string lossless = convert("cwebp -lossless '" + alpha + "' -o '" + d + "b.webp'", d + "b.webp");
    const std::string disguised = dir.copy(heic, "phone.jpg"); // a HEIC under a JPEG's name
    const struct {
        const char* label;
        std::string path, source;
        double tolerance; // mean per channel
    } cases[] = {
        {"heic", heic, png, 3.0},
        {"heic named .jpg", disguised, png, 3.0},
        {"lossy webp", lossy, png, 3.0},
        {"lossless webp with alpha", lossless, alpha, 0.0},
    };
    for (const auto& c : cases) {
        for (const SizeLimit& limit : {SizeLimit(), SizeLimit{32, 32, Fit::Contain}}) {
            SCOPED_TRACE(std::string(c.label) + (limit.none() ? ", whole" : ", within 32x32"));
            testing::internal::CaptureStderr();
            Texture picture(c.path.c_str(), IMG_AUTO, limit), reference(c.source.c_str(), IMG_PNG, limit);
            EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
            const auto [got, w, h] = levelOf(picture);
            const auto [want, rw, rh] = levelOf(reference);
            const int wantWidth = limit.none() ? 64 : 32;
            EXPECT_EQ(std::make_tuple(w, h, picture.getWidth(), picture.getHeight(), rw),
                      std::make_tuple(wantWidth, wantWidth * 3 / 4, wantWidth, wantWidth * 3 / 4, wantWidth));
            // The lossless file is exact whole; scaled, libwebp's averaging and ours round apart by a little.
            EXPECT_LE(meanDifference(got, want), c.tolerance + (limit.none() ? 0.0 : 1.5));
        }
    }
}

// A texture within a limit reads through the decode queue as directly, apart from the same file without
// one; a reload keeps the limit; a header asking too much leaves the missing picture's bare name.
TEST_F(PhotoTextureTest, ALimitedTextureStaysWithinItsLimitThroughTheQueueAndReloads)
{
    const std::string path = dir.write("p.jpg", encodeJPEG(64, 48, photo(3)));
    const SizeLimit limit{16, 16, Fit::Cover};
    DecodeQueue queue(1);
    queue.add(path.c_str(), IMG_AUTO, limit);
    queue.add(path.c_str(), IMG_JPEG);
    DecodeQueue::setCurrent(&queue);
    Texture limited(path.c_str(), IMG_AUTO, limit), whole(path.c_str(), IMG_JPEG);
    std::shared_ptr<const DecodedImage> left;
    EXPECT_FALSE(queue.take(path.c_str(), IMG_AUTO, limit, left)) << "the limited Texture took its own decode";
    EXPECT_FALSE(queue.take(path.c_str(), IMG_JPEG, left)) << "and the whole one its own";
    DecodeQueue::setCurrent(nullptr);
    Texture direct(path.c_str(), IMG_AUTO, limit);
    EXPECT_EQ(std::get<1>(levelOf(limited)), 21);
    EXPECT_EQ(std::get<1>(levelOf(whole)), 64);
    EXPECT_EQ(levelOf(limited), levelOf(direct));
    // One level, linear: the reduced picture samples as any other.
    GLint filter = 0, levels = -1;
    glBindTexture(GL_TEXTURE_2D, limited.getTexID());
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &levels);
    EXPECT_EQ(std::make_pair(filter, levels), std::make_pair(GLint(GL_LINEAR), 0));

    dir.write("p.jpg", encodeJPEG(128, 32, distinct(128, 32, 3)));
    ASSERT_TRUE(limited.reload(path.c_str(), IMG_AUTO));
    EXPECT_EQ(std::make_pair(limited.getWidth(), limited.getHeight()), std::make_pair(64, 16));

    std::string huge = encodeJPEG(8, 8, distinct(8, 8, 3));
    const std::size_t frame = huge.find("\xFF\xC0");
    huge.replace(frame + 5, 4, "\xEA\x60\xEA\x60", 4); // 60000x60000
    const std::string hostile = dir.write("huge.jpg", huge);
    testing::internal::CaptureStderr();
    Texture refused(hostile.c_str(), IMG_AUTO, limit);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              hostile + ": 60000x60000 picture has 3600.0 megapixels, more than the 100-megapixel limit\n");
    EXPECT_FALSE(glIsTexture(refused.getTexID())) << "generated but never bound, as for a missing picture";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
