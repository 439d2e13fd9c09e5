#include "vornak/FileData.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using vornak_engine::openRegularFile;
using vornak_engine::readFileData;

// A regular file reads whole; anything else is refused at once with what it is: a FIFO without a writer and an
// endless device are never waited on or read.
TEST(FileData, RegularFilesReadWholeAndOtherKindsAreRefusedByName)
{
    TempDir dir;
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + i / 251);
    const std::string fifo = dir.path() + "/fifo", locked = dir.write("locked", "secret");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    std::vector<std::pair<std::string, std::string>> cases = { // path, and why it is refused; "": read
        {dir.write("empty", ""), ""}, {dir.write("small", std::string("x\0y\n", 4)), ""}, {dir.write("big", big), ""},
        {dir.path() + "/missing", "cannot open: No such file or directory"}, {dir.path(), "is a directory"},
        {fifo, "is a FIFO"}, {"/dev/zero", "is a device"},
    };
    if (geteuid() != 0) // root reads it anyway
        cases.push_back({locked, "cannot open: Permission denied"});
    for (const auto& [path, reason] : cases) {
        SCOPED_TRACE(path);
        std::vector<unsigned char> bytes(3, 'z');
        std::string error, opening;
        EXPECT_EQ(readFileData(path.c_str(), bytes, error), reason.empty());
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), reason.empty() ? readFile(path) : "");
        EXPECT_EQ(error, reason.empty() ? "" : path + ": " + reason);
        std::size_t size = 1;
        const int fd = openRegularFile(path.c_str(), size, opening);
        EXPECT_EQ(opening, error);
        EXPECT_EQ(size, bytes.size());
        // Not handed to child processes.
        EXPECT_EQ(fd < 0 ? fd : fcntl(fd, F_GETFD) & FD_CLOEXEC, reason.empty() ? FD_CLOEXEC : -1);
        if (fd >= 0)
            close(fd);
    }
}

} // namespace
