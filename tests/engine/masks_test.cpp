#include <gtest/gtest.h>

#include "engine/masks.h"

namespace qm {
namespace {

using Masks = std::vector<std::string>;

TEST(CutMaskText, EmptyTextSelectsEverythingButBlanksSelectNothing) {
  EXPECT_EQ(CutMaskText(""), Masks({"*.*"}));
  EXPECT_EQ(CutMaskText("   "), Masks());
  EXPECT_EQ(CutMaskText("*"), Masks());  // a one-character piece is dropped
}

TEST(CutMaskText, CutsAtSemicolonsBeforeCommas) {
  EXPECT_EQ(CutMaskText("*.doc;*.txt;*.xls"), Masks({"*.doc", "*.txt", "*.xls"}));
  EXPECT_EQ(CutMaskText("*.doc,*.txt"), Masks({"*.doc", "*.txt"}));
  // The comma before the first ";" stays inside the first piece; after the last ";" the rest
  // holds no ";" any more, so commas cut it.
  EXPECT_EQ(CutMaskText("*.a,*.b;*.c,*.d"), Masks({"*.a,*.b", "*.c", "*.d"}));
}

TEST(CutMaskText, TrimsTheWholeTextOnlyAndDropsShortPieces) {
  EXPECT_EQ(CutMaskText("  *.doc; *.txt  "), Masks({"*.doc", " *.txt"}));
  EXPECT_EQ(CutMaskText("*.doc;;x;*.c"), Masks({"*.doc", "*.c"}));
  EXPECT_EQ(CutMaskText("*.doc;"), Masks({"*.doc"}));
  EXPECT_EQ(CutMaskText("é;*.c"), Masks({"*.c"}));  // one character, two bytes
}

TEST(MatchesMask, StarDotStarSelectsEveryName) {
  for (const char* name : {"a.txt", "README", "x.y.z", ".hidden", "trailing."}) {
    EXPECT_TRUE(MatchesMask(name, "*.*")) << name;
  }
}

TEST(MatchesMask, WildcardsAndLetterCase) {
  EXPECT_TRUE(MatchesMask("Report.DOC", "*.doc"));
  EXPECT_TRUE(MatchesMask("report.doc", "R*.D?C"));
  EXPECT_FALSE(MatchesMask("report.docx", "*.doc"));
  EXPECT_FALSE(MatchesMask("report.doc", " *.doc"));  // a leading blank is part of the mask
  EXPECT_TRUE(MatchesMask(" report.doc", " *.doc"));
  EXPECT_TRUE(MatchesMask("a.b.c.txt", "*.*.txt"));
  EXPECT_TRUE(MatchesMask("aXbXc", "a*b*c"));
  EXPECT_FALSE(MatchesMask("aXbXcX", "a*b*c"));
  EXPECT_TRUE(MatchesMask("ab", "ab**"));
  EXPECT_FALSE(MatchesMask("ab", "ab?"));
}

TEST(MatchesMask, TrailingDotStarMayMatchNothing) {
  EXPECT_TRUE(MatchesMask("report", "report.*"));
  EXPECT_TRUE(MatchesMask("report.doc", "report.*"));
  EXPECT_FALSE(MatchesMask("reports", "report.*"));
}

TEST(MatchesMask, NonAsciiCharactersWholeAndWithoutRegardToCase) {
  EXPECT_TRUE(MatchesMask("é.txt", "?.txt"));
  EXPECT_FALSE(MatchesMask("é.txt", "??.txt"));
  EXPECT_TRUE(MatchesMask("ärztliche Übersicht.doc", "ÄRZT*ÜBER*.DOC"));
  EXPECT_TRUE(MatchesMask("отчёт.txt", "ОТЧ*.txt"));
  EXPECT_FALSE(MatchesMask("é.txt", "e.txt"));
  EXPECT_TRUE(MatchesMask("a\xFF.txt", "a?.txt"));  // a stray byte is one character
  // An overlong form of "A" is two stray bytes, never the letter.
  EXPECT_TRUE(MatchesMask("a\xC1\x81.txt", "a??.txt"));
  EXPECT_FALSE(MatchesMask("a\xC1\x81.txt", "aa.txt"));
}

}  // namespace
}  // namespace qm
