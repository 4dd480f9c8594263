// The platform side of the plug-in libraries: opened beside the program,
// and the mail gateway's default work directory.
#include "platform/posix/dl_library_loader.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/posix/temp_directory.h"
#include "support/temp_dir.h"

namespace norva {
namespace {

TEST(DlLibraryLoader, OpensTheMailLibraryBesideTheProgramAndFindsItsTenCalls) {
  auto library = DlLibraryLoader(NORVA_BIN_DIR).load("libagentz4.so");
  ASSERT_TRUE(library);
  for (const char* name :
       {"SetDebugLevel", "InicializaceZ4Komunikace", "RychlyTestZmenVeSchrankach",
        "NactiZmenyVeSchrankach", "NactiZmenyVeSchrance", "PotvrdPreneseniZmenVeSchrance",
        "PotvrdPreneseniZmenVeSchrankach", "PosliStavovouZpravu", "ZastavAkci",
        "DeInicializaceZ4Komunikace"}) {
    EXPECT_NE(library->symbol(name), nullptr) << name;
  }
  EXPECT_EQ(library->symbol("NoSuchCall"), nullptr);
  const test::TempDir empty;
  EXPECT_FALSE(DlLibraryLoader(empty.path()).load("libnorva-no-such-gateway.so"));
}

TEST(TempDirectory, TheMailWorkDirectoryDefaultsToTheTemporaryFolderWithoutItsSlash) {
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
