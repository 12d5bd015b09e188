// The include rules between the parts of the tree: the media libraries never include program
// code, platform never includes the layers above it, a tool includes only its own files and
// the kit's, the kit includes no tool, the editor includes no tool, and the kit's tests include
// no concrete window.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace {

const QString kSource = QStringLiteral(CUTBENCH_SOURCE_DIR);

// Every quoted include under dir whose first folder is refused by forbidden(), as
// "file -> include".
QStringList badIncludes(const QString& dir, const std::function<bool(const QString& path)>& forbidden) {
    static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s+\"([^\"]+)\""),
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
            const QString inc = m.next().captured(1);
            if (forbidden(inc))
                found << QDir(dir).relativeFilePath(path) + " -> " + inc;
        }
    }
    return found;
}

bool programCode(const QString& inc) {
    static const QRegularExpression program(
        QStringLiteral("^(\\.\\./)*(src/)?(app|tools|editor|profiles|foundation|platform)/"));
    return program.match(inc).hasMatch() || inc.contains(QStringLiteral("src/"));
}

// Includes of "tools/<folder>/" other than the kit and `own`.
std::function<bool(const QString&)> otherTool(const QString& own) {
    return [own](const QString& inc) {
        static const QRegularExpression tool(QStringLiteral("^tools/([^/]+)/"));
        const auto m = tool.match(inc);
        return m.hasMatch() && m.captured(1) != "shared" && m.captured(1) != own;
    };
}

#define EXPECT_NONE(list)                                                                          \
    do {                                                                                           \
        const QStringList found_ = (list);                                                         \
        EXPECT_TRUE(found_.isEmpty()) << found_.join("\n").toStdString();                          \
    } while (0)

TEST(Layering, TheLibrariesIncludeNoProgramCode) {
    for (const char* lib : {"mediacore", "mediaplayer", "mediafx"})
        EXPECT_NONE(badIncludes(kSource + "/libs/" + lib, programCode));
}

TEST(Layering, PlatformIncludesNothingAboveIt) {
    EXPECT_NONE(badIncludes(kSource + "/src/platform", [](const QString& inc) {
        return programCode(inc) && !inc.startsWith("platform/");
    }));
}

TEST(Layering, ToolsUseTheKitAndNeverEachOther) {
    const QDir tools(kSource + "/src/tools");
    const QStringList folders = tools.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_TRUE(folders.contains("shared"));
    ASSERT_GE(folders.size(), 5) << "the four tools and the kit";
    for (const QString& folder : folders)
        EXPECT_NONE(badIncludes(tools.filePath(folder), otherTool(folder == "shared" ? QString() : folder)));
}

TEST(Layering, TheEditorAndTheKitsTestsIncludeNoTool) {
    EXPECT_NONE(badIncludes(kSource + "/src/editor", otherTool(QString())));
    EXPECT_NONE(badIncludes(kSource + "/tests/tools/shared", otherTool(QString())));
}

// The checks above only mean something if a violation is seen: plant one of each kind.
TEST(Layering, PlantedViolationsAreFound) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto plant = [&](const QString& name, const QString& include) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("// planted\n#include <vector>\n  #  include \"%1\"\n").arg(include).toUtf8());
    };
    plant("a.cpp", "foundation/helpers/HelpClass.h");
    EXPECT_EQ(badIncludes(dir.path(), programCode).size(), 1);
    plant("b.h", "../../src/platform/Log.h");
    EXPECT_EQ(badIncludes(dir.path(), programCode).size(), 2);
    plant("c.cpp", "tools/join/JoinWindowController.h");
    EXPECT_EQ(badIncludes(dir.path(), otherTool("split")).size(), 1);
    EXPECT_TRUE(badIncludes(dir.path(), otherTool("join")).isEmpty());
    plant("d.cpp", "mediacore/MediaCore.h");
    EXPECT_EQ(badIncludes(dir.path(), programCode).size(), 3) << "a library header is not program code";
}

} // namespace
