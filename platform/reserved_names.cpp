#include "platform/reserved_names.h"

#include <array>
#include <string>

namespace kv::platform {
namespace {

constexpr std::array<std::u16string_view, 32> kReservedNames = {
    u"con",  u"prn",  u"aux",       u"nul",       u"conin$",    u"conout$",   u"com0",      u"com1",
    u"com2", u"com3", u"com4",      u"com5",      u"com6",      u"com7",      u"com8",      u"com9",
    u"lpt0", u"lpt1", u"lpt2",      u"lpt3",      u"lpt4",      u"lpt5",      u"lpt6",      u"lpt7",
    u"lpt8", u"lpt9", u"com\u00B9", u"com\u00B2", u"com\u00B3", u"lpt\u00B9", u"lpt\u00B2", u"lpt\u00B3"};

}  // namespace

bool IsReservedDeviceName(std::u16string_view name) {
  std::u16string base(name.substr(0, name.find(u'.')));
  while (!base.empty() && base.back() == u' ') base.pop_back();
  for (auto& c : base)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  for (auto reserved : kReservedNames)
    if (base == reserved) return true;
  return false;
}

}  // namespace kv::platform
