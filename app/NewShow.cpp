#include "app/NewShow.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

const char* starterShow()
{
    return R"(# A show for vornak: play it with   vornak --show THIS-FOLDER
# edit it live with                     vornak --show THIS-FOLDER --preview --watch
# (every change shows as soon as the file is saved). docs/shows.md has the whole guide.
#
# File names are relative to this folder. A name this folder doesn't have is
# taken from vornak's built-in data folder: that is where the pictures, the
# shaders and the music named below come from until you put your own here.

# The music (MP3, OGG, FLAC or WAV). The show ends with it. Without a music
# line the show is silent and ends with its last scene.
music = "zararorad.mp3"

# How pictures that aren't 16:9 are fitted: "cover" fills the frame, cutting
# the long side evenly; "contain" shows all of the picture, black beside it.
# A scene may say otherwise with a fit line of its own.
fit = "cover"

# The scenes, in drawing order: a scene listed later draws over an earlier
# one in the same frame, so the corner overlay comes last. Each shows
# strictly between its start and its end, in seconds since the music started.
# Kinds and what they take:
#   title    picture, overlay         a picture with a second laid over it
#   wipe     from, to, complete       a circular wipe; complete: when it has gone round
#   still    picture                  one picture
#   zoom     picture                  a slow, accelerating zoom
#   reveal   picture                  a picture coming alive (the church window's light)
#   overlay  picture                  a small picture in the corner, on top
# Any scene may also have: name (what the preview shows), shader (a fragment
# shader of your own, given the same uniforms as the kind's), fit.

[[scene]]
name = "wipe"
kind = "wipe"
start = 2.6
end = 10
complete = 5
from = "christmas.jpg"
to = "easter.jpg"

[[scene]]
name = "candy"
kind = "zoom"
start = 13
end = 16.7
picture = "candy.jpg"

[[scene]]
name = "title"
kind = "title"
start = 0
end = 2.6
picture = "christmas.jpg"
overlay = "title.png"

[[scene]]
name = "toys"
kind = "still"
start = 10
end = 13
picture = "toys.jpg"

[[scene]]
name = "wipe"
kind = "wipe"
start = 20.3
end = 22
complete = 22
from = "christmas.jpg"
to = "easter.jpg"

[[scene]]
name = "church"
kind = "reveal"
start = 16.7
end = 20.3
picture = "religion.jpg"

[[scene]]
name = "overlay"
kind = "overlay"
start = 8
end = 22
picture = "skipad.jpg"
)";
}

int writeNewShow(const std::string& folder)
{
    std::error_code ec;
    const fs::path file = fs::path(folder) / "show.toml";
    if (fs::exists(file, ec)) {
        std::fprintf(stderr, "vornak: %s already exists; not overwriting it (pick another folder)\n", file.c_str());
        return 1;
    }
    fs::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "vornak: cannot make the folder %s: %s\n", folder.c_str(), ec.message().c_str());
        return 1;
    }
    // Written whole under another name first: a show file is complete or not there.
    const fs::path temporary = fs::path(folder) / ".show.toml.part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << starterShow();
        out.close();
        if (!out) {
            std::fprintf(stderr, "vornak: cannot write %s: %s\n", temporary.c_str(), std::strerror(errno));
            fs::remove(temporary, ec);
            return 1;
        }
    }
    // link() fails rather than replace a show file made meanwhile.
    if (link(temporary.c_str(), file.c_str()) != 0) {
        std::fprintf(stderr, "vornak: cannot write %s: %s\n", file.c_str(), std::strerror(errno));
        fs::remove(temporary, ec);
        return 1;
    }
    fs::remove(temporary, ec);
    std::printf("wrote %s: edit it, then play it with vornak --show %s\n", file.c_str(), folder.c_str());
    return 0;
}
