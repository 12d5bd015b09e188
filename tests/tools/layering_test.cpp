// The tool windows are built on the kit and on nothing of each other: a tool includes only
// its own files and the kit's, the kit includes no tool, and the kit's tests include no
// concrete window.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// Every "tools/<folder>/" that a file under dir includes, as "file -> folder".
QStringList toolIncludes(const QString& dir, const QString& allowed) {
    static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s+\"tools/([^/\"]+)/"),
                                            QRegularExpression::MultilineOption);
    QStringList found;
    QDirIterator it(dir, {"*.h", "*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(f.readAll());
        for (auto m = include.globalMatch(text); m.hasNext();) {
            const QString folder = m.next().captured(1);
            if (folder != "shared" && folder != allowed)
                found << QDir(CUTBENCH_SOURCE_DIR).relativeFilePath(path) + " -> " + folder;
        }
    }
    return found;
}

TEST(Layering, ToolsUseTheKitAndNeverEachOther) {
    const QDir tools(QStringLiteral(CUTBENCH_SOURCE_DIR "/src/tools"));
    const QStringList folders = tools.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_TRUE(folders.contains("shared"));
    ASSERT_GE(folders.size(), 5) << "the four tools and the kit";
    for (const QString& folder : folders) {
        const QString own = folder == "shared" ? QString() : folder;
        const QStringList found = toolIncludes(tools.filePath(folder), own);
        EXPECT_TRUE(found.isEmpty()) << found.join("\n").toStdString();
    }
}

TEST(Layering, TheEditorUsesTheKitAndNoTool) {
    const QStringList found = toolIncludes(QStringLiteral(CUTBENCH_SOURCE_DIR "/src/editor"), QString());
    EXPECT_TRUE(found.isEmpty()) << found.join("\n").toStdString();
}

TEST(Layering, TheKitsTestsIncludeNoWindow) {
    const QStringList found = toolIncludes(QStringLiteral(CUTBENCH_SOURCE_DIR "/tests/tools/shared"), QString());
    EXPECT_TRUE(found.isEmpty()) << found.join("\n").toStdString();
}

} // namespace
