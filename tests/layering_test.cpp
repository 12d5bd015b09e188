// The include rules between the parts of the tree: the media libraries never include program
// code, platform never includes the layers above it, a tool includes only its own files and
// the kit's, the kit includes no tool, the editor includes no tool, and the kit's tests include
// no concrete window; outside the libraries and their own tests only the libraries' include/
// folders are reached, in the text and in the build's compile lines.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

const QString kSource = QStringLiteral(CUTBENCH_SOURCE_DIR);

// Every quoted include under dir whose first folder is refused by forbidden(), as
// "file -> include".
QStringList badIncludes(const QString& dir, const std::function<bool(const QString& path)>& forbidden,
                        const QStringList& skipped = {}) {
    static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s+\"([^\"]+)\""),
                                            QRegularExpression::MultilineOption);
    QStringList found;
    QDirIterator it(dir, {"*.h", "*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (std::any_of(skipped.begin(), skipped.end(), [&](const QString& s) { return path.startsWith(s); }))
            continue;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(f.readAll());
        for (auto m = include.globalMatch(text); m.hasNext();) {
            const QString inc = m.next().captured(1);
            if (forbidden(QFileInfo(path).dir().exists(inc) ? QStringLiteral("./") + inc : inc))
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

// A private header of a media library (one outside its include/ folder), named from outside.
// Includes found beside the including file come here as "./name" and are its own.
bool privateLibraryHeader(const QString& inc) {
    if (inc.startsWith(QStringLiteral("./")))
        return false;
    if (inc.contains(QStringLiteral("libs/")) && !inc.contains(QStringLiteral("/include/")))
        return true;
    for (const char* lib : {"mediacore", "mediaplayer", "mediafx", "ffcommon"}) {
        const QString folder = kSource + "/libs/" + lib + "/";
        const QString path = QDir::cleanPath(folder + inc);
        if (path.startsWith(folder) && !path.startsWith(folder + "include/") && QFileInfo::exists(path))
            return true;
    }
    return false;
}

// The folders outside libs/ that may reach only the libraries' include/ folders, and the ones
// among them that may reach further (the libraries' own tests, the player's bench).
const QStringList kOutside = {kSource + "/src", kSource + "/bench", kSource + "/tests", kSource + "/tools"};
const QStringList kInside = {kSource + "/tests/libs", kSource + "/bench/player"};

// Includes of "tools/<folder>/" other than the kit and `own`.
std::function<bool(const QString&)> otherTool(const QString& own) {
    return [own](const QString& inc) {
        static const QRegularExpression tool(QStringLiteral("^tools/([^/]+)/"));
        const auto m = tool.match(inc);
        return m.hasMatch() && m.captured(1) != "shared" && m.captured(1) != own;
    };
}

#define EXPECT_NONE(list)                                                                                    \
    do {                                                                                                     \
        const QStringList found_ = (list);                                                                   \
        EXPECT_TRUE(found_.isEmpty()) << found_.join("\n").toStdString();                                    \
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

TEST(Layering, OutsideTheLibrariesOnlyTheirIncludeFoldersAreReached) {
    for (const QString& dir : kOutside)
        EXPECT_NONE(badIncludes(dir, privateLibraryHeader, kInside));
    // The build itself hands the program no private folder of a library.
    QFile file(QDir::current().filePath("compile_commands.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "run from the build folder";
    static const QRegularExpression includeDir(QStringLiteral("(?:-I|-isystem )(\\S*/libs/\\S+)"));
    QStringList found;
    for (const QJsonValue v : QJsonDocument::fromJson(file.readAll()).array()) {
        const QString source = v["file"].toString(), command = v["command"].toString();
        const auto outside = [&](const QString& d) { return source.startsWith(d); };
        if (!std::any_of(kOutside.begin(), kOutside.end(), outside) ||
            std::any_of(kInside.begin(), kInside.end(), outside))
            continue;
        for (auto m = includeDir.globalMatch(command); m.hasNext();) {
            const QString dir = m.next().captured(1);
            if (!dir.endsWith(QStringLiteral("/include")))
                found << source + " -> " + dir;
        }
    }
    EXPECT_NONE(found);
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
    EXPECT_EQ(badIncludes(dir.path(), privateLibraryHeader).size(), 0);
    plant("e.cpp", "FxGraph.h");
    plant("f.h", "../../libs/ffcommon/FfPointers.h");
    EXPECT_EQ(badIncludes(dir.path(), privateLibraryHeader).size(), 2);
    plant("JoinJob.h", "");
    plant("g.cpp", "JoinJob.h");
    EXPECT_EQ(badIncludes(dir.path(), privateLibraryHeader).size(), 2)
        << "a header beside the file is its own";
}

} // namespace
