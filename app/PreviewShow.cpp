#include "app/PreviewShow.h"

#include "app/FileWatcher.h"
#include "app/FramePacer.h"
#include "demo/Presentation.h"
#include "app/Preview.h"
#include "app/ShowStage.h"
#include "app/StopSignals.h"
#include "demo/Christmas.h"
#include "demo/DataFolder.h"

#include <SDL.h>
#include <cstdio>
#include <memory>
#include <string>

namespace {

double wallSeconds()
{
    return static_cast<double>(SDL_GetPerformanceCounter()) / static_cast<double>(SDL_GetPerformanceFrequency());
}

// Frames a second over the last half second or so, for the title.
class FrameRate {
public:
    void frameDone(double now)
    {
        ++frames_;
        if (now - since_ >= 0.5) {
            rate_ = frames_ / (now - since_);
            frames_ = 0;
            since_ = now;
        }
    }
    double rate() const { return rate_; }

private:
    double since_ = 0;
    int frames_ = 0;
    double rate_ = 0;
};

// Esc, the close button, SIGINT and SIGTERM end the preview; keys go to it.
// Returns false to end; `any` tells whether anything at all happened.
bool handleEvents(Preview& preview, bool& any)
{
    SDL_Event event;
    bool keepGoing = true;
    any = false;
    while (SDL_PollEvent(&event)) {
        any = true;
        if (event.type == SDL_QUIT)
            keepGoing = false;
        else if (event.type == SDL_KEYDOWN && !preview.key(event.key.keysym.sym, event.key.keysym.mod, wallSeconds()))
            keepGoing = false;
    }
    return keepGoing && !stopRequested();
}

} // namespace

int playPreview(const Options& options)
{
    ShowStage stage(options.windowed ? WindowKind::Resizable : WindowKind::FullScreen, options.window);
    if (!stage.ok())
        return 1;
    ShowWindow& window = stage.window();
    FramePacer pacer(window.window());
    const Presentation presentation(options.stretch);
    // Nothing is watched, and nothing polled, unless asked for.
    std::unique_ptr<FileWatcher> watcher;
    if (options.watch)
        watcher = std::make_unique<FileWatcher>(dataFolder());

    Preview preview(stage.demo(), stage.music(), options.at.value_or(0), wallSeconds(), options.audioOffset);
    FrameRate rate;
    std::string title;
    double titleDue = 0;
    int width = 0;
    int height = 0;
    bool any = true;
    bool drawn = false;
    bool preparing = true;
    while (handleEvents(preview, any)) {
        const double now = wallSeconds();
        bool reloaded = false;
        if (watcher) {
            const std::vector<std::string> changed = watcher->poll(now);
            reloaded = !changed.empty();
            if (reloaded)
                preview.reload(changed);
        }
        // Paused with nothing new, the frame on screen is still right: wait
        // for an event (or the next look at the files) instead of redrawing.
        if (drawn && preview.clock().paused() && !any && !reloaded) {
            SDL_WaitEventTimeout(nullptr, 50);
        } else {
            window.drawableSize(width, height);
            presentation.begin(width, height);
            preview.frame(now);
            window.swap();
            // What the show stages for later comes in between frames, as live.
            if (preparing)
                preparing = stage.demo().prepareAhead(preview.clock().time());
            pacer.frameDone();
            rate.frameDone(now);
            drawn = true;
        }
        // A few title changes a second: each is a round trip to the window system.
        if (now >= titleDue) {
            char fps[32];
            std::snprintf(fps, sizeof fps, " | %.0f fps", rate.rate());
            const std::string next = "Vornak preview | " + preview.status() + fps;
            if (next != title) {
                title = next;
                SDL_SetWindowTitle(window.window(), title.c_str());
            }
            titleDue = now + 0.2;
        }
    }
    return 0;
}
