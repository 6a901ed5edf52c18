#include "common/quorvil.h"

#include <gtest/gtest.h>

namespace {

TEST(SystemExports, VendorAndProductIdsFromDevicePaths) {
  struct Case {
    std::u16string device;
    bool found;
    std::u16string vendor, product;
  } cases[] = {
      {u"\\\\?\\usb#vid_0bda&pid_0129#6&1a2b3c4d&0&4#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", true, u"0BDA",
       u"0129"},
      {u"\\\\?\\USB#VID_046D&PID_C5_2B#7&2", true, u"046D", u"C5_2B"},  // "_" is a word character
      {u"\\\\?\\hid#vid_1234", false, u"old-v", u"old-p"},   // no product id
      {u"\\\\?\\pci#ven_8086&dev_1234", false, u"old-v", u"old-p"},
      {u"usb#", false, u"old-v", u"old-p"},                  // four characters hold no ids
      {u"", false, u"old-v", u"old-p"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.device.begin(), c.device.end()));
    std::u16string vendor = u"old-v", product = u"old-p";
    EXPECT_EQ(GetVIDPIDFromDevString(c.device.c_str(), vendor, product), c.found);
    EXPECT_EQ(vendor, c.vendor);
    EXPECT_EQ(product, c.product);
  }
}

TEST(SystemExports, WindowsVersionTestsAreFalse) {
  EXPECT_FALSE(is_xp_os());
  EXPECT_FALSE(is_vista_os());
  EXPECT_FALSE(is_win7_os());
  EXPECT_FALSE(is_win8_os());
  EXPECT_FALSE(is_vista_os_plus());
  // A 64-bit build is no 32-bit process under a 64-bit system.
  if (sizeof(void*) == 8) {
    EXPECT_FALSE(is_os_64bit());
  }
  MyTrace(u"nothing %d", 1);
}

}  // namespace
