// The vornak program: reads its command line, finds the built-in data and the
// show, then plays the show, previews it or captures it to files.

#include "app/capture/Capture.h"
#include "app/DataLocation.h"
#include "app/live/LiveShow.h"
#include "app/NewShow.h"
#include "app/Options.h"
#include "app/preview/PreviewShow.h"
#include "demo/DataFolder.h"
#include "demo/ShowFile.h"

#include <cstdio>

int main(int argc, char** argv)
{
    Options options;
    if (const auto status = parseOptions(argc, argv, options))
        return *status;
    if (!options.newShow.empty())
        return writeNewShow(options.newShow);

    const DataSearch data = findDataFolder(options.dataFolder, executablePath());
    if (data.folder.empty()) {
        std::fprintf(stderr, "%s\n", describeFailedSearch(data, !options.dataFolder.empty()).c_str());
        return 1;
    }
    setDataFolder(data.folder);

    // A show that can't be used ends here, before any window opens.
    ShowPlan plan;
    std::string error;
    // The built-in show plays on without a file it lacks, naming it, as it always has.
    const bool builtIn = options.show.empty();
    if (!readShowFile(builtIn ? dataFile("show.toml") : showFileIn(options.show), plan, error, !builtIn)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }

    if (options.preview)
        return playPreview(options, plan);
    return options.capture == CaptureKind::None ? playShow(options, plan) : captureShow(options, plan);
}
