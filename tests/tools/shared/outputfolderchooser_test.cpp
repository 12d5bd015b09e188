// The output-folder pop-up: the default folder, a picked folder that stays as a sixth
// item and keeps its own path, a cancelled panel, and a removed default folder.
#include "ToolWindowDriver.h"

#include <QDir>
#include <QStandardPaths>

namespace {

using tooltest::waitUntil;

// Answers the folder panel with folder, or cancels it when folder is empty.
void answerPanel(const QString& folder) {
    QFileDialog* panel = tooltest::panelOfMode(QFileDialog::Directory);
    ASSERT_NE(panel, nullptr);
    if (folder.isEmpty()) {
        panel->reject();
    } else {
        panel->setDirectory(QFileInfo(folder).absolutePath());
        tooltest::select(panel, folder);
        static_cast<QDialog*>(panel)->accept();
    }
    QCoreApplication::processEvents();
}

// The Movies, Documents and Desktop folders follow the home folder even in the test mode of
// the standard paths, and these tests remove the program folder inside Movies: they run on a
// home folder of their own so that they never delete a user's exported files.
struct TestPaths {
    QTemporaryDir home;
    QByteArray oldHome = qgetenv("HOME");
    TestPaths() {
        QStandardPaths::setTestModeEnabled(true);
        qputenv("HOME", home.path().toUtf8());
    }
    bool isolated() const { return OutputFolderChooser::programFolder().startsWith(home.path() + "/"); }
    ~TestPaths() {
        qputenv("HOME", oldHome);
        QStandardPaths::setTestModeEnabled(false);
    }
};

} // namespace

TEST(OutputFolderChooser, DefaultsToTheProgramFolderInsideMoviesAndMakesIt) {
    TestPaths paths;
    ASSERT_TRUE(paths.isolated()) << OutputFolderChooser::programFolder().toStdString();
    QDir(OutputFolderChooser::programFolder()).removeRecursively();
    QWidget window;
    auto* chooser = new OutputFolderChooser(&window);
    EXPECT_EQ(chooser->count(), 5);
    EXPECT_EQ(chooser->currentIndex(), OutputFolderChooser::ProgramFolder);
    EXPECT_EQ(chooser->outputPath(), OutputFolderChooser::standardFolder(OutputFolderChooser::Movies) + "/" +
                                         NSBundle::localizedStringForKey("Title"));
    EXPECT_TRUE(QFileInfo(chooser->outputPath()).isDir());
    // Removed while the window is open: choosing it again makes it again.
    ASSERT_TRUE(QDir(chooser->outputPath()).removeRecursively());
    chooser->choose(OutputFolderChooser::ProgramFolder);
    EXPECT_TRUE(QFileInfo(chooser->outputPath()).isDir());
}

TEST(OutputFolderChooser, APickedFolderStaysAsTheSixthItemAndKeepsItsPath) {
    TestPaths paths;
    QTemporaryDir dir;
    // Named like the program's own folder, but elsewhere: choosing it again must not turn
    // it into the folder inside Movies.
    const QString picked = dir.path() + "/" + NSBundle::localizedStringForKey("Title");
    ASSERT_TRUE(QDir().mkpath(picked));
    QWidget window;
    window.show();
    auto* chooser = new OutputFolderChooser(&window);
    chooser->choose(OutputFolderChooser::Other);
    answerPanel(picked);
    ASSERT_TRUE(waitUntil([&] { return chooser->outputPath() == picked; }));
    EXPECT_EQ(chooser->count(), 6);
    EXPECT_EQ(chooser->currentIndex(), OutputFolderChooser::Picked);
    EXPECT_EQ(chooser->currentText(), NSBundle::localizedStringForKey("Title"));

    chooser->choose(OutputFolderChooser::Picked);
    EXPECT_EQ(chooser->outputPath(), picked);

    // Cancel keeps the folder.
    chooser->choose(OutputFolderChooser::Other);
    answerPanel({});
    EXPECT_EQ(chooser->outputPath(), picked);

    chooser->choose(OutputFolderChooser::Documents);
    EXPECT_EQ(chooser->outputPath(), OutputFolderChooser::standardFolder(OutputFolderChooser::Documents));
    EXPECT_EQ(chooser->findText(NSBundle::localizedStringForKey("Title")), OutputFolderChooser::ProgramFolder)
        << "the picked item is gone";
}

TEST(OutputFolderChooser, AReopenedWindowOffersThePickedFolderAgain) {
    TestPaths paths;
    QTemporaryDir dir;
    const QString picked = dir.path() + "/out";
    ASSERT_TRUE(QDir().mkpath(picked));
    {
        QWidget window;
        window.show();
        auto* chooser = new OutputFolderChooser(&window);
        chooser->choose(OutputFolderChooser::Other);
        answerPanel(picked);
        ASSERT_TRUE(waitUntil([&] { return chooser->outputPath() == picked; }));
    }
    {
        QWidget window;
        auto* chooser = new OutputFolderChooser(&window);
        EXPECT_EQ(chooser->count(), 6);
        EXPECT_EQ(chooser->currentIndex(), OutputFolderChooser::Picked);
        EXPECT_EQ(chooser->currentText(), "out");
        EXPECT_EQ(chooser->outputPath(), picked);
        // Choosing a fixed folder forgets it for the windows that follow.
        chooser->choose(OutputFolderChooser::ProgramFolder);
    }
    QWidget window;
    auto* chooser = new OutputFolderChooser(&window);
    EXPECT_EQ(chooser->count(), 5);
    EXPECT_EQ(chooser->outputPath(), OutputFolderChooser::programFolder());
}
