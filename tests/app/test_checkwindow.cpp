// The checks as a user meets them: the framing window's list, the log line after framing,
// and the report saved through File > Check report.
#include "app/U_CheckList.h"
#include "app/U_FrameDlg.h"
#include "app/U_MainDlg.h"
#include "tests/common/Astronaut.h"
#include "tests/common/Fakes.h"
#include "tests/common/FileBytes.h"
#include "tests/common/JpegSamples.h"
#include "tests/common/LogMessages.h"

#include <QComboBox>
#include <QDir>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(CheckWindow, ListLogAndReport) {
    FakePlatform fake;
    QDir().mkpath(fake.root.filePath("photos"));
    TMainDlg window(fake.services);
    window.FirstActivation();
    ASSERT_TRUE(window.Started());
    window.findChild<QComboBox*>("format_cmb")->setCurrentIndex(21); // Germany, 35 x 45 mm

    window.CheckReport1Click();
    ASSERT_EQ(fake.messages.requests.size(), 1u);
    EXPECT_TRUE(fake.messages.requests[0].text.startsWith("Frame the photo first"));

    // The smiling astronaut on a plain wall, large enough for 300 ppi once framed, with a
    // shadow beside her hair.
    QImage picture(1600, 1800, QImage::Format_RGB32);
    picture.fill(qRgb(215, 214, 212));
    {
        QPainter p(&picture);
        p.drawImage(QRect(288, 300, 1024, 1024), Astronaut());
        const double hairRight = 288 + 2 * (kCrown.x() + (kEyeRight.x() - kEyeLeft.x()) * 1.5);
        p.fillRect(QRectF(hairRight - 20, 0, 120, 300 + 2 * kChin.y() + 40), QColor(150, 150, 155));
    }
    const QString photo = fake.root.filePath("photos/p.jpg");
    WriteBytes(photo, EncodeJpeg(picture));
    window.SetFaceModel(std::make_unique<FaceModel>());
    window.LoadPicture(photo);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Head().has_value(); }, 120000));

    // White is chosen (the default): once the window shows it, the wall is judged white.
    const auto shadowFails = [](const std::vector<CheckResult>& results) {
        return std::any_of(results.begin(), results.end(), [](const CheckResult& r) {
            return r.Id == CheckId::BackgroundShadow && r.Mark == CheckMark::Fails;
        });
    };
    QString list;
    QTimer::singleShot(0, [&] {
        TCheckList* checks = window.FrameDlg()->CheckList();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return !checks->Results().empty() && !shadowFails(checks->Results()); }, 60000));
        list = checks->text();
        window.FrameDlg()->findChild<QPushButton*>("ok_btn")->click();
    });
    window.FramePhoto1Click();
    EXPECT_TRUE(list.contains("Mouth: closed, neutral expression — the mouth is open (fails). "
                              "Close your mouth and keep a neutral expression."))
        << list.toStdString();
    EXPECT_TRUE(list.contains("Head straight</td>")) << list.toStdString(); // passes, no advice
    const QStringList lines = LogMessages(*window.Log()).filter("Checks : ");
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("Checks : failed mouth_closed")) << lines[0].toStdString();
    EXPECT_FALSE(lines[0].contains("background")) << lines[0].toStdString();

    const QString page = fake.root.filePath("photos/report.html");
    fake.files.answers.push_back(FileChooserAnswer{page, {page}, 0});
    window.CheckReport1Click();
    const QString html = QString::fromUtf8(ReadBytes(page));
    const QRegularExpressionMatch image =
        QRegularExpression("src=\"data:image/jpeg;base64,([A-Za-z0-9+/=]+)\"").match(html);
    ASSERT_TRUE(image.hasMatch());
    const QImage embedded = QImage::fromData(QByteArray::fromBase64(image.captured(1).toLatin1()));
    EXPECT_NEAR(double(embedded.width()) / embedded.height(), 35.0 / 45, 0.01);
    // Her head, 325 px from chin to crown, printed 32-36 mm tall in 35 mm: 229-258 pixels per
    // inch, shown whole.
    for (const char* text :
         {"BMI Foto-Mustertafel", "Mouth: closed, neutral expression", "the mouth is open",
          "look at it beyond 0.03, fails beyond 0.06", "pixels per inch</td>",
          ">look at it: 2[2-5]\\d pixels per inch on paper\\. Use a picture with more pixels"})
        EXPECT_TRUE(html.contains(QRegularExpression(text))) << text;
    EXPECT_TRUE(html.contains(QDate::currentDate().toString(Qt::ISODate)));

    // As shot, the same framing keeps the shadow, in the list and in the log.
    bool shownFailing = false;
    QTimer::singleShot(0, [&] {
        // Framed again from the file opened, the face is searched anew; OK waits for it.
        QPushButton* ok = window.FrameDlg()->findChild<QPushButton*>("ok_btn");
        TCheckList* checks = window.FrameDlg()->CheckList();
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return ok->isEnabled() && !checks->Results().empty(); }, 120000));
        window.FrameDlg()->findChild<QComboBox*>("background_cmb")->setCurrentIndex(0);
        shownFailing = shadowFails(checks->Results());
        window.FrameDlg()->findChild<QPushButton*>("ok_btn")->click();
    });
    window.FramePhoto1Click();
    EXPECT_TRUE(shownFailing);
    const QString asShot = LogMessages(*window.Log()).filter("Checks : ").last();
    EXPECT_TRUE(asShot.contains("background_shadow")) << asShot.toStdString();
}

} // namespace
