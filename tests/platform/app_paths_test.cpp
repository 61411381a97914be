#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "platform/app_paths.h"
#include "platform/global_atom.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

using test::ScopedEnv;

TEST(AppPaths, ConfigDirectoryPrecedence) {
  ScopedEnv env;
  env.Set("HOME", "/home/u");
  env.Set("QUILLMOR_CONFIG_DIR", nullptr);
  env.Set("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(ConfigDirectory(), "/home/u/.config/Quillmor");
  env.Set("XDG_CONFIG_HOME", "relative/ignored");
  EXPECT_EQ(ConfigDirectory(), "/home/u/.config/Quillmor");
  env.Set("XDG_CONFIG_HOME", "/xdg/");
  EXPECT_EQ(ConfigDirectory(), "/xdg/Quillmor");
  env.Set("QUILLMOR_CONFIG_DIR", "/over/ride/");
  EXPECT_EQ(ConfigDirectory(), "/over/ride");
  env.Set("XDG_DATA_HOME", nullptr);
  EXPECT_EQ(DataDirectory(), "/home/u/.local/share/Quillmor");
}

TEST(AppPaths, StorePathPrecedence) {
  ScopedEnv env;
  env.Set("XDG_DATA_HOME", "/data");
  env.Set("QUILLMOR_STORE", nullptr);
  // The test binary has no ".dat" beside it, so the data directory holds the store.
  EXPECT_EQ(StorePath(), "/data/Quillmor/Quillmor.dat");
  env.Set("QUILLMOR_STORE", "/env/store.dat");
  EXPECT_EQ(StorePath(), "/env/store.dat");
  EXPECT_EQ(StorePath("/cli/store.dat"), "/cli/store.dat");
  EXPECT_FALSE(ExecutablePath().empty());
}

TEST(AppPaths, ChangeFileExtReplacesOnlyTheLastExtension) {
  EXPECT_EQ(ChangeFileExt("/opt/quillmor", ".dat"), "/opt/quillmor.dat");
  EXPECT_EQ(ChangeFileExt("/opt/quillmor.exe", ".dat"), "/opt/quillmor.dat");
  EXPECT_EQ(ChangeFileExt("/a.b/quillmor", ".chm"), "/a.b/quillmor.chm");
  EXPECT_EQ(ChangeFileExt("/x/.hidden", ".dat"), "/x/.hidden.dat");
  EXPECT_EQ(ChangeFileExt("a.tar.gz", ".zip"), "a.tar.zip");
}

TEST(GlobalAtom, ExistsExactlyWhileHeld) {
  test::TempDir dir;
  ScopedEnv env;
  env.Set("XDG_RUNTIME_DIR", dir.path().c_str());
  std::string path;
  {
    GlobalAtom atom("QuillmorAtom", PosixFileSystem());
    path = atom.path();
    EXPECT_TRUE(atom.created());
    EXPECT_EQ(path, dir / "QuillmorAtom");
    EXPECT_TRUE(dir.Exists("QuillmorAtom"));
  }
  EXPECT_FALSE(dir.Exists("QuillmorAtom"));
  GlobalAtom odd("../escape", PosixFileSystem());
  EXPECT_EQ(odd.path(), dir / ".._escape");
}

}  // namespace
}  // namespace qm
