// The model's cache read where it lies, and the reduced decoding the command line's search uses.
#include "picture/U_FaceFinder.h"
#include "picture/U_JpegDecode.h"
#include "picture/U_ModelCache.h"
#include "tests/common/JpegSamples.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

// Bytes whose checksum is sound but whose counts do not add up are refused all the same; a
// model made of empty stages only, which fill the bytes exactly, is sound.
TEST(ModelCacheBytes, CountsMustAddUpUnderASoundChecksum) {
    const ModelStamp stamp{"model.dat", 4321, 987654321};
    struct Row {
        const char* name;
        std::function<void(LandmarkModel&)> spoil;
        bool sound;
    } const rows[] = {
        {"as made", [](LandmarkModel&) {}, true},
        {"empty stages only", [](LandmarkModel& m) { m.stages.assign(3, {}); }, true},
        {"no points", [](LandmarkModel& m) { m.points = 0; }, false},
        {"a tree more than stored", [](LandmarkModel& m) { m.stages[0].trees = 3; }, false},
        {"a split more than stored", [](LandmarkModel& m) { m.stages[0].splits = 2; }, false},
        {"mean shape short", [](LandmarkModel& m) { m.meanShape.pop_back(); }, false},
        {"an anchor past the points", [](LandmarkModel& m) { m.stages[0].anchors[1] = 2; }, false},
        {"a pixel past the anchors", [](LandmarkModel& m) { m.stages[0].pixels[3] = 2; }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto model = std::make_shared<LandmarkModel>();
        model->points = 2;
        model->meanShape = {0.25f, 0.5f, 0.75f, 0.5f};
        model->stages.push_back({{0, 1},
                                 {0.5f, -0.5f, 0.125f, 1},
                                 2,
                                 1,
                                 {0, 1, 1, 0},
                                 {3, -3},
                                 std::vector<float>(2 * 2 * 4, 0.0625f)});
        row.spoil(*model);
        const QByteArray bytes = EncodeModelCache(stamp, ViewOf(model), "detector");
        for (const QByteArray& extra : {QByteArray(), QByteArray(8, '\0')}) {
            std::vector<std::uint64_t> aligned(size_t(bytes.size() + extra.size() + 7) / 8);
            std::memcpy(aligned.data(), (bytes + extra).constData(),
                        size_t(bytes.size() + extra.size()));
            LandmarkView view;
            QByteArray detector;
            EXPECT_EQ(DecodeModelCache(reinterpret_cast<const char*>(aligned.data()),
                                       size_t(bytes.size() + extra.size()), stamp, view, detector),
                      row.sound && extra.isEmpty());
            if (row.sound && extra.isEmpty()) {
                EXPECT_EQ(detector, "detector");
                ASSERT_EQ(view.stages.size(), model->stages.size());
                EXPECT_TRUE(std::ranges::equal(view.stages[0].leaves, model->stages[0].leaves));
            }
        }
    }
}

// A window closed while the cache is written leaves a whole cache or none, and nothing else.
TEST(ModelCacheFile, AbandonedWriteLeavesNoPart) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("model.dat"));
    if (!QFile::copy(FaceModel::DefaultPredictorFile(), source))
        GTEST_SKIP() << "no face model installed";
    const QString folder = dir.filePath(QStringLiteral("cache"));
    {
        FaceModel model(source);
        model.setCacheFolder(folder);
        model.abandonCacheWriteOnClose();
        model.startLoading();
        ASSERT_TRUE(model.waitUntilLoaded());
    }
    const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    EXPECT_LE(left.size(), 1) << left.join(' ').toStdString();
    FaceModel again(source);
    again.setCacheFolder(folder);
    again.startLoading();
    ASSERT_TRUE(again.waitUntilLoaded());
    EXPECT_EQ(again.fromCache(), left.size() == 1);
}

// Reduced while decoding, upright as the Exif tag says, the full size told beside it.
TEST(ReducedDecode, KeepsTheLongSideAndTellsTheFullSize) {
    const QImage quadrants = Quadrants(1000, 600);
    for (int orientation : {1, 6})
        for (const auto& [minLongSide, reduced] :
             {std::pair{200, QSize(250, 150)}, std::pair{400, QSize(500, 300)},
              std::pair{2000, QSize(1000, 600)}}) {
            const QByteArray jpeg = WithExifOrientation(EncodeJpeg(quadrants), orientation);
            QSize full;
            const QImage small =
                DecodeJpegReduced(jpeg, QStringLiteral("q.jpg"), minLongSide, full);
            const QImage whole = DecodeJpeg(jpeg, QStringLiteral("q.jpg"));
            const QSize expect = orientation == 6 ? reduced.transposed() : reduced;
            EXPECT_EQ(small.size(), expect);
            EXPECT_EQ(full, whole.size());
            for (const QPointF at : {QPointF(0.25, 0.25), QPointF(0.75, 0.25), QPointF(0.25, 0.75)})
                EXPECT_TRUE(
                    Near(small.pixel(int(at.x() * expect.width()), int(at.y() * expect.height())),
                         whole.pixel(int(at.x() * full.width()), int(at.y() * full.height())), 8));
        }
}
