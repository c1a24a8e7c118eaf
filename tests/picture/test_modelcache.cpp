// The model's cache read where it lies, and the reduced decoding the command line's search uses.
#include "picture/U_JpegDecode.h"
#include "picture/U_ModelCache.h"
#include "tests/common/JpegSamples.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

// Bytes whose checksum is sound but whose counts do not add up are refused all the same, as
// are bytes after the end; a model of empty stages only, filling the bytes exactly, is sound.
TEST(ModelCacheBytes, CountsMustAddUpUnderASoundChecksum) {
    const ModelStamp stamp{"model.dat", 4321, 987654321};
    const std::pair<std::function<void(LandmarkModel&)>, QByteArray> rows[] = {
        {[](LandmarkModel&) {}, {}},
        {[](LandmarkModel& m) { m.stages.assign(3, {}); }, {}},
        {[](LandmarkModel&) {}, QByteArray(8, 0)},
        {[](LandmarkModel& m) { m.points = 0; }, {}},
        {[](LandmarkModel& m) { m.stages[0].trees = 3; }, {}},
        {[](LandmarkModel& m) { m.meanShape.pop_back(); }, {}},
        {[](LandmarkModel& m) { m.stages[0].anchors[1] = 2; }, {}},
        {[](LandmarkModel& m) { m.stages[0].pixels[3] = 2; }, {}},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        auto model =
            std::make_shared<LandmarkModel>(LandmarkModel{2, {0.25f, 0.5f, 0.75f, 0.5f}, {}});
        model->stages.push_back({{0, 1},
                                 {0.5f, -0.5f, 0.125f, 1},
                                 2,
                                 1,
                                 {0, 1, 1, 0},
                                 {3, -3},
                                 std::vector<float>(2 * 2 * 4, 0.0625f)});
        rows[i].first(*model);
        const QByteArray bytes =
            EncodeModelCache(stamp, ViewOf(model), "detector") + rows[i].second;
        std::vector<std::uint64_t> aligned(size_t(bytes.size() + 7) / 8);
        std::memcpy(aligned.data(), bytes.constData(), size_t(bytes.size()));
        LandmarkView view;
        QByteArray detector;
        EXPECT_EQ(DecodeModelCache(reinterpret_cast<const char*>(aligned.data()),
                                   size_t(bytes.size()), stamp, view, detector),
                  i < 2)
            << "row " << i;
        EXPECT_EQ(view.stages.size(), i < 2 ? model->stages.size() : 0);
    }
}

// Reduced while decoding, upright as the Exif tag says, the full size told beside it; a thin
// picture keeps its short side too.
TEST(ReducedDecode, KeepsTheLongSideAndTellsTheFullSize) {
    for (const auto& [orientation, minLongSide, minShortSide, reduced] :
         {std::tuple{1, 200, 0, QSize(250, 150)},
          {1, 200, 300, QSize(500, 300)},
          {6, 400, 0, QSize(300, 500)},
          {6, 2000, 0, QSize(600, 1000)}}) {
        const QByteArray jpeg = WithExifOrientation(EncodeJpeg(Quadrants(1000, 600)), orientation);
        QSize full;
        const QImage small =
            DecodeJpegReduced(jpeg, QStringLiteral("q.jpg"), minLongSide, full, minShortSide);
        const QImage whole = DecodeJpeg(jpeg, QStringLiteral("q.jpg"));
        EXPECT_EQ(small.size(), reduced);
        EXPECT_EQ(full, whole.size());
        for (const QPointF at : {QPointF(0.25, 0.25), QPointF(0.75, 0.25), QPointF(0.25, 0.75)})
            EXPECT_TRUE(
                Near(small.pixel(int(at.x() * reduced.width()), int(at.y() * reduced.height())),
                     whole.pixel(int(at.x() * full.width()), int(at.y() * full.height())), 8));
    }
}
