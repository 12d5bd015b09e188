// The README a clone shows first: its title comes first, it explains the two commands, and
// the pages it links are in the repository.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {
QString read(const QString& name) {
    QFile f(QDir(CUTBENCH_SOURCE_DIR).filePath(name));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
} // namespace

TEST(Readme, OpensWithItsTitleThenTheCommandsWithWhatTheyDo) {
    const QString readme = read("README.md");
    ASSERT_FALSE(readme.isEmpty());
    EXPECT_TRUE(readme.startsWith("# Cutbench\n")) << readme.left(80).toStdString();
    for (const char* command : {"scripts/run", "scripts/test"}) {
        const qsizetype at = readme.indexOf(command);
        ASSERT_GT(at, readme.indexOf("# Cutbench")) << command;
        // Explained on its own line.
        const QString line = readme.mid(at, readme.indexOf('\n', at) - at);
        EXPECT_GT(line.size(), QString(command).size() + 10) << line.toStdString();
    }
}

TEST(Readme, LinkedPagesAreInTheRepository) {
    const QString readme = read("README.md");
    static const QRegularExpression link(QStringLiteral("\\]\\(([^)#:]+)\\)"));
    int links = 0;
    for (const QRegularExpressionMatch& m : link.globalMatch(readme)) {
        ++links;
        EXPECT_TRUE(QFileInfo::exists(QDir(CUTBENCH_SOURCE_DIR).filePath(m.captured(1)))) << m.captured(1).toStdString();
    }
    EXPECT_GE(links, 1);
    EXPECT_TRUE(readme.contains("(ARCHITECTURE.md)"));
    EXPECT_FALSE(readme.contains("in the shared folder"));
    EXPECT_TRUE(read("ARCHITECTURE.md").startsWith("# Cutbench architecture"));
}
