#include "app/preview/Preview.h"

#include "demo/ShowCore.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

Preview::Preview(ShowCore& show, Mix_Music* music, double startAt, double wallNow, double audioOffset)
    : show_(show), music_(music, audioOffset), clock_(show.length(), wallNow)
{
    clock_.seek(startAt);
    syncMusic();
}

bool Preview::key(SDL_Keycode key, Uint16 modifiers, double wallNow)
{
    const bool shift = (modifiers & KMOD_SHIFT) != 0;
    const double now = clock_.time();
    const long shown = clock_.frame();
    switch (key) {
    case SDLK_ESCAPE:
        return false;
    case SDLK_SPACE:
        togglePause(wallNow);
        break;
    case SDLK_LEFT:
        seek(now - (shift ? 0.1 : 1.0));
        break;
    case SDLK_RIGHT:
        seek(now + (shift ? 0.1 : 1.0));
        break;
    case SDLK_HOME:
        seek(0);
        break;
    case SDLK_PAGEDOWN: {
        // To the first frame after the next boundary: the boundary instant itself draws no scene.
        for (double b : boundaries()) {
            if (PreviewClock::frameAfter(b) > shown) {
                seek(PreviewClock::timeOf(PreviewClock::frameAfter(b)));
                break;
            }
        }
        break;
    }
    case SDLK_PAGEUP: {
        double target = 0;
        for (double b : boundaries()) {
            if (PreviewClock::frameAfter(b) < shown)
                target = PreviewClock::timeOf(PreviewClock::frameAfter(b));
        }
        seek(target);
        break;
    }
    case SDLK_LEFTBRACKET:
        setSpeed(clock_.speed() / 2, wallNow);
        break;
    case SDLK_RIGHTBRACKET:
        setSpeed(clock_.speed() * 2, wallNow);
        break;
    case SDLK_l:
        toggleLoop();
        break;
    case SDLK_r:
        reload();
        break;
    default:
        break;
    }
    return true;
}

void Preview::seek(double t)
{
    // Paused stays paused: a seek is for looking at one frame as often as for playing on.
    clock_.seek(t);
    syncMusic();
}

void Preview::togglePause(double wallNow)
{
    // At the end, play means play again from the start.
    if (clock_.paused() && clock_.atEnd())
        clock_.seek(0);
    clock_.setPaused(!clock_.paused(), wallNow);
    syncMusic();
}

void Preview::setSpeed(double speed, double wallNow)
{
    clock_.setSpeed(speed, wallNow);
    syncMusic();
}

void Preview::toggleLoop()
{
    if (clock_.loop()) {
        clock_.setLoop(std::nullopt);
        return;
    }
    // The innermost window under the cursor: the full-screen scene rather than the overlay.
    const vornak_engine::Scene* best = show_.innermostAt(PreviewClock::timeOf(clock_.frame()));
    if (!best)
        return;
    clock_.setLoop(TimeWindow{best->start, best->end});
    syncMusic();
}

void Preview::reload(const std::vector<std::string>& changed)
{
    show_.reload(changed);
}

void Preview::syncMusic()
{
    if (!clock_.paused() && clock_.speed() == 1.0 && !clock_.atEnd())
        music_.playFrom(clock_.time());
    else
        music_.pause();
}

void Preview::showChanged()
{
    clock_.setLength(show_.length());
    syncMusic();
}

void Preview::frame(double wallNow, int width, int height)
{
    const bool wasPaused = clock_.paused();
    if (clock_.tick(wallNow, music_.position()) || clock_.paused() != wasPaused)
        syncMusic();
    draw(width, height);
}

void Preview::draw(int width, int height)
{
    const double t = PreviewClock::timeOf(clock_.frame());
    show_.replayTo(t, PreviewClock::kFps);
    // The show leaves a frame with no scene uncleared; the preview shows it black.
    show_.frame(t, width, height, true);
}

std::vector<double> Preview::boundaries() const
{
    return show_.boundaries();
}

std::string Preview::status() const
{
    const long frame = clock_.frame();
    char text[160];
    std::snprintf(text, sizeof text, "%.3f s, frame %ld", PreviewClock::timeOf(frame), frame);
    std::ostringstream out;
    out << text << " | " << show_.namesAt(PreviewClock::timeOf(frame)) << " | "
        << (clock_.atEnd() ? "end" : clock_.paused() ? "paused" : "playing");
    std::snprintf(text, sizeof text, " %gx", clock_.speed());
    out << text;
    if (clock_.loop()) {
        std::snprintf(text, sizeof text, " | loop %g-%g s", clock_.loop()->from, clock_.loop()->to);
        out << text;
    }
    return out.str();
}
