// The open dialog component over a scripted chooser, and the drop target over synthetic
// drag events.
#include "support/C_WideDialogs.h"
#include "tests/common/Fakes.h"
#include "support/U_DragDrop.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class OpenDialog : public ::testing::Test {
protected:
    ScriptedFileChooser chooser;
    QWidget owner;
    TWideOpenDialog dialog{chooser, &owner};
    void answer(const QString& path, int filterIndex = 0) {
        FileChooserAnswer a;
        a.path = path;
        a.paths = {path};
        a.filterIndex = filterIndex;
        chooser.answers.push_back(a);
    }
};

TEST_F(OpenDialog, FilterAndChoice) {
    dialog.setFilter(QStringLiteral("JPEG|*.jpg;*.jpeg"));
    answer(QStringLiteral("/photos/été.jpg"));
    ASSERT_TRUE(dialog.Execute());
    ASSERT_EQ(chooser.requests.size(), 1u);
    const FileChooserRequest& r = chooser.requests.front();
    EXPECT_EQ(r.nameFilters, QStringList{QStringLiteral("JPEG (*.jpg *.jpeg)")});
    EXPECT_EQ(r.filterIndex, 0);
    EXPECT_FALSE(r.mustExist) << "default options accept names that do not exist yet";
    EXPECT_FALSE(r.multiple);
    EXPECT_EQ(dialog.FileName(), QStringLiteral("/photos/été.jpg"));
    EXPECT_EQ(dialog.FilterIndex(), 1);

    // The next dialog is pre-filled with the last choice.
    answer(QStringLiteral("/photos/b.jpg"));
    dialog.Execute();
    EXPECT_EQ(chooser.requests.back().fileName, QStringLiteral("/photos/été.jpg"));
}

TEST_F(OpenDialog, CancelLeavesTheNameAlone) {
    dialog.setFileName(QStringLiteral("/photos/keep.jpg"));
    chooser.answers.push_back(std::nullopt);
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), QStringLiteral("/photos/keep.jpg"));
}

TEST_F(OpenDialog, FiltersWithSeveralPairs) {
    EXPECT_EQ(TWideOpenDialog::ToNameFilters(QStringLiteral("JPEG|*.jpg;*.jpeg|All|*.*")),
              (QStringList{QStringLiteral("JPEG (*.jpg *.jpeg)"), QStringLiteral("All (*.*)")}));
    EXPECT_TRUE(TWideOpenDialog::ToNameFilters(QString()).isEmpty());
    dialog.setFilter(QStringLiteral("JPEG|*.jpg|All|*.*"));
    dialog.setFilterIndex(2);
    answer(QStringLiteral("/x/y.png"), 1);
    dialog.Execute();
    EXPECT_EQ(chooser.requests.back().filterIndex, 1);
    EXPECT_EQ(dialog.FilterIndex(), 2);
}

TEST_F(OpenDialog, InitialDirTrailingSeparator) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {{"C:\\Photos\\", "C:\\Photos"}, {"C:\\", "C:\\"}, {"\\", "\\"},
                 {"/home/me/", "/home/me"},      {"/", "/"},       {"", ""},
                 {"/home/me", "/home/me"}};
    for (const auto& c : cases) {
        dialog.setInitialDir(QString::fromUtf8(c.in));
        EXPECT_EQ(dialog.InitialDir(), QString::fromUtf8(c.out)) << c.in;
    }
}

TEST_F(OpenDialog, OptionsReachTheChooser) {
    EXPECT_EQ(dialog.Options(), TWideOpenDialog::TOpenOptions({TWideOpenDialog::ofHideReadOnly,
                                                               TWideOpenDialog::ofEnableSizing}));
    dialog.setOptions(dialog.Options() | TWideOpenDialog::ofFileMustExist |
                      TWideOpenDialog::ofAllowMultiSelect | TWideOpenDialog::ofForceShowHidden |
                      TWideOpenDialog::ofNoDereferenceLinks | TWideOpenDialog::ofOldStyleDialog);
    dialog.setOptionsEx(TWideOpenDialog::ofExNoPlacesBar);
    dialog.setFileName(QStringLiteral("/photos/last.jpeg"));
    dialog.setDefaultExt(QStringLiteral("jpg"));
    FileChooserAnswer a;
    a.path = QStringLiteral("/photos/a.png");
    a.paths = {QStringLiteral("/photos/a.png"), QStringLiteral("/photos/b.jpg")};
    chooser.answers.push_back(a);
    ASSERT_TRUE(dialog.Execute());
    const FileChooserRequest& r = chooser.requests.back();
    EXPECT_TRUE(r.mustExist);
    EXPECT_TRUE(r.multiple);
    EXPECT_TRUE(r.showHidden);
    EXPECT_FALSE(r.resolveSymlinks);
    EXPECT_FALSE(r.placesBar);
    EXPECT_EQ(r.defaultSuffix, QStringLiteral("jpg"));
    EXPECT_EQ(dialog.Files().size(), 2);
    EXPECT_EQ(dialog.FileName(), QStringLiteral("/photos/a.png"));
    EXPECT_TRUE(dialog.Options().testFlag(TWideOpenDialog::ofExtensionDifferent));

    // Old style without a default extension takes the one of the pre-filled name.
    dialog.setDefaultExt(QString());
    dialog.setFileName(QStringLiteral("/photos/last.jpeg"));
    chooser.answers.push_back(std::nullopt);
    dialog.Execute();
    EXPECT_EQ(chooser.requests.back().defaultSuffix, QStringLiteral("jpeg"));
}

TEST_F(OpenDialog, PlacedCentredAThirdDown) {
    EXPECT_EQ(TWideOpenDialog::Placement(QRect(0, 0, 1280, 1024), QSize(600, 400)),
              QPoint(340, 208));
    // A second monitor to the right, odd sizes: divisions round toward zero.
    EXPECT_EQ(TWideOpenDialog::Placement(QRect(1280, 0, 1920, 1080), QSize(601, 401)),
              QPoint(1280 + 659, 226));
    // Larger than the monitor: toward zero, not down.
    EXPECT_EQ(TWideOpenDialog::Placement(QRect(0, 0, 800, 600), QSize(901, 701)), QPoint(-50, -33));

    answer(QStringLiteral("/x.jpg"));
    dialog.Execute();
    ASSERT_TRUE(bool(chooser.requests.back().placement));
    const QRect screen = owner.screen()->geometry();
    EXPECT_EQ(chooser.requests.back().placement(QSize(200, 100)),
              TWideOpenDialog::Placement(screen, QSize(200, 100)));
}

// Synthetic drags as the toolkit delivers them to the window.
class DropTarget : public ::testing::Test {
protected:
    QWidget window;
    QStringList files;
    int drops = 0;
    std::vector<QPoint> overs;
    std::unique_ptr<TMyWideDropTarget> target = CreateDropTarget(
        &window, files, [this](TMyWideDropTarget&, const QPoint& at) { overs.push_back(at); },
        [this](TMyWideDropTarget&) { ++drops; });

    static std::unique_ptr<QMimeData> filesData(const QStringList& paths) {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data->setUrls(urls);
        return data;
    }
    bool enter(const QMimeData* data, Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
        QDragEnterEvent event(QPoint(5, 5), actions, data, Qt::LeftButton, Qt::NoModifier);
        event.setAccepted(false);
        QCoreApplication::sendEvent(&window, &event);
        return event.isAccepted();
    }
    bool over(const QMimeData* data, Qt::DropActions actions) {
        QDragMoveEvent event(QPoint(7, 9), actions, data, Qt::LeftButton, Qt::NoModifier);
        event.setAccepted(false);
        QCoreApplication::sendEvent(&window, &event);
        return event.isAccepted() && event.dropAction() == Qt::CopyAction;
    }
    void drop(const QMimeData* data) {
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &event);
    }
};

TEST_F(DropTarget, FilesArriveInOrderThenOnDrop) {
    EXPECT_TRUE(window.acceptDrops());
    const QStringList paths{QStringLiteral("/p/c.jpg"), QStringLiteral("/p/a.JPEG"),
                            QStringLiteral("/p/b.png")};
    const auto data = filesData(paths);
    ASSERT_TRUE(enter(data.get()));
    EXPECT_TRUE(target->HasFileList);
    EXPECT_TRUE(over(data.get(), Qt::CopyAction | Qt::MoveAction));
    EXPECT_EQ(overs, std::vector<QPoint>{QPoint(7, 9)});
    drop(data.get());
    EXPECT_EQ(files, paths);
    EXPECT_EQ(drops, 1);
    // The target appends; clearing is the receiver's business.
    ASSERT_TRUE(enter(data.get()));
    drop(data.get());
    EXPECT_EQ(files.size(), 6);
}

TEST_F(DropTarget, PlainTextAndWebLinksAreRefused) {
    QMimeData text;
    text.setText(QStringLiteral("/p/a.jpg"));
    EXPECT_FALSE(enter(&text));
    EXPECT_FALSE(target->HasFileList);
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.org/a.jpg"))});
    EXPECT_FALSE(enter(&web));
    drop(&web);
    EXPECT_TRUE(files.isEmpty());
    EXPECT_EQ(drops, 0);
}

TEST_F(DropTarget, NoCopyNoDrop) {
    const auto data = filesData({QStringLiteral("/p/a.jpg")});
    ASSERT_TRUE(enter(data.get(), Qt::MoveAction));
    EXPECT_FALSE(over(data.get(), Qt::MoveAction));
    EXPECT_TRUE(overs.empty());
}

TEST_F(DropTarget, DestroyingRevokes) {
    target.reset();
    EXPECT_FALSE(window.acceptDrops());
    const auto data = filesData({QStringLiteral("/p/a.jpg")});
    drop(data.get());
    EXPECT_TRUE(files.isEmpty());
    EXPECT_EQ(CreateDropTarget(nullptr, files, nullptr, nullptr), nullptr);
}

} // namespace
