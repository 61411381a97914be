#include <gtest/gtest.h>
#include <zip.h>

#include "engine/copier.h"
#include "engine/zip_packer.h"
#include "support/fault_file_system.h"
#include "support/temp_dir.h"
#include "support/virtual_message_loop.h"

namespace qm {
namespace {

using test::TempDir;

constexpr long long kTime = 1717243201;  // odd second: the DOS time rounds it down

// One archive read back with libzip.
struct ArchiveContents {
  std::vector<std::string> names;
  std::string data;  // of the first entry
  uint16_t method = 0;
  time_t mtime = 0;
  uint8_t opsys = 0;
  uint32_t attributes = 0;
};

ArchiveContents ReadArchive(const std::string& path) {
  ArchiveContents out;
  int err = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
  EXPECT_NE(z, nullptr) << "error " << err;
  if (z == nullptr) return out;
  for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
    out.names.emplace_back(zip_get_name(z, static_cast<zip_uint64_t>(i), 0));
  }
  if (!out.names.empty()) {
    zip_stat_t st;
    zip_stat_index(z, 0, 0, &st);
    out.method = st.comp_method;
    out.mtime = st.mtime;
    zip_file_get_external_attributes(z, 0, 0, &out.opsys, &out.attributes);
    zip_file_t* f = zip_fopen_index(z, 0, 0);
    std::string data(st.size, '\0');
    EXPECT_EQ(zip_fread(f, data.data(), data.size()), static_cast<zip_int64_t>(st.size));
    zip_fclose(f);
    out.data = data;
  }
  zip_close(z);
  return out;
}

class ZipTest : public ::testing::Test {
 protected:
  int Pack(const std::string& source, const std::string& archive) {
    packer->Reset();
    packer->ClearFiles();
    packer->SetArchiveName(archive);
    packer->AddPath(source);
    packer->SetArchiveTime(UnixToDosDateTime(kTime));
    return packer->Pack();
  }
  bool OnlyFiles(const std::string& dir, std::vector<std::string> names) {
    Result<std::vector<DirEntry>> list = PosixFileSystem().ListDirectory(dir);
    std::vector<std::string> got;
    for (const DirEntry& e : list.value()) got.push_back(e.name);
    std::sort(got.begin(), got.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(got, names);
    return got == names;
  }

  TempDir tmp;
  FaultInjectingFileSystem fs{PosixFileSystem()};
  ui::VirtualMessageLoop loop;
  std::unique_ptr<ZipPacker> packer = MakeZipPacker(fs, loop);
};

TEST_F(ZipTest, OneDeflatedEntryUnderItsBareNameWithTimeAndAttributes) {
  const std::string content = std::string(100000, 'r') + "report";
  const std::string src = tmp.WriteFile("src/docs/report.doc", content);
  test::SetMTime(src, kTime);
  tmp.MakeDir("dst/docs");
  EXPECT_EQ(Pack(src, tmp / "dst/docs/report.doc.zip"), 1);

  const ArchiveContents a = ReadArchive(tmp / "dst/docs/report.doc.zip");
  EXPECT_EQ(a.names, std::vector<std::string>{"report.doc"});
  EXPECT_EQ(a.data, content);
  EXPECT_EQ(a.method, ZIP_CM_DEFLATE);
  EXPECT_EQ(a.mtime, kTime - 1);
  EXPECT_EQ(a.opsys, ZIP_OPSYS_DOS);
  EXPECT_EQ(a.attributes, faArchive);
  EXPECT_EQ(fs.Stat(tmp / "dst/docs/report.doc.zip").value().time, UnixToDosDateTime(kTime));
  EXPECT_TRUE(OnlyFiles(tmp / "dst/docs", {"report.doc.zip"}));
  EXPECT_GT(loop.TickCount(), 0u);  // messages were processed while compressing
}

TEST_F(ZipTest, EmptyAndReadOnlySources) {
  const std::string src = tmp.WriteFile("e.txt", "");
  ASSERT_TRUE(fs.SetReadOnly(src, true).ok());
  Pack(src, tmp / "e.txt.zip");
  const ArchiveContents a = ReadArchive(tmp / "e.txt.zip");
  EXPECT_EQ(a.names, std::vector<std::string>{"e.txt"});
  EXPECT_EQ(a.data, "");
  EXPECT_EQ(a.attributes, faArchive | faReadOnly);
}

TEST_F(ZipTest, ReplacesAnExistingArchiveWhole) {
  const std::string a = tmp.WriteFile("a.txt", "first");
  Pack(a, tmp / "out.zip");
  const std::string b = tmp.WriteFile("sub/a.txt", "second");
  Pack(b, tmp / "out.zip");
  const ArchiveContents c = ReadArchive(tmp / "out.zip");
  EXPECT_EQ(c.names, std::vector<std::string>{"a.txt"});
  EXPECT_EQ(c.data, "second");
}

// A pack that cannot store its entry fails and leaves the archive path as it was.
TEST_F(ZipTest, FailuresLeaveNoArchiveAndKeepTheOldOne) {
  const std::string src = tmp.WriteFile("src/a.txt", std::string(300000, 'q'));
  tmp.MakeDir("dst");
  EXPECT_THROW(Pack(tmp / "src/vanished.txt", tmp / "dst/vanished.txt.zip"), FileError);
  EXPECT_TRUE(OnlyFiles(tmp / "dst", {}));

  const std::string old = tmp.WriteFile("dst/a.txt.zip", "old archive");
  const std::vector<std::function<void()>> faults = {
      [&] { fs.Fail(FsOp::kOpenRead, ErrorKind::kAccessDenied); },
      [&] { fs.FailReadsAfter(100000); },
      [&] { fs.Fail(FsOp::kRename, ErrorKind::kNoSpace); },
  };
  for (size_t i = 0; i < faults.size(); ++i) {
    SCOPED_TRACE(i);
    fs.ClearFaults();
    faults[i]();
    EXPECT_THROW(Pack(src, old), FileError);
    EXPECT_EQ(test::ReadWholeFile(old), "old archive");
    EXPECT_TRUE(OnlyFiles(tmp / "dst", {"a.txt.zip"}));
  }
}

}  // namespace
}  // namespace qm
