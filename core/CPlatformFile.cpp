#include "core/CPlatformFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/CPlatformStreamFile.h"
#include "core/CQbException.h"

namespace QbXmlLib5 {

namespace {

const char* Safe(const char* s) { return s ? s : ""; }

// Closes a descriptor on every exit path, keeping errno of the real failure.
class CFileDescriptor {
public:
    explicit CFileDescriptor(int fd) : m_fd(fd) {}
    ~CFileDescriptor() {
        if (m_fd >= 0) {
            const int saved = errno;
            ::close(m_fd);
            errno = saved;
        }
    }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    int Get() const { return m_fd; }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

[[noreturn]] void ThrowFileError(const char* format, const char* path, int error) {
    throw CQbException(FormatString(format, Safe(path), static_cast<unsigned>(error)));
}

}  // namespace

void CPlatformFile::ReadAll(const char* path, std::vector<unsigned char>& content) {
    CReader file(path);
    std::vector<unsigned char> buffer(static_cast<std::size_t>(file.GetSize()));
    file.ReadFully(buffer.data(), buffer.size());
    content.swap(buffer);
}

CPlatformFile::CReader::CReader(const char* path) : m_path(Safe(path)) {
    CFileDescriptor fd(path ? ::open(path, O_RDONLY | O_CLOEXEC) : (errno = EINVAL, -1));
    if (fd.Get() < 0) ThrowFileError("Failed to open the file [%s] Error [0x%08x]", path, errno);
    struct stat info;
    if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ThrowFileError("Failed to get the size of the file [%s] Error [0x%08x]", path, error);
    }
    m_size = static_cast<std::uint64_t>(info.st_size);
    m_fd = fd.Release();
}

CPlatformFile::CReader::~CReader() { CFileDescriptor closing(m_fd); }

std::size_t CPlatformFile::CReader::Read(unsigned char* buffer, std::size_t size) {
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, m_size - m_position));
    std::size_t done = 0;
    while (done < wanted) {
        const ssize_t n = ::read(m_fd, buffer + done, wanted - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fail(n == 0 ? EIO : errno);  // the file got shorter
        done += static_cast<std::size_t>(n);
    }
    m_position += done;
    return done;
}

void CPlatformFile::CReader::ReadFully(unsigned char* buffer, std::size_t size) {
    if (Read(buffer, size) != size) Fail(EIO);
}

void CPlatformFile::CReader::Rewind() {
    if (::lseek(m_fd, 0, SEEK_SET) != 0) Fail(errno);
    m_position = 0;
}

void CPlatformFile::CReader::Fail(int error) const {
    ThrowFileError("Failed to read the contents of the file [%s] Error [0x%08x]", m_path.c_str(),
                   error);
}

void CPlatformFile::WriteAll(const char* path, const unsigned char* prefix, std::size_t prefixSize,
                             const unsigned char* data, std::size_t size) {
    CPlatformOutputFile file(path);
    file.Write(prefix, prefixSize);
    file.Write(data, size);
    file.Close();
}

}  // namespace QbXmlLib5
