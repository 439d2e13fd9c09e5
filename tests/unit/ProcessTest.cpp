// The test harness's own process runner: a timeout counts from the wait, however late.

#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
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
    TempDir dir; // the child writes its pid and lives on
    Process parent("/bin/sh", {"-c", "sleep 300 & echo $! > child; wait"}, dir.path());
    std::string pid;
    for (int i = 0; i < 500 && (pid.empty() || pid.back() != '\n'); ++i) {
        if (access((dir.path() + "/child").c_str(), R_OK) == 0)
            pid = readFile(dir.path() + "/child");
        usleep(10000);
    }
    ASSERT_FALSE(pid.empty() || pid.back() != '\n') << "the child never started";
    const ProcessResult r = parent.wait(0.2);
    EXPECT_TRUE(r.timedOut);
    const int child = std::stoi(pid);
    const auto gone = [&] { // or a zombie waiting for whoever adopted it
        if (kill(child, 0) != 0)
            return true;
        const std::string stat = readFile("/proc/" + std::to_string(child) + "/stat");
        const auto close = stat.rfind(')');
        return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
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
