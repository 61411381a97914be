// Rules of a profile row that hold whoever edits it: the new-row defaults and the check run
// before every post.
#pragma once

#include "platform/date_time.h"
#include "profiles/profile_table.h"
#include "ui/dialogs.h"

namespace qm {

// The values every new row receives (Name, SrcDir and DestDir stay empty); LastRun and NextRun
// get `now`.
void ApplyNewRowDefaults(ProfileTable& table, TDateTime now);

// The check before a post of the current row: refuses a row whose name, source or destination
// directory is empty, telling the user which ones through `dialogs`; a both-directions profile
// is posted with packing, deletion and kept copies switched off. Returns false to refuse.
bool CheckRowBeforePost(ProfileTable& table, ui::Dialogs& dialogs);

// The refusal text for the missing fields of `row`; empty when none is missing.
std::string MissingFieldsMessage(const ProfileRow& row);

}  // namespace qm
