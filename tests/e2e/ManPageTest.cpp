// The manual page the build writes from `vornak --help`, as man shows it: the same options and values, no warnings.

#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>
#include <string>

namespace {

using OptionTable = std::map<std::string, std::string>; // "-h,--help" or "--window" to the rest of its line

// The option lines at `indent` after the line `from`, up to the next line at column 0.
OptionTable optionLines(const std::string& text, const std::string& from, int indent)
{
    const std::regex entry("^ {" + std::to_string(indent) + "}(-[^ ,]+(?:, ?-[^ ,]+)?)(.*)$");
    OptionTable table;
    std::istringstream lines(text.substr(text.find("\n" + from + "\n") + from.size() + 2));
    std::string line;
    for (std::smatch m; std::getline(lines, line) && (line.empty() || line[0] == ' ');)
        if (std::regex_match(line, m, entry))
            table[std::regex_replace(m[1].str(), std::regex(", "), ",")] = m[2].str();
    return table;
}

} // namespace

TEST(ManPage, NamesWhatHelpNamesAndRendersCleanly)
{
    TempDir dir;
    const ProcessResult help = Process(VORNAK_BINARY, {"--help"}, dir.path(), {"DISPLAY", "WAYLAND_DISPLAY"}).wait(10);
    ASSERT_TRUE(help.exited && help.status == 0) << help.err;
    // A nearly empty page would pass the comparison below just as a full one.
    const OptionTable fromHelp = optionLines(help.out, "Options:", 2);
    ASSERT_GE(fromHelp.size(), 10u) << help.out;
    ASSERT_EQ(fromHelp.count("--capture"), 1u) << help.out;
    // As man shows it: plain text, wide enough that no entry wraps; -ww: every warning.
    const std::string groff = std::string("groff -man -Tascii -ww -P-cbou -rLL=200n ") + VORNAK_MAN_PAGE;
    const ProcessResult page = Process("/bin/sh", {"-c", groff}, dir.path()).wait(30);
    ASSERT_TRUE(page.exited && page.status == 0) << page.err;
    EXPECT_EQ(page.err, "") << "groff warns about the page";
    const OptionTable fromPage = optionLines(page.out, "OPTIONS", 7);
    for (const auto& [name, value] : fromHelp) {
        SCOPED_TRACE(name);
        const auto it = fromPage.find(name);
        ASSERT_NE(it, fromPage.end()) << "missing from the manual page:\n" << page.out;
        // The value from the --help line (two spaces before a description); man may set a short option's
        // description on its line, after one space.
        std::smatch m;
        const std::string expected = std::regex_match(value, m, std::regex(" ([^ ]+)(  .*)?")) ? " " + m[1].str() : "";
        EXPECT_EQ((it->second + " ").rfind(expected + " ", 0), 0u) << "help: " << name << value << "\npage: " << name
                                                                   << it->second;
    }
    for (const auto& [name, value] : fromPage)
        EXPECT_EQ(fromHelp.count(name), 1u) << name << " is in the manual page but not in --help";
    EXPECT_NE(page.out.find("vornak " VORNAK_VERSION), std::string::npos) << "the page's version is stale";
    // Text that troff would take for a request vanishes silently: the help's summary must survive.
    EXPECT_NE(page.out.find("Without options it plays full-screen"), std::string::npos) << page.out;
}
