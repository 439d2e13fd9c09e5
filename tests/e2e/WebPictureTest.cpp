// vornak-webpicture as the web build runs it: a HEIC, a WebP or a turned JPEG in, an upright JPEG out.

#include "vornak/ImageDecoder.h"
#include "vornak/PictureDecoder.h"

#include "support/ImageFiles.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#ifdef VORNAK_WEBPICTURE // built with the tools

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace testimg;
using namespace vornak_engine;

// 48x32, smooth, with a dark 8x8 mark at the top left: a turn or a mirror moves it.
Pixels marked(int width, int height, bool turned)
{
    Pixels p;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // turned: stored as a camera held sideways stores it for orientation 6 (shown turned clockwise).
            const int ux = turned ? height - 1 - y : x, uy = turned ? x : y;
            const bool mark = ux < 8 && uy < 8;
            p.insert(p.end(), {std::uint8_t(mark ? 10 : 100 + ux * 2), std::uint8_t(mark ? 10 : 60 + uy * 4),
                               std::uint8_t(mark ? 10 : 160)});
        }
    return p;
}

// The first APP1 "Exif" block, big-endian, saying orientation 6.
std::string turnedSix(const std::string& jpeg)
{
    const std::string tiff("MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0", 26);
    const std::string body = std::string("Exif\0\0", 6) + tiff;
    return jpeg.substr(0, 2) + "\xFF\xE1" + char(0) + char(body.size() + 2) + body + jpeg.substr(2);
}

struct Conversion {
    ProcessResult result;
    DecodedImage out; // the JPEG written, if any
};

Conversion convert(const TempDir& dir, const std::vector<std::string>& args, const std::string& out = "")
{
    Conversion run{Process(VORNAK_WEBPICTURE, args, dir.path()).wait(30), {}};
    if (!out.empty() && run.result.status == 0)
        decodeJPEGRgba((dir.path() + "/" + out).c_str(), run.out);
    return run;
}

double meanDifference(const DecodedImage& got, const Pixels& topFirstRgb)
{
    const Pixels want = flipRows(topFirstRgb, std::size_t(got.width) * 3);
    if (got.size / 4 * 3 != want.size())
        return 1e9;
    double sum = 0;
    for (std::size_t i = 0, j = 0; j < want.size(); i += 4, j += 3)
        for (int c = 0; c < 3; ++c)
            sum += std::abs(int(got.pixels[i + c]) - int(want[j + c]));
    return sum / double(want.size());
}

} // namespace

// Every kind the desktop reads comes out an upright JPEG of the picture, within the codecs' loss.
TEST(WebPicture, WritesAnUprightJpegOfAnyPictureTheDesktopReads)
{
    TempDir dir;
    const Pixels up = marked(48, 32, false);
    const std::string png = dir.write("up.png", encodePNG(48, 32, up));
    dir.write("sideways.jpg", turnedSix(encodeJPEG(32, 48, marked(32, 48, true))));
    int status = -1;
    shell("cd '" + dir.path() + "' && heif-enc -q 90 up.png -o up.heic && cwebp -quiet -q 90 up.png -o up.webp", &status);
    ASSERT_EQ(status, 0) << "heif-enc and cwebp make the inputs (scripts/install-deps installs them)";
    dir.copy(dir.path() + "/up.heic", "phone.jpg");
    const std::tuple<std::string, std::vector<std::string>, int, int> cases[] = {
        {"heic", {"up.heic", "a.jpg"}, 48, 32},
        {"heic named .jpg", {"phone.jpg", "a.jpg"}, 48, 32},
        {"webp", {"up.webp", "a.jpg"}, 48, 32},
        {"jpeg stored sideways with EXIF 6", {"sideways.jpg", "a.jpg"}, 48, 32},
        {"png within a box", {"up.png", "a.jpg", "--size", "24x24"}, 24, 16},
        {"heic covering a box", {"up.heic", "a.jpg", "--size", "12x12", "--cover"}, 18, 12},
    };
    for (const auto& [label, args, width, height] : cases) {
        SCOPED_TRACE(label);
        const Conversion run = convert(dir, args, "a.jpg");
        ASSERT_EQ(run.result.status, 0) << run.result.err;
        EXPECT_EQ(run.result.err, "");
        ASSERT_EQ(std::make_pair(run.out.width, run.out.height), std::make_pair(width, height));
        if (width == 48) {
            EXPECT_LT(meanDifference(run.out, up), 4.0);
        }
        const std::string bytes = readFile(dir.path() + "/a.jpg");
        EXPECT_EQ(jpegOrientation(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 1)
            << "the turn is in the pixels, never left for a reader to apply again";
    }
}

// A bad argument is status 2, a failure status 1 with one line naming the file; nothing half-written stays.
TEST(WebPicture, SaysWhatIsWrongInOneLineAndLeavesNoFile)
{
    TempDir dir;
    dir.write("damaged.webp", std::string("RIFF\x20\0\0\0WEBPVP8 ", 16));
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"missing.heic", "a.jpg"}, 1, "missing.heic: cannot open: No such file or directory\n"},
        {{"damaged.webp", "a.jpg"}, 1, "damaged.webp: cannot read WebP header: "},
        {{"damaged.webp", "no/such/dir/a.jpg"}, 1, "damaged.webp: "},
        {{"x.png", "a.jpg", "--size", "big"}, 2, "vornak-webpicture: --size: expected WxH"},
        {{"x.png"}, 2, "vornak-webpicture: OUT is required"},
    };
    for (const auto& [args, status, said] : cases) {
        SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
        const Conversion run = convert(dir, args);
        EXPECT_EQ(run.result.status, status);
        EXPECT_EQ(run.result.err.substr(0, said.size()), said) << run.result.err;
        EXPECT_EQ(std::count(run.result.err.begin(), run.result.err.end(), '\n'), 1) << run.result.err;
        EXPECT_EQ(shell("ls '" + dir.path() + "'"), "damaged.webp\n");
    }
    dir.write("up.png", encodePNG(4, 4, distinct(4, 4, 3)));
    const Conversion unwritable = convert(dir, {"up.png", "no/such/dir/a.jpg"});
    EXPECT_EQ(unwritable.result.status, 1);
    EXPECT_EQ(unwritable.result.err, "no/such/dir/a.jpg: cannot write: No such file or directory\n");
    const Conversion help = convert(dir, {"--help"});
    EXPECT_EQ(help.result.status, 0);
    EXPECT_NE(help.result.out.find("HEIC"), std::string::npos) << help.result.out;
}

#endif // VORNAK_WEBPICTURE
