#include <gtest/gtest.h>

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
