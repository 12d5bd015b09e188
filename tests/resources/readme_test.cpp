// The pages the README links are in the repository.
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

TEST(Readme, LinkedPagesAreInTheRepository) {
    const QString readme = read("README.md");
    static const QRegularExpression link(QStringLiteral("\\]\\(([^)#:]+)\\)"));
    int links = 0;
    for (const QRegularExpressionMatch& m : link.globalMatch(readme)) {
        ++links;
        EXPECT_TRUE(QFileInfo::exists(QDir(CUTBENCH_SOURCE_DIR).filePath(m.captured(1))))
            << m.captured(1).toStdString();
    }
    EXPECT_GE(links, 1);
    EXPECT_TRUE(readme.contains("(ARCHITECTURE.md)"));
    EXPECT_FALSE(readme.contains("in the shared folder"));
}
