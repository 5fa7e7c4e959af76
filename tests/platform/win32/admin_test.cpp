// The administrator check through the service control manager. Wine's default user may administer
// the local services; a machine that cannot be reached gives no handle and so no rights.
#include "platform/admin.h"

#include <gtest/gtest.h>

namespace kv::platform {
namespace {

TEST(IsAdministrator, LocalMachineUnderWineAllowsAdministration) { EXPECT_TRUE(IsAdministrator(u"")); }

}  // namespace
}  // namespace kv::platform
