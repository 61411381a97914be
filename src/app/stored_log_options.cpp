#include "app/stored_log_options.h"

#include <algorithm>
#include <cmath>

#include "app/form_state_store.h"
#include "app/main_form_state.h"

namespace qm {

namespace {

// The value names the "Parameters" page's check boxes, spin edit and field are stored under.
StoredProperty Checked(const char* box, bool& field) {
  return BooleanProperty(
      std::string(box) + ".Checked", [&field] { return field; }, [&field](bool v) { field = v; });
}

}  // namespace

LogOptions LoadStoredLogOptions(const Registry& registry) {
  LogOptions o;
  RestoreStoredProperties(
      registry, MainFormSettings(),
      {Checked("chLogCreate", o.create), Checked("chLogDeletes", o.deletes),
       Checked("chLogErrors", o.errors), Checked("chLogLimitSize", o.limit_size),
       Checked("chLogSucc", o.success),
       RealProperty(
           "eLogLimit.Value", [&o] { return static_cast<double>(o.limit_kb); },
           // As the spin edit takes it: into its range, rounded.
           [&o](double v) {
             o.limit_kb =
                 std::llround(std::clamp(v, double{kLogLimitMinKb}, double{kLogLimitMaxKb}));
           }),
       TextProperty(
           "deLogDir.Text", [&o] { return o.dir; }, [&o](std::string v) { o.dir = std::move(v); }),
       Checked("chLogInfo", o.info)});
  return o;
}

}  // namespace qm
