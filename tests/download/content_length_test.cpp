#include <gtest/gtest.h>

#include <climits>

#include "download/content_length.h"

TEST(ContentLengthValue, ConvertsAsANumericConversionWouldAndRefusesTheRest) {
  const struct {
    const wchar_t* header;
    int value;
  } cases[] = {
      {L"100", 100},       {L"+100", 100},      {L" 100 ", 100},    {L"\t+100\t", 100},
      {L"0", 0},           {L"007", 7},         {L"2147483647", INT_MAX},
      {L"2147483648", 0},  {L"99999999999999999999", 0},
      {L"-100", 0},        {L"-0", 0},          {L"1.5", 0},        {L"100.0", 0},
      {L"+", 0},           {L"++1", 0},         {L"+ 1", 0},        {L"1 0", 0},
      {L"", 0},            {L"   ", 0},         {L"0x10", 0},       {L"12abc", 0},
  };
  for (const auto& k : cases) EXPECT_EQ(sb::ContentLengthValue(k.header), k.value) << k.header;
}
