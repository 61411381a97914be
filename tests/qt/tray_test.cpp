// The notification-area icon and its menu, and the window's keys and hiding as the real widgets
// see them: the hint limit, the animation frames, the banner, the key preview of edit fields
// and the fallback to minimising on a desktop without a notification area.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSystemTrayIcon>
#include <memory>
#include <string>

#include "app/main_window_controller.h"
#include "platform/clock.h"
#include "profiles/profile_store.h"
#include "qt/main_window.h"
#include "qt/qt_message_loop.h"
#include "qt/tray_icon.h"
#include "window_fixture.h"

namespace qm::test {
namespace {

TEST(TrayTest, HintIsCutToSixtyThreeCharactersAndBreaksAtItsCarriageReturns) {
  EXPECT_EQ(qt::TrayHintText(std::string(62, 'a')).size(), 62);
  EXPECT_EQ(qt::TrayHintText(std::string(63, 'a')).size(), 63);
  EXPECT_EQ(qt::TrayHintText(std::string(64, 'a')).size(), 63);
  EXPECT_EQ(qt::TrayHintText("Quillmor stoped."), "Quillmor stoped.");
  // A character of two units at the limit is left out whole rather than cut in half.
  const QString cut = qt::TrayHintText(std::string(62, 'a') + "\U0001F600b");
  EXPECT_EQ(cut.size(), 62);
  EXPECT_FALSE(cut.back().isSurrogate());
  // The CRs count towards the limit, then become line breaks.
  EXPECT_EQ(qt::TrayHintText("a\rb\r\nc"), "a\nb\nc");
  EXPECT_EQ(qt::TrayHintText(std::string(62, 'a') + "\r\nb"), QString(62, 'a') + "\n");
}

TEST(TrayTest, TenDistinctAnimationFrames) {
  std::vector<QImage> frames;
  for (int i = 0; i < qt::kAnimationFrames; ++i) frames.push_back(qt::AnimationFrame(i).toImage());
  for (size_t i = 0; i < frames.size(); ++i)
    for (size_t j = i + 1; j < frames.size(); ++j) EXPECT_NE(frames[i], frames[j]) << i << " " << j;
}

TEST(TrayTest, BannerIsAGreenStripWithWhiteLetters) {
  const QImage banner = qt::MenuBannerPixmap().toImage();
  ASSERT_EQ(banner.size(), QSize(19, 100));
  const QColor corner = banner.pixelColor(0, 0);
  EXPECT_GT(corner.green(), 2 * corner.red());
  int white = 0;
  for (int y = 0; y < banner.height(); ++y)
    for (int x = 0; x < banner.width(); ++x)
      if (banner.pixelColor(x, y).lightness() > 200) ++white;
  EXPECT_GT(white, 40);
  // The name reads upwards, so it sits in the lower part of the strip.
  int white_low = 0;
  for (int y = 50; y < banner.height(); ++y)
    for (int x = 0; x < banner.width(); ++x)
      if (banner.pixelColor(x, y).lightness() > 200) ++white_low;
  EXPECT_GT(white_low, white / 2);
}

class TrayWindowTest : public WindowFixture {
 protected:
  void Open(bool tray) {
    tray_ = tray;
    handle.SetTrayAvailable([this] { return tray_; });
    WriteStore({"Documents", "Photos"});
    Create();
    window->tray()->SetTrayAvailable([this] { return tray_; });
    handle.ShowWindow();
  }
  QLineEdit* NameEdit() { return window->findChild<QLineEdit*>("profile_name_edit"); }

  bool tray_ = true;
};

TEST_F(TrayWindowTest, MenuDrawsItsBannerInTheLeftMargin) {
  Open(true);
  qt::BannerMenu& menu = window->tray()->menu();
  EXPECT_EQ(menu.actions().size(), 10);
  EXPECT_EQ(menu.contentsMargins().left(), qt::kBannerWidth);
  menu.adjustSize();
  const QImage shot = menu.grab().toImage();
  const QRect banner = menu.BannerRect();
  EXPECT_EQ(banner.width(), qt::kBannerWidth);
  EXPECT_GT(banner.height(), 100 / 2);
  const QColor middle = shot.pixelColor(banner.left() + 1, banner.top() + 2);
  EXPECT_GT(middle.green(), 2 * middle.red());
}

TEST_F(TrayWindowTest, MenuEntriesCarryTheirCaptionsHintsAndPictures) {
  Open(true);
  const QList<QAction*> actions = window->tray()->menu().actions();
  ASSERT_EQ(actions.size(), 10);
  const char* captions[] = {
      "Show",          "Hide", "",     "Start in background", "Stop", "", "Restore files...",
      "Verify backup", "",     "Close"};
  const char* hints[] = {"Open Quillmor window",
                         "Hide Quillmor window",
                         "",
                         "Start all enabled profiles in background",
                         "Stop",
                         "",
                         "Bring back the current profile's files from its backup",
                         "Compare the current profile's files with its backup",
                         "",
                         "Stop all works and close Quillmor"};
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    if (!*captions[i]) {
      EXPECT_TRUE(actions[i]->isSeparator());
      continue;
    }
    EXPECT_EQ(actions[i]->text(), captions[i]);
    EXPECT_EQ(actions[i]->toolTip(), hints[i]);
    if (i < 6 || i > 7) {
      EXPECT_FALSE(actions[i]->icon().isNull());
    }
  }
  EXPECT_TRUE(window->tray()->menu().toolTipsVisible());
  // The window is visible and the table holds profiles: idle entries.
  EXPECT_FALSE(actions[0]->isEnabled());
  EXPECT_TRUE(actions[1]->isEnabled());
  EXPECT_TRUE(actions[3]->isEnabled());
  EXPECT_FALSE(actions[4]->isEnabled());
  EXPECT_TRUE(actions[6]->isEnabled());
  EXPECT_TRUE(actions[7]->isEnabled());
}

TEST_F(TrayWindowTest, TheIconsTooltipShowsTheRunsHintOnSeveralLines) {
  Open(true);
  auto* icon = window->tray()->findChild<QSystemTrayIcon*>();
  ASSERT_NE(icon, nullptr);
  form->SetTrayHint("Quillmor\rDone today:12\rthis hour:3\rthis minute:0");
  EXPECT_EQ(icon->toolTip(), "Quillmor\nDone today:12\nthis hour:3\nthis minute:0");
}

TEST_F(TrayWindowTest, InsertInTheNameFieldAppendsARow) {
  Open(true);
  NameEdit()->setFocus();
  Key(NameEdit(), Qt::Key_Insert);
  EXPECT_EQ(form->profile_table.RecordCount(), 3u);
  EXPECT_EQ(form->profile_table.RecNo(), 3u);
  EXPECT_TRUE(form->profile_table.Editing());
}

TEST_F(TrayWindowTest, CtrlShiftDeleteDeletesAfterTheQuestionShiftDeleteStaysWithTheEditor) {
  Open(true);
  NameEdit()->setText("Documents");
  NameEdit()->setCursorPosition(0);
  // Shift+Delete is the editor's (cut); the window asks nothing.
  Key(NameEdit(), Qt::Key_Delete, Qt::ShiftModifier);
  EXPECT_TRUE(dialogs.Texts(DialogKind::kConfirm).empty());

  dialogs.ExpectConfirm(kDeleteProfileQuestion, true);
  form->profile_table.Cancel();
  Key(NameEdit(), Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(form->profile_table.RecordCount(), 1u);
  EXPECT_EQ(dialogs.Texts(DialogKind::kConfirm).size(), 1u);
}

TEST_F(TrayWindowTest, DeleteAloneStillDeletesACharacterInAnEditor) {
  Open(true);
  form->profile_table.Cancel();
  NameEdit()->setFocus();
  NameEdit()->setCursorPosition(0);
  const QString before = NameEdit()->text();
  Key(NameEdit(), Qt::Key_Delete);
  EXPECT_EQ(NameEdit()->text(), before.mid(1));
  EXPECT_EQ(form->profile_table.RecordCount(), 2u);
}

TEST_F(TrayWindowTest, WithoutANotificationAreaF10MinimisesAndSaysWhyOnce) {
  Open(false);
  EXPECT_FALSE(window->tray()->IsShown());
  Key(NameEdit(), Qt::Key_F10);
  EXPECT_TRUE(window->isMinimized());
  EXPECT_EQ(dialogs.Texts(DialogKind::kInformation).size(), 1u);

  form->ShowFromTray();
  EXPECT_FALSE(window->isMinimized());
  EXPECT_TRUE(window->isVisible());
  Key(NameEdit(), Qt::Key_F10);
  EXPECT_TRUE(window->isMinimized());
  EXPECT_EQ(dialogs.Texts(DialogKind::kInformation).size(), 1u);

  // A panel started later gets the icon, and the minimised window goes there.
  tray_ = true;
  window->tray()->SetTrayAvailable([this] { return tray_; });
  EXPECT_TRUE(window->tray()->IsShown());
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(form->show_menu_item.Enabled());
}

}  // namespace
}  // namespace qm::test
