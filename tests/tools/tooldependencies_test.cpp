// Tools depend on the tool-window kit, never on each other, and the kit on no tool: every
// include of a tool's folder from another folder of src/tools is listed as a failure.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

TEST(ToolDependencies, NoToolIncludesAnotherTool) {
    const QDir tools(QStringLiteral(CUTBENCH_SOURCE_DIR "/src/tools"));
    ASSERT_TRUE(tools.exists());
    const QRegularExpression include(QStringLiteral(R"(^\s*#\s*include\s*"tools/([^/"]+)/)"),
                                     QRegularExpression::MultilineOption);
    int files = 0;
    QDirIterator it(tools.path(), {"*.h", "*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString folder = tools.relativeFilePath(path).section('/', 0, 0);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        ++files;
        auto matches = include.globalMatch(QString::fromUtf8(file.readAll()));
        while (matches.hasNext()) {
            const QString used = matches.next().captured(1);
            EXPECT_TRUE(used == folder || used == QLatin1String("shared"))
                << tools.relativeFilePath(path).toStdString() << " includes tools/" << used.toStdString();
        }
    }
    EXPECT_GT(files, 10);
}
