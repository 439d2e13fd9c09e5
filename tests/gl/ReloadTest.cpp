// Reloading a copy of data/ while the show runs: what loads replaces what was drawn, what fails changes nothing.

#include "demo/Christmas.h"
#include "demo/Reload.h"
#include "demo/ReligionScene.h"
#include "support/GLTest.h"
#include "support/TempDir.h"

#include <filesystem>
#include <string>
#include <tuple>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

int count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

struct Output {
    std::string out, err;
};

class ReloadTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        // Everything but the music, which the demo never reads.
        for (const auto& entry : fs::directory_iterator(std::string(VORNAK_SOURCE_DIR) + "/data")) {
            if (entry.path().extension() != ".mp3")
                dir.copy(entry.path().string(), "data/" + entry.path().filename().string());
        }
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        demo = new Christmas(kWidth, kHeight);
        kept->push_back(demo);
        demo->init();
    }

    void TearDown() override { ASSERT_EQ(chdir(VORNAK_SOURCE_DIR), 0); }

    std::vector<std::uint8_t> drawAt(double t)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        demo->show(t);
        return frame();
    }

    Output reload(const std::vector<std::string>& changed)
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        demo->reload(changed);
        std::string out = testing::internal::GetCapturedStdout();
        return {out, testing::internal::GetCapturedStderr()};
    }

    void edit(const std::string& name, const std::string& text) { dir.write("data/" + name, text); }

    TempDir dir;
    Christmas* demo = nullptr;
    // Demos and scenes live as long as the process, as in the show: held here for leak checkers.
    static inline std::vector<const void*>* kept = new std::vector<const void*>;
};

TEST_F(ReloadTest, ReloadingUnchangedFilesKeepsEveryFrame)
{
    // One frame per scene kind: PNG and JPEG pictures, every shader.
    for (double t : {1.0, 3.8, 9.0, 11.0, 18.5, 21.0}) {
        SCOPED_TRACE(t);
        const auto before = drawAt(t);
        const Output o = reload({});
        EXPECT_EQ(o.out + o.err, "");
        EXPECT_TRUE(drawAt(t) == before) << "a full reload of the same files changed the frame";
    }
}

TEST_F(ReloadTest, BrokenSharedShaderIsReportedOnceKeepsItsProgramAndAFixIsTakenAtOnce)
{
    // default.fs draws the toys, the candy and the overlay.
    const std::string good = readFile("data/default.fs");
    const auto before = drawAt(11);
    edit("default.fs", good + "\n}}\n");
    Output o = reload({"data/default.fs"});
    EXPECT_EQ(count(o.out, "Shader error"), 1) << o.out;
    EXPECT_EQ(count(o.err, "data/default.fs"), 1) << o.err;
    EXPECT_TRUE(drawAt(11) == before) << "the scene lost its previous program";
    // A working edit, the picture in its negative, named another way.
    edit("default.fs", std::string(good).insert(good.rfind('}'), "    color.rgb = vec3(1.0) - color.rgb;\n"));
    o = reload({"./data/default.fs"});
    ASSERT_EQ(o.out, "") << "the fixed shader should compile; does default.fs still write color at the end of main?";
    const auto after = drawAt(11);
    int changed = 0;
    for (std::size_t i = 0; i < after.size(); i += 4)
        changed += after[i] != before[i] ? 1 : 0;
    EXPECT_GT(changed, kWidth * kHeight / 2) << "the fixed shader did not reach the screen";
}

TEST_F(ReloadTest, MissingOrDamagedPictureKeepsThePreviousOne)
{
    // Each scene reloads its own pictures: one per scene, removed or damaged.
    for (const auto& [name, t, removed] :
         {std::tuple{"toys.jpg", 11, true}, {"title.png", 1, false}, {"easter.jpg", 9, false}}) {
        SCOPED_TRACE(name);
        const std::string path = "data/" + std::string(name);
        const auto before = drawAt(t);
        removed ? (void)fs::remove(path) : edit(name, "not a picture");
        const Output o = reload({path});
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(count(o.err, "\n"), 1) << "one line: " << o.err;
        EXPECT_NE(o.err.find(path), std::string::npos) << o.err;
        EXPECT_TRUE(drawAt(t) == before) << "the previous picture was lost";
    }
}

TEST_F(ReloadTest, TheChurchLightIsRedrawnFromANewPictureOrLightShader)
{
    // The light is drawn once from the picture: a reload must draw it again.
    const std::string light = readFile("data/religion-light.fs");
    const std::pair<std::string, std::string> cases[] = {
        {"religion.jpg", readFile("data/toys.jpg")},
        {"religion-light.fs", std::string(light).insert(light.rfind('}'), "    color.rgb = color.bgr;\n")},
    };
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        edit(name, text);
        const Output o = reload({"data/" + name});
        ASSERT_EQ(o.out, "") << o.err;
        const auto after = drawAt(19);
        ReligionScene* fresh = new ReligionScene;
        kept->push_back(fresh);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        fresh->show(19);
        demo->scenes.back()->show(19); // the corner overlay, last in the schedule
        EXPECT_TRUE(frame() == after) << "the reloaded scene differs from one built from the same files";
    }
}

TEST_F(ReloadTest, OnlyTheTouchedFilesAreRead)
{
    // A broken picture that no reload names is never read, so nothing is printed.
    edit("toys.jpg", "not a picture");
    Output o = reload({"data/religion.fs", "data/easter.jpg"});
    EXPECT_EQ(o.err, "");
    // The shared vertex shader touches every program.
    edit("sprite.vs", readFile("data/sprite.vs") + "\nbroken\n");
    o = reload({"data/sprite.vs"});
    // One per fragment shader: default, doubletex, circle, religion, religion-light.
    EXPECT_EQ(count(o.out, "Shader error"), 5) << o.out;
}

} // namespace
