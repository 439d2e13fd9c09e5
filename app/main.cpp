// The vornak program: reads its command line, finds the show's data, then
// plays the show, previews it or captures it to files.

#include "app/Capture.h"
#include "app/DataLocation.h"
#include "app/LiveShow.h"
#include "app/Options.h"
#include "app/PreviewShow.h"
#include "demo/DataFolder.h"

#include <cstdio>

int main(int argc, char** argv)
{
    Options options;
    if (const auto status = parseOptions(argc, argv, options))
        return *status;

    const DataSearch data = findDataFolder(options.dataFolder, executablePath());
    if (data.folder.empty()) {
        std::fprintf(stderr, "%s\n", describeFailedSearch(data, !options.dataFolder.empty()).c_str());
        return 1;
    }
    setDataFolder(data.folder);

    if (options.preview)
        return playPreview(options);
    return options.capture == CaptureKind::None ? playShow(options) : captureShow(options);
}
