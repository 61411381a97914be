// Closing descriptors of files that are being replaced or deleted off the calling thread.
#pragma once

namespace qm {

// Closes `fd` on a worker thread. Dropping the last reference to a file whose name is gone
// frees its blocks, and on a volume mounted with online discard that waits for the device, a
// few milliseconds a file; several such closes in flight overlap their waits. When many are
// queued already the descriptor is closed here, so that a burst cannot exhaust descriptors.
void CloseInBackground(int fd);

// Waits until every descriptor handed to CloseInBackground so far is closed.
void WaitForBackgroundCloses();

}  // namespace qm
