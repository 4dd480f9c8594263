// The accounting file adapter on real files.
#include "platform/posix/posix_accounting_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace norva {
namespace {

using test::TempDir;

TEST(PosixAccountingFile, CreatesTheFileAndAppendsRecordsInOrder) {
  TempDir dir;
  PosixAccountingFile file;
  const std::string path = dir.file("DATA.NEW");
  ASSERT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(file.appendRecord(path, "first;102;00:01:05"));
  EXPECT_TRUE(file.appendRecord(path, "druh\xE9 \x8A\x9E\xFF;0"));
  EXPECT_EQ(dir.read("DATA.NEW"), "first;102;00:01:05\r\ndruh\xE9 \x8A\x9E\xFF;0\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777 & ~0644u, 0u);  // at most rw-r--r--, whatever the umask
}

TEST(PosixAccountingFile, KeepsWhatTheFileHeldBefore) {
  TempDir dir;
  dir.write("DATA.NEW", "old\r\n");
  PosixAccountingFile file;
  EXPECT_TRUE(file.appendRecord(dir.file("DATA.NEW"), "new"));
  EXPECT_EQ(dir.read("DATA.NEW"), "old\r\nnew\r\n");
}

TEST(PosixAccountingFile, AMissingFolderFails) {
  TempDir dir;
  PosixAccountingFile file;
  EXPECT_FALSE(file.appendRecord(dir.file("no/such/DATA.NEW"), "rec"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("no")));
  EXPECT_FALSE(file.appendRecord("", "rec"));
}

TEST(PosixAccountingFile, AReadOnlyFileFails) {
  TempDir dir;
  dir.write("DATA.NEW", "old\r\n");
  const std::string path = dir.file("DATA.NEW");
  // The super-user ignores file modes: append as an ordinary user then.
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  }
  PosixAccountingFile file;
  const auto append = [&] {
    if (root) ::setfsuid(65534);
    const bool stored = file.appendRecord(path, "rec");
    if (root) ::setfsuid(0);
    return stored;
  };
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_FALSE(append());
  EXPECT_EQ(dir.read("DATA.NEW"), "old\r\n");
  // The same user may append once the file allows it: the mode was the reason.
  ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
  EXPECT_TRUE(append());
  EXPECT_EQ(dir.read("DATA.NEW"), "old\r\nrec\r\n");
}

TEST(PosixAccountingFile, AFileLockedByAnotherWriterFailsAtOnce) {
  TempDir dir;
  dir.write("DATA.NEW", "");
  const std::string path = dir.file("DATA.NEW");
  const int other = ::open(path.c_str(), O_RDWR);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX), 0);
  PosixAccountingFile file;
  EXPECT_FALSE(file.appendRecord(path, "rec"));
  EXPECT_EQ(dir.read("DATA.NEW"), "");
  ::flock(other, LOCK_UN);
  EXPECT_TRUE(file.appendRecord(path, "rec"));
  ::close(other);
  EXPECT_EQ(dir.read("DATA.NEW"), "rec\r\n");
}

}  // namespace
}  // namespace norva
