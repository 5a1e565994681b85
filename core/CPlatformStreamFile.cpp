#include "core/CPlatformStreamFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "core/CQbException.h"

namespace QbXmlLib5 {

namespace {

[[noreturn]] void ThrowFileError(const char* format, const std::string& path, int error) {
    throw CQbException(FormatString(format, path.c_str(), static_cast<unsigned>(error)));
}

const char kOpenFailed[] = "Failed to open the file [%s] Error [0x%08x]";
const char kReadFailed[] = "Failed to read the contents of the file [%s] Error [0x%08x]";
const char kWriteFailed[] = "Failed to write data to the file [%s] error [0x%08X]";

// Writes all bytes, resuming after short writes and interruptions; false
// with errno set on failure.
bool WriteFully(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void CloseKeepingErrno(int fd) {
    if (fd < 0) return;
    const int saved = errno;
    ::close(fd);
    errno = saved;
}

}  // namespace

CPlatformInputFile::CPlatformInputFile(const char* path) : m_path(path ? path : ""), m_fd(-1) {
    m_fd = path ? ::open(path, O_RDONLY | O_CLOEXEC) : (errno = EINVAL, -1);
    if (m_fd < 0) ThrowFileError(kOpenFailed, m_path, errno);
    struct stat info;
    if (::fstat(m_fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        CloseKeepingErrno(m_fd);
        ThrowFileError(kOpenFailed, m_path, EISDIR);
    }
}

CPlatformInputFile::~CPlatformInputFile() { CloseKeepingErrno(m_fd); }

std::size_t CPlatformInputFile::Read(unsigned char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, size);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) ThrowFileError(kReadFailed, m_path, errno);
    }
}

bool CPlatformInputFile::Rewind() { return ::lseek(m_fd, 0, SEEK_SET) == 0; }

CPlatformOutputFile::CPlatformOutputFile(const char* path) : m_path(path ? path : ""), m_fd(-1) {
    m_fd =
        path ? ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666) : (errno = EINVAL, -1);
    if (m_fd < 0) Fail(errno);
}

CPlatformOutputFile::~CPlatformOutputFile() { CloseKeepingErrno(m_fd); }

void CPlatformOutputFile::Write(const unsigned char* data, std::size_t size) {
    if (m_fd < 0) Fail(EBADF);
    if (!WriteFully(m_fd, data, size)) Fail(errno);
}

void CPlatformOutputFile::Close() {
    if (m_fd < 0) return;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) Fail(errno);
}

void CPlatformOutputFile::Fail(int error) const { ThrowFileError(kWriteFailed, m_path, error); }

CPlatformSpoolFile::CPlatformSpoolFile() : m_fd(-1) {
    const char* tmp = std::getenv("TMPDIR");
    m_directory = tmp && *tmp ? tmp : "/tmp";
    std::string name = m_directory + "/qbxml-spool-XXXXXX";
    std::vector<char> pattern(name.begin(), name.end());
    pattern.push_back('\0');
    m_fd = ::mkstemp(pattern.data());
    if (m_fd < 0) {
        ThrowFileError("Failed to create a temporary file in [%s] Error [0x%08x]", m_directory,
                       errno);
    }
    // Nameless from now on: the space returns when the descriptor closes.
    ::unlink(pattern.data());
}

CPlatformSpoolFile::~CPlatformSpoolFile() { CloseKeepingErrno(m_fd); }

void CPlatformSpoolFile::Write(const unsigned char* data, std::size_t size) {
    if (!WriteFully(m_fd, data, size)) ThrowFileError(kWriteFailed, m_directory, errno);
}

CPlatformMappedFile::CPlatformMappedFile(int fd, const std::string& path) {
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ThrowFileError("Failed to get the size of the file [%s] Error [0x%08x]", path,
                       errno ? errno : EINVAL);
    }
    m_size = static_cast<std::size_t>(info.st_size);
    if (m_size == 0) return;
    void* data = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (data == MAP_FAILED)
        ThrowFileError("Failed to map the file [%s] Error [0x%08x]", path, errno);
    ::madvise(data, m_size, MADV_SEQUENTIAL);
    m_data = static_cast<const unsigned char*>(data);
}

CPlatformMappedFile::~CPlatformMappedFile() {
    if (m_data) ::munmap(const_cast<unsigned char*>(m_data), m_size);
}

void CPlatformMappedFile::ReleasePages() const {
    // A private read-only mapping of a file: dropped pages are read again
    // from the file when touched, so nothing is lost.
    if (m_data) ::madvise(const_cast<unsigned char*>(m_data), m_size, MADV_DONTNEED);
}

}  // namespace QbXmlLib5
