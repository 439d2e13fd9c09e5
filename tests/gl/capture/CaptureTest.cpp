// The capture path on a real context: replay to any time, the offscreen letterbox, frames read back in order.

#include "app/capture/FramePipeline.h"
#include "app/capture/OffscreenTarget.h"
#include "app/capture/PngFrames.h"
#include "demo/Presentation.h"
#include "demo/CandyScene.h"
#include "demo/Christmas.h"
#include "support/GLTest.h"
#include "support/ShowFixture.h"
#include "support/TempDir.h"

#include "vornak/ImageDecoder.h"

#include <algorithm>
#include <unistd.h>
#include <vector>

namespace {

class Capture : public GLTest {
protected:
    static void SetUpTestSuite()
    {
        GLTest::SetUpTestSuite();
        demo = loadShowFromSource(kWidth, kHeight);
        ASSERT_NE(demo, nullptr);
        for (vornak_engine::Scene* scene : demo->scenes)
            candy = candy ? candy : dynamic_cast<CandyScene*>(scene);
        ASSERT_NE(candy, nullptr);
    }

    static std::vector<float> zoom() { return std::vector<float>(candy->matrix.m, candy->matrix.m + 16); }
    static inline Christmas* demo = nullptr;
    static inline CandyScene* candy = nullptr;
};

// What the sink is handed, copied as it arrives.
struct Recorder : FrameSink {
    explicit Recorder(std::size_t bytes, std::size_t failAfter = SIZE_MAX) : bytes(bytes), failAfter(failAfter) {}
    bool write(const unsigned char* rgba) override
    {
        frames.emplace_back(rgba, rgba + bytes);
        return frames.size() < failAfter;
    }
    bool finish() override { return true; }
    void abandon() override {}

    std::size_t bytes, failAfter;
    std::vector<std::vector<unsigned char>> frames;
};

TEST_F(Capture, ReplayEqualsAnUninterruptedRunToTheBit)
{
    glViewport(0, 0, 8, 8); // only the zoom's state matters here; keep the rasteriser's work small
    for (double fps : {24.0, 60.0}) {
        demo->replayTo(0, fps); // then every frame from the start, drawn through the timeline
        std::vector<std::pair<double, std::vector<float>>> checkpoints;
        for (long k = 0; static_cast<double>(k) / fps < 17.0; ++k) {
            const double t = static_cast<double>(k) / fps;
            if (k % 37 == 0 || t == 13.0 || std::abs(t - 16.7) < 1.0 / fps)
                checkpoints.emplace_back(t, zoom());
            demo->show(t);
        }
        EXPECT_GT(zoom()[0], 1.05f);
        // Jumps in any order, forwards and back, land on the run's state.
        for (auto it = checkpoints.rbegin(); it != checkpoints.rend(); ++it) {
            SCOPED_TRACE("fps " + std::to_string(fps) + ", t " + std::to_string(it->first));
            demo->replayTo(it->first, fps);
            ASSERT_EQ(zoom(), it->second);
        }
    }
}

TEST_F(Capture, LetterboxOnAnOffscreenFrame)
{
    struct Case { int width, height; bool stretch; int barLeft, barBottom; }; // bar widths in pixels
    for (const Case& c : {Case{240, 100, false, 31, 0}, Case{160, 120, false, 0, 15}, Case{240, 100, true, 0, 0},
                          Case{160, 90, false, 0, 0}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + (c.stretch ? " stretched" : ""));
        glEnable(GL_DEPTH_TEST);
        OffscreenTarget target(c.width, c.height);
        ASSERT_EQ(target.error(), "");
        target.bind();
        glClearColor(1, 0, 1, 1); // bars left uncleared would show magenta
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
        Presentation(c.stretch).begin(c.width, c.height);
        demo->show(11); // the toys: a bright picture with no black in it
        std::vector<unsigned char> px(static_cast<std::size_t>(c.width) * c.height * 4);
        glReadPixels(0, 0, c.width, c.height, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, kWidth, kHeight);
        const auto dark = [&](int x, int y) {
            const unsigned char* p = &px[(static_cast<std::size_t>(y) * c.width + x) * 4];
            return p[0] + p[1] + p[2] < 10;
        };
        // Bars black on both sides, the picture right up to them: probes at the edges and either side of each bar.
        const auto probes = [](int bar, int size) {
            return std::vector<int>{0, std::max(bar - 1, 0), bar + 1, size / 2, size - bar - 2, size - bar - (bar == 0),
                                    size - 1};
        };
        for (int y : probes(c.barBottom, c.height)) {
            for (int x : probes(c.barLeft, c.width))
                EXPECT_EQ(dark(x, y), x < c.barLeft || x >= c.width - c.barLeft || y < c.barBottom ||
                                          y >= c.height - c.barBottom) << x << "," << y;
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Capture, PipelineHandsOverEveryFrameInOrderAndStopsAtAFailingSink)
{
    const int w = 64, h = 32;
    const std::size_t bytes = static_cast<std::size_t>(w) * h * 4;
    OffscreenTarget target(w, h);
    ASSERT_EQ(target.error(), "");
    target.bind();
    glViewport(0, 0, w, h);
    for (Readback mode : {Readback::PixelBuffers, Readback::Plain}) {
        SCOPED_TRACE(mode == Readback::Plain ? "plain" : "pixel buffers");
        for (int frames : {1, 2, 3, 7}) {
            SCOPED_TRACE(frames);
            Recorder sink(bytes);
            FramePipeline pipeline(w, h, sink, mode);
            glEnable(GL_SCISSOR_TEST);
            for (int k = 0; k < frames; ++k) { // frame k: k in the bottom half's red, 200 in the top half's green
                for (const int half : {0, 1}) {
                    glScissor(0, half * h / 2, w, h / 2);
                    glClearColor(half ? 0 : k / 255.0f, half ? 200 / 255.0f : 0, 0, 1);
                    glClear(GL_COLOR_BUFFER_BIT);
                }
                ASSERT_TRUE(pipeline.push());
            }
            glDisable(GL_SCISSOR_TEST);
            EXPECT_TRUE(pipeline.finish());
            ASSERT_EQ(sink.frames.size(), static_cast<std::size_t>(frames));
            for (int k = 0; k < frames; ++k) {
                const auto& f = sink.frames[static_cast<std::size_t>(k)];
                EXPECT_EQ(f[0], k) << "first row, the bottom one, of frame " << k;
                EXPECT_EQ(f[(static_cast<std::size_t>(h - 1) * w) * 4 + 1], 200) << "last row, the top one";
            }
        }
        Recorder failing(bytes, 2);
        FramePipeline pipeline(w, h, failing, mode);
        bool ok = true;
        for (int k = 0; k < 10 && ok; ++k)
            ok = pipeline.push();
        EXPECT_FALSE(ok && pipeline.finish());
        EXPECT_LE(failing.frames.size(), 2u) << "frames after a failure must not reach the sink";
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Capture, TooLargeAFrameIsRefusedWithTheLimit)
{
    const int limit = OffscreenTarget::maxSize();
    ASSERT_GT(limit, 1000);
    for (const auto& [w, h] : {std::pair{limit + 1, 16}, std::pair{16, limit + 1}, std::pair{0, 16}})
        EXPECT_NE(OffscreenTarget(w, h).error().find(std::to_string(limit)), std::string::npos) << w << "x" << h;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(PngFrames, WrittenUprightAndNumbered)
{
    TempDir dir;
    const int w = 3, h = 2;
    // Bottom row first, as GL reads: bottom red, top blue; alpha is dropped.
    const unsigned char rgba[] = {255, 0, 0, 7, 255, 0, 0, 7, 255, 0, 0, 7, 0, 0, 255, 9, 0, 0, 255, 9, 0, 0, 255, 9};
    PngFrames frames(dir.path() + "/f%03d.png", true, w, h);
    ASSERT_TRUE(frames.write(rgba));
    ASSERT_TRUE(frames.write(rgba));
    ASSERT_TRUE(frames.finish());
    vornak_engine::DecodedImage image;
    ASSERT_TRUE(vornak_engine::decodePNG((dir.path() + "/f001.png").c_str(), image));
    ASSERT_EQ(image.format, static_cast<unsigned>(GL_RGB));
    // The decoder hands rows bottom-up too: the same picture came back.
    const std::vector<unsigned char> bottomUpRgb{255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255};
    EXPECT_EQ(std::vector<unsigned char>(image.pixels, image.pixels + image.size), bottomUpRgb);
    frames.abandon();
    EXPECT_EQ(access((dir.path() + "/f000.png").c_str(), F_OK), -1) << "an abandoned sequence leaves nothing";
    EXPECT_EQ(access((dir.path() + "/f001.png").c_str(), F_OK), -1);
    EXPECT_EQ(writePng("/nonexistent-folder/x.png", rgba, w, h).find("cannot create"), 0u);
}

} // namespace
