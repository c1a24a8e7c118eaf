#pragma once

// The installed face model, loaded once for each suite built on this fixture (it takes a
// second or more) and closed after it, so that a cache still being written is waited for.

#include "picture/U_FaceFinder.h"

#include <gtest/gtest.h>

class WithFaceModel : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        model = new FaceModel;
        model->startLoading();
        ASSERT_TRUE(model->waitUntilLoaded()) << model->status().toStdString();
    }
    static void TearDownTestSuite() {
        delete model;
        model = nullptr;
    }
    static inline FaceModel* model = nullptr;
};
