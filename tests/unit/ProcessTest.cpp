// The test harness's own process runner: a timeout counts from the wait, however late.

#include "support/Process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

TEST(ProcessHarness, WaitCountsItsTimeoutFromTheCall)
{
    Process sleeper("/bin/sh", {"-c", "sleep 6.5"}, "/");
    usleep(5000000);
    const double called = monotonicSeconds();
    const ProcessResult first = sleeper.wait(1);
    EXPECT_TRUE(first.timedOut);
    EXPECT_FALSE(first.exited);
    EXPECT_GE(monotonicSeconds() - called, 1.0) << "the wait was cut short by the time before it";
    EXPECT_GE(first.seconds, 6.0) << "seconds count from the start";

    // A program that ends within the ceiling is not killed, however late the wait.
    Process quick("/bin/sh", {"-c", "sleep 1; exit 3"}, "/");
    usleep(1500000);
    const ProcessResult second = quick.wait(0.5);
    EXPECT_TRUE(second.exited);
    EXPECT_FALSE(second.timedOut);
    EXPECT_EQ(second.status, 3);
}

TEST(ProcessHarness, ATimeoutKillsWhatTheProgramStarted)
{
    Process parent("/bin/sh", {"-c", "sleep 300 & echo $! >&2; wait"}, "/"); // the child lives on
    const auto said = [&] { // nothing to read before the child has opened its output
        try { return parent.errorSoFar(); } catch (const std::runtime_error&) { return std::string(); }
    };
    std::string pid;
    for (int i = 0; i < 500 && (pid = said()).find('\n') == std::string::npos; ++i)
        usleep(10000);
    ASSERT_NE(pid.find('\n'), std::string::npos) << "the child never started";
    EXPECT_TRUE(parent.wait(0.2).timedOut);
    const auto gone = [stat = "/proc/" + std::to_string(std::stoi(pid)) + "/stat"] { // or a zombie, adopted
        std::ifstream in(stat);
        const std::string s{std::istreambuf_iterator<char>(in), {}};
        return s.empty() || s.find(") Z ") != std::string::npos;
    };
    for (int i = 0; i < 500 && !gone(); ++i)
        usleep(10000);
    EXPECT_TRUE(gone()) << "the child of a timed-out program still runs";
}

TEST(ProcessHarness, OutputAndEnvironmentReachTheResult)
{
    setenv("REMOVED", "inherited", 1);
    Process p("/bin/sh", {"-c", "echo out; echo \"err $ONLY_HERE\" >&2; echo \"[$REMOVED]\""}, "/",
              {"ONLY_HERE=yes", "REMOVED"});
    const ProcessResult r = p.wait(30);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "out\n[]\n");
    EXPECT_EQ(r.err, "err yes\n");
}

} // namespace
