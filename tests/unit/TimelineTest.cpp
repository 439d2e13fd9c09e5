#include "vornak/Demo.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Names = std::vector<std::string>;
using Log = std::vector<std::pair<std::string, double>>;

struct RecordingScene final : vornak_engine::Scene {
    RecordingScene(Log& log, std::string name, double from, double to) : log(log), name(std::move(name))
    {
        start = from;
        end = to;
    }
    void show(double t) override { log.emplace_back(name, t); }
    Log& log;
    std::string name;
};

class TestDemo : public vornak_engine::Demo {
public:
    TestDemo() : Demo(640, 360) {}
    void init() override {}
    void add(const char* name, double from, double to)
    {
        owned.push_back(std::make_unique<RecordingScene>(log, name, from, to));
        scenes.push_back(owned.back().get());
    }
    Names namesAt(double t)
    {
        log.clear();
        show(t);
        Names names;
        for (const auto& [name, at] : log) {
            EXPECT_EQ(at, t) << "a scene must get the absolute time";
            names.push_back(name);
        }
        return names;
    }
    Log log;
    std::vector<std::unique_ptr<RecordingScene>> owned;
};

TEST(Timeline, ScenesInsideTheirOpenWindowsDrawInListOrder)
{
    TestDemo demo;
    EXPECT_EQ(demo.namesAt(1), Names{}) << "an empty list draws nothing";
    demo.add("wipe", 2.6, 10);
    demo.add("toys", 10, 13);
    demo.add("late-but-first", 5, 20);
    demo.add("early", 0, 20);
    demo.add("point", 3, 3);
    demo.add("inverted", 5, 4);
    const std::pair<double, Names> cases[] = {
        {-1, {}}, {0, {}}, {1, {"early"}}, {2.6, {"early"}}, {2.6000001, {"wipe", "early"}}, {3, {"wipe", "early"}},
        {4.5, {"wipe", "early"}}, {9.9999999, {"wipe", "late-but-first", "early"}},
        {10, {"late-but-first", "early"}}, // a shared boundary belongs to neither neighbour
        {10.0000001, {"toys", "late-but-first", "early"}}, {13, {"late-but-first", "early"}}, {20, {}}, {100, {}},
    };
    // Forwards, then backwards: nothing is remembered between frames.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const auto& [t, names] = cases[pass == 0 ? i : std::size(cases) - 1 - i];
            SCOPED_TRACE(t);
            EXPECT_EQ(demo.namesAt(t), names);
        }
    }
}

} // namespace
