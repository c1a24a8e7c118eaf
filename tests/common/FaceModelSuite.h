#pragma once

// The installed face model, loaded once for the whole test program (it takes a second or more)
// and shared by every suite built on this fixture.

#include "picture/U_FaceFinder.h"

#include <gtest/gtest.h>

class WithFaceModel : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!model) {
            model = new FaceModel; // kept until the program ends
            model->startLoading();
        }
        ASSERT_TRUE(model->waitUntilLoaded()) << model->status().toStdString();
    }
    static inline FaceModel* model = nullptr;
};
