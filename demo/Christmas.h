#pragma once

// The show: sets the GL state every scene relies on and builds the schedule.

#include "vornak/DecodeQueue.h"
#include "vornak/Demo.h"

#include <memory>
#include <string>
#include <vector>

class Reload;

class Christmas : public vornak_engine::Demo {
public:
    // Needs a current GL context: sets the clear colour and the depth test.
    Christmas(int width, int height);

    void init() override;

    // Queues the show's pictures, one entry per Texture init() will make, in
    // the order the schedule first shows them, so they decode in that order.
    // Needs no GL: start it before the window opens and make the queue
    // current for init(), which then only uploads.
    static void queuePictures(vornak_engine::DecodeQueue& queue);

    // init() with the pictures in stages, for a sooner first frame: nothing
    // is uploaded here. show() uploads what the scenes of its frame draw,
    // waiting for their decode if need be, and prepareAhead() the rest, in
    // the schedule's order. Takes the queue (made by queuePictures) for good.
    void initStaged(std::unique_ptr<vornak_engine::DecodeQueue> pictures);

    // Draws the frame at t; every picture its scenes draw is uploaded first.
    // (Hides Demo::show, so no frame of this show can draw a picture still missing.)
    void show(double t);

    // Work init() leaves for later, so the first frame comes sooner: staged
    // pictures, then the church window's light. Call once per frame after the
    // first frame is on screen, with that frame's time; each call does a small
    // part, and it returns false once nothing is left. A picture is uploaded
    // when its decode is done, or waited for when its scene is near; a scene
    // shown before its part is done finishes it on its first frame.
    bool prepareAhead(double t = 0);

    // Staged pictures not uploaded yet.
    std::size_t picturesWaiting() const;

    // For a shell whose picture files arrive while the show plays (the web
    // page): each staged file once, in the order the show first draws them,
    // with the start of the first scene that draws it.
    struct PictureDue {
        std::string path;
        double at;
    };
    std::vector<PictureDue> picturesToCome() const;
    // The staged files the frame at t uploads before it draws: none once they are in.
    std::vector<std::string> picturesDueAt(double t) const;
    // The file uploadNextPicture() takes, or null once every picture is in.
    const std::string* nextPicture() const;
    // Uploads the next staged picture now, whatever the time; its file must be
    // there. False when none was left.
    bool uploadNextPicture();

    // Gives every scene that can reload the files of this reload. Needs the
    // GL context; a file that fails leaves its scenes drawing what they had.
    void reload(Reload& reload);

    // Puts every scene that carries state from frame to frame where an
    // uninterrupted run at fps frames a second (frame k at k / fps) has it
    // just before drawing time t. Draws nothing. Used to start a fixed-step
    // run, or to jump, anywhere in the show.
    void replayTo(double t, double fps);

private:
    // A scene and its pictures still to upload.
    struct Stage {
        vornak_engine::Scene* scene;
        std::vector<vornak_engine::DecodeQueue::Parked> pictures;
    };

    void add(vornak_engine::Scene* scene);
    void uploadAll();

    std::unique_ptr<vornak_engine::DecodeQueue> pictures_;
    std::vector<Stage> stages_; // in the schedule's order
};
