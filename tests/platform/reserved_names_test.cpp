// The device names Windows keeps in every folder, whatever the case and the extension.
#include "platform/reserved_names.h"

#include <gtest/gtest.h>

namespace kv::platform {
namespace {

struct NameCase {
  const char16_t* name;
  bool reserved;
};

constexpr NameCase kNameCases[] = {
    {u"CON", true},       {u"nul.txt", true},       {u"aux .x", true},        {u"Com1", true},
    {u"lpt9.log", true},  {u"CONIN$", true},        {u"conout$.txt", true},   {u"COM0", true},
    {u"lpt0.x", true},    {u"COM\u00B9", true},     {u"com\u00B2.log", true}, {u"Com\u00B3", true},
    {u"LPT\u00B9", true}, {u"lpt\u00B2.txt", true}, {u"LpT\u00B3", true},     {u"con1", false},
    {u"conin", false},    {u"com10", false},        {u"com\u2074", false},    {u"lpt\u00B9x", false},
    {u"lpt", false},      {u"my con.txt", false},   {u"x.con", false},        {u"", false},
};

TEST(ReservedDeviceNames, TableOfNames) {
  for (const NameCase& c : kNameCases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - kNameCases));
    EXPECT_EQ(IsReservedDeviceName(c.name), c.reserved);
  }
}

}  // namespace
}  // namespace kv::platform
