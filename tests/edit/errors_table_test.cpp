#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>

#include "engine/common/errors.h"

namespace cw {
namespace {

TEST(ErrorTable, HoldsTwoHundredAndTwoSortedEntriesWithinTheirBlocks) {
  auto table = errorTable();
  ASSERT_EQ(table.size(), 202u);
  std::set<int> numbers;
  for (const ErrorEntry& e : table) {
    numbers.insert(e.number);
    EXPECT_TRUE(e.number == 0 || (e.number >= 1000 && e.number <= 9005)) << e.number;
    for (const char* c = e.message; *c; ++c) EXPECT_TRUE(*c >= 32 && *c < 127) << e.number;
  }
  EXPECT_EQ(numbers.size(), 202u);
}

TEST(ErrorTable, KeepsTheTextsLetterForLetterWithTheirBlanks) {
  EXPECT_STREQ(errorMessage(0), "OK");
  EXPECT_STREQ(errorMessage(1016), "file reading error");
  EXPECT_STREQ(errorMessage(2004), "incorrect Undo-file; Undo disabled ");
  EXPECT_STREQ(errorMessage(2104), "incorrect Redo-file; Redo operation disabled ");
  EXPECT_STREQ(errorMessage(8000), "can not find previuos markout in source file ");
  EXPECT_STREQ(errorMessage(3006), "incompatible audiostreams  in the source and record files");
  EXPECT_STREQ(errorMessage(4006), errorMessage(3006));
  EXPECT_STREQ(errorMessage(3004), "unrecoverable audiogap accumulated indefect in recordfile");
  EXPECT_STREQ(errorMessage(1619),
               "Record file is too short to perform correct entry/append or time-disalignment "
               "accumulated in the end");
  EXPECT_STREQ(errorMessage(9005), "memory error in demultiplexing process");
  // Only these five end in or double a blank.
  int odd = 0;
  for (const ErrorEntry& e : errorTable()) {
    std::string m = e.message;
    if (m.back() == ' ' || m.find("  ") != std::string::npos) ++odd;
  }
  EXPECT_EQ(odd, 5);
}

TEST(ErrorTable, GapsAndForeignNumbersAreNonIdentified) {
  for (int n : {1003, 1011, 1501, 5002, 5005, 3018, 9006, -1, -2, 65535, 10000})
    EXPECT_STREQ(errorMessage(n), "non-identified error") << n;
}

TEST(ErrorCatalogue, EveryNumberOnceAndNumbersWithoutTextStayNonIdentified) {
  std::set<int> numbers;
  for (const ErrorEntry& e : errorTable()) EXPECT_TRUE(numbers.insert(e.number).second) << e.number;
  for (const ErrorEntry& e : errorsWithoutText()) {
    EXPECT_TRUE(numbers.insert(e.number).second) << e.number;
    EXPECT_EQ(e.message, nullptr) << e.number;
    EXPECT_STREQ(errorMessage(e.number), "non-identified error") << e.number;
  }
  for (int n : numbers) {
    ASSERT_NE(findError(n), nullptr) << n;
    EXPECT_EQ(findError(n)->number, n);
  }
  for (int n : {1003, 3018, 9006, -1}) EXPECT_EQ(findError(n), nullptr) << n;
}

TEST(ErrorCatalogue, TheFileAnErrorConcernsIsTheOneItsTextNames) {
  int withFile = 0;
  for (const ErrorEntry& e : errorTable()) {
    if (e.file == ErrorFile::None) continue;
    ++withFile;
    const std::string text = e.message;
    const auto names = [&text](const char* word) {
      std::string lower = text;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      return lower.find(word) != std::string::npos;
    };
    switch (e.file) {
      case ErrorFile::Source:
        EXPECT_FALSE(names("record") || names("project") || names("undo") || names("redo"))
            << e.number;
        EXPECT_EQ(e.access, FileAccess::Read) << e.number;
        break;
      case ErrorFile::Record:
        EXPECT_FALSE(names("source") || names("-file")) << e.number;
        break;
      case ErrorFile::UndoJournal:
        EXPECT_TRUE(names("undo")) << e.number;
        break;
      case ErrorFile::RedoJournal:
        EXPECT_TRUE(names("redo")) << e.number;
        break;
      case ErrorFile::None:
        break;
    }
  }
  EXPECT_EQ(withFile, 34);
  // A file that an operation makes, and one it changes in place.
  EXPECT_EQ(findError(kCropCannotCreate)->access, FileAccess::Create);
  EXPECT_EQ(findError(kErrAppendOpenUndo)->access, FileAccess::Create);
  EXPECT_EQ(findError(kErrUndoOpenRecord)->access, FileAccess::Write);
}

TEST(ErrorCatalogue, BlocksGiveTheCategory) {
  EXPECT_EQ(errorCategory(kErrOk), ErrorCategory::Success);
  EXPECT_EQ(errorCategory(kErrRecordHeadBadGop), ErrorCategory::RecordHead);
  EXPECT_EQ(errorCategory(kErrRecordTailNoPackets), ErrorCategory::RecordTail);
  EXPECT_EQ(errorCategory(kEsReaderNoMemory), ErrorCategory::EsReader);
  for (int n : {-1, 999, 1999, 2200, 9200}) EXPECT_EQ(errorCategory(n), ErrorCategory::Other) << n;
  // Both cut areas, gaps included, and nothing either side of them.
  for (int n : {1300, 1311, 1399, 1400, 1499}) EXPECT_TRUE(isCutAreaError(n)) << n;
  for (int n : {1299, 1500, 1609}) EXPECT_FALSE(isCutAreaError(n)) << n;
}

TEST(ErrorState, SetErrorStoresTheNumberAndItsMessage) {
  ErrorState state;
  state.SetError(0);
  EXPECT_EQ(state.number, 0);
  EXPECT_EQ(state.message, "OK");
  state.SetError(1003);
  EXPECT_EQ(state.number, 1003);
  EXPECT_EQ(state.message, "non-identified error");
  // Only the low 16 bits of a routine's result carry the number.
  state.SetError(0x10000 | 6006);
  EXPECT_EQ(state.number, 6006);
  EXPECT_EQ(state.message, "operation cancelled; record file restored in its former state");
  state.SetError(0xFFFE);
  EXPECT_EQ(state.number, -2);
}

}  // namespace
}  // namespace cw
