// The show with its pictures in stages draws every frame as the show loaded whole does.

#include "demo/Christmas.h"
#include "demo/ShowCore.h"
#include "vornak/DecodeQueue.h"

#include "support/GLTest.h"
#include "support/ShowFixture.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Demos made in code are never deleted; kept here they stay reachable for leak checkers.
std::vector<Christmas*>& kept = *new std::vector<Christmas*>;

std::mutex decodedMutex;
std::vector<std::string> decodedOrder;

// Holds the toys back long enough that their scene's first frame must wait.
void holdBackToys(const std::string& path)
{
    const std::string name = std::filesystem::path(path).filename().string();
    std::unique_lock<std::mutex> lock(decodedMutex);
    decodedOrder.push_back(name);
    lock.unlock();
    if (name == "toys.jpg")
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
}

// The show's constructor sets its own clear colour and depth test.
class StagedPicturesTest : public GLTest {
protected:
    void TearDown() override { vornak_engine::DecodeQueue::setDecodeHook(nullptr); }

    static std::vector<std::uint8_t> frameAt(Christmas& demo, double t)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        demo.show(t);
        return frame();
    }
    static std::vector<std::uint8_t> frameAt(ShowCore& core, double t)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        core.frame(t, kWidth, kHeight);
        return frame();
    }
};

TEST_F(StagedPicturesTest, TheTitleComesFirstAndEveryScenesFirstFrameHasItsPictures)
{
    Christmas* whole = loadShowFromSource(kWidth, kHeight);
    ASSERT_NE(whole, nullptr);
    kept.push_back(whole);
    vornak_engine::DecodeQueue::setDecodeHook(holdBackToys);
    auto staged = loadCoreFromSource(kWidth, kHeight, true);
    ASSERT_NE(staged, nullptr);
    // One texture per picture file, however many scenes draw it.
    EXPECT_EQ(staged->show().resources().pictureCount(), 7u);
    EXPECT_EQ(staged->show().picturesWaiting().size(), 7u) << "nothing is uploaded before the first frame";

    // The title's frame uploads the title's two pictures and nothing more.
    EXPECT_TRUE(frameAt(*staged, 1.0 / 60) == frameAt(*whole, 1.0 / 60));
    EXPECT_EQ(staged->show().picturesWaiting().size(), 5u);
    // Each scene's first frame in order; the toys' waits for its held-back decode. None draws black or stale.
    const std::pair<const char*, int> scenes[] = {{"first wipe", 157}, {"overlay", 481}, {"toys", 601},
                                                  {"candy", 781},      {"church", 1003}, {"second wipe", 1219}};
    for (const auto& [scene, frameNumber] : scenes) {
        SCOPED_TRACE(scene);
        // The frame before queues what is due (as every shell's frames do), but uploads nothing not yet decoded.
        staged->workLater((frameNumber - 1) / 60.0);
        EXPECT_TRUE(frameAt(*staged, frameNumber / 60.0) == frameAt(*whole, frameNumber / 60.0))
            << "differs from the show loaded whole";
    }
    EXPECT_EQ(staged->show().picturesWaiting().size(), 0u);
    // Decoded in the schedule's order, each file once.
    std::lock_guard<std::mutex> lock(decodedMutex);
    const std::vector<std::string> order = {"christmas.jpg", "title.png", "easter.jpg", "skipad.jpg",
                                            "toys.jpg",      "candy.jpg", "religion.jpg"};
    EXPECT_EQ(decodedOrder, order);
}

TEST_F(StagedPicturesTest, BetweenFramesTheRestComesInTheSchedulesOrder)
{
    ASSERT_EQ(chdir(VORNAK_SOURCE_DIR), 0);
    auto staged = loadCoreFromSource(kWidth, kHeight, true);
    ASSERT_NE(staged, nullptr);
    frameAt(*staged, 1.0 / 60);
    // Near the first wipe its picture is waited for, one per call, even with no threads to decode ahead.
    std::vector<vornak_engine::Texture*> before = staged->show().picturesWaiting();
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(staged->show().resources().pathOf(before.front()), "data/easter.jpg");
    EXPECT_TRUE(staged->workLater(2.0));
    EXPECT_EQ(staged->show().picturesWaiting().size(), before.size() - 1);
    // The rest come as their decodes finish; the church's light follows them.
    for (int call = 0; call < 2000 && staged->workLater(2.0); ++call)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(staged->show().picturesWaiting().size(), 0u);
    EXPECT_FALSE(staged->workLater(2.0));
}

// A shell whose files arrive while the show plays (the web page) asks for them
// in the order drawn, holds a frame whose files are not there, and uploads
// each as it comes.
TEST_F(StagedPicturesTest, FilesArrivingWhileItPlaysComeInTheOrderDrawnAndEachFrameNamesItsOwn)
{
    Christmas* whole = loadShowFromSource(kWidth, kHeight);
    ASSERT_NE(whole, nullptr);
    kept.push_back(whole);
    auto staged = loadCoreFromSource(kWidth, kHeight, true);
    ASSERT_NE(staged, nullptr);
    const auto name = [](const std::string& path) { return std::filesystem::path(path).filename().string(); };
    std::vector<std::pair<std::string, double>> toCome;
    for (const auto& [path, at] : staged->picturesToCome())
        toCome.emplace_back(name(path), at);
    const std::vector<std::pair<std::string, double>> expected = {
        {"christmas.jpg", 0}, {"title.png", 0}, {"easter.jpg", 2.6}, {"skipad.jpg", 8},
        {"toys.jpg", 10},     {"candy.jpg", 13}, {"religion.jpg", 16.7}};
    EXPECT_EQ(toCome, expected);

    const std::pair<double, std::vector<std::string>> due[] = {
        {0, {}},
        {1.0 / 60, {"christmas.jpg", "title.png"}},
        {9, {"christmas.jpg", "easter.jpg", "skipad.jpg"}},
        {11, {"toys.jpg", "skipad.jpg"}},
    };
    for (const auto& [t, files] : due) {
        SCOPED_TRACE(t);
        std::vector<std::string> names;
        for (const std::string& path : staged->picturesDueAt(t))
            names.push_back(name(path));
        EXPECT_EQ(names, files);
    }

    // One upload at a time, in the order drawn: each file once, shared by every scene that draws it.
    std::vector<std::string> uploaded;
    for (std::string next; !(next = staged->nextPicture()).empty(); staged->uploadNext())
        uploaded.push_back(name(next));
    EXPECT_EQ(uploaded, (std::vector<std::string>{"christmas.jpg", "title.png", "easter.jpg", "skipad.jpg",
                                                  "toys.jpg", "candy.jpg", "religion.jpg"}));
    EXPECT_TRUE(staged->picturesDueAt(21).empty());
    EXPECT_TRUE(frameAt(*staged, 21) == frameAt(*whole, 21)) << "the second wipe differs from the show loaded whole";
}

} // namespace
