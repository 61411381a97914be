#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
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
  int64_t exact_mtime = -1;  // from the extended-timestamp field, in both headers alike
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
    int64_t local = -2;
    for (zip_flags_t where : {ZIP_FL_LOCAL, ZIP_FL_CENTRAL}) {
      zip_uint16_t len = 0;
      const zip_uint8_t* ut = zip_file_extra_field_get_by_id(z, 0, 0x5455, 0, &len, where);
      int64_t t = -1;
      if (ut != nullptr && len >= 5 && (ut[0] & 1) != 0) {
        t = static_cast<int32_t>(ut[1] | ut[2] << 8 | ut[3] << 16 | uint32_t{ut[4]} << 24);
      }
      out.exact_mtime = where == ZIP_FL_LOCAL || t == local ? t : -3;
      local = t;
    }
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
  EXPECT_EQ(a.exact_mtime, kTime);
  EXPECT_EQ(a.opsys, ZIP_OPSYS_UNIX);
  EXPECT_EQ(a.attributes, (S_IFREG | 0644u) << 16 | faArchive);
  EXPECT_EQ(fs.Stat(tmp / "dst/docs/report.doc.zip").value().time, UnixToDosDateTime(kTime));
  EXPECT_TRUE(OnlyFiles(tmp / "dst/docs", {"report.doc.zip"}));
  EXPECT_GT(loop.TickCount(), 0u);  // messages were processed while compressing
}

TEST_F(ZipTest, EmptyPrivateAndReadOnlySourcesKeepTheirModesInEntryAndArchive) {
  const std::string src = tmp.WriteFile("e.txt", "");
  for (const mode_t mode : {0400u, 0600u, 0750u}) {
    ASSERT_EQ(::chmod(src.c_str(), mode), 0);
    Pack(src, tmp / "e.txt.zip");
    const ArchiveContents a = ReadArchive(tmp / "e.txt.zip");
    EXPECT_EQ(a.names, std::vector<std::string>{"e.txt"});
    EXPECT_EQ(a.data, "");
    EXPECT_EQ(a.attributes, (S_IFREG | mode) << 16 | faArchive | ((mode & 0200) ? 0 : faReadOnly));
    struct stat st;
    ASSERT_EQ(::stat((tmp / "e.txt.zip").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, mode);
  }
}

// Unzip tools show a name as UTF-8 only when the header says so; other bytes stay as they are.
TEST_F(ZipTest, NameIsFlaggedUtf8OnlyWhenItIsUtf8BeyondAscii) {
  for (const auto& [name, flagged] :
       {std::pair{"na\xc3\xafve.txt", true}, std::pair{"caf\xe9.txt", false},
        std::pair{"plain.txt", false}}) {
    SCOPED_TRACE(name);
    Pack(tmp.WriteFile(name, "data"), tmp / "out.zip");
    EXPECT_EQ(ReadArchive(tmp / "out.zip").data, "data");
    const std::string bytes = test::ReadWholeFile(tmp / "out.zip");
    EXPECT_EQ(bytes.substr(30, std::string(name).size()), name);  // the local header's name
    EXPECT_EQ((static_cast<unsigned char>(bytes.at(7)) & 0x08) != 0, flagged);  // bit 11
  }
}

TEST_F(ZipTest, LinkIsStoredAsALinkEntryWithItsTargetText) {
  ASSERT_EQ(::symlink("../elsewhere/f", (tmp / "l").c_str()), 0);
  Pack(tmp / "l", tmp / "l.zip");
  const ArchiveContents a = ReadArchive(tmp / "l.zip");
  EXPECT_EQ(a.data, "../elsewhere/f");
  EXPECT_EQ(a.method, ZIP_CM_STORE);
  EXPECT_EQ(a.attributes >> 16, S_IFLNK | 0777u);
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
