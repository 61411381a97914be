// The real program on the offscreen platform, its wizard walked by preloaded hands, killed with
// SIGKILL as soon as its store holds the new profile: nothing but the save after the change can
// have written it, and what was written is whole.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "profiles/profile_record.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace qm::test {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(WindowKilled, AProfileAddedByTheWizardOutlivesAKill) {
  TempDir dir;
  const std::string source = dir.MakeDir("Documents");
  const std::string dest = dir / "backup";
  const std::string store = dir / "store.dat";
  ASSERT_EQ(::mkdir((dir / "run").c_str(), 0700), 0);
  // Under AddressSanitizer the hands come before its runtime in the list of libraries.
  const char* asan = std::getenv("ASAN_OPTIONS");
  const std::string asan_options =
      std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0";
  ChildProcess app = StartQuillmor(dir.path(), {{"--store", store},
                                                {{"QT_QPA_PLATFORM", "offscreen"},
                                                 {"LD_PRELOAD", WIZARD_HANDS},
                                                 {"QM_WIZARD_SOURCE", source},
                                                 {"QM_WIZARD_DEST", dest},
                                                 {"HOME", dir.path()},
                                                 {"XDG_RUNTIME_DIR", dir / "run"},
                                                 {"ASAN_OPTIONS", asan_options}}});
  auto saved = [&] {
    const std::string bytes = ReadAll(store);
    return bytes.size() >= ProfileRecord::kSize && bytes.find(dest) != std::string::npos;
  };
  // The limit only keeps a broken program from hanging the test.
  ASSERT_TRUE(PollUntil(saved, std::chrono::seconds(120))) << "no profile in " << store;
  app.Signal(SIGKILL);
  app.Wait();
  EXPECT_EQ(app.TermSignal(), SIGKILL);

  const std::string bytes = ReadAll(store);
  ASSERT_EQ(bytes.size(), ProfileRecord::kSize);
  ProfileRecord::Bytes record;
  std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char*>(record.data()));
  const ProfileRecord p(record);
  EXPECT_FALSE(p.Name().empty());
  EXPECT_EQ(p.SrcDir(), source);
  EXPECT_EQ(p.DestDir(), dest);
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(e.path().filename().string().find("qmtmp"), std::string::npos) << e.path();
}

}  // namespace
}  // namespace qm::test
