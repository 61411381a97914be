// What the engine works with: its services, the run state and list, and the observer it reports
// to. A run session builds one context and hands it to every engine operation, so the engine
// never includes a front end.
#pragma once

#include <set>
#include <string>

#include "engine/run_observer.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "profiles/named_list.h"
#include "profiles/run_snapshot.h"
#include "ui/message_loop.h"

namespace qm {

// The run controller's state. Only the controller changes it (a headless run sets kSelected);
// the engine reads it, and the start buttons' captions follow it, never the other way round.
enum class RunMode {
  kIdle,
  kSelected,    // a "Start selected" run: daily windows do not apply, the end stops the run
  kBackground,  // the background mode: daily windows apply, no break question is asked
};

// The run state of a run session; idle and all false at creation.
struct RunState {
  bool EngineBusy = false;   // the engine loop is active; a second entry returns at once
  bool Running = false;      // clearing it is the stop request
  bool SelectedRun = false;  // a "Start selected" batch is being processed
  RunMode Mode = RunMode::kIdle;
  TDateTime RunStartedAt = 0;  // when the first profile of the batch was queued
  // A preview: the passes take every decision and report every action as a real run would,
  // but write nothing (no file, folder, archive, time, lock or temporary removal) and ask
  // nothing.
  bool Preview = false;
  // Where the folder locks live; empty for DefaultLockDirectory().
  std::string LockDirectory;
  // Where two-way profiles keep the state of their last run; empty for DataDirectory().
  std::string SyncStateDirectory;
  // The log file being written, if any: never backed up by a profile that holds it.
  std::string LogFile;
  // Mount points of the volumes that refused modes or owners in this run, told once each.
  std::set<std::string> VolumesWithoutModes;
};

// The engine's services, the run state and list it works on, and the one observer it reports
// every outcome to. Nothing here is a control or a dialog: what a front end shows of a run is
// its reading of the observer's events.
struct EngineContext {
  FileSystem& fs;
  Clock& clock;
  ui::MessageLoop& loop;
  const RegionalFormats& formats;
  RunState& state;
  NamedList<RunSnapshot>& run_list;
  RunObserver& observer;
};

}  // namespace qm
