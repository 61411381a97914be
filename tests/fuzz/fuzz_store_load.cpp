// Feeds arbitrary bytes to the store loader as a store file, saves what was loaded and loads
// that again: whatever the bytes, the loader must not crash, and what it accepted must survive
// a save unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/file_system.h"
#include "profiles/profile_store.h"

namespace {

using qm::fuzz::ReadAll;
using qm::fuzz::Require;

const std::string& ScratchDir() {
  static const qm::fuzz::ScratchDirectory dir("quillmor-fuzz-store");
  return dir.path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string store = ScratchDir() + "/store.dat";
  const std::string again = ScratchDir() + "/again.dat";
  std::ofstream(store, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  qm::ProfileTable table;
  const qm::LoadResult loaded = qm::LoadProfiles(store, table, qm::PosixFileSystem());
  // A record the table refuses stops the load (not ok); the rows before it stay.
  Require(loaded.rows_loaded == table.RecordCount());
  Require(loaded.ok || !loaded.complete);
  Require(loaded.rows_loaded <= size / qm::ProfileRecord::kSize);

  Require(qm::SaveProfiles(again, table, qm::PosixFileSystem()));
  const std::string first = ReadAll(again);
  Require(first.size() == table.RecordCount() * qm::ProfileRecord::kSize);

  // A second round trip changes nothing: the first save already holds the table's values.
  qm::ProfileTable reloaded;
  const qm::LoadResult second = qm::LoadProfiles(again, reloaded, qm::PosixFileSystem());
  Require(second.complete && second.rows_loaded == loaded.rows_loaded);
  Require(qm::SaveProfiles(again, reloaded, qm::PosixFileSystem()));
  Require(ReadAll(again) == first);
  return 0;
}
