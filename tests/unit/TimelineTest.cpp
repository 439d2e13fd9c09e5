#include "vornak/Demo.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using vornak_engine::Demo;
using vornak_engine::Scene;

struct Drawn {
    std::string name;
    double t;
};

class RecordingScene final : public Scene {
public:
    RecordingScene(std::vector<Drawn>& log, std::string name, double from, double to) : log_(log), name_(std::move(name))
    {
        start = from;
        end = to;
    }
    void show(double t) override { log_.push_back({name_, t}); }

private:
    std::vector<Drawn>& log_;
    std::string name_;
};

class TestDemo : public Demo {
public:
    TestDemo() : Demo(640, 360) {}
    void init() override {}
    void add(std::vector<Drawn>& log, const char* name, double from, double to)
    {
        owned.push_back(std::make_unique<RecordingScene>(log, name, from, to));
        scenes.push_back(owned.back().get());
    }
    std::vector<std::unique_ptr<RecordingScene>> owned;
};

std::vector<std::string> namesAt(TestDemo& demo, std::vector<Drawn>& log, double t)
{
    log.clear();
    demo.show(t);
    std::vector<std::string> names;
    for (const Drawn& d : log) {
        EXPECT_EQ(d.t, t) << "a scene must get the absolute time";
        names.push_back(d.name);
    }
    return names;
}

using Names = std::vector<std::string>;

TEST(Timeline, WindowsAreOpenAtBothEnds)
{
    std::vector<Drawn> log;
    TestDemo demo;
    demo.add(log, "wipe", 2.6, 10);
    demo.add(log, "toys", 10, 13);

    EXPECT_EQ(namesAt(demo, log, 2.6), Names{});
    EXPECT_EQ(namesAt(demo, log, 2.6000001), Names{"wipe"});
    EXPECT_EQ(namesAt(demo, log, 9.9999999), Names{"wipe"});
    // The shared boundary belongs to neither neighbour.
    EXPECT_EQ(namesAt(demo, log, 10), Names{});
    EXPECT_EQ(namesAt(demo, log, 10.0000001), Names{"toys"});
    EXPECT_EQ(namesAt(demo, log, 13), Names{});
    EXPECT_EQ(namesAt(demo, log, 100), Names{});
    EXPECT_EQ(namesAt(demo, log, -1), Names{});
}

TEST(Timeline, ActiveScenesDrawInListOrderNotTimeOrder)
{
    std::vector<Drawn> log;
    TestDemo demo;
    demo.add(log, "late-but-first", 5, 20);
    demo.add(log, "early", 0, 20);
    demo.add(log, "overlay", 8, 22);

    EXPECT_EQ(namesAt(demo, log, 9), (Names{"late-but-first", "early", "overlay"}));
    EXPECT_EQ(namesAt(demo, log, 1), (Names{"early"}));
    EXPECT_EQ(namesAt(demo, log, 21), (Names{"overlay"}));
    // Every frame tests every scene again: nothing is remembered between frames.
    EXPECT_EQ(namesAt(demo, log, 9), (Names{"late-but-first", "early", "overlay"}));
}

TEST(Timeline, EmptyAndInvertedWindowsNeverDraw)
{
    std::vector<Drawn> log;
    TestDemo demo;
    EXPECT_EQ(namesAt(demo, log, 1), Names{}) << "an empty list draws nothing";

    demo.add(log, "point", 3, 3);
    demo.add(log, "inverted", 5, 4);
    for (double t : {2.9, 3.0, 3.1, 4.0, 4.5, 5.0})
        EXPECT_EQ(namesAt(demo, log, t), Names{}) << "t = " << t;
}

} // namespace
