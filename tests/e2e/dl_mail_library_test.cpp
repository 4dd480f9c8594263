// The platform side of the mail gateway: the library opened beside the
// program, and the default work directory.
#include "platform/posix/dl_mail_library.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/temp_dir.h"

namespace norva {
namespace {

TEST(DlMailLibrary, OpensTheLibraryBesideTheProgramAndFindsItsTenCalls) {
  auto library = DlMailLibrary::open(NORVA_BIN_DIR, "libagentz4.so");
  ASSERT_TRUE(library);
  for (const char* name :
       {"SetDebugLevel", "InicializaceZ4Komunikace", "RychlyTestZmenVeSchrankach",
        "NactiZmenyVeSchrankach", "NactiZmenyVeSchrance", "PotvrdPreneseniZmenVeSchrance",
        "PotvrdPreneseniZmenVeSchrankach", "PosliStavovouZpravu", "ZastavAkci",
        "DeInicializaceZ4Komunikace"}) {
    EXPECT_NE(library->resolve(name), nullptr) << name;
  }
  EXPECT_EQ(library->resolve("NoSuchCall"), nullptr);
  const test::TempDir empty;
  EXPECT_FALSE(DlMailLibrary::open(empty.path(), "libnorva-no-such-gateway.so"));
}

TEST(DlMailLibrary, TheWorkDirectoryDefaultsToTheTemporaryFolderWithoutItsSlash) {
  const char* saved = std::getenv("TMPDIR");
  const std::string keep = saved ? saved : "";
  ::setenv("TMPDIR", "/var/tmp/", 1);
  EXPECT_EQ(systemTempDirectory(), "/var/tmp");
  ::setenv("TMPDIR", "", 1);
  EXPECT_EQ(systemTempDirectory(), "/tmp");
  ::unsetenv("TMPDIR");
  EXPECT_EQ(systemTempDirectory(), "/tmp");
  if (saved) ::setenv("TMPDIR", keep.c_str(), 1);
}

}  // namespace
}  // namespace norva
