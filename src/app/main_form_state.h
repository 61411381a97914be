// Where and how the main window keeps its options and placement: the settings of its
// form-state store `fs` and its thirteen stored properties.
#pragma once

#include <vector>

#include "app/form_state_store.h"
#include "platform/registry.h"
#include "stats/log_controls.h"

namespace qm {

class TForm1;

inline constexpr const char* kMainFormKeyPath = "Software\\Orbanix\\Applications\\Quillmor";
inline constexpr const char* kMainFormSection = "MainForm";

// Colours of the profile grid as the system's colour constants: button face and window.
inline constexpr int32_t kClBtnFace = static_cast<int32_t>(0xFF00000F);
inline constexpr int32_t kClWindow = static_cast<int32_t>(0xFF000005);

FormStateSettings MainFormSettings();
// In the order they are written.
std::vector<StoredProperty> MainFormProperties(TForm1& form);

// Gives the log controls the values the main window would restore on its next show, so that
// a command without a window writes the log as the window does. Missing values keep the
// controls' own states. Nothing is written.
void LoadStoredLogOptions(const Registry& registry, LogControls& log);

}  // namespace qm
