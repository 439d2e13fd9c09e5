// The show core's own costs: remaking the built-in show when its show file
// changed but no picture did (what the preview does on every save of
// show.toml), and the texture memory the shared pictures save.
//
// Needs a display (scripts/bench starts one).

#include "app/ShowWindow.h"
#include "demo/DataFolder.h"
#include "demo/ShowCore.h"
#include "demo/ShowFile.h"

#include <GL/glew.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main()
{
    if (chdir(VORNAK_SOURCE_DIR) != 0 || SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "show_bench: no source tree or no SDL video\n");
        return 1;
    }
    int status = 0;
    {
        ShowWindow window(WindowKind::Hidden, 1920, 1080);
        if (!window.ok())
            return 1;
        setDataFolder("data");
        ShowPlan plan;
        std::string error;
        if (!readShowFile("data/show.toml", plan, error)) {
            std::fprintf(stderr, "show_bench: %s\n", error.c_str());
            return 1;
        }
        ShowCore core(plan);
        core.init(1920, 1080);
        for (double t = 1.0 / 60; t < 23; t += 0.5)
            core.frame(t, 1920, 1080); // every picture uploaded, every program used
        glFinish();

        // A save of show.toml: read, checked, the scenes remade, the next frame drawn.
        std::vector<double> reloads;
        for (int i = 0; i < 21; ++i) {
            const auto begin = std::chrono::steady_clock::now();
            ShowPlan edited;
            readShowFile("data/show.toml", edited, error);
            core.replan(edited);
            core.frame(11, 1920, 1080);
            glFinish();
            reloads.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
        }
        // Each scene's pictures counted apart, as when every scene had its own.
        std::size_t perScene = 0;
        for (const ShowScene* scene : core.show().showScenes()) {
            for (vornak_engine::Texture* picture : scene->pictures())
                perScene += static_cast<std::size_t>(picture->getWidth()) * picture->getHeight() * 4;
        }
        const std::size_t shared = core.show().resources().pictureBytes();
        std::printf("the built-in show's pictures: %zu textures, %.1f MB; one per scene's use would be %.1f MB\n",
                    core.show().resources().pictureCount(), shared / 1e6, perScene / 1e6);
        std::printf("target: show file reloaded with no picture changed (remade and drawn, median of %zu) | %.1f ms | "
                    "< 100 ms | %s\n",
                    reloads.size(), median(reloads), median(reloads) < 100 ? "PASS" : "FAIL");
        status = median(reloads) < 100 ? 0 : 1;
    }
    SDL_Quit();
    return status;
}
