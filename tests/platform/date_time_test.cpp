#include "platform/date_time.h"

#include <gtest/gtest.h>

#include <ctime>

namespace kv::platform {
namespace {

// The formats are the user's own on Windows; what both twins promise is a non-empty text that
// holds this year's digits (date) and two colon-separated fields at least (time).
TEST(DateTime, DateHoldsTheYearAndTimeHoldsClockFields) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  const std::string year = std::to_string(local.tm_year + 1900);
  const std::u16string date = CurrentShortDate();
  const std::u16string time = CurrentLongTime();
  const std::string date8(date.begin(), date.end());
  EXPECT_TRUE(date8.find(year) != std::string::npos || date8.find(year.substr(2)) != std::string::npos)
      << date8;
  EXPECT_GE(std::count(time.begin(), time.end(), u':'), 2) << std::string(time.begin(), time.end());
}

}  // namespace
}  // namespace kv::platform
