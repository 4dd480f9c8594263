#include "platform/posix/posix_accounting_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace norva {

namespace {

bool writeAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool syncData(int fd) {
  while (::fdatasync(fd) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

bool lockExclusive(int fd) {
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

bool PosixAccountingFile::appendRecord(const std::string& path, const std::string& bytes) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;

  struct stat before {};
  bool ok = lockExclusive(fd) && ::fstat(fd, &before) == 0;
  if (ok) {
    // The line goes out as one buffer, so a reader rarely sees half of it.
    ok = writeAll(fd, bytes + "\r\n") && syncData(fd);
    // A part of the record left behind would be followed by the whole record
    // when it is fetched again: take it back.
    if (!ok && ::ftruncate(fd, before.st_size) == 0) syncData(fd);
  }
  // close() releases the lock. On Linux the descriptor is gone even when it
  // reports EINTR, so it is not retried.
  if (::close(fd) != 0) ok = false;
  return ok;
}

}  // namespace norva
