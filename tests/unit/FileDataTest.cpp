#include "vornak/FileData.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

using vornak_engine::openRegularFile;
using vornak_engine::readFileData;

TEST(FileData, RegularFilesReadWhole)
{
    TempDir dir;
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + i / 251);
    for (const std::string& content : {std::string(), std::string("a"), std::string("x\0y\n", 4), big}) {
        SCOPED_TRACE(content.size());
        const std::string path = dir.write("f", content);
        std::vector<unsigned char> bytes(3, 'z');
        std::string error;
        ASSERT_TRUE(readFileData(path.c_str(), bytes, error)) << error;
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);
        std::size_t size = 1;
        const int fd = openRegularFile(path.c_str(), size, error);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(size, content.size());
        EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0) << "not handed to child processes";
        close(fd);
    }
}

// Anything but a regular file is refused at once with what it is; a FIFO
// without a writer and an endless device are never waited on or read.
TEST(FileData, OtherKindsAreRefusedByName)
{
    TempDir dir;
    const std::string fifo = dir.path() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string locked = dir.write("locked", "secret");
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    struct Case {
        std::string path;
        std::string error;
    };
    std::vector<Case> cases = {
        {dir.path() + "/missing", "cannot open: No such file or directory"},
        {dir.path(), "is a directory"},
        {fifo, "is a FIFO"},
        {"/dev/zero", "is a device"},
        {dir.path() + "/missing/below", "cannot open: No such file or directory"},
    };
    if (geteuid() != 0) // root reads it anyway
        cases.push_back({locked, "cannot open: Permission denied"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::vector<unsigned char> bytes(3, 'z');
        std::string error;
        EXPECT_FALSE(readFileData(c.path.c_str(), bytes, error));
        EXPECT_TRUE(bytes.empty());
        EXPECT_EQ(error, c.path + ": " + c.error);
        std::size_t size = 1;
        error.clear();
        EXPECT_EQ(openRegularFile(c.path.c_str(), size, error), -1);
        EXPECT_EQ(error, c.path + ": " + c.error);
        EXPECT_EQ(size, 0u);
    }
}

} // namespace
