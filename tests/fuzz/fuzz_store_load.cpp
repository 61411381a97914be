// Feeds arbitrary bytes to the store loader as a store file, saves what was loaded and loads
// that again: whatever the bytes, the loader must not crash, and what it accepted must survive
// a save unchanged.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/file_system.h"
#include "profiles/qmProcs.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// A scratch directory for the whole process, removed when it exits; memory-backed where the
// machine has it, since every save syncs the files it writes.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                          "/quillmor-fuzz-store-XXXXXX";
    const char* made = mkdtemp(pattern.data());
    Require(made != nullptr);
    path_ = made;
  }
  ~ScratchDirectory() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

const std::string& ScratchDir() {
  static const ScratchDirectory dir;
  return dir.path();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string store = ScratchDir() + "/store.dat";
  const std::string again = ScratchDir() + "/again.dat";
  std::ofstream(store, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  qm::ProfileTable table;
  const qm::LoadResult loaded = qm::LoadProfiles(store, table);
  // A record the table refuses stops the load (not ok); the rows before it stay.
  Require(loaded.rows_loaded == table.RecordCount());
  Require(loaded.ok || !loaded.complete);
  Require(loaded.rows_loaded <= size / qm::TProfileRecord::kSize);

  Require(qm::SaveProfiles(again, table));
  const std::string first = ReadAll(again);
  Require(first.size() == table.RecordCount() * qm::TProfileRecord::kSize);

  // A second round trip changes nothing: the first save already holds the table's values.
  qm::ProfileTable reloaded;
  const qm::LoadResult second = qm::LoadProfiles(again, reloaded);
  Require(second.complete && second.rows_loaded == loaded.rows_loaded);
  Require(qm::SaveProfiles(again, reloaded));
  Require(ReadAll(again) == first);
  return 0;
}
