// Norms table, frame solver, verdict and crown estimate, on portraits drawn here.
#include "app/U_Formats.h"
#include "picture/U_Crown.h"
#include "picture/U_Framing.h"
#include "picture/U_HeadCover.h"
#include "picture/U_Norms.h"

#include <QBuffer>
#include <QFile>
#include <QLineF>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

namespace {

TEST(Norms, EveryCatalogueFormatHasItsRowAndSize) {
    ASSERT_EQ(PhotoNorms().size(), size_t(kFormatCount));
    for (int i = 0; i < kFormatCount; ++i) {
        const PhotoNorm& n = PhotoNorms()[i];
        const FormatEntry e = FormatCatalogue()[i];
        PhotoFormat f;
        ASSERT_TRUE(ParseFormatLabel(QString(e.prefix) + e.country + ")", f));
        const double mm = f.IsMillimetres ? 1 : 25.4;
        EXPECT_EQ(n.Index, i);
        EXPECT_EQ(n.Country, e.country);
        EXPECT_NEAR(n.SizeMm.width(), f.LabelWidth * mm, 1e-4) << i;
        EXPECT_NEAR(n.SizeMm.height(), f.LabelHeight * mm, 1e-4) << i;
        EXPECT_TRUE(n.Head.Min > 0 && n.Head.Min < n.Head.Max && n.Head.Max < n.SizeMm.height());
    }
}

// The gathered facts beside the clone: the figures and kinds; the sources are reworded here.
TEST(Norms, AgreeWithTheGatheredFacts) {
    QFile file(QM_SOURCE_DIR "/../shared/photo-norms.csv");
    if (!file.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "no gathered norms beside the clone";
    const QStringList lines = QString::fromUtf8(file.readAll()).trimmed().split('\n');
    ASSERT_EQ(lines.size(), kFormatCount + 1);
    const auto num = [](double v) { return QString::number(v); };
    const auto range = [&](auto r) {
        return r ? QStringList{num(r->Min), num(r->Max)} : QStringList{"", ""};
    };
    for (int i = 0; i < kFormatCount; ++i) {
        const QString line = lines[i + 1].trimmed();
        const QStringList f = line.split(',').mid(0, 10);
        const PhotoNorm& n = PhotoNorms()[f[0].toInt()];
        const QStringList got{QString::number(n.Index), n.Country,       num(n.SizeMm.width()),
                              num(n.SizeMm.height()),   num(n.Head.Min), num(n.Head.Max)};
        EXPECT_EQ(got + range(n.EyeLine) + range(n.Top), f);
        EXPECT_FALSE(n.Source.isEmpty()) << i;
        const char* kinds[] = {"official", "secondary", "fallback"};
        EXPECT_EQ(kinds[int(n.Kind)], line.section(',', -1));
    }
}

// A head at a known place, drawn on a wall and passed through JPEG.
enum class Wall { Plain, Gradient, Busy };
struct Portrait {
    const char* name;
    Wall wall;
    QColor wallColour, hairColour;
    QSize size;
    QPointF eyes;   // centre between the eyes
    double eyeChin; // pixels
    double crownY;  // top of the hair
    bool mustBeUncertain;
    double seamY = 0; // above it, the canvas the picture was pasted on
};

QImage drawPortrait(const Portrait& p) {
    QImage image(p.size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, p.size.width() * 0.3, p.size.height());
    gradient.setColorAt(0, p.wallColour);
    gradient.setColorAt(1, p.wallColour.darker(160));
    painter.fillRect(image.rect(),
                     p.wall == Wall::Gradient ? QBrush(gradient) : QBrush(p.wallColour));
    std::mt19937 random(7);
    for (int i = 0; p.wall == Wall::Busy && i < 300; ++i) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromHsv(random() % 360, random() % 255, random() % 255));
        painter.drawEllipse(QPointF(random() % p.size.width(), random() % p.size.height()), 40, 25);
    }
    const double d = p.eyeChin, cx = p.eyes.x();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 60, 120)); // shoulders
    painter.drawRect(QRectF(cx - 1.6 * d, p.eyes.y() + 1.2 * d, 3.2 * d, p.size.height()));
    const double hairHalf = (p.eyes.y() + 0.6 * d - p.crownY) / 2;
    painter.setBrush(p.hairColour);
    painter.drawEllipse(QPointF(cx, p.crownY + hairHalf), 0.75 * d, hairHalf);
    painter.setBrush(QColor(224, 172, 140)); // face
    painter.drawEllipse(QPointF(cx, p.eyes.y() + 0.3 * d), 0.6 * d, 0.72 * d);
    painter.fillRect(QRectF(0, 0, p.size.width(), p.seamY), QColor(120, 120, 125));
    painter.end();
    QBuffer jpeg;
    jpeg.open(QIODevice::WriteOnly);
    image.save(&jpeg, "JPG", 80);
    return QImage::fromData(jpeg.data(), "JPG").convertToFormat(QImage::Format_RGB32);
}

class CrownOnPortrait : public ::testing::TestWithParam<Portrait> {};

TEST_P(CrownOnPortrait, IsFoundOrFlaggedUncertain) {
    const Portrait& p = GetParam();
    const QPointF half(0.3 * p.eyeChin, 0);
    const HeadPoints face{p.eyes - half, p.eyes + half, p.eyes + QPointF(0, p.eyeChin), {}, false};
    const CrownEstimate c = EstimateCrown(drawPortrait(p), face);
    EXPECT_EQ(c.Uncertain, p.mustBeUncertain) << c.Confidence;
    // A top of the hair in view and unlike the wall is found, though the wall be no help.
    const bool shows =
        p.crownY > p.seamY && std::abs(qGray(p.hairColour.rgb()) - qGray(p.wallColour.rgb())) > 30;
    EXPECT_TRUE((c.Uncertain && !shows) || std::abs(c.Crown.y() - p.crownY) < 0.04 * p.eyeChin)
        << c.Crown.y();
}

// clang-format off
const Portrait kPortraits[] = {
    {"DarkHairPlainWall", Wall::Plain, QColor(235, 235, 230), QColor(50, 35, 25), {900, 1200}, {450, 520}, 200, 280, false},
    {"FairHairGradientWall", Wall::Gradient, QColor(150, 180, 215), QColor(200, 160, 90), {1600, 1200}, {700, 600}, 240, 330, false},
    {"SmallHeadBigPicture", Wall::Gradient, QColor(220, 220, 210), QColor(20, 20, 20), {4000, 3000}, {2100, 1400}, 300, 1030, false},
    {"WhiteHairWhiteWall", Wall::Plain, QColor(246, 246, 246), QColor(238, 238, 236), {900, 1200}, {450, 520}, 200, 300, true},
    {"HairAtTheTopEdge", Wall::Plain, QColor(235, 235, 230), QColor(50, 35, 25), {900, 1000}, {450, 260}, 240, -20, true},
    {"ThinWallTenPercent", Wall::Gradient, QColor(200, 205, 215), QColor(60, 40, 30), {700, 900}, {350, 320}, 220, 90, false},
    {"ThinWallFivePercent", Wall::Gradient, QColor(225, 220, 210), QColor(120, 80, 50), {560, 720}, {280, 220}, 170, 36, false},
    {"ThinWallThreePercent", Wall::Plain, QColor(235, 235, 240), QColor(40, 30, 30), {800, 1000}, {400, 300}, 250, 30, false},
    {"HairTouchingTheTop", Wall::Gradient, QColor(235, 235, 230), QColor(50, 35, 25), {700, 900}, {350, 240}, 220, 3, true},
    {"PastedBelowASeam", Wall::Plain, QColor(235, 235, 230), QColor(50, 35, 25), {900, 1200}, {450, 520}, 200, 280, false, 180},
    {"PastedWithHairAtTheSeam", Wall::Plain, QColor(235, 235, 230), QColor(50, 35, 25), {900, 1200}, {450, 520}, 200, 280, true, 320},
    {"BusyWall", Wall::Busy, QColor(128, 128, 128), QColor(50, 35, 25), {900, 1200}, {450, 520}, 200, 285, true},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Drawn, CrownOnPortrait, ::testing::ValuesIn(kPortraits),
                         [](const auto& info) { return info.param.name; });

// A cap over the crown: a dome of a colour no hair has, its brim a hard line across the
// forehead. The heads above and the photograph (eyes and chin marked by hand) raise no alarm.
TEST(HeadCovering, CapsAreToldFromHair) {
    const QImage astronaut(QStringLiteral(QM_SOURCE_DIR "/tests/data/astronaut.jpg"));
    const HeadPoints marked{{203.4, 100.9}, {246.4, 102.8}, {225, 178}, {}, false};
    // Cloth of a hair colour is told by its weave being smoother than locks: dark caps on her
    // fair hair. The other caps are of colours no hair has.
    std::vector<std::tuple<QImage, HeadPoints, QColor>> heads;
    for (const QColor cap : {QColor(30, 45, 120), QColor(25, 25, 28), QColor(60, 42, 30)})
        heads.emplace_back(astronaut.convertToFormat(QImage::Format_RGB32), marked, cap);
    const QColor caps[] = {QColor(30, 45, 120), QColor(190, 25, 35), QColor(40, 110, 60)};
    for (const Portrait& p : kPortraits) {
        const QPointF half(0.3 * p.eyeChin, 0);
        heads.emplace_back(drawPortrait(p),
                           HeadPoints{p.eyes - half, p.eyes + half, p.eyes + QPointF(0, p.eyeChin)},
                           caps[heads.size() % 3]);
    }
    std::mt19937 random(3);
    for (size_t i = 0; i < heads.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& [picture, face, cap] = heads[i];
        EXPECT_FALSE(EstimateCrown(picture, face).Covered);
        const double d = QLineF(face.EyeCentre(), face.Chin).length();
        const QPointF brim = face.EyeCentre() - QPointF(0, 0.55 * d);
        QImage weave(32, 32, QImage::Format_RGB32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                weave.setPixelColor(x, y, cap.lighter(95 + int(random() % 11)));
        QImage capped = picture;
        QPainter painter(&capped);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QBrush(weave));
        painter.drawChord(QRectF(brim - QPointF(0.8 * d, 0.75 * d), QSizeF(1.6 * d, 1.5 * d)), 0,
                          180 * 16);
        painter.end();
        const CrownEstimate c = EstimateCrown(capped, face);
        EXPECT_TRUE(c.Covered && c.Uncertain);
    }
}

// A cap of the wall's own colour passes for wall, unless the wall beside the head is out of
// the picture: then the cap is told from hair and skin alone. Half the wall in view is enough.
TEST(HeadCovering, WallColouredCapsNeedTheWallInView) {
    const QColor green(40, 110, 60);
    const Portrait p{"GreenWall", Wall::Plain, green, QColor(50, 35, 25), {900, 1200}, {450, 520},
                     200,         280,         false};
    QImage capped = drawPortrait(p);
    QPainter painter(&capped);
    painter.setPen(Qt::NoPen);
    painter.setBrush(green);
    painter.drawChord(QRectF(p.eyes.x() - 160, p.eyes.y() - 260, 320, 300), 0, 180 * 16);
    painter.end();
    for (const auto& [left, right, covered] :
         {std::tuple{0, 900, false}, {200, 900, false}, {200, 700, true}}) {
        const QPointF shift(left, 0), half(60, 0);
        const HeadPoints face{p.eyes - half - shift, p.eyes + half - shift,
                              p.eyes + QPointF(0, 200) - shift};
        EXPECT_EQ(HeadCovered(capped.copy(left, 0, right - left, 1200), face), covered)
            << left << " to " << right;
    }
}

// Frames proposed for a head, measured here from the frame's corners.
struct FrameCase {
    const char* name;
    int format;
    QSizeF picture;
    HeadPoints head;
    bool roomAbove, tilted, fallback;
};

class ProposedFrame : public ::testing::TestWithParam<FrameCase> {};

TEST_P(ProposedFrame, PrintsTheHeadAsTheNormAsks) {
    const FrameCase& c = GetParam();
    const PhotoNorm& norm = PhotoNorms()[c.format];
    const FrameProposal p = ProposeFrame(c.head, norm, c.picture);
    const QRectF f = p.Frame;
    const double mmPerPixel = norm.SizeMm.height() / f.height();
    const double headMm = QLineF(c.head.Chin, c.head.Crown).length() * mmPerPixel;
    const double eyeMm = (f.bottom() - (c.head.LeftEye.y() + c.head.RightEye.y()) / 2) * mmPerPixel;
    EXPECT_NEAR(f.width() / f.height(), norm.SizeMm.width() / norm.SizeMm.height(), 1e-9);
    EXPECT_TRUE(QRectF(QPointF(), c.picture).contains(f));
    EXPECT_EQ(p.LittleRoomAbove, c.roomAbove);
    EXPECT_NEAR(headMm, (norm.Head.Min + norm.Head.Max) / 2, 0.01);
    const double topMm = (c.head.Crown.y() - f.y()) * mmPerPixel;
    const double faceX = (c.head.LeftEye.x() + c.head.RightEye.x() + 2 * c.head.Chin.x()) / 4;
    EXPECT_TRUE(c.roomAbove || !norm.EyeLine ||
                (eyeMm >= norm.EyeLine->Min && eyeMm <= norm.EyeLine->Max));
    EXPECT_TRUE(c.roomAbove || !norm.Top || (topMm >= norm.Top->Min && topMm <= norm.Top->Max));
    EXPECT_TRUE(c.roomAbove || std::abs(f.center().x() - faceX) < 1e-6);
    const FrameVerdict v = JudgeFrame(c.head, f, norm);
    EXPECT_EQ(v.Within(), !c.roomAbove || !norm.EyeLine);
    EXPECT_EQ(v.Has(FrameWarning::LittleRoomAbove), c.roomAbove);
    EXPECT_EQ(v.Has(FrameWarning::Tilted), c.tilted);
    EXPECT_EQ(v.Has(FrameWarning::FallbackNorm), c.fallback);
}

// clang-format off
const FrameCase kFrames[] = {
    {"Germany", 21, {3000, 4000}, {{1400, 1800}, {1600, 1790}, {1510, 2150}, {1490, 1450}, false}, false, false, false},
    {"UnitedStatesSquare", 63, {4000, 3000}, {{1900, 1200}, {2100, 1200}, {2000, 1560}, {2000, 850}, false}, false, false, false},
    {"ChinaTopMargin", 13, {1200, 1600}, {{500, 700}, {600, 700}, {550, 880}, {550, 520}, false}, false, false, false},
    {"GreeceTilted", 22, {2000, 3000}, {{900, 1200}, {1100, 1240}, {1000, 1600}, {1010, 800}, false}, false, true, false},
    {"ArgentinaUsualRange", 1, {2000, 2000}, {{950, 900}, {1050, 900}, {1000, 1080}, {1000, 720}, false}, false, false, true},
    {"HeadAtTheTopEdge", 63, {4000, 3000}, {{1900, 300}, {2100, 300}, {2000, 660}, {2000, 3}, false}, true, false, false},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Formats, ProposedFrame, ::testing::ValuesIn(kFrames),
                         [](const auto& info) { return info.param.name; });

} // namespace
