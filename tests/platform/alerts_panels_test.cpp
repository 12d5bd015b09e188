#include "platform/Alerts.h"
#include "platform/Panels.h"
#include "platform/Workspace.h"

#include "WaitUntil.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}
} // namespace

TEST(Alerts, WarningIsWindowModalDoesNotBlockAndCallsBackOnceOnOk) {
    QWidget window;
    window.show();
    int done = 0;
    QMessageBox* box = Alerts::showWarning(&window, "Please choose a file", {}, [&] { ++done; });
    // Returned at once: the caller's event loop keeps running.
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_EQ(box->parentWidget(), &window);
    EXPECT_EQ(Alerts::currentAlert(), box);
    ASSERT_EQ(box->buttons().size(), 1);
    QTest::mouseClick(box->buttons().first(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return done == 1; }));
    EXPECT_EQ(Alerts::currentAlert(), nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(done, 1);
}

TEST(Alerts, ClosingWithEscapeAlsoCompletesAndAnEmptyCompletionIsFine) {
    QWidget window;
    window.show();
    bool done = false;
    QMessageBox* box = Alerts::showWarning(&window, "x", "more", [&] { done = true; });
    box->reject();
    ASSERT_TRUE(waitUntil([&] { return done; }));
    Alerts::showWarning(nullptr, "no callback")->accept(); // an empty std::function is not called
    QCoreApplication::processEvents();
}

TEST(Alerts, TwoAlertsOfOneActionTakeTheKeyboardInTurn) {
    QWidget window;
    window.show();
    QStringList answered;
    Alerts::showWarning(&window, "first", {}, [&] { answered << "first"; });
    Alerts::askQuestion(&window, "second", {}, "Go on", "Cancel",
                        [&](bool goOn) { answered << (goOn ? "second: go on" : "second: cancel"); });
    // Keys go where a keyboard's go: the focus widget, else the active window.
    const auto press = [](Qt::Key key) {
        QTest::qWait(50);
        QWidget* target =
            QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
        ASSERT_NE(target, nullptr) << "nothing has the keyboard";
        QTest::keyClick(target, key);
    };
    press(Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return answered.size() == 1; }, 5000)) << "the alert on top has the keyboard";
    EXPECT_EQ(answered.first(), "second: go on");
    press(Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return answered.size() == 2; }, 5000)) << "the one under it has it next";
    EXPECT_EQ(answered.last(), "first");
    EXPECT_EQ(Alerts::currentAlert(), nullptr);
}

TEST(Panels, OpenPanelOffersTheListedTypesAndAlsoEveryFile) {
    const QStringList filters = Panels::nameFilters({"mp4", "mkv"});
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(filters[0].contains("*.mp4"));
    EXPECT_TRUE(filters[0].contains("*.MP4")); // file systems here are case-sensitive
    EXPECT_TRUE(filters[0].contains("*.mkv"));
    EXPECT_TRUE(filters[1].contains("(*)"));
}

TEST(Panels, OpenPanelReturnsSeveralChosenFiles) {
    QTemporaryDir dir;
    touch(dir.filePath("a.mp4"));
    touch(dir.filePath("b.txt"));
    QWidget window;
    window.show();
    QStringList got{"unset"};
    QFileDialog* panel = Panels::openFiles(&window, {"Open", dir.path(), {"mp4"}, true},
                                           [&](const QStringList& files) { got = files; });
    ASSERT_EQ(Panels::currentPanel(), panel);
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    EXPECT_EQ(panel->fileMode(), QFileDialog::ExistingFiles);
    panel->selectFile("\"a.mp4\" \"b.txt\"");
    static_cast<QDialog*>(panel)->accept();
    ASSERT_TRUE(waitUntil([&] { return got != QStringList{"unset"}; }));
    got.sort();
    EXPECT_EQ(got, (QStringList{dir.filePath("a.mp4"), dir.filePath("b.txt")}));
}

TEST(Panels, CancelledPanelsReportNothing) {
    QTemporaryDir dir;
    QStringList files{"unset"};
    Panels::openFiles(nullptr, {"Open", dir.path(), {}, false}, [&](const QStringList& f) {
        files = f;
    })->reject();
    QString folder = "unset";
    Panels::chooseFolder(nullptr, "Folder", dir.path(), [&](const QString& f) { folder = f; })->reject();
    ASSERT_TRUE(waitUntil([&] { return files.isEmpty() && folder.isEmpty(); }));
}

TEST(Panels, ChooseFolderReturnsTheFolder) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("out");
    QString folder;
    QFileDialog* panel =
        Panels::chooseFolder(nullptr, "Folder", dir.path(), [&](const QString& f) { folder = f; });
    panel->selectFile(dir.filePath("out"));
    static_cast<QDialog*>(panel)->accept();
    ASSERT_TRUE(waitUntil([&] { return !folder.isEmpty(); }));
    EXPECT_EQ(folder, dir.filePath("out"));
}

TEST(Panels, SavePanelAddsTheExtensionToABareName) {
    QTemporaryDir dir;
    QString path;
    QFileDialog* panel = Panels::saveFile(nullptr, "Save", dir.path(), "snapshot", {"png", "jpg"},
                                          [&](const QString& p) { path = p; });
    static_cast<QDialog*>(panel)->accept();
    ASSERT_TRUE(waitUntil([&] { return !path.isEmpty(); }));
    EXPECT_EQ(path, dir.filePath("snapshot.png"));
}

TEST(Workspace, RevealOpensTheFolderOfAFileAndRefusesMissingPaths) {
    QTemporaryDir dir;
    touch(dir.filePath("out.mp4"));
    QList<QUrl> opened;
    Workspace::setOpenHandlerForTesting([&](const QUrl& u) {
        opened << u;
        return true;
    });
    EXPECT_TRUE(Workspace::revealInFileManager(dir.filePath("out.mp4")));
    EXPECT_TRUE(Workspace::revealInFileManager(dir.path()));
    EXPECT_FALSE(Workspace::revealInFileManager(dir.filePath("missing")));
    EXPECT_FALSE(Workspace::openURL(QUrl()));
    EXPECT_TRUE(Workspace::openURL(QUrl("https://example.org/help")));
    Workspace::setOpenHandlerForTesting({});
    ASSERT_EQ(opened.size(), 3);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(dir.path()));
    EXPECT_EQ(opened[1], QUrl::fromLocalFile(dir.path()));
    EXPECT_EQ(opened[2], QUrl("https://example.org/help"));
}
