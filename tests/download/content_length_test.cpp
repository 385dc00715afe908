#include <gtest/gtest.h>

#include <climits>
#include <optional>

#include "download/content_length.h"

// ContentLengthValue is the size, or 0 where there is none.
TEST(ContentLengthValue, ConvertsAsANumericConversionWouldAndRefusesTheRest) {
  constexpr std::optional<int> kNone;
  const struct {
    const wchar_t* header;
    std::optional<int> size;
  } cases[] = {
      {L"100", 100},          {L"+100", 100},    {L" 100 ", 100},   {L"\t+100\t", 100},
      {L"0", 0},              {L"+0", 0},        {L"007", 7},       {L"2147483647", INT_MAX},
      {L"2147483648", kNone}, {L"4000000000", kNone},               {L"99999999999999999999", kNone},
      {L"-100", kNone},       {L"-0", kNone},    {L"1.5", kNone},   {L"100.0", kNone},
      {L"+", kNone},          {L"++1", kNone},   {L"+ 1", kNone},   {L"1 0", kNone},
      {L"", kNone},           {L"   ", kNone},   {L"0x10", kNone},  {L"12abc", kNone},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(sb::ContentLengthSize(k.header), k.size) << k.header;
    EXPECT_EQ(sb::ContentLengthValue(k.header), k.size.value_or(0)) << k.header;
  }
}
