#include <gtest/gtest.h>

#include "support/fake_platform.hpp"
#include "window/handlers.hpp"

namespace orvelt {
namespace {

// A folder setting gets its final separator, so that a screenshot lands inside the folder and
// not beside it as "shotspass.png".
TEST(AsFolder, AddsTheMissingSeparator) {
  EXPECT_EQ(As_Folder("/home/me/shots"), "/home/me/shots/");
  EXPECT_EQ(As_Folder("/home/me/shots/"), "/home/me/shots/");
  EXPECT_EQ(As_Folder("/"), "/");
  EXPECT_EQ(As_Folder(""), "");
}

}  // namespace
}  // namespace orvelt
