// Damaged profile stores at start-up and a store save killed part-way: the program starts on
// whatever it can read, and nothing it could not read is overwritten without a copy kept.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "fault_harness.h"
#include "platform/atomic_file.h"
#include "profiles/profile_store.h"
#include "support/child_process.h"
#include "support/controller_factory.h"
#include "support/store_file.h"

namespace qm::test {
namespace {

std::string Valid(const std::string& name) {
  ProfileRecord r = BackupProfile(name, "/data/" + name, "/backup/" + name);
  r.SetInterval(EncodeTime(1, 0, 0));
  return std::string(reinterpret_cast<const char*>(r.bytes().data()), r.bytes().size());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class StoreFaultTest : public ControllerFixture<ClosingDialogs> {
 protected:
  StoreFaultTest() { dir.MakeDir("data"); }

  // Starts on `bytes` as the store, closes, and checks what the save left behind.
  void StartAndCloseOn(const std::string& bytes) {
    WriteBytes(store, bytes);
    Start();
    PassOneTimeStep();
    const size_t rows = form->profile_table.RecordCount();
    ASSERT_TRUE(form->Close());
    form.reset();
    EXPECT_FALSE(std::filesystem::exists(TemporaryPathOf(store))) << "temporary left";
    const std::string saved = ReadWholeFile(store);
    EXPECT_EQ(saved.size(), rows * ProfileRecord::kSize);
    // Every row that was loaded comes back as it was saved.
    ProfileTable again;
    const LoadResult reloaded = LoadProfiles(store, again, PosixFileSystem());
    EXPECT_TRUE(reloaded.complete) << reloaded.error;
    EXPECT_EQ(reloaded.rows_loaded, rows);
    // What was not read stays somewhere: in the store itself or in the backup beside it.
    const bool all_read = rows == bytes.size() / ProfileRecord::kSize;
    if (!all_read) {
      ASSERT_TRUE(std::filesystem::exists(store + ".bak")) << "unread profiles overwritten";
      EXPECT_TRUE(ReadWholeFile(store + ".bak") == bytes) << "backup differs from the store";
    }
  }
};

TEST_F(StoreFaultTest, RandomBytesNeverCrashAndAreKeptAside) {
  std::mt19937 rng(20261210);
  for (int round = 0; round < 25; ++round) {
    SCOPED_TRACE(round);
    std::filesystem::remove(store + ".bak");
    std::string bytes;
    const int records = static_cast<int>(rng() % 4);
    // Valid records around random ones: loading stops at the first record it refuses.
    for (int i = 0; i < records; ++i) {
      if (rng() % 2) {
        bytes += Valid("p" + std::to_string(i));
      } else {
        std::string junk(ProfileRecord::kSize, '\0');
        for (char& c : junk) c = static_cast<char>(rng());
        bytes += junk;
      }
    }
    bytes += std::string(rng() % 3 == 0 ? rng() % ProfileRecord::kSize : 0, 'x');
    dialogs.errors.clear();
    StartAndCloseOn(bytes);
  }
}

TEST_F(StoreFaultTest, TruncatedStoreLoadsItsWholeRecords) {
  const std::string full = Valid("one") + Valid("two") + Valid("three");
  StartAndCloseOn(full.substr(0, 2 * ProfileRecord::kSize + 700));
  ProfileTable table;
  const LoadResult r = LoadProfiles(store, table, PosixFileSystem());
  EXPECT_EQ(r.rows_loaded, 2u) << r.error;
}

TEST_F(StoreFaultTest, OddLengthStoreStartsEmptyAndWarnsNothing) {
  StartAndCloseOn(std::string(1000, 'q'));
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(StoreFaultTest, RecordWithEmptyNameStopsTheLoadAndIsKeptAside) {
  std::string bad = Valid("");
  StartAndCloseOn(Valid("first") + bad + Valid("third"));
  ProfileTable table;
  EXPECT_EQ(LoadProfiles(store, table, PosixFileSystem()).rows_loaded, 1u);
}

TEST_F(StoreFaultTest, FailedSaveAtCloseKeepsTheOldStore) {
  const std::string bytes = Valid("alpha") + Valid("beta");
  WriteBytes(store, bytes);
  Start();
  PassOneTimeStep();
  fs.FailWritesAfter(ProfileRecord::kSize + 10, ErrorKind::kNoSpace, ".qmtmp");
  ASSERT_TRUE(form->Close());
  EXPECT_EQ(dialogs.errors, std::vector<std::string>{kCanNotSaveMessage});
  EXPECT_TRUE(ReadWholeFile(store) == bytes);
  EXPECT_FALSE(std::filesystem::exists(TemporaryPathOf(store)));
}

// A save killed at any moment leaves the old store or the new one, whole, under the store's
// name; a stale temporary of the killed save is replaced by the next save.
TEST(StoreKillTest, SaveKilledAtAnyMomentLeavesAWholeStore) {
  TempDir tmp;
  const std::string store = tmp / "Quillmor.dat";
  auto fill = [](ProfileTable& table, const std::string& prefix, int rows) {
    for (int i = 0; i < rows; ++i) {
      ASSERT_TRUE(
          AppendProfile(table, prefix + std::to_string(i), "/data/" + prefix, "/backup/" + prefix));
      ASSERT_TRUE(table.Post());
    }
  };
  ProfileTable a, b;
  fill(a, "a", 3000);  // about 5 MB, so a save takes long enough to be hit
  fill(b, "b", 2000);
  ASSERT_TRUE(SaveProfiles(tmp / "a.ref", a, PosixFileSystem()));
  ASSERT_TRUE(SaveProfiles(tmp / "b.ref", b, PosixFileSystem()));
  const std::string ref_a = ReadWholeFile(tmp / "a.ref"), ref_b = ReadWholeFile(tmp / "b.ref");
  ASSERT_TRUE(SaveProfiles(store, a, PosixFileSystem()));

  std::mt19937 rng(7);
  int killed_mid_save = 0;
  for (int round = 0; round < 12; ++round) {
    ChildProcess saver(
        [&] {
          for (int i = 0;; ++i) (void)SaveProfiles(store, i % 2 ? a : b, PosixFileSystem());
          return 0;
        },
        {});
    std::this_thread::sleep_for(std::chrono::microseconds(2000 + rng() % 40000));
    saver.Signal(SIGKILL);
    saver.Wait();
    if (std::filesystem::exists(TemporaryPathOf(store))) ++killed_mid_save;
    const std::string now = ReadWholeFile(store);
    EXPECT_TRUE(now == ref_a || now == ref_b)
        << "round " << round << ": the store holds " << now.size() << " bytes of neither save";
  }
  EXPECT_GT(killed_mid_save, 0) << "no kill landed inside a save; the test proved nothing";
  // The next save goes through over a stale temporary and leaves none.
  ASSERT_TRUE(SaveProfiles(store, a, PosixFileSystem()));
  EXPECT_TRUE(ReadWholeFile(store) == ref_a);
  EXPECT_FALSE(std::filesystem::exists(TemporaryPathOf(store)));
}

}  // namespace
}  // namespace qm::test
