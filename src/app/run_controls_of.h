// The run controller's controls of a window, found under their own names, so that the main
// window and a stand-in for it hand in the same set.
#pragma once

#include "app/run_controller.h"

namespace qm {

template <class Window>
RunControls RunControlsOf(Window& w) {
  return RunControls{
      w.start_button,         w.start_background_button, w.hide_button,
      w.current_profile_page, w.statistics_page,         w.parameters_page,
      w.page_control,         w.time_limits_box,         w.start_time_edit,
      w.finish_time_edit,     w.start_time_label,        w.finish_time_label,
      w.show_menu_item,       w.hide_menu_item,          w.start_background_menu_item,
      w.stop_menu_item};
}

}  // namespace qm
