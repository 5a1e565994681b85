// CPlatformFile: the library's only access to files (POSIX calls). Each
// operation throws CQbException with the path and the errno value on failure.
// Files of 4 GiB and more are supported.
#ifndef QBXMLLIB5_CORE_CPLATFORMFILE_H
#define QBXMLLIB5_CORE_CPLATFORMFILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace QbXmlLib5 {

class CPlatformFile {
public:
    // Reads the whole file into `content` (replaced). Throws
    // "Failed to open the file [%s] Error [0x%08x]",
    // "Failed to get the size of the file [%s] Error [0x%08x]" or
    // "Failed to read the contents of the file [%s] Error [0x%08x]".
    static void ReadAll(const char* path, std::vector<unsigned char>& content);

    // A file read in pieces, opened and sized with ReadAll's checks and
    // messages: Read hands out the bytes the file had when it was opened,
    // and throws ReadAll's read message where they cannot all be read.
    class CReader {
    public:
        explicit CReader(const char* path);
        ~CReader();
        CReader(const CReader&) = delete;
        CReader& operator=(const CReader&) = delete;

        std::uint64_t GetSize() const { return m_size; }
        // Up to `size` bytes; 0 after the last.
        std::size_t Read(unsigned char* buffer, std::size_t size);
        // Fills `buffer` whole (it must not reach beyond the end).
        void ReadFully(unsigned char* buffer, std::size_t size);
        // Back to the first byte (throws ReadAll's read message on failure).
        void Rewind();

    private:
        [[noreturn]] void Fail(int error) const;

        std::string m_path;
        int m_fd = -1;
        std::uint64_t m_size = 0;
        std::uint64_t m_position = 0;
    };

    // Creates or truncates the file and writes `prefix` (may be empty) then
    // `data`. Throws "Failed to write data to the file [%s] error [0x%08X]".
    // A file already created stays on disk after a failed write.
    static void WriteAll(const char* path, const unsigned char* prefix, std::size_t prefixSize,
                         const unsigned char* data, std::size_t size);
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_CORE_CPLATFORMFILE_H
