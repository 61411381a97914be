#include <gtest/gtest.h>

#include "engine/kept_copy_names.h"

namespace qm {
namespace {

TEST(SplitAtLastDot, SearchesTheWholeText) {
  EXPECT_EQ(SplitAtLastDot("a.txt.3"), std::make_pair(std::string("a.txt"), std::string("3")));
  EXPECT_EQ(SplitAtLastDot("readme"), std::make_pair(std::string("readme"), std::string()));
  EXPECT_EQ(SplitAtLastDot("old.2004/readme"),
            std::make_pair(std::string("old"), std::string("2004/readme")));
}

TEST(StripKeepSuffix, ReducesKeptCopiesAndArchives) {
  int64_t m = 0;
  EXPECT_EQ(StripKeepSuffix("a.txt", false, kKeepNone, m), "a.txt");
  EXPECT_EQ(StripKeepSuffix("a.txt.1", false, kKeepSequence, m), "a.txt");
  EXPECT_EQ(StripKeepSuffix("b.txt.4", false, kKeepSequence, m), "b.txt");
  EXPECT_EQ(m, 4);
  EXPECT_EQ(StripKeepSuffix("report.doc", false, kKeepSequence, m), "report");  // counts as 0
  EXPECT_EQ(StripKeepSuffix("old.2004\\readme", false, kKeepSequence, m), "old");
  EXPECT_EQ(m, 4);
  EXPECT_EQ(StripKeepSuffix("a.txt.10-12-2004_2-14-36", false, kKeepDateTime, m), "a.txt");
  EXPECT_EQ(StripKeepSuffix("a.txt.3.zip", true, kKeepSequence, m), "a.txt");
  EXPECT_EQ(StripKeepSuffix("a.txt.9", true, kKeepSequence, m), std::nullopt);  // no ".zip"
  EXPECT_EQ(StripKeepSuffix("a.txt.zip", true, kKeepNone, m), "a.txt");
  EXPECT_EQ(m, 4);
  EXPECT_EQ(StripKeepSuffix("a.99999999999999999999", false, kKeepSequence, m), "a");
  EXPECT_EQ(m, 4);  // too big to be a number: counts as 0
}

TEST(NewCopyName, PerKeepCopyKind) {
  EXPECT_EQ(NewCopyName("A.txt", kKeepNone, 7, "x"), "A.txt");
  EXPECT_EQ(NewCopyName("A.txt", kKeepSequence, 0, "x"), "A.txt.1");
  EXPECT_EQ(NewCopyName("A.txt", kKeepSequence, 4, "x"), "A.txt.5");
  EXPECT_EQ(NewCopyName("A.txt", kKeepDateTime, 4, "10-12-2004_2-14-36"),
            "A.txt.10-12-2004_2-14-36");
}

TEST(DateTimeSuffix, FromRegionalFormats) {
  const TDateTime t = *EncodeDateTime({2004, 12, 10, 2, 14, 36, 0});
  RegionalFormats de;
  de.short_date = "dd.mm.yyyy";
  de.long_time = "h:nn:ss";
  EXPECT_EQ(DateTimeSuffix(t, de), "10-12-2004_2-14-36");

  RegionalFormats us;
  us.short_date = "m/d/yyyy";
  us.date_separator = '/';
  us.long_time = "h:nn:ss ampm";
  EXPECT_EQ(DateTimeSuffix(t, us), "12_10_2004_2-14-36_AM");

  // Non-ASCII letters stay whole; a narrow no-break space is a blank.
  us.am =
      "\xE2\x80\xAF"
      "vorm\xC3\xA4";
  EXPECT_EQ(DateTimeSuffix(t, us), "12_10_2004_2-14-36__vorm\xC3\xA4");
}

}  // namespace
}  // namespace qm
