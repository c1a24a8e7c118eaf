#include <gtest/gtest.h>
TEST(Formats, Placeholder) {}
