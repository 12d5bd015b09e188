// The profile name prompt: what OK and Cancel announce, and the checks on the typed name.
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "profiles/AddPfFileNotification.h"
#include "profiles/CustomProfileWriter.h"
#include "profiles/InputFileNameWindowController.h"
#include "profiles/ProfileSet.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

class NamePromptTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QObject owner;
    std::vector<QVariantMap> posted;
    QPointer<InputFileNameWindowController> prompt;

    void SetUp() override {
        UserDefaults::setStorePath(dir.filePath("defaults.ini"));
        ProfileSet::setCustomFolders({dir.filePath("Custom")});
        NotificationCenter::defaultCenter().addObserver(
            NSAddPfFileNotification, nullptr, [this](const Notification& n) { posted.push_back(n.userInfo); },
            &owner);
        prompt = new InputFileNameWindowController();
        prompt->setAttribute(Qt::WA_DeleteOnClose);
        prompt->window();
        prompt->setCustomValue("custom={x}");
        prompt->open();
    }
    void TearDown() override {
        delete prompt.data();
        ProfileSet::setCustomFolders({});
        UserDefaults::setStorePath(QString());
    }
    void type(const QString& name) {
        prompt->nameNameField()->clear();
        QTest::keyClicks(prompt->nameNameField(), name);
        QTest::mouseClick(prompt->okBtn(), Qt::LeftButton);
    }
};

} // namespace

TEST_F(NamePromptTest, OkAnnouncesTheNameAndTheCustomValue) {
    QTest::mouseClick(prompt->okBtn(), Qt::LeftButton); // empty: nothing happens
    EXPECT_TRUE(prompt->isVisible());
    EXPECT_TRUE(posted.empty());
    type("My size");
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].value("fileName").toString(), "My size");
    EXPECT_EQ(posted[0].value("value").toString(), "custom={x}");
    EXPECT_FALSE(prompt->isVisible());
}

TEST_F(NamePromptTest, CancelAnnouncesNothing) {
    QTest::keyClicks(prompt->nameNameField(), "name");
    QTest::mouseClick(prompt->cancelBtn(), Qt::LeftButton);
    EXPECT_FALSE(prompt->isVisible());
    EXPECT_TRUE(posted.empty());
}

TEST_F(NamePromptTest, NamesThatCannotBeFileNamesAreRefused) {
    for (const QString& name :
         {QStringLiteral("../escape"), QStringLiteral("a/b"), QStringLiteral(".hidden")}) {
        type(name);
        ASSERT_NE(prompt->message(), nullptr) << name.toStdString();
        EXPECT_TRUE(prompt->message()->isVisible());
        prompt->message()->done(QMessageBox::Ok);
        EXPECT_TRUE(prompt->isVisible());
    }
    EXPECT_TRUE(posted.empty());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("escape.pf")));
}

TEST_F(NamePromptTest, ExistingProfileIsReplacedOnlyWhenAgreed) {
    QDir().mkpath(dir.filePath("Custom"));
    QFile existing(dir.filePath("Custom/mine.pf"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("[Main]\nExtName=avi\n");
    existing.close();
    UserDefaults::standardUserDefaults().setObject("mp3", "acodecSelectTitle");
    UserDefaults::standardUserDefaults().setObject("mp2", "acodec_SelectTitle"); // the editor's, not used
    new CustomProfileWriter(prompt, true, ProfileSet::joiner().profilePath("Audio", "mp3"), true);

    type("mine");
    ASSERT_NE(prompt->message(), nullptr);
    prompt->message()->done(QMessageBox::No);
    EXPECT_TRUE(posted.empty());
    EXPECT_TRUE(prompt->isVisible());
    existing.open(QIODevice::ReadOnly);
    EXPECT_EQ(existing.readAll(), "[Main]\nExtName=avi\n");
    existing.close();

    type("mine");
    ASSERT_NE(prompt->message(), nullptr);
    prompt->message()->done(QMessageBox::Yes);
    ASSERT_EQ(posted.size(), 1u);
    existing.open(QIODevice::ReadOnly);
    const QByteArray written = existing.readAll();
    // An audio profile: the extension and the four audio keys only.
    EXPECT_TRUE(written.startsWith("[Main]\nExtName=mp3\n[Parameter]\nacodec=mp3, {mp3}\n"))
        << written.constData();
    EXPECT_FALSE(written.contains("vcodec"));
}
