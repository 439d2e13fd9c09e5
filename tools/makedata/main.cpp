// vornak_makedata: paints the demo's pictures and synthesises its music.
//   vornak_makedata OUTDIR [NAME...]
// writes every file (or only the named ones, e.g. "toys.jpg") into OUTDIR.
// Fixed seeds throughout: the same build writes the same bytes on every run.
#include "ImageIO.h"
#include "Music.h"
#include "Pictures.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Output {
    const char* name;
    bool (*make)(const std::string& path);
};

bool jpeg(const std::string& path, const Canvas& c)
{
    return writeJpeg(path, c.width(), c.height(), c.rgb8(), 90);
}

const Output outputs[] = {
    {"christmas.jpg", [](const std::string& p) { return jpeg(p, paintChristmas()); }},
    {"title.png",
     [](const std::string& p) {
         Canvas c = paintTitle();
         return writePng(p, c.width(), c.height(), c.rgba8());
     }},
    {"easter.jpg", [](const std::string& p) { return jpeg(p, paintEaster()); }},
    {"toys.jpg", [](const std::string& p) { return jpeg(p, paintToys()); }},
    {"candy.jpg", [](const std::string& p) { return jpeg(p, paintCandy()); }},
    {"religion.jpg", [](const std::string& p) { return jpeg(p, paintReligion()); }},
    {"skipad.jpg", [](const std::string& p) { return jpeg(p, paintSkipAd()); }},
    {"zararorad.mp3", [](const std::string& p) { return writeMusic(p); }},
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR [NAME...]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<std::string> wanted(argv + 2, argv + argc);
    for (const std::string& w : wanted) {
        bool known = false;
        for (const Output& o : outputs)
            known = known || w == o.name;
        if (!known) {
            std::fprintf(stderr, "%s: no such output\n", w.c_str());
            return 2;
        }
    }
    int failed = 0;
    for (const Output& o : outputs) {
        bool pick = wanted.empty();
        for (const std::string& w : wanted)
            pick = pick || w == o.name;
        if (!pick)
            continue;
        std::printf("%s\n", o.name);
        std::fflush(stdout);
        if (!o.make(dir + "/" + o.name))
            ++failed;
    }
    return failed ? 1 : 0;
}
