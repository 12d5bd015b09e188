// Helpers shared by the shell's window tests: a scratch defaults store, a stand-in tool
// window that behaves like every tool window when it closes, a way to swap the tools, and a
// catcher for the URLs the program opens.
#pragma once

#include "app/ToolWindowRegistry.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"

#include <QCloseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <array>
#include <ostream>
#include <vector>

// Readable strings in GoogleTest's failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// Waits (running the event loop) until the condition holds, and reports to GoogleTest: the
// QTRY_ macros report to QTest, which a GoogleTest run does not see.
#define EXPECT_SOON(cond) EXPECT_TRUE(QTest::qWaitFor([&] { return bool(cond); }, 3000)) << #cond
#define ASSERT_SOON(cond) ASSERT_TRUE(QTest::qWaitFor([&] { return bool(cond); }, 3000)) << #cond

namespace shelltest {

// Points the defaults store at a fresh file for the life of the object.
class ScratchDefaults {
public:
    ScratchDefaults() { UserDefaults::setStorePath(path()); }
    ~ScratchDefaults() { UserDefaults::setStorePath(QString()); }
    QString path() const { return dir_.filePath(QStringLiteral("defaults.ini")); }
    // Drops the in-memory store and reads the file again, as a new run of the program would.
    void reopen() const { UserDefaults::setStorePath(path()); }

private:
    QTemporaryDir dir_;
};

// A tool window as the home screen sees one: it deletes itself on closing and announces it.
class FakeToolWindow : public QWidget {
public:
    FakeToolWindow() { setAttribute(Qt::WA_DeleteOnClose); }
    static inline int created = 0;

protected:
    void closeEvent(QCloseEvent* event) override {
        NotificationCenter::defaultCenter().postNotificationName(QStringLiteral("WillCloseNotification"));
        QWidget::closeEvent(event);
    }
};

// Replaces the registry's factories for the life of the object and puts them back after.
class RegistryOverride {
public:
    RegistryOverride() {
        for (int i = 0; i < kHomeToolCount; ++i)
            saved_[i] = factoryOf(HomeTool(i));
    }
    ~RegistryOverride() {
        for (int i = 0; i < kHomeToolCount; ++i)
            ToolWindowRegistry::shared().setFactory(HomeTool(i), saved_[i]);
    }
    void onlyFakeTool(HomeTool tool) {
        for (int i = 0; i < kHomeToolCount; ++i)
            ToolWindowRegistry::shared().setFactory(HomeTool(i), {});
        addFakeTool(tool);
    }
    void addFakeTool(HomeTool tool) {
        ToolWindowRegistry::shared().setFactory(tool, [] {
            ++FakeToolWindow::created;
            return new FakeToolWindow;
        });
    }

private:
    static ToolWindowRegistry::Factory factoryOf(HomeTool tool) {
        return ToolWindowRegistry::shared().factory(tool);
    }
    std::array<ToolWindowRegistry::Factory, kHomeToolCount> saved_;
};

// Receives every URL the program hands to the desktop, instead of the desktop.
class UrlCatcher {
public:
    UrlCatcher() {
        Workspace::setOpenHandlerForTesting([this](const QUrl& url) {
            urls.push_back(url);
            return true;
        });
    }
    ~UrlCatcher() { Workspace::setOpenHandlerForTesting({}); }
    std::vector<QUrl> urls;
};

} // namespace shelltest
