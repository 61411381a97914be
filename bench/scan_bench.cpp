// The scan and the pairing of 100,000 entries.
//   BM_FillLists / BM_PairEntries: synthetic lists as a scan of 100,000 files in 2,000
//     directories fills them, so the figures show the lists and the index without the disk.
//   BM_ScanAndPair: a real tree named by QM_BENCH_SCAN_TREE (and its backup, when
//     QM_BENCH_SCAN_DEST names one): the two walks on one thread or on two, then the pairing.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "engine/destination_index.h"
#include "engine/kept_copy_names.h"
#include "engine/scan.h"

namespace qm {
namespace {

constexpr int kFiles = 100000;
constexpr int kDirs = 2000;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v == nullptr ? std::string() : std::string(v);
}

std::string RelDir(int d) {
  std::string rel;
  for (int n = d, level = 0; level < 8 && (level == 0 || n > 0); ++level, n /= 5) {
    rel += "d" + std::to_string(n % 23) + "_" + std::to_string(level) + "/";
  }
  return rel;
}

void Fill(NamedList<ScannedFile>& list, const std::string& top, const char* suffix) {
  for (int d = 0; d < kDirs; ++d) {
    const std::string rel = RelDir(d);
    const uint32_t dir = list.AddDirectory(top + rel, rel);
    for (int f = 0; f < kFiles / kDirs; ++f) {
      const std::string name = "file_" + std::to_string(d * 50 + f) + ".dat" + suffix;
      list.AddFile(dir, name, name, 0x58000000u + static_cast<uint32_t>(f), 12000, 0x20);
    }
  }
}

void BM_FillLists(benchmark::State& state) {
  size_t bytes = 0;
  for (auto _ : state) {
    NamedList<ScannedFile> list;
    Fill(list, "/home/user/Documents/", "");
    bytes = list.MemoryUsed();
    benchmark::DoNotOptimize(list.Count());
  }
  state.counters["bytes_per_file"] = static_cast<double>(bytes) / kFiles;
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_FillLists)->Unit(benchmark::kMillisecond);

// The backup pass's pairing: the index of the destination, then each source file looked up.
void BM_PairEntries(benchmark::State& state) {
  const auto keep = static_cast<int16_t>(state.range(0));
  NamedList<ScannedFile> src, dest;
  Fill(src, "/home/user/Documents/", "");
  Fill(dest, "/media/backup/Documents/", keep == kKeepSequence ? ".1" : "");
  size_t index_bytes = 0;
  std::string name;
  for (auto _ : state) {
    const DestinationIndex index(dest, false, keep);
    size_t up_to_date = 0;
    for (size_t i = 0; i < src.Count(); ++i) {
      src.NameInto(i, name);
      up_to_date += index.Pair(name, static_cast<DosDateTime>(src.Time(i))).copy_needed ? 0 : 1;
    }
    index_bytes = index.MemoryUsed();
    benchmark::DoNotOptimize(up_to_date);
  }
  state.counters["bytes_per_file_all_told"] =
      static_cast<double>(src.MemoryUsed() + dest.MemoryUsed() + index_bytes) / (2.0 * kFiles);
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_PairEntries)->Arg(kKeepNone)->Arg(kKeepSequence)->Unit(benchmark::kMillisecond);

void BM_ScanAndPair(benchmark::State& state) {
  const std::string tree = Env("QM_BENCH_SCAN_TREE");
  const std::string backup = Env("QM_BENCH_SCAN_DEST");
  if (tree.empty()) return state.SkipWithError("QM_BENCH_SCAN_TREE not set");
  ScanRequest src;
  src.dir = src.top = tree;
  src.masks = {"*.*"};
  src.incl_dirs = true;
  ScanRequest dest = src;
  dest.dir = dest.top = backup;
  dest.destination = true;
  size_t files = 0;
  for (auto _ : state) {
    NamedList<ScannedFile> src_list, dest_list;
    auto walk_dest = [&] {
      if (!backup.empty()) (void)ScanTree(PosixFileSystem(), dest, dest_list);
    };
    if (state.range(0) == 2) {
      std::thread walk(walk_dest);
      (void)ScanTree(PosixFileSystem(), src, src_list);
      walk.join();
    } else {
      (void)ScanTree(PosixFileSystem(), src, src_list);
      walk_dest();
    }
    const DestinationIndex index(dest_list, false, kKeepNone);
    std::string name;
    for (size_t i = 0; i < src_list.Count(); ++i) {
      src_list.NameInto(i, name);
      benchmark::DoNotOptimize(index.Pair(name, static_cast<DosDateTime>(src_list.Time(i))));
    }
    files = src_list.Count();
  }
  state.counters["files"] = static_cast<double>(files);
}
BENCHMARK(BM_ScanAndPair)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// Would two threads inside one tree pay off? Walks QM_BENCH_SCAN_TREE on one thread, or splits
// its top-level folders between two (each into its own list, order not kept).
void BM_WalkOneTree(benchmark::State& state) {
  const std::string tree = Env("QM_BENCH_SCAN_TREE");
  if (tree.empty()) return state.SkipWithError("QM_BENCH_SCAN_TREE not set");
  const Result<std::vector<DirEntry>> top = PosixFileSystem().ListDirectory(tree);
  if (!top.ok()) return state.SkipWithError("cannot list the tree");
  std::vector<std::string> halves[2];
  for (size_t i = 0; i < top.value().size(); ++i) {
    if (top.value()[i].is_directory()) halves[i % 2].push_back(tree + "/" + top.value()[i].name);
  }
  auto walk = [&](const std::vector<std::string>& dirs, NamedList<ScannedFile>& list) {
    for (const std::string& dir : dirs) {
      ScanRequest r;
      r.dir = dir;
      r.top = tree;
      r.masks = {"*.*"};
      r.incl_dirs = true;
      (void)ScanTree(PosixFileSystem(), r, list);
    }
  };
  size_t files = 0;
  for (auto _ : state) {
    NamedList<ScannedFile> lists[2];
    if (state.range(0) == 2) {
      std::thread second([&] { walk(halves[1], lists[1]); });
      walk(halves[0], lists[0]);
      second.join();
    } else {
      walk(halves[0], lists[0]);
      walk(halves[1], lists[1]);
    }
    files = lists[0].Count() + lists[1].Count();
  }
  state.counters["files"] = static_cast<double>(files);
}
BENCHMARK(BM_WalkOneTree)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
