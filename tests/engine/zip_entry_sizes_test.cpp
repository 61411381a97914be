// Entries deflated whole and entries streamed through the archiver read back the same, with
// valid checksums, whatever their size, and a file that grew after it was looked at is stored
// whole.
#include <gtest/gtest.h>
#include <zip.h>

#include <string>

#include "engine/copier.h"
#include "engine/zip_packer.h"
#include "support/forwarding_file_system.h"
#include "support/temp_dir.h"
#include "support/virtual_message_loop.h"

namespace qm {
namespace {

using test::TempDir;

// The first entry's data, read with every consistency and checksum check libzip makes.
std::string EntryData(const std::string& archive, uint16_t& method) {
  int err = 0;
  zip_t* z = zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
  EXPECT_NE(z, nullptr) << "error " << err;
  if (z == nullptr) return {};
  zip_stat_t st;
  zip_stat_index(z, 0, 0, &st);
  method = st.comp_method;
  std::string data(st.size + 1, '\0');
  zip_file_t* f = zip_fopen_index(z, 0, 0);
  const zip_int64_t n = zip_fread(f, data.data(), data.size());
  EXPECT_EQ(n, static_cast<zip_int64_t>(st.size));
  data.resize(n < 0 ? 0 : static_cast<size_t>(n));
  EXPECT_EQ(zip_fclose(f), 0);  // a wrong checksum shows here
  zip_close(z);
  return data;
}

// Says every file is smaller than it is, as a file that grows after it was looked at.
class ShrinkingStatFs : public test::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  Result<FileMeta> StatMeta(const std::string& path) override {
    Result<FileMeta> e = ForwardingFileSystem::StatMeta(path);
    if (e.ok()) e.value().size /= 3;
    return e;
  }
};

std::string Content(size_t size) {
  std::string s;
  s.reserve(size);
  for (size_t i = 0; s.size() < size; ++i) s += "line " + std::to_string(i * 7919 % 100003) + "\n";
  s.resize(size);
  return s;
}

TEST(ZipEntrySizes, SmallAndLargeEntriesReadBackWithValidChecksums) {
  TempDir tmp;
  ui::VirtualMessageLoop loop;
  test::ForwardingFileSystem plain(PosixFileSystem());
  ShrinkingStatFs grown(PosixFileSystem());
  for (FileSystem* fs : std::initializer_list<FileSystem*>{&plain, &grown}) {
    std::unique_ptr<ZipPacker> packer = MakeZipPacker(*fs, loop);
    // Around the read chunk and the largest file deflated whole (4 MiB), and beyond it.
    for (const size_t size :
         {size_t{0}, size_t{1}, size_t{65537}, size_t{4} << 20, (size_t{4} << 20) + 1}) {
      SCOPED_TRACE(size);
      const std::string content = Content(size);
      const std::string src = tmp.WriteFile("f.txt", content);
      packer->Reset();
      packer->SetArchiveName(tmp / "f.txt.zip");
      packer->AddPath(src);
      EXPECT_EQ(packer->Pack(), 1);
      uint16_t method = 0;
      EXPECT_EQ(EntryData(tmp / "f.txt.zip", method), content);
      if (size > 0) {
        EXPECT_EQ(method, ZIP_CM_DEFLATE);
      }
    }
  }
}

}  // namespace
}  // namespace qm
