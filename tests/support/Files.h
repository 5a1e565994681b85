// Test support: temporary paths, whole files as bytes, and inflating with
// zlib itself (an inflater independent of the library's own).
#ifndef QBXMLLIB5_TESTS_SUPPORT_FILES_H
#define QBXMLLIB5_TESTS_SUPPORT_FILES_H

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace QbTest {

// A path in the tests' temporary directory, unique to this process (tests
// run in parallel processes).
inline std::string TempPath(const std::string& name) {
    const char* dir = std::getenv("QB_TEST_TMP");
    return std::string(dir ? dir : "/tmp") + "/" + std::to_string(getpid()) + "_" + name;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <typename Bytes>
void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// Inflates one complete zlib or gzip stream (zlib detects which), expecting
// nothing after it.
inline std::string Inflate(const std::string& compressed) {
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, 15 + 32), Z_OK);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    z.avail_in = static_cast<uInt>(compressed.size());
    std::string out;
    int rc = Z_OK;
    while (rc == Z_OK) {
        char chunk[16384];
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(chunk, sizeof chunk - z.avail_out);
    }
    EXPECT_EQ(rc, Z_STREAM_END);
    EXPECT_EQ(z.avail_in, 0u);
    inflateEnd(&z);
    return out;
}

}  // namespace QbTest

#endif  // QBXMLLIB5_TESTS_SUPPORT_FILES_H
