// CStringBuffer against a std::string built from the same appends.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "xml/CStringBuffer.h"

namespace QbXmlLib5 {
namespace {

TEST(XmlStringBuffer, AppendsJoinAndCopyMatchAPlainString) {
    CStringBuffer buffer;
    std::string expected;
    EXPECT_STREQ(buffer.Join(), "");
    EXPECT_EQ(buffer.ToString(), "");

    // Short text ends NUL-terminated on a single block, with no stale bytes.
    buffer.Append("abc");
    buffer.Append('d');
    EXPECT_STREQ(buffer.Join(), "abcd");
    buffer.Append("e", 1);
    EXPECT_STREQ(buffer.Join(), "abcde");
    expected = "abcde";

    // Pieces of varied sizes, some larger than a block, cross many block
    // boundaries.
    for (std::size_t i = 0; i < 400; ++i) {
        const std::string piece((i * 7919) % (CStringBuffer::kBlockSize / 3) + (i % 3 == 0 ? CStringBuffer::kBlockSize : 0),
                                static_cast<char>('a' + i % 26));
        buffer.Append(piece.data(), piece.size());
        buffer.Append('|');
        expected += piece;
        expected += '|';
    }
    EXPECT_EQ(buffer.GetLength(), expected.size());
    EXPECT_EQ(buffer.ToString(), expected);
    const char* joined = buffer.Join();
    EXPECT_EQ(std::strlen(joined), expected.size());
    EXPECT_EQ(std::string(joined), expected);
    // Appending after a join continues the same text.
    buffer.Append("tail");
    expected += "tail";
    EXPECT_EQ(buffer.ToString(), expected);
    EXPECT_EQ(std::string(buffer.Join()), expected);

    buffer.Reset();
    EXPECT_EQ(buffer.GetLength(), 0u);
    EXPECT_STREQ(buffer.Join(), "");
}

}  // namespace
}  // namespace QbXmlLib5
