// The tool windows' open panel: the files the program can take show at once (also the
// .webm files it writes itself), every other file is one filter away, the filters are
// named in the interface language, and no chosen file is dropped unseen.
#include "TestSupport.h"
#include "foundation/helpers/NSBundle.h"
#include "join/JoinDriver.h"
#include "platform/Panels.h"
#include "split/SplitDriver.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// True when the filter ("Name (*.a *.b)") shows a file of that name.
bool filterShows(const QString& filter, const QString& fileName) {
    const qsizetype open = filter.lastIndexOf('('), close = filter.lastIndexOf(')');
    for (const QString& pattern : filter.mid(open + 1, close - open - 1).split(' ', Qt::SkipEmptyParts))
        if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern))
                .match(fileName)
                .hasMatch())
            return true;
    return false;
}

QFileDialog* openPanelOf(QWidget* addButton, QFileDialog::FileMode mode) {
    tooltest::click(addButton);
    return tooltest::panelOfMode(mode);
}

} // namespace

TEST(MediaOpenPanel, JoinerShowsWebmFirstAndTakesEveryChosenFile) {
    jointest::Driver d;
    QFileDialog* panel = openPanelOf(d.window->addfileBtn, QFileDialog::ExistingFiles);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(filterShows(panel->selectedNameFilter(), "vp9_opus.webm"))
        << panel->selectedNameFilter().toStdString();
    EXPECT_TRUE(filterShows(panel->selectedNameFilter(), "CLIP.MP4"));
    EXPECT_FALSE(filterShows(panel->selectedNameFilter(), "notes.txt"));
    // The second choice shows every file, under a name of the interface language.
    const QString all = panel->nameFilters().last();
    EXPECT_TRUE(all.startsWith(NSBundle::localizedStringForKey("OpenPanelAllFilesTitle") + " ("));
    EXPECT_TRUE(filterShows(all, "notes.txt"));
    EXPECT_TRUE(
        panel->nameFilters().first().startsWith(NSBundle::localizedStringForKey("OpenPanelMediaFilesTitle")));

    panel->setDirectory(QFileInfo(testsupport::media("vp9_opus.webm")).absolutePath());
    tooltest::select(panel, "\"h264_aac.mp4\" \"vp9_opus.webm\"");
    static_cast<QDialog*>(panel)->accept();
    ASSERT_TRUE(tooltest::waitUntil([&] { return d.window->fileList().size() == 2; }, 60000));
    EXPECT_EQ(d.window->fileList()[1]->name, "vp9_opus.webm");
}

TEST(MediaOpenPanel, SplitterTakesOneFileSoNoneIsDroppedUnseen) {
    splittest::Driver d;
    QFileDialog* panel = openPanelOf(d.window->addfileBtn, QFileDialog::ExistingFile);
    ASSERT_NE(panel, nullptr) << "a panel for one file";
    EXPECT_TRUE(filterShows(panel->selectedNameFilter(), "vp9_opus.webm"));
    panel->setDirectory(QFileInfo(testsupport::media("vp9_opus.webm")).absolutePath());
    tooltest::select(panel, "vp9_opus.webm");
    static_cast<QDialog*>(panel)->accept();
    ASSERT_TRUE(
        tooltest::waitUntil([&] { return d.window->scrLabel->text().endsWith("vp9_opus.webm"); }, 60000));
}
