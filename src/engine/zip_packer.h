// The ZIP packer: each archive holds exactly one entry, the source file under its bare name,
// Deflate level 9, with the source's DOS time and attribute bits.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/run_observer.h"
#include "platform/file_system.h"
#include "ui/message_loop.h"

namespace qm {

class ZipPacker {
 public:
  virtual ~ZipPacker() = default;

  // Forgets the archive name, the file list and any archive time set.
  virtual void Reset() = 0;
  virtual void ClearFiles() = 0;
  virtual void SetArchiveName(const std::string& archive) = 0;
  virtual void AddPath(const std::string& path) = 0;
  // Gives the finished archive file this last-write time before it is renamed into place.
  virtual void SetArchiveTime(DosDateTime time) = 0;
  // Writes the archive under a temporary name beside it and renames it into place when
  // complete; returns the number of entries stored. Throws FileError when the archive cannot
  // be written or no entry could be stored (a vanished or unreadable source); then no archive
  // is left behind and an archive already under that name stays as it was.
  virtual int Pack() = 0;  // throw FileError
  // Writes the archive as Pack() does but leaves it under its temporary name, returned here,
  // complete and carrying the archive time but not yet synced, for a DurabilityBatch to place.
  virtual std::string PackToTemporary() = 0;  // throw FileError
  // Whether the volume of the last archive refused it its source's mode or owner.
  virtual bool ModesRefused() const { return false; }
};

// The packer built on libzip. Reads sources through `fs` and processes messages on `loop`
// while it compresses. An `observer` gets its Update() call there too; when it throws, the
// pack is abandoned (no archive, no temporary left) and the exception passed on.
std::unique_ptr<ZipPacker> MakeZipPacker(FileSystem& fs, ui::MessageLoop& loop,
                                         RunObserver* observer = nullptr);

}  // namespace qm
