// The "Parameters" page in the real window, and the window's options and placement kept over
// a confirmed close and a new start.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <memory>

#include "app/main_form_state.h"
#include "app/qmUnit1.h"
#include "platform/app_paths.h"
#include "platform/clock.h"
#include "qt/main_window.h"
#include "qt/qt_message_loop.h"
#include "window_fixture.h"

namespace qm::test {
namespace {

class ParametersTest : public WindowFixture {
 protected:
  ParametersTest() { store = dir / "Quillmor.dat"; }
  void Start() { Open(); }
  void Stop() { Close(); }
};

TEST_F(ParametersTest, EveryControlIsThereInTabOrder) {
  Start();
  const char* order[] = {"chRunOnWindowsStart", "chLogCreate", "deLogDir",  "deLogDirButton",
                         "chLogLimitSize",      "eLogLimit",   "chLogInfo", "chLogErrors",
                         "chLogDeletes",        "chLogSucc"};
  std::vector<QWidget*> wanted;
  for (const char* name : order) wanted.push_back(Find<QWidget>(name));
  EXPECT_EQ(TabOrder(wanted), wanted);
  EXPECT_EQ(Find<QLabel>("lLogDir")->toolTip(), Find<QLineEdit>("deLogDir")->toolTip());
  EXPECT_EQ(Find<QSpinBox>("eLogLimit")->maximum(), 65536);
}

TEST_F(ParametersTest, BrowseButtonFillsTheLogDirectory) {
  Start();
  dialogs.ExpectBrowse(kLogDirBrowseTitle, "/srv/logs");
  Find<QPushButton>("deLogDirButton")->click();
  EXPECT_EQ(Find<QLineEdit>("deLogDir")->text(), "/srv/logs");
  EXPECT_TRUE(dialogs.AllAnswered());
}

TEST_F(ParametersTest, OptionsAndPlacementComeBackAfterAConfirmedClose) {
  Start();
  Find<QCheckBox>("chLogSucc")->click();
  Find<QSpinBox>("eLogLimit")->setValue(300);
  window->setGeometry(40, 50, 720, 460);
  dialogs.ExpectConfirm(kCloseQuestion, true);
  ASSERT_TRUE(window->close());
  Stop();

  Start();
  EXPECT_TRUE(Find<QCheckBox>("chLogSucc")->isChecked());
  EXPECT_EQ(Find<QSpinBox>("eLogLimit")->value(), 300);
  EXPECT_EQ(window->geometry(), QRect(40, 50, 720, 460));
  const auto stored = Registry(ConfigDirectory())
                          .ReadString(Hive::kLocalMachine, MainFormSettings().Key(), "NormPos");
  EXPECT_EQ(stored, "40,50,760,510");
  dialogs.ExpectConfirm(kCloseQuestion, true);
  ASSERT_TRUE(window->close());
}

}  // namespace
}  // namespace qm::test
