#include "core/CPlatformFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

private:
    int m_fd;
};

[[noreturn]] void ThrowFileError(const char* format, const char* path, int error) {
    throw CQbException(FormatString(format, Safe(path), static_cast<unsigned>(error)));
}

}  // namespace

void CPlatformFile::ReadAll(const char* path, std::vector<unsigned char>& content) {
    CFileDescriptor fd(path ? ::open(path, O_RDONLY | O_CLOEXEC) : (errno = EINVAL, -1));
    if (fd.Get() < 0) ThrowFileError("Failed to open the file [%s] Error [0x%08x]", path, errno);
    struct stat info;
    if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ThrowFileError("Failed to get the size of the file [%s] Error [0x%08x]", path, error);
    }
    std::vector<unsigned char> buffer(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::read(fd.Get(), buffer.data() + done, buffer.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ThrowFileError("Failed to read the contents of the file [%s] Error [0x%08x]", path,
                           n == 0 ? EIO : errno);
        }
        done += static_cast<std::size_t>(n);
    }
    content.swap(buffer);
}

void CPlatformFile::WriteAll(const char* path, const unsigned char* prefix, std::size_t prefixSize,
                             const unsigned char* data, std::size_t size) {
    CPlatformOutputFile file(path);
    file.Write(prefix, prefixSize);
    file.Write(data, size);
    file.Close();
}

}  // namespace QbXmlLib5
