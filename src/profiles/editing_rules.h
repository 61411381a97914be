// The rules that tie a profile's options together while the user edits it, and the write test
// of a chosen destination. The main window binds them to its controls (and to FieldChanged of
// SyncMethod and RemoveDeleted); here they only see the table and what the controls show.
// While the table's controls are disabled (loading the store) they change no value.
#pragma once

#include <optional>
#include <string>

#include "platform/file_system.h"
#include "profiles/profile_table.h"

namespace qm {

// The copy-method rule. `shown_method` is the key the copy-method list shows (nullopt when it
// shows none). Returns whether the packing box, the deletion box and the keep-copy list with
// its label are enabled: only for the one-way method. Otherwise, when the current row is
// being edited or inserted, packing, deletion and kept copies are switched off in it.
bool ApplyCopyMethodRule(ProfileTable& table, std::optional<int> shown_method);

// The deletion rule: deleting removed files and keeping older copies exclude each other.
// Returns whether the keep-copy list and its label are enabled: only while the deletion box is
// enabled and not checked. Otherwise, when the current row is being edited or inserted, the
// keep-copy kind becomes 0 ("Do not keep").
bool ApplyDeletionRule(ProfileTable& table, bool delete_box_enabled, bool delete_box_checked);

// The scratch file the write test creates and deletes.
inline constexpr const char* kWriteTestFileName = "testfilecreatetmp.qlm";

// Whether a file can be created in `directory`: creates "testfilecreatetmp.qlm" there empty
// (replacing one of that name), closes and deletes it.
bool CanWriteToDirectory(const std::string& directory, FileSystem& fs);

}  // namespace qm
