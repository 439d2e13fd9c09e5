// The show file reader on arbitrary text, no GL: it either gives a plan that
// every kind can be made from, or one line that names the file.

#include "demo/ShowFile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ShowPlan plan;
    std::string error;
    // Files not found are named in the (missing) folder, so nothing here depends on the disk.
    if (!parseShow(text, "fuzz/show.toml", plan, error, false)) {
        if (error.rfind("fuzz/show.toml", 0) != 0 || error.find('\n') != std::string::npos)
            std::abort();
        return 0;
    }
    bool ok = !plan.scenes.empty();
    for (const ScenePlan& scene : plan.scenes) {
        const SceneValues& v = scene.values;
        // A title's words may stand in for its overlay.
        const std::size_t pictures = scene.kind == SceneKind::Wipe ? 2 : scene.kind == SceneKind::Title ? 2 - !v.text.empty() : 1;
        ok = ok && std::isfinite(v.start) && std::isfinite(v.end) && v.start >= 0 && v.start < v.end;
        ok = ok && (v.pictures.size() == pictures || (scene.kind == SceneKind::Title && v.pictures.size() == 2));
        ok = ok && v.caption.size > 0 && v.caption.size <= 1;
        ok = ok && (scene.kind != SceneKind::Wipe || (v.complete > v.start && v.complete <= v.end));
    }
    if (!ok)
        std::abort();
    return 0;
}
