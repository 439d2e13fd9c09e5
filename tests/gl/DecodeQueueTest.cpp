// Textures fed by the decode queue: shared decodes, failures from a worker,
// and pictures that come out as a Texture reading the file itself makes them.

#include "vornak/DecodeQueue.h"
#include "vornak/Texture.h"

#include "support/GLTest.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <string>

namespace {

using namespace testimg;
using namespace vornak_engine;

class DecodeQueueTest : public GLTest {
protected:
    void TearDown() override { DecodeQueue::setCurrent(nullptr); }

    static GLint internalFormat(GLuint tex)
    {
        GLint format = 0;
        glBindTexture(GL_TEXTURE_2D, tex);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        return format;
    }

    TempDir dir;
};

TEST_F(DecodeQueueTest, QueuedPicturesMatchPicturesReadDirectly)
{
    struct Case {
        const char* label;
        std::string path;
        ImgType type;
    };
    const Case cases[] = {
        {"jpeg", dir.write("a.jpg", encodeJPEG(13, 7, distinct(13, 7, 3))), IMG_JPEG},
        {"png", dir.write("a.png", encodePNG(5, 3, distinct(5, 3, 4), PNG_COLOR_TYPE_RGBA)), IMG_PNG},
        {"grey png", dir.write("g.png", encodePNG(3, 2, distinct(3, 2, 1), PNG_COLOR_TYPE_GRAY)), IMG_PNG},
        {"tga", dir.write("a.tga", tga(2, 5, 3, 24, distinct(5, 3, 3))), IMG_TGA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Texture direct(c.path.c_str(), c.type);
        DecodeQueue queue(2);
        queue.add(c.path.c_str(), c.type);
        DecodeQueue::setCurrent(&queue);
        Texture queued(c.path.c_str(), c.type);
        DecodeQueue::setCurrent(nullptr);
        Texture& d = direct;
        EXPECT_NE(queued.getTexID(), d.getTexID());
        EXPECT_EQ(std::make_pair(queued.getWidth(), queued.getHeight()), std::make_pair(d.getWidth(), d.getHeight()));
        EXPECT_EQ(internalFormat(queued.getTexID()), GL_RGBA);
        EXPECT_EQ(textureImage(queued.getTexID()), textureImage(d.getTexID()));
        GLint swizzle[4] = {0, 0, 0, 0}, directSwizzle[4] = {1, 1, 1, 1};
        glBindTexture(GL_TEXTURE_2D, queued.getTexID());
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
        glBindTexture(GL_TEXTURE_2D, d.getTexID());
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, directSwizzle);
        EXPECT_EQ(std::vector<GLint>(swizzle, swizzle + 4), std::vector<GLint>(directSwizzle, directSwizzle + 4));
    }
}

// Two Textures of one file share one decode: the second still shows the
// picture as it was decoded after the file changed. Once every expected
// Texture has its pixels, a further one reads the file afresh.
TEST_F(DecodeQueueTest, OneDecodeServesEveryTextureOfAFile)
{
    const Pixels red(4 * 4 * 3, 0), blue(4 * 4 * 3, 0);
    Pixels r = red, b = blue;
    for (std::size_t i = 0; i < r.size(); i += 3) {
        r[i] = 255;
        b[i + 2] = 255;
    }
    const std::string path = dir.write("p.png", encodePNG(4, 4, r));
    DecodeQueue queue(1);
    queue.add(path.c_str(), IMG_PNG);
    queue.add(path.c_str(), IMG_PNG);
    DecodeQueue::setCurrent(&queue);
    Texture first(path.c_str(), IMG_PNG);
    dir.write("p.png", encodePNG(4, 4, b));
    Texture second(path.c_str(), IMG_PNG);
    Texture third(path.c_str(), IMG_PNG);
    EXPECT_NE(first.getTexID(), second.getTexID());
    const Pixels redLevel = textureImage(first.getTexID());
    ASSERT_EQ(redLevel.size(), 4u * 4 * 4);
    EXPECT_EQ(redLevel[0], 255);
    EXPECT_EQ(textureImage(second.getTexID()), redLevel);
    const Pixels fresh = textureImage(third.getTexID());
    ASSERT_EQ(fresh.size(), 4u * 4 * 4);
    EXPECT_EQ(fresh[0], 0);
    EXPECT_EQ(fresh[2], 255);
}

// A file that fails on a worker gives its one line, naming it, and its
// Textures stay without an image, as when they read it themselves.
TEST_F(DecodeQueueTest, AFailedDecodeIsOneLineNamingTheFile)
{
    const std::string damaged = dir.write("bad.jpg", "not a jpeg at all");
    const std::string missing = dir.path() + "/missing.png";
    for (const auto& [path, type] : {std::pair{damaged, IMG_JPEG}, {missing, IMG_PNG}}) {
        SCOPED_TRACE(path);
        // The worker may report as soon as the file is queued.
        testing::internal::CaptureStderr();
        DecodeQueue queue(2);
        queue.add(path.c_str(), type);
        queue.add(path.c_str(), type);
        DecodeQueue::setCurrent(&queue);
        Texture first(path.c_str(), type);
        Texture second(path.c_str(), type);
        const std::string said = testing::internal::GetCapturedStderr();
        DecodeQueue::setCurrent(nullptr);
        EXPECT_EQ(said.rfind(path + ": ", 0), 0u) << said;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
        for (Texture* t : {&first, &second}) {
            GLint width = -1;
            glBindTexture(GL_TEXTURE_2D, t->getTexID());
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
            EXPECT_EQ(width, 0);
        }
    }
}

} // namespace
