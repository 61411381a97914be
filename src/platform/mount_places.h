// Whether a path lies on a volume that is not mounted: the stand-in for a drive that is not
// ready. Without it a backup to an unplugged stick's folder would fill the disk beneath the
// empty mount point, and a synchronisation would copy the whole other side into it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/volumes.h"

namespace qm {

// What the rule needs to know of a folder on disk.
struct PlaceState {
  bool exists = false;  // something of that name exists
  bool empty = false;   // it is a directory with no entries
};
using PlaceProbe = std::function<PlaceState(const std::string& path)>;

// A mount place is an /etc/fstab mount point, or a folder directly under /media/<user>,
// /run/media/<user> or /mnt (so /mnt/usb, not /mnt). It is not mounted when it is not a mount
// point now and is missing, listed in fstab, or empty: an unmounted mount point is an empty
// folder, while a non-empty plain folder such as /mnt/backup that fstab does not name is an
// ordinary folder. Returns the first mount place at or above `path` (an absolute path), from
// the root down, that is not mounted; empty when there is none.
std::string NotMountedPlace(std::string_view path, const MountTables& tables, std::string_view user,
                            const PlaceProbe& probe);

// The same on this machine: its mount table, fstab and user, and its folders.
std::string NotMountedPlace(std::string_view path);

}  // namespace qm
