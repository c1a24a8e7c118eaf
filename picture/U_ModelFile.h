#pragma once

// The 68-point landmark model, read from the file the face library writes (libdlib-data's
// shape_predictor_68_face_landmarks.dat) by a reader of our own: it reads the file in one
// pass over memory, reports how far it has got, and bounds every declared length by the
// bytes behind it, so that a small broken file cannot ask for gigabytes.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// Sizes a landmark model file may have; the one shipped is about 100 MB.
inline constexpr std::int64_t kMinModelBytes = 1 << 20;
inline constexpr std::int64_t kMaxModelBytes = std::int64_t(1) << 30;

// A cascade of regression trees, as the library trained them: each stage compares pairs of
// pixels placed relative to the current shape and adds the chosen leaves' offsets to it.
struct LandmarkModel {
    struct Stage {
        std::vector<std::uint32_t> anchors; // the landmark each sampled pixel is placed from
        std::vector<float> deltas;          // its offset from there, x and y
        int trees = 0;
        int splits = 0;                    // per tree, a full binary tree
        std::vector<std::uint32_t> pixels; // per split: the two pixels compared
        std::vector<float> thresholds;     // per split
        std::vector<float> leaves;         // per tree, (splits + 1) shapes of 2 x points floats
    };
    int points = 0;
    std::vector<float> meanShape; // x and y per point, in the face box's unit square
    std::vector<Stage> stages;
};

// The same model seen through views, over a LandmarkModel's vectors or straight over a mapped
// cache file, so that a cached model is used where it lies rather than copied (some 65 MB of
// leaves, which a new process would otherwise have to fault in twice).
struct LandmarkView {
    struct Stage {
        std::span<const std::uint32_t> anchors;
        std::span<const float> deltas;
        int trees = 0;
        int splits = 0;
        std::span<const std::uint32_t> pixels;
        std::span<const float> thresholds;
        std::span<const float> leaves;
    };
    int points = 0;
    std::span<const float> meanShape;
    std::vector<Stage> stages;
    std::shared_ptr<const void> keep; // what the views point into, kept alive with them
};

// A view over model, which it keeps alive.
LandmarkView ViewOf(std::shared_ptr<const LandmarkModel> model);

// Reads the model from the file's bytes; false when they are not a sound model in the
// library's layout (version 1, binary numbers, full trees, indices in range, nothing after
// it). progress, when given, follows the share of bytes read.
bool ReadLandmarkModel(const char* data, std::size_t size, LandmarkModel& model,
                       std::atomic<double>* progress = nullptr);
