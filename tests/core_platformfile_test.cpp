#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "QbXmlLib5.h"
#include "support/ExceptionMessage.h"
#include "support/Files.h"

using namespace QbXmlLib5;
using QbTest::MessageOf;

namespace {

TEST(PlatformFileTest, WriteThenReadBackWithPrefixAndErrors) {
    const std::string path = QbTest::TempPath("platform_file.bin");
    const unsigned char bom[] = {0xFF, 0xFE};
    std::vector<unsigned char> data(200000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7);
    CPlatformFile::WriteAll(path.c_str(), bom, 2, data.data(), data.size());
    std::vector<unsigned char> back = {1, 2, 3};
    CPlatformFile::ReadAll(path.c_str(), back);
    ASSERT_EQ(back.size(), data.size() + 2);
    EXPECT_EQ(back[0], 0xFF);
    EXPECT_EQ(back[1], 0xFE);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin() + 2));

    CPlatformFile::WriteAll(path.c_str(), nullptr, 0, nullptr, 0);  // truncates
    CPlatformFile::ReadAll(path.c_str(), back);
    EXPECT_TRUE(back.empty());
    std::remove(path.c_str());

    std::vector<unsigned char> untouched = {9};
    EXPECT_EQ(MessageOf([&] { CPlatformFile::ReadAll("/nonexistent/dir/file.xml", untouched); }),
              "Failed to open the file [/nonexistent/dir/file.xml] Error [0x00000002]");
    EXPECT_EQ(untouched, std::vector<unsigned char>{9});
    EXPECT_THROW(CPlatformFile::ReadAll("/", untouched), CQbException);
    EXPECT_EQ(
        MessageOf([&] { CPlatformFile::WriteAll("/nonexistent/dir/out.xml", nullptr, 0, bom, 2); }),
        "Failed to write data to the file [/nonexistent/dir/out.xml] error [0x00000002]");
}

// Pieces, a rewind, and a file that gets shorter after it was opened: the
// bytes it had then can no longer all be read, as ReadAll would report.
TEST(PlatformFileTest, ReaderHandsOutTheBytesTheFileHadWhenOpened) {
    const std::string path = QbTest::TempPath("platform_reader.bin");
    std::vector<unsigned char> data(100000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 13);
    CPlatformFile::WriteAll(path.c_str(), nullptr, 0, data.data(), data.size());
    CPlatformFile::CReader file(path.c_str());
    EXPECT_EQ(file.GetSize(), data.size());
    std::vector<unsigned char> back(data.size() + 10);
    for (int pass = 0; pass < 2; ++pass) {
        std::size_t done = 0;
        while (std::size_t n =
                   file.Read(back.data() + done, std::min<std::size_t>(4096, back.size() - done))) {
            done += n;
        }
        ASSERT_EQ(done, data.size());
        EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin()));
        file.Rewind();
    }
    const std::string expected =
        "Failed to read the contents of the file [" + path + "] Error [0x00000005]";
    CPlatformFile::WriteAll(path.c_str(), nullptr, 0, data.data(), 1000);
    EXPECT_EQ(MessageOf([&] { file.ReadFully(back.data(), 2000); }), expected);
    EXPECT_EQ(MessageOf([&] { CPlatformFile::CReader("/"); }),
              "Failed to get the size of the file [/] Error [0x00000015]");
    std::remove(path.c_str());
}

}  // namespace
