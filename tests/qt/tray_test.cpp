// The notification-area icon's hint limit and its animation frames.
#include <gtest/gtest.h>

#include <QImage>
#include <string>

#include "qt/tray_icon.h"

namespace qm::test {
namespace {

TEST(TrayTest, HintIsCutToSixtyThreeCharacters) {
  EXPECT_EQ(qt::TrayHintText(std::string(63, 'a')).size(), 63);
  EXPECT_EQ(qt::TrayHintText(std::string(64, 'a')).size(), 63);
  EXPECT_EQ(qt::TrayHintText("Quillmor stoped."), "Quillmor stoped.");
}

TEST(TrayTest, TenDistinctAnimationFrames) {
  std::vector<QImage> frames;
  for (int i = 0; i < qt::kAnimationFrames; ++i) frames.push_back(qt::AnimationFrame(i).toImage());
  for (size_t i = 0; i < frames.size(); ++i)
    for (size_t j = i + 1; j < frames.size(); ++j) EXPECT_NE(frames[i], frames[j]) << i << " " << j;
}

}  // namespace
}  // namespace qm::test
