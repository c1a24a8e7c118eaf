// Levelling the eyes and the plain background, on a real photograph, judged with marks and an
// outline made by hand (tests/data/astronaut*.txt), never with the program's own detector.
#include "picture/U_Backdrop.h"
#include "picture/U_Crown.h"
#include "picture/U_FaceFinder.h"
#include "picture/U_Level.h"
#include "tests/common/Astronaut.h"
#include "tests/common/FaceModelSuite.h"

#include <QFile>
#include <QPainter>
#include <QTransform>

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

const QColor kGrey(128, 128, 128);

double Degrees(const QPointF& from, const QPointF& to) {
    return std::atan2(to.y() - from.y(), to.x() - from.x()) * 180 / std::numbers::pi;
}

class Straight : public WithFaceModel, public testing::WithParamInterface<double> {};

TEST_P(Straight, TurnedPortraitComesOutLevel) {
    const QImage source = Astronaut();
    const QTransform turn = TurnAbout(source.size(), GetParam());
    const QImage turned = Drawn(source, source.size(), turn, kGrey);
    const FaceResult face = FindFace(*model, turned);
    ASSERT_TRUE(face.found());
    const TurnedFrame frame{QRectF(120.3, 30.6, 210, 250),
                            LevelAngle({face.eyeLeft, face.eyeRight, face.chin, {}})};
    // The hand marks as they lie in the crop; the crop's pixels are checked below.
    const double level =
        Degrees(frame.ToCrop(turn.map(kEyeLeft)), frame.ToCrop(turn.map(kEyeRight)));
    EXPECT_NEAR(level, 0.0, 0.5);

    // The crop's pixels against the toolkit drawing the same turned frame.
    const QImage cut = CutTurned(turned, frame);
    ASSERT_EQ(cut.size(), QSize(210, 250));
    EXPECT_EQ(CutTurned(turned.convertToFormat(QImage::Format_RGB888), frame), cut);
    QTransform back;
    back.translate(105, 125)
        .rotate(-frame.Degrees)
        .translate(-frame.Rect.center().x(), -frame.Rect.center().y());
    const QImage drawn = Drawn(turned, cut.size(), back, kGrey);
    double diff = 0;
    for (int y = 4; y < cut.height() - 4; ++y)
        for (int x = 4; x < cut.width() - 4; ++x)
            diff += std::abs(qGray(cut.pixel(x, y)) - qGray(drawn.pixel(x, y)));
    EXPECT_LT(diff / ((cut.width() - 8) * (cut.height() - 8)), 2.0);
}

INSTANTIATE_TEST_SUITE_P(Angles, Straight, testing::Values(-10.0, -4.0, 4.0, 10.0));

// The hand-made outline: the person's polygon and its hair band, scaled.
struct Outline {
    QImage person, band; // Grayscale8, 255 inside
};
Outline HandOutline(QSize size, double scale, QPointF offset) {
    QFile file(QStringLiteral(QM_TEST_DATA_DIR "/astronaut-person.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QPolygonF polygon;
    int hairFirst = 0, hairLast = 0;
    double band = 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> items = line.simplified().split(' ');
        if (items[0] == "person:")
            for (qsizetype i = 1; i < items.size(); ++i)
                polygon << QPointF(items[i].split(',')[0].toDouble(),
                                   items[i].split(',')[1].toDouble()) *
                                   scale +
                               offset;
        else if (items[0] == "hair:")
            hairFirst = items[1].split('.')[0].toInt(), hairLast = items[1].split('.')[2].toInt();
        else if (items[0] == "hair_band:")
            band = items[1].toDouble() * scale;
    }
    Outline o{QImage(size, QImage::Format_Grayscale8), QImage(size, QImage::Format_Grayscale8)};
    o.person.fill(0);
    o.band.fill(0);
    QPainter p(&o.person);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(polygon);
    QPainter b(&o.band);
    b.setPen(QPen(Qt::white, 2 * band, Qt::SolidLine, Qt::RoundCap));
    for (int i = hairFirst; i != hairLast; i = (i + 1) % int(polygon.size()))
        b.drawLine(polygon[i], polygon[(i + 1) % polygon.size()]);
    return o;
}

cv::Mat Wrap(const QImage& grey) {
    return cv::Mat(grey.height(), grey.width(), CV_8UC1, const_cast<uchar*>(grey.constBits()),
                   size_t(grey.bytesPerLine()));
}

struct Scene {
    QImage picture;
    Outline outline;
    QRect area; // a 35 x 45 mm photo's frame about the head, and its margin
};

// The astronaut as she is; or enlarged 8 times into a 3024 x 4032 phone picture, in front of
// a wall lit from above with her shadow cast beside the head.
Scene Portrait(bool phone) {
    if (!phone) {
        const QImage picture = Astronaut();
        return {picture, HandOutline(picture.size(), 1, {}), QRect(115, 0, 220, 240)};
    }
    const QSize size(3024, 4032);
    const QPointF offset(-48, 800);
    Scene s{QImage(size, QImage::Format_RGB32), HandOutline(size, 8, offset),
            QRect(872, 800, 1760, 1920)};
    cv::Mat shadow;
    const cv::Mat shift = (cv::Mat_<double>(2, 3) << 1, 0, 240, 0, 1, 60);
    cv::warpAffine(Wrap(s.outline.person), shadow, shift, cv::Size(size.width(), size.height()));
    cv::GaussianBlur(shadow, shadow, cv::Size(), 40);
    const QImage person = Drawn(
        Astronaut(), size, QTransform::fromTranslate(offset.x(), offset.y()).scale(8, 8), kGrey);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const double light = (1 - 0.35 * shadow.at<uchar>(y, x) / 255.0) * (1 - y / 16000.0);
            s.picture.setPixel(x, y,
                               s.outline.person.constScanLine(y)[x]
                                   ? person.pixel(x, y)
                                   : qRgb(int(214 * light), int(206 * light), int(192 * light)));
        }
    return s;
}

struct PlainCase {
    const char* name;
    bool phone;
    Backdrop backdrop;
    int wallLeft, personChanged;
    double iou;
};

class Plain : public WithFaceModel, public testing::WithParamInterface<PlainCase> {};

TEST_P(Plain, BackgroundGoesPersonStays) {
    const PlainCase& c = GetParam();
    const Scene s = Portrait(c.phone);
    const FaceResult face = FindFace(*model, s.picture);
    ASSERT_TRUE(face.found());
    const PersonSeeds seeds{
        face.landmarks,
        EstimateCrown(s.picture, {face.eyeLeft, face.eyeRight, face.chin, {}}).Crown};
    const QImage matte = PersonMatte(s.picture, s.area, seeds);
    QImage out = s.picture;
    PaintBehind(out, s.area, matte, BackdropColour(c.backdrop));
    if (qEnvironmentVariableIsSet("QM_DUMP")) {
        out.save(QStringLiteral("/tmp/lv/out-%1.png").arg(c.name));
        matte.save(QStringLiteral("/tmp/lv/matte-%1.png").arg(c.name));
    }

    cv::Mat inside, outside;
    cv::distanceTransform(Wrap(s.outline.person), inside, cv::DIST_L2, 3);
    cv::distanceTransform(255 - Wrap(s.outline.person), outside, cv::DIST_L2, 3);
    const double margin = 0.01 * s.picture.width();
    const QRgb colour = BackdropColour(c.backdrop);
    const auto off = [](QRgb a, QRgb b) {
        return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                         std::abs(qBlue(a) - qBlue(b))});
    };
    int wallLeft = 0, personChanged = 0, both = 0, either = 0;
    for (int y = s.area.top(); y <= s.area.bottom(); ++y)
        for (int x = s.area.left(); x <= s.area.right(); ++x) {
            if (s.outline.band.constScanLine(y)[x])
                continue;
            const bool person = s.outline.person.constScanLine(y)[x];
            const bool matted = matte.constScanLine(y - s.area.y())[x - s.area.x()] >= 128;
            both += person && matted;
            either += person || matted;
            if (outside.at<float>(y, x) > margin)
                wallLeft += off(out.pixel(x, y), colour) > 3;
            if (inside.at<float>(y, x) > margin)
                personChanged += off(out.pixel(x, y), s.picture.pixel(x, y)) > 2;
        }
    const double iou = double(both) / either;
    std::printf("%s: wall pixels left %d, person pixels changed %d, IoU %.4f\n", c.name, wallLeft,
                personChanged, iou);
    EXPECT_LE(wallLeft, c.wallLeft);
    EXPECT_LE(personChanged, c.personChanged);
    EXPECT_GE(iou, c.iou);
}

INSTANTIATE_TEST_SUITE_P(Portraits, Plain,
                         testing::Values(PlainCase{"astronaut", false, Backdrop::White, 0, 0, 0.97},
                                         PlainCase{"phone", true, Backdrop::LightGrey, 0, 0, 0.97}),
                         [](const auto& info) { return std::string(info.param.name); });

// Before a busy wall of coloured blotches, which cannot vouch for the crown, the crown is
// still the top of the hair marked by hand: on the picture and on an enlarged copy, and when
// the blotches (seed 3) are all of her hair's tones, from wheat to sienna.
TEST(Crown, FollowsTheHairBeforeABusyWall) {
    for (const int scale : {1, 4})
        for (const int seed : {1, 2, 3}) {
            SCOPED_TRACE(testing::Message() << scale << "x, wall " << seed);
            const bool hairTones = seed == 3;
            const QSize size = Astronaut().size() * scale;
            const Outline o = HandOutline(size, scale, {});
            cv::Mat blotches(size.height() / 24, size.width() / 24, CV_8UC3), wall;
            cv::theRNG().state = seed;
            cv::randu(blotches, hairTones ? cv::Scalar(160, 82, 45) : cv::Scalar::all(0),
                      hairTones ? cv::Scalar(245, 222, 179) : cv::Scalar::all(256));
            cv::resize(blotches, wall, cv::Size(size.width(), size.height()), 0, 0,
                       cv::INTER_CUBIC);
            QImage picture = Drawn(Astronaut(), size, QTransform::fromScale(scale, scale), kGrey);
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    if (!o.person.constScanLine(y)[x]) {
                        const cv::Vec3b c = wall.at<cv::Vec3b>(y, x);
                        picture.setPixel(x, y, qRgb(c[0], c[1], c[2]));
                    }
            const HeadPoints hand{kEyeLeft * scale, kEyeRight * scale, kChin * scale, {}};
            const double eyeChin = QLineF(hand.EyeCentre(), hand.Chin).length();
            EXPECT_NEAR(EstimateCrown(picture, hand).Crown.y(), kCrown.y() * scale, 0.04 * eyeChin);
        }
}

} // namespace
