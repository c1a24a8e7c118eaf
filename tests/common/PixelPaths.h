#pragma once

// Runs a test once per pixel path (scalar, SSE2, AVX2), whatever the processor would pick.
#include "picture/U_PixelPath.h"

#include <gtest/gtest.h>

#include <string>

class OnEveryPixelPath : public ::testing::TestWithParam<PixelPath> {
protected:
    void SetUp() override {
        if (ForcePixelPath(GetParam()) != GetParam())
            GTEST_SKIP() << "this processor lacks the path";
    }
    void TearDown() override { ResetPixelPath(); }
};

inline std::string PixelPathName(const ::testing::TestParamInfo<PixelPath>& info) {
    switch (info.param) {
    case PixelPath::Scalar:
        return "Scalar";
    case PixelPath::Sse2:
        return "Sse2";
    case PixelPath::Avx2:
        return "Avx2";
    }
    return "Unknown";
}

#define QM_ON_EVERY_PIXEL_PATH(Suite)                                                              \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Paths, Suite, ::testing::Values(PixelPath::Scalar, PixelPath::Sse2, PixelPath::Avx2),      \
        PixelPathName)
