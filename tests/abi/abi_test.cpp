#include <gtest/gtest.h>

#include "c4d_abi.h"

extern "C" int tavren_abi_c_version(void);

TEST(Abi, CompilesAsPlainC) { EXPECT_EQ(tavren_abi_c_version(), 15000); }
