// The program maps libzip only when it packs or reads an archive: what it calls of it goes
// through definitions that open the library on first use, and must reach the real functions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "support/child_process.h"
#include "support/store_file.h"
#include "support/temp_dir.h"

namespace qm::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(ZipOnDemand, ProgramLinksNoZipLibraryYetPacksVerifiesAndRestores) {
  const Outcome ldd = ChildProcess("/usr/bin/ldd", {{QUILLMOR_EXE}, {}, kPipe}).Finish();
  ASSERT_EQ(ldd.status, 0);
  EXPECT_THAT(ldd.out, Not(HasSubstr("libzip")));
  EXPECT_THAT(ldd.out, Not(HasSubstr("libcrypto")));

  TempDir dir;
  const std::string data(70000, 'q');
  dir.WriteFile("src/sub/big.txt", data);
  ProfileRecord p = BackupProfile("Packs", dir / "src", dir / "dest");
  p.SetdoZIP(true);
  WriteStoreFile(dir / "store.dat", {p});
  const std::string store = dir / "store.dat";

  const Outcome run = RunQuillmor(dir.path(), {"--run", "Packs", "--store", store});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("packed 1,"));
  const Outcome verify = RunQuillmor(dir.path(), {"--verify", "Packs", "--store", store});
  EXPECT_EQ(verify.status, 0) << verify.err;
  EXPECT_THAT(verify.out, HasSubstr("verified 1,"));
  const Outcome restore =
      RunQuillmor(dir.path(), {"--restore", "Packs", "--to", dir / "back", "--store", store});
  ASSERT_EQ(restore.status, 0) << restore.err;
  EXPECT_EQ(dir.ReadFile("back/sub/big.txt"), data);
}

}  // namespace
}  // namespace qm::test
