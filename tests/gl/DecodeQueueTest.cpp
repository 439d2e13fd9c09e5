#include "vornak/DecodeQueue.h"
#include "vornak/Texture.h"

#include "support/GLTest.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <string>
#include <vector>

namespace {

using namespace testimg;
using namespace vornak_engine;

class DecodeQueueTest : public GLTest {
protected:
    void TearDown() override { DecodeQueue::setCurrent(nullptr); }
    TempDir dir;
};

// Two queued Textures of one file share one decode, made before the file changed, and hold what a direct read
// gives (swizzle too); a third, not queued for, reads the file afresh. The show's JPEGs and PNG: StagedPicturesTest.
TEST_F(DecodeQueueTest, OneDecodeServesEveryQueuedTextureOfAFileAsADirectReadWould)
{
    const std::pair<std::string, ImgType> cases[] = {
        {dir.write("g.png", encodePNG(3, 2, distinct(3, 2, 1), PNG_COLOR_TYPE_GRAY)), IMG_PNG},
        {dir.write("a.tga", tga(2, 5, 3, 24, distinct(5, 3, 3))), IMG_TGA},
    };
    auto swizzleOf = [](GLuint tex) {
        std::vector<GLint> swizzle(4, 0);
        glBindTexture(GL_TEXTURE_2D, tex);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle.data());
        return swizzle;
    };
    for (const auto& [path, type] : cases) {
        SCOPED_TRACE(path);
        Texture direct(path.c_str(), type);
        DecodeQueue queue(1);
        queue.add(path.c_str(), type);
        queue.add(path.c_str(), type);
        DecodeQueue::setCurrent(&queue);
        Texture first(path.c_str(), type);
        dir.write(path.substr(dir.path().size() + 1), type == IMG_PNG ? encodePNG(1, 1, {7}, PNG_COLOR_TYPE_GRAY)
                                                                     : tga(2, 1, 1, 24, {1, 2, 3}));
        Texture second(path.c_str(), type);
        Texture third(path.c_str(), type);
        DecodeQueue::setCurrent(nullptr);
        EXPECT_NE(first.getTexID(), second.getTexID());
        for (Texture* t : {&first, &second}) {
            EXPECT_NE(t->getTexID(), direct.getTexID());
            EXPECT_EQ(std::make_pair(t->getWidth(), t->getHeight()),
                      std::make_pair(direct.getWidth(), direct.getHeight()));
            EXPECT_EQ(textureImage(t->getTexID()), textureImage(direct.getTexID()));
            EXPECT_EQ(swizzleOf(t->getTexID()), swizzleOf(direct.getTexID()));
        }
        EXPECT_EQ(third.getWidth(), 1) << "the changed file, read afresh";
    }
}

// A file that fails on a worker gives one line naming it; its Textures stay without an image.
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
        for (Texture* t : {&first, &second})
            EXPECT_TRUE(textureImage(t->getTexID()).empty());
    }
}

} // namespace
