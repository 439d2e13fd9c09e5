// Laying out and rasterising a greeting at the sizes a caption has in a
// 1920x1080 and a 3840x2160 frame (a line a tenth of the frame's height, lines
// up to 90 % of its width): what a caption costs when the frame's size
// changes. No GL; the face is opened once, as a caption does, and every run
// starts with no glyph rasterised. Reading the font file is timed apart.
//
//   text_bench [--runs N]

#include "vornak/Font.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* const kFont = VORNAK_SOURCE_DIR "/data/DejaVuSans-Bold.ttf";
const char* const kGreeting = "Happy holidays from all of us, and a wonderful new year!\n"
                              "Joyeux Noël · Καλά Χριστούγεννα · С Новым годом";

double seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 31;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: text_bench [--runs N]\n");
            return 2;
        }
    }

    std::vector<double> opening;
    for (int r = 0; r < runs; ++r) {
        const double start = seconds();
        vornak_engine::Font font(kFont, 32);
        opening.push_back((seconds() - start) * 1000);
        if (!font.isLoaded())
            return 1;
    }
    std::printf("font file opened: %.2f ms (median of %d)\n\n", median(opening), runs);

    vornak_engine::Font font(kFont, 32);
    const struct {
        const char* name;
        int width, height;
        double limit; // ms
    } frames[] = {{"1920x1080", 1920, 1080, 10}, {"3840x2160", 3840, 2160, 30}};
    std::printf("%-10s %6s %6s %8s %10s %10s\n", "frame", "em px", "lines", "glyphs", "atlas", "ms");
    std::vector<std::string> targets;
    for (const auto& f : frames) {
        const int size = font.pixelSizeForLineHeight(0.1 * f.height);
        std::vector<double> times;
        vornak_engine::TextLayout layout;
        for (int r = 0; r < runs; ++r) {
            font.setPixelSize(1); // drops every glyph rasterised before
            const double start = seconds();
            font.setPixelSize(size);
            layout = font.layout(kGreeting, f.width * 9 / 10);
            times.push_back((seconds() - start) * 1000);
        }
        const double ms = median(times);
        char atlas[32];
        std::snprintf(atlas, sizeof atlas, "%dx%d", layout.atlasWidth, layout.atlasHeight);
        std::printf("%-10s %6d %6d %8zu %10s %10.2f\n", f.name, size, layout.lines, layout.quads.size(), atlas, ms);
        char line[160];
        std::snprintf(line, sizeof line, "target: greeting laid out and rasterised, %s | %.1f ms | < %.0f ms | %s",
                      f.name, ms, f.limit, ms < f.limit ? "PASS" : "FAIL");
        targets.push_back(line);
    }
    std::printf("\n");
    for (const std::string& t : targets)
        std::printf("%s\n", t.c_str());
    return 0;
}
