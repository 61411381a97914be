// What the engine works with: the services, the run state and lists of the main window, the
// bar and label the copier drives, and the host it reports to. The main window builds one
// context and hands it to every engine operation, so the engine never includes the window; what
// the window shows of a run is the host's business.
#pragma once

#include <string>

#include "engine/run_observer.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "profiles/qmTypes.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/message_loop.h"

namespace qm {

// The run controller's state. Only the controller changes it (a headless run sets kSelected);
// the engine reads it, and the start buttons' captions follow it, never the other way round.
enum class RunMode {
  kIdle,
  kSelected,    // a "Start selected" run: daily windows do not apply, the end stops the run
  kBackground,  // the background mode: daily windows apply, no break question is asked
};

// The run state of the main window; idle and all false at creation.
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
};

// Operations of the main window that the engine calls, and the run's observer: the events
// reach whatever front end hosts the engine.
class EngineHost : public RunObserver {
 public:
  virtual ~EngineHost() = default;
  virtual void StatTimerTimer() = 0;
  virtual void StopWork() = 0;
  virtual void bStartClick() = 0;
  // Switches the tray icon's animation on (true) or off.
  virtual void SetTrayAnimation(bool on) = 0;
  // Switches the periodic statistics update on while a snapshot is worked on.
  virtual void SetStatTimerEnabled(bool on) = 0;
};

// The bar and the percentage label that CopyFileWithProgress drives block by block; a front
// end that shows no bar hands in unbound ones.
struct CopyProgressControls {
  ui::ProgressBar& psFile;
  ui::Label& lpsCurrentFile;
};

struct EngineContext {
  FileSystem& fs;
  Clock& clock;
  ui::MessageLoop& loop;
  ui::Dialogs& dialogs;
  const RegionalFormats& formats;
  RunState& state;
  TWList<TDataItem>& RunList;
  CopyProgressControls controls;
  EngineHost& host;
};

}  // namespace qm
