// The output-format browser through its own widget, on a profile set made for the test:
// paging, choosing a tile, the remembered choice across windows, folding on low screens,
// and the gear's settings window reporting back.
#include "foundation/controls/LxCustomButton.h"
#include "foundation/controls/MouseMoveButton.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/helpers/NSBundle.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "profiles/CustomProfileWriter.h"
#include "profiles/InputFileNameWindowController.h"
#include "profiles/ProfileParameters.h"
#include "profiles/ProfileSet.h"
#include "profiles/SettingWindowController.h"
#include "tools/shared/FormatBrowser.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct Chosen {
    QString category, item, path;
};

class FormatBrowserTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::unique_ptr<QWidget> window;
    std::vector<Chosen> chosen;

    void SetUp() override {
        UserDefaults::setStorePath(dir.filePath("defaults.ini"));
        ProfileSet::setCustomFolders({dir.filePath("Custom")});
        // Video: "Keep Original" and 20 more (three pages); Audio: one page of 8.
        write("pf.dat", "[frmFormat]\nCount=2\nType1=Video\nType2=Audio\n");
        addProfile("Video", "Keep Original", " ");
        for (int i = 1; i <= 20; ++i)
            addProfile("Video", QString("v%1").arg(i, 2, 10, QChar('0')), "mp4");
        addProfile("Audio", "Keep Original", " ");
        for (int i = 1; i <= 7; ++i)
            addProfile("Audio", QString("a%1").arg(i), "mp3");
    }
    void TearDown() override {
        window.reset();
        ProfileSet::setCustomFolders({});
        UserDefaults::setStorePath(QString());
    }

    void write(const QString& name, const QByteArray& text) {
        QDir().mkpath(QFileInfo(dir.filePath("set/" + name)).path());
        QFile f(dir.filePath("set/" + name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    void addProfile(const QString& category, const QString& name, const QByteArray& ext) {
        write(category + "/" + name + ".pf",
              "[Main]\nExtName=" + ext + "\n[Parameter]\nvcodec=h264, {h264,hevc}\nacodec=aac, {aac,mp3}\n");
        QImage picture(90, 95, QImage::Format_ARGB32);
        picture.fill(Qt::darkCyan);
        picture.save(dir.filePath("set/" + category + "/" + name + ".png"));
    }

    // A joiner's or an editor's browser in a window of its own, on a screen of this height.
    FormatBrowser* open(FormatBrowser::Opener opener = FormatBrowser::Opener::Joiner, int screen = 1000) {
        chosen.clear();
        window = std::make_unique<QWidget>();
        window->resize(1000, 300);
        auto* browser = new FormatBrowser(ProfileSet(dir.filePath("set")), opener, window.get());
        browser->setGeometry(0, 0, 1000, FormatBrowser::kBandHeight);
        browser->screenHeight = [screen] { return screen; };
        browser->profileChosen = [this](const QString& c, const QString& i, const QString& p) {
            chosen.push_back({c, i, p});
        };
        browser->start();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return browser;
    }

    static void click(QWidget* w) {
        ASSERT_TRUE(w->isVisible());
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() / 2));
        QTest::qWait(20);
    }
    static long long stored(const QString& key) {
        return UserDefaults::standardUserDefaults().integerForKey(key);
    }
};

} // namespace

TEST_F(FormatBrowserTest, PagesEightTilesAtATime) {
    FormatBrowser* b = open();
    ASSERT_EQ(b->functionList(), (QStringList{"Video", "Audio"}));
    ASSERT_EQ(b->functionItemChilds().size(), 21);
    EXPECT_EQ(b->pageCount(), 3);
    EXPECT_FALSE(b->left_move_item_Btn->isEnabled());
    EXPECT_TRUE(b->right_move_item_Btn->isEnabled());

    click(b->right_move_item_Btn);
    click(b->right_move_item_Btn);
    EXPECT_EQ(b->selectFunctionOfsetIndex(), 2);
    EXPECT_FALSE(b->right_move_item_Btn->isEnabled());
    EXPECT_TRUE(b->left_move_item_Btn->isEnabled());
    EXPECT_EQ(stored("Video_selectFunctionOfsetIndex"), 2);
    // Page 2 shows tiles 17 to 21 in the strip.
    ZylButton* seventeenth = b->functionItemBtn_Childs[16];
    EXPECT_EQ(seventeenth->mapTo(b->functionItemScrollview, QPoint(0, 0)).x(), 0);

    // A category of 8 has one page; each category keeps its own page.
    click(b->function_Items[1]);
    EXPECT_EQ(b->functionItemTitle(), "Audio");
    EXPECT_EQ(b->pageCount(), 1);
    EXPECT_FALSE(b->left_move_item_Btn->isEnabled());
    EXPECT_FALSE(b->right_move_item_Btn->isEnabled());
    click(b->function_Items[0]);
    EXPECT_EQ(b->selectFunctionOfsetIndex(), 2);
    click(b->left_move_item_Btn);
    EXPECT_EQ(stored("Video_selectFunctionOfsetIndex"), 1);
}

TEST_F(FormatBrowserTest, ChoosesATileAndRemembersIt) {
    FormatBrowser* b = open();
    // A first window chooses "Keep Original" of the first category, and says so.
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0].item, "Keep Original");
    EXPECT_EQ(b->showFunctionBtn->contentTitle(), "Target Format: Keep Original");

    // Tile 20 of its category is found like any other (the selection frame is no tile).
    click(b->right_move_item_Btn);
    click(b->right_move_item_Btn);
    click(b->functionItemBtn_Childs[19]);
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[1].item, "v19");
    EXPECT_EQ(QFileInfo(chosen[1].path).fileName(), "v19.pf");
    EXPECT_EQ(b->showFunctionBtn->contentTitle(), "Target Format: v19");
    EXPECT_EQ(b->itemSelectView->geometry(), b->functionItemBtn_Childs[19]->geometry());
    EXPECT_TRUE(b->itemSelectView->isVisible());
    for (size_t i = 0; i < b->gearBtns.size(); ++i)
        EXPECT_EQ(b->gearBtns[i]->isVisible(), i == 19) << i;
    EXPECT_EQ(stored("selectItemIndex"), 20);
    EXPECT_EQ(stored("selectFunListItemIndex"), 1);

    // Another category shows no selection until one of its tiles is chosen.
    click(b->function_Items[1]);
    EXPECT_FALSE(b->itemSelectView->isVisible());
    click(b->functionItemBtn_Childs[3]);
    EXPECT_EQ(chosen.back().item, "a3");
    EXPECT_EQ(stored("selectFunListItemIndex"), 2);

    // A new joiner window shows the remembered category and tile, and reports the choice
    // at once, so that a join right after opening uses it.
    b = open();
    EXPECT_EQ(b->functionItemTitle(), "Audio");
    EXPECT_TRUE(b->function_Items[1]->selected());
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0].item, "a3");
    EXPECT_EQ(b->showFunctionBtn->contentTitle(), "Target Format: a3");

    // A new editor window shows the remembered tile too, and chooses it at once.
    b = open(FormatBrowser::Opener::Editor);
    EXPECT_EQ(b->functionItemTitle(), "Audio");
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0].item, "a3");
    EXPECT_TRUE(b->itemSelectView->isVisible());
    // A file opened later gets the tile chosen last.
    click(b->function_Items[0]);
    click(b->functionItemBtn_Childs[2]);
    const QString picked = chosen.back().item;
    b->start();
    EXPECT_EQ(b->function_Items.size(), 2u);
    EXPECT_EQ(b->functionItemTitle(), "Video");
    EXPECT_EQ(chosen.back().item, picked);
    EXPECT_TRUE(b->function_Items[0]->selected());
    EXPECT_FALSE(b->function_Items[1]->selected());
}

TEST_F(FormatBrowserTest, ARememberedTileThatIsGoneChoosesNothing) {
    UserDefaults::standardUserDefaults().setInteger(2, "selectFunListItemIndex");
    UserDefaults::standardUserDefaults().setInteger(12, "selectItemIndex");
    FormatBrowser* b = open();
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0].category, "Audio");
    EXPECT_TRUE(chosen[0].item.isEmpty());
    EXPECT_FALSE(b->itemSelectView->isVisible());
    EXPECT_EQ(stored("selectItemIndex"), 0);

    // A remembered category that no longer exists starts over on the first one.
    UserDefaults::standardUserDefaults().setInteger(5, "selectFunListItemIndex");
    UserDefaults::standardUserDefaults().setInteger(3, "selectItemIndex");
    b = open();
    EXPECT_EQ(b->functionItemTitle(), "Video");
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0].item, "Keep Original");
}

TEST_F(FormatBrowserTest, FoldsOnLowScreensOnly) {
    FormatBrowser* b = open(FormatBrowser::Opener::Joiner, 700);
    std::vector<bool> folds;
    b->foldChanged = [&](bool folded) { folds.push_back(folded); };
    ASSERT_NE(b->showFunctionIconView, nullptr);

    click(b->showFunctionBtn);
    EXPECT_EQ(folds, std::vector<bool>{true});
    EXPECT_TRUE(b->isFolded());
    EXPECT_EQ(b->height(), FormatBrowser::kBandHeight - FormatBrowser::kFoldHeight);
    EXPECT_FALSE(b->functionItemScrollview->isVisible());
    EXPECT_TRUE(b->rect().contains(b->showFunctionBtn->geometry()));

    click(b->showFunctionBtn);
    EXPECT_EQ(folds, (std::vector<bool>{true, false}));
    EXPECT_EQ(b->height(), FormatBrowser::kBandHeight);
    EXPECT_TRUE(b->functionItemScrollview->isVisible());

    // A high screen has room for the band: no icon, and the title does not fold it.
    b = open(FormatBrowser::Opener::Joiner, 1000);
    EXPECT_EQ(b->showFunctionIconView, nullptr);
    click(b->showFunctionBtn);
    EXPECT_FALSE(b->isFolded());
}

TEST_F(FormatBrowserTest, TheGearOpensTheSettingsWindowWhichReportsBack) {
    FormatBrowser* b = open();
    std::vector<long> masks;
    int restored = 0;
    b->settingChanged = [&](long mask) { masks.push_back(mask); };
    b->settingsRestored = [&] { ++restored; };
    click(b->functionItemBtn_Childs[2]);
    click(b->gearBtns[2]);
    SettingWindowController* settings = b->settingWindow();
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(settings->isVisible());
    EXPECT_EQ(settings->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(settings->joinner());
    EXPECT_EQ(settings->fileType(), 1);
    EXPECT_EQ(QFileInfo(settings->pfPath()).fileName(), "v02.pf");

    QComboBox* codec = settings->popUp(profiles::kVideoCodec);
    const int hevc = codec->findText("hevc");
    ASSERT_GE(hevc, 0);
    codec->setCurrentIndex(hevc);
    emit codec->activated(hevc);
    EXPECT_EQ(masks, std::vector<long>{profiles::kMaskVideoCodec});
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey("vcodecSelectTitle"), "hevc");
    settings->defaultBtn()->click();
    EXPECT_EQ(restored, 1);
    settings->close();
    QTest::qWait(20);

    // While a clip gives the output format nothing can be chosen.
    b->setChoiceEnabled(false);
    EXPECT_FALSE(b->function_Items[1]->isEnabled());
    EXPECT_FALSE(b->functionItemBtn_Childs[0]->isEnabled());
    EXPECT_FALSE(b->gearBtns[2]->isEnabled());
    const size_t before = chosen.size();
    click(b->functionItemBtn_Childs[0]);
    click(b->function_Items[1]);
    EXPECT_EQ(chosen.size(), before);
    EXPECT_EQ(b->functionItemTitle(), "Video");
    b->setChoiceEnabled(true);
    click(b->functionItemBtn_Childs[0]);
    EXPECT_EQ(chosen.back().item, "Keep Original");
}

TEST_F(FormatBrowserTest, AProfileSetWithoutCategoriesShowsAnEmptyBand) {
    QFile::remove(dir.filePath("set/pf.dat"));
    FormatBrowser* b = open();
    EXPECT_TRUE(b->function_Items.empty());
    EXPECT_TRUE(b->functionItemBtn_Childs.empty());
    EXPECT_TRUE(chosen.empty());
    EXPECT_FALSE(b->left_move_item_Btn->isEnabled());
    EXPECT_FALSE(b->right_move_item_Btn->isEnabled());
    EXPECT_TRUE(b->showFunctionBtn->contentTitle().isEmpty());
}

TEST_F(FormatBrowserTest, AProfileSavedAsCustomIsListedAndChosen) {
    FormatBrowser* b = open();
    ASSERT_EQ(b->function_Items.size(), 2u);
    QDir().mkpath(dir.filePath("Custom"));
    QFile f(dir.filePath("Custom/mine.pf"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Main]\nExtName=mkv\n");
    f.close();
    NotificationCenter::defaultCenter().postNotificationName(NSPfFileWrittenNotification, nullptr,
                                                             {{"path", f.fileName()}});
    QTest::qWait(20);
    EXPECT_EQ(b->functionList(), (QStringList{"Custom", "Video", "Audio"}));
    EXPECT_EQ(b->function_Items.size(), 3u);
    EXPECT_TRUE(b->function_Items[0]->isVisible());
    EXPECT_EQ(chosen.back().category, "Custom");
    EXPECT_EQ(chosen.back().item, "mine");
    EXPECT_EQ(b->showFunctionBtn->contentTitle(), "Target Format: mine");
}

TEST_F(FormatBrowserTest, TextsFollowTheLanguageAndACustomProfileShowsItsNameAndContainer) {
    // Keep Original's tile names itself in the interface language, under its picture.
    const auto tileOf = [](FormatBrowser* b, const QString& item) {
        return b->functionItemBtn_Childs[size_t(b->functionItemChilds().indexOf(item))]
            ->normalImage()
            .image();
    };
    FormatBrowser* b = open();
    const QImage englishKeep = tileOf(b, "Keep Original");
    const QImage plain(dir.filePath("set/Video/Keep Original.png"));
    EXPECT_NE(englishKeep.convertToFormat(plain.format()), plain) << "no caption under the picture";

    // Saved from "Keep Original" as "mine": a tile of its container, not Keep Original's.
    QObject prompt;
    ASSERT_TRUE(CustomProfileWriter(&prompt, true, dir.filePath("set/Video/Keep Original.pf"), false)
                    .write("mine", {}));
    QTest::qWait(20);
    ASSERT_EQ(chosen.back().item, "mine");
    const QImage picture(dir.filePath("Custom/mine.png"));
    ASSERT_FALSE(picture.isNull());
    EXPECT_NE(picture.pixelColor(45, 20), plain.pixelColor(45, 20));
    const QImage mine = tileOf(b, "mine");
    EXPECT_NE(mine.convertToFormat(picture.format()), picture) << "the profile's name is written under it";

    // In German the title, the tabs and the captions are German.
    UserDefaults::standardUserDefaults().setInteger(4, "AppLanguage");
    NSBundle::setLanguage();
    b = open();
    const auto de = [](const char* key) { return NSBundle::localizedStringForKey(key); };
    EXPECT_EQ(b->showFunctionBtn->contentTitle(), de("TargetFormatTitle").replace("%@", "mine"));
    EXPECT_TRUE(b->showFunctionBtn->contentTitle().startsWith("Zielformat")) << "German table";
    ASSERT_EQ(b->function_Items.size(), 3u);
    EXPECT_EQ(b->function_Items[0]->title(), de("CustomCategoryTitle"));
    EXPECT_EQ(b->function_Items[1]->title(), de("VideoLabelTitle"));
    click(b->function_Items[1]);
    EXPECT_NE(tileOf(b, "Keep Original"), englishKeep);
    EXPECT_EQ(b->functionItemBtn_Childs[0]->toolTip(), de("Keep_OriginalStringValue"));
    UserDefaults::standardUserDefaults().setInteger(0, "AppLanguage");
    NSBundle::setLanguage();
}
