#include "vornak/Demo.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Names = std::vector<std::string>;
struct Record { Names names; double t = 0; };

struct RecordingScene final : vornak_engine::Scene {
    RecordingScene(Record& r, std::string n, double from, double to) : record(r), name(std::move(n))
    {
        start = from;
        end = to;
    }
    void show(double t) override
    {
        EXPECT_EQ(t, record.t) << "a scene must get the absolute time";
        record.names.push_back(name);
    }
    Record& record;
    std::string name;
};

class TestDemo : public vornak_engine::Demo {
public:
    TestDemo() : Demo(640, 360) {}
    void init() override {}
    void add(const char* name, double from, double to)
    {
        owned.push_back(std::make_unique<RecordingScene>(record, name, from, to));
        scenes.push_back(owned.back().get());
    }
    Names namesAt(double t)
    {
        record = {{}, t};
        show(t);
        return record.names;
    }
    Record record;
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
    // At 10 a shared boundary belongs to neither neighbour.
    const std::pair<double, Names> cases[] = {
        {0, {}}, {1, {"early"}}, {2.6, {"early"}}, {2.6000001, {"wipe", "early"}}, {3, {"wipe", "early"}},
        {4.5, {"wipe", "early"}}, {9.9999999, {"wipe", "late-but-first", "early"}}, {10, {"late-but-first", "early"}},
        {10.0000001, {"toys", "late-but-first", "early"}}, {13, {"late-but-first", "early"}}, {20, {}},
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
