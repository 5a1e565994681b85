// CPlatformStreamFile: files read, written or mapped piece by piece, for
// documents larger than memory (the streaming reader and writer). Like
// CPlatformFile, these are the library's only file calls (POSIX), and each
// failure throws CQbException with the path and the errno value.
#ifndef QBXMLLIB5_CORE_CPLATFORMSTREAMFILE_H
#define QBXMLLIB5_CORE_CPLATFORMSTREAMFILE_H

#include <cstddef>
#include <string>

namespace QbXmlLib5 {

// A file read from start to end in pieces.
class CPlatformInputFile {
public:
    // Throws "Failed to open the file [%s] Error [0x%08x]".
    explicit CPlatformInputFile(const char* path);
    ~CPlatformInputFile();
    CPlatformInputFile(const CPlatformInputFile&) = delete;
    CPlatformInputFile& operator=(const CPlatformInputFile&) = delete;

    // Up to `size` bytes; 0 at the end of the file. Throws "Failed to read
    // the contents of the file [%s] Error [0x%08x]".
    std::size_t Read(unsigned char* buffer, std::size_t size);
    // Back to the first byte; false where the file cannot seek (a pipe).
    bool Rewind();
    const std::string& GetPath() const { return m_path; }
    int GetDescriptor() const { return m_fd; }

private:
    std::string m_path;
    int m_fd;
};

// A file created (or truncated) and written in pieces.
class CPlatformOutputFile {
public:
    // Throws "Failed to write data to the file [%s] error [0x%08X]", as do
    // Write and Close.
    explicit CPlatformOutputFile(const char* path);
    // Closes the file if Close was not called; errors are then lost.
    ~CPlatformOutputFile();
    CPlatformOutputFile(const CPlatformOutputFile&) = delete;
    CPlatformOutputFile& operator=(const CPlatformOutputFile&) = delete;

    void Write(const unsigned char* data, std::size_t size);
    void Close();

private:
    [[noreturn]] void Fail(int error) const;

    std::string m_path;
    int m_fd;
};

// A nameless temporary file (removed when closed), written once and then
// mapped: the spool of input that can only be decoded from memory.
class CPlatformSpoolFile {
public:
    // Throws "Failed to create a temporary file in [%s] Error [0x%08x]"
    // (the directory is $TMPDIR or /tmp).
    CPlatformSpoolFile();
    ~CPlatformSpoolFile();
    CPlatformSpoolFile(const CPlatformSpoolFile&) = delete;
    CPlatformSpoolFile& operator=(const CPlatformSpoolFile&) = delete;

    void Write(const unsigned char* data, std::size_t size);
    int GetDescriptor() const { return m_fd; }
    const std::string& GetPath() const { return m_directory; }

private:
    std::string m_directory;
    int m_fd;
};

// A file mapped read-only into memory. Its pages are read on first access;
// ReleasePages gives the resident ones back (they are read again if touched
// later), so going through a huge mapping keeps little of it resident.
class CPlatformMappedFile {
public:
    // Maps the open file `fd` (not taken over); `path` names it in messages:
    // "Failed to get the size of the file [%s] Error [0x%08x]" or
    // "Failed to map the file [%s] Error [0x%08x]".
    CPlatformMappedFile(int fd, const std::string& path);
    ~CPlatformMappedFile();
    CPlatformMappedFile(const CPlatformMappedFile&) = delete;
    CPlatformMappedFile& operator=(const CPlatformMappedFile&) = delete;

    const unsigned char* GetData() const { return m_data; }
    std::size_t GetSize() const { return m_size; }
    void ReleasePages() const;

private:
    const unsigned char* m_data = nullptr;
    std::size_t m_size = 0;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_CORE_CPLATFORMSTREAMFILE_H
