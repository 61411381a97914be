// The state a two-way profile keeps of its last run, for 100,000 files on each side: read and
// checked on a run that changes nothing (which then writes nothing), and written after a run
// that changed something. Prints the state file's size.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "engine/copier.h"
#include "engine/destination_index.h"
#include "engine/sync_conflicts.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "ui/headless_message_loop.h"

namespace qm {
namespace {

constexpr int kFiles = 100000;
constexpr int kDirs = 2000;

void Fill(NamedList<ScannedFile>& list, const std::string& top) {
  for (int d = 0; d < kDirs; ++d) {
    const std::string rel = "projects/p" + std::to_string(d % 40) + "/d" + std::to_string(d) + "/";
    const uint32_t dir = list.AddDirectory(top + rel, rel);
    for (int f = 0; f < kFiles / kDirs; ++f) {
      const std::string name = "file_" + std::to_string(d * 50 + f) + ".dat";
      list.AddFile(dir, name, name, 0x58000000u + static_cast<uint32_t>(f), 12000 + f, 0x20);
    }
  }
}

struct Run {
  Run() {
    item.Profile.SetSrcDir("/home/user/Documents");
    item.Profile.SetDestDir("/media/backup/Documents");
    Fill(item.SrcFiles, "/home/user/Documents/");
    Fill(item.DestFiles, "/media/backup/Documents/");
    char tmpl[] = "/tmp/qm-sync-state-XXXXXX";
    dir = mkdtemp(tmpl);
  }
  ~Run() { (void)std::system(("rm -rf " + dir).c_str()); }
  EngineContext Ctx() {
    return {PosixFileSystem(), SystemClock(), loop, formats, state, run_list, observer};
  }

  RunSnapshot item;
  std::string dir;
  ui::HeadlessMessageLoop loop;
  RegionalFormats formats;
  RunState state;
  NamedList<RunSnapshot> run_list;
  RunObserver observer;
};

// Open, a pass that finds every file as the state has it, Save that writes nothing.
void BM_NoChangeRun(benchmark::State& bench) {
  Run run;
  EngineContext ctx = run.Ctx();
  SyncHistory::Open(ctx, run.item, run.dir).Save(ctx, run.item);
  for (auto _ : bench) {
    SyncHistory h = SyncHistory::Open(ctx, run.item, run.dir);
    h.Save(ctx, run.item);
  }
  const std::string path =
      SyncState::PathFor(run.dir, run.item.Profile.SrcDir(), run.item.Profile.DestDir());
  bench.counters["state_bytes"] = static_cast<double>(FileSizeOf(PosixFileSystem(), path));
}
BENCHMARK(BM_NoChangeRun)->Unit(benchmark::kMillisecond);

// The same run with the state rewritten (durably, through the atomic replace) each time.
void BM_RunThatWritesTheState(benchmark::State& bench) {
  Run run;
  EngineContext ctx = run.Ctx();
  const std::string path =
      SyncState::PathFor(run.dir, run.item.Profile.SrcDir(), run.item.Profile.DestDir());
  for (auto _ : bench) {
    bench.PauseTiming();
    (void)PosixFileSystem().Remove(path);
    bench.ResumeTiming();
    SyncHistory h = SyncHistory::Open(ctx, run.item, run.dir);
    h.Save(ctx, run.item);
  }
}
BENCHMARK(BM_RunThatWritesTheState)->Unit(benchmark::kMillisecond);

void BM_OpenOnly(benchmark::State& bench) {
  Run run;
  EngineContext ctx = run.Ctx();
  SyncHistory::Open(ctx, run.item, run.dir).Save(ctx, run.item);
  for (auto _ : bench) benchmark::DoNotOptimize(SyncHistory::Open(ctx, run.item, run.dir));
}
BENCHMARK(BM_OpenOnly)->Unit(benchmark::kMillisecond);

void BM_FirstByName(benchmark::State& bench) {
  Run run;
  for (auto _ : bench) {
    FirstByName a(run.item.SrcFiles);
    benchmark::DoNotOptimize(a.Find("x"));
  }
}
BENCHMARK(BM_FirstByName)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
