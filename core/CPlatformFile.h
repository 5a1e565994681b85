// CPlatformFile: the library's only access to files (POSIX calls). Each
// operation throws CQbException with the path and the errno value on failure.
// Files of 4 GiB and more are supported.
#ifndef QBXMLLIB5_CORE_CPLATFORMFILE_H
#define QBXMLLIB5_CORE_CPLATFORMFILE_H

#include <cstddef>
#include <vector>

namespace QbXmlLib5 {

class CPlatformFile {
public:
    // Reads the whole file into `content` (replaced). Throws
    // "Failed to open the file [%s] Error [0x%08x]",
    // "Failed to get the size of the file [%s] Error [0x%08x]" or
    // "Failed to read the contents of the file [%s] Error [0x%08x]".
    static void ReadAll(const char* path, std::vector<unsigned char>& content);

    // Creates or truncates the file and writes `prefix` (may be empty) then
    // `data`. Throws "Failed to write data to the file [%s] error [0x%08X]".
    // A file already created stays on disk after a failed write.
    static void WriteAll(const char* path, const unsigned char* prefix, std::size_t prefixSize,
                         const unsigned char* data, std::size_t size);
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_CORE_CPLATFORMFILE_H
