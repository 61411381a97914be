// The scan of a large tree, the copy of a large file and ZIP per file of a tree, on real files
// named by environment variables (bench/primitives.sh makes them under /tmp):
//   QM_BENCH_SCAN_TREE  tree to scan
//   QM_BENCH_COPY_FILE  file to copy (to "<file>.qmcopy" beside it)
//   QM_BENCH_ZIP_TREE   tree to pack, one archive per file, into QM_BENCH_ZIP_OUT
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/copier.h"
#include "engine/kept_copy_names.h"
#include "engine/scan.h"
#include "engine/zip_packer.h"
#include "platform/path_style.h"
#include "ui/headless_message_loop.h"

namespace qm {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v == nullptr ? std::string() : std::string(v);
}

void BM_ScanTree(benchmark::State& state) {
  const std::string tree = Env("QM_BENCH_SCAN_TREE");
  if (tree.empty()) return state.SkipWithError("QM_BENCH_SCAN_TREE not set");
  size_t files = 0;
  for (auto _ : state) {
    NamedList<ScannedFile> list;
    if (!ScanFolder(PosixFileSystem(), tree, std::string_view(""), list, true, tree).ok()) {
      return state.SkipWithError("scan failed");
    }
    files = list.Count();
  }
  state.counters["files"] = static_cast<double>(files);
}
BENCHMARK(BM_ScanTree)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_CopyFile(benchmark::State& state) {
  const std::string source = Env("QM_BENCH_COPY_FILE");
  if (source.empty()) return state.SkipWithError("QM_BENCH_COPY_FILE not set");
  const std::string target = source + ".qmcopy";
  ui::HeadlessMessageLoop loop;
  // Every copy starts with no dirty pages of earlier writes still waiting for the disk.
  ::sync();
  for (auto _ : state) {
    CopyFileWithProgress(PosixFileSystem(), loop, source, target);
    state.PauseTiming();
    std::filesystem::remove(target);
    ::sync();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * std::filesystem::file_size(source));
}
BENCHMARK(BM_CopyFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_ZipEach(benchmark::State& state) {
  const std::string tree = Env("QM_BENCH_ZIP_TREE");
  const std::string out = Env("QM_BENCH_ZIP_OUT");
  if (tree.empty() || out.empty()) return state.SkipWithError("QM_BENCH_ZIP_TREE/OUT not set");
  FileSystem& fs = PosixFileSystem();
  ui::HeadlessMessageLoop loop;
  auto packer = MakeZipPacker(fs, loop);
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(out);
    state.ResumeTiming();
    // As the backup pass does it: scan, then one archive per file below the same subdirectory.
    NamedList<ScannedFile> list;
    (void)ScanFolder(fs, tree, std::string_view(""), list, true, tree);
    for (size_t i = 0; i < list.Count(); ++i) {
      const std::string& path = list.Text(i);
      const std::string archive =
          TargetPath(path, tree, out, std::string(FileNamePart(path)) + ".zip");
      const std::string dir(DirectoryPart(archive));
      if (!IsDirectory(fs, dir)) MakeDirPath(fs, dir);
      packer->Reset();
      packer->ClearFiles();
      packer->SetArchiveName(archive);
      packer->AddPath(path);
      packer->SetArchiveTime(static_cast<DosDateTime>(list.Object(i).Time));
      packer->Pack();
    }
  }
}
BENCHMARK(BM_ZipEach)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
