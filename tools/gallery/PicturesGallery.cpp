// Contact sheets of the generated pictures (build/gallery/*.png), to judge the look of the
// home screen and of every picture side by side. The sheets are composed the way the
// windows show the pictures: tiles with their white labels on the light grey panel.
#include "foundation/helpers/NSBundle.h"
#include "platform/BundlePaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

QString galleryDir() {
    const QString dir = QDir(bundle::resourcePath()).absoluteFilePath(QStringLiteral("../../gallery"));
    QDir().mkpath(dir);
    return QDir(dir).absolutePath();
}

QStringList inventoryPictures() {
    QFile f(QStringLiteral(CUTBENCH_SOURCE_DIR "/tests/resources/images.tsv"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QTextStream in(&f);
    in.readLine();
    QStringList paths;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (!line.isEmpty())
            paths << line.section(QLatin1Char('\t'), 0, 0);
    }
    return paths;
}

} // namespace

TEST(Gallery, HomeScreenSheet) {
    const QColor brand(33, 176, 235);
    const QColor panel(245, 245, 245);
    const std::pair<const char*, const char*> tiles[] = {
        {"Crop", "Crop"},          {"Effect", "Effects"},
        {"Subtitle", "Subtitle"},  {"Watermark", "Watermark"},
        {"Join", "Join"},          {"EasyCut", "Easy Cut"},
        {"BatchCut", "Batch Cut"}, {"AdvancedCut", "Advanced Cut"},
        {"Rotation", "Rotate"},    {"Music", "Add Music"},
        {"Split", "Split"}};
    const QSize tile = NSBundle::imageWithfileName("Main/btnCrop_Normal.bmp").size();
    ASSERT_FALSE(tile.isEmpty());
    const int gap = 12;
    const int cols = 4;
    const int width = cols * tile.width() + (cols + 1) * gap + 40;
    const int height = 3 * tile.height() + 4 * gap + 110 + tile.height() + 2 * gap + 40;
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(brand);
    QPainter p(&sheet);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(20, 50, width - 40, height - 70), panel);
    p.setPen(Qt::white);
    QFont title = p.font();
    title.setPixelSize(16);
    p.setFont(title);
    p.drawText(QRect(20, 10, width - 40, 30), Qt::AlignVCenter, QStringLiteral("Cutbench"));
    const QImage about = NSBundle::imageWithfileName("Main/btnAbout_Normal.png");
    const QImage homepage = NSBundle::imageWithfileName("Main/btnHomepage_Normal.png");
    // The two text buttons stand at the top right of the light panel, titled in blue.
    p.drawImage(width - 220, 54, about);
    p.drawImage(width - 130, 54, homepage);
    QFont label = p.font();
    label.setPixelSize(13);
    p.setFont(label);
    p.setPen(brand);
    p.drawText(width - 220 + about.width() + 4, 68, QStringLiteral("About"));
    p.drawText(width - 130 + homepage.width() + 4, 68, QStringLiteral("Homepage"));
    int i = 0;
    for (const auto& [name, text] : tiles) {
        const QImage img = NSBundle::imageWithfileName(QStringLiteral("Main/btn%1_Normal.bmp").arg(name));
        ASSERT_FALSE(img.isNull()) << name;
        const QPoint at(20 + gap + (i % cols) * (tile.width() + gap),
                        80 + gap + (i / cols) * (tile.height() + gap));
        p.drawImage(at, img);
        p.setPen(Qt::white);
        p.drawText(QRect(at.x() + 10, at.y() + 5, tile.width() - 20, 20), Qt::AlignLeft | Qt::AlignVCenter,
                   text);
        ++i;
    }
    // One tile in its four looks.
    const char* states[] = {"_Normal", "_On", "_Down", "_Disable"};
    for (int s = 0; s < 4; ++s) {
        const QImage img =
            NSBundle::imageWithfileName(QStringLiteral("Main/btnEasyCut%1.bmp").arg(states[s]));
        const QPoint at(20 + gap + s * (tile.width() + gap), 80 + gap + 3 * (tile.height() + gap) + 20);
        p.drawImage(at, img);
        p.setPen(Qt::white);
        p.drawText(QRect(at.x() + 10, at.y() + 5, tile.width() - 20, 20), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromLatin1(states[s] + 1));
    }
    p.end();
    const QString out = QDir(galleryDir()).filePath(QStringLiteral("home.png"));
    ASSERT_TRUE(sheet.save(out));
}

TEST(Gallery, EveryInventoryPicture) {
    const QStringList paths = inventoryPictures();
    ASSERT_GT(paths.size(), 200);
    // Pages of 48; small pictures are shown twice as large so their drawing can be judged.
    const int cellW = 190;
    const int cellH = 130;
    const int cols = 8;
    const int perPage = 48;
    for (int page = 0; qsizetype(page) * perPage < paths.size(); ++page) {
        QImage sheet(cols * cellW, (perPage / cols) * cellH, QImage::Format_RGB32);
        sheet.fill(QColor(245, 245, 245));
        QPainter p(&sheet);
        QFont f = p.font();
        f.setPixelSize(10);
        p.setFont(f);
        for (int k = 0; k < perPage && page * perPage + k < paths.size(); ++k) {
            const QString& name = paths[page * perPage + k];
            const QRect cell((k % cols) * cellW, (k / cols) * cellH, cellW, cellH);
            p.fillRect(cell.adjusted(2, 2, -2, -2),
                       (k / cols + k % cols) % 2 ? QColor(236, 238, 240) : QColor(250, 250, 250));
            QImage img = NSBundle::imageWithfileName(name);
            if (!img.isNull()) {
                if (img.width() <= 48 && img.height() <= 48)
                    img = img.scaled(img.size() * 2);
                if (img.width() > cellW - 10 || img.height() > cellH - 24)
                    img = img.scaled(cellW - 10, cellH - 24, Qt::KeepAspectRatio, Qt::SmoothTransformation);
                p.drawImage(cell.x() + (cellW - img.width()) / 2,
                            cell.y() + 4 + (cellH - 24 - img.height()) / 2, img);
            } else {
                p.fillRect(cell.adjusted(20, 20, -20, -30), Qt::red);
            }
            p.setPen(Qt::black);
            p.drawText(cell.adjusted(3, cellH - 20, -3, 0), Qt::AlignCenter, name);
        }
        p.end();
        ASSERT_TRUE(sheet.save(QDir(galleryDir()).filePath(QStringLiteral("all-%1.png").arg(page + 1))));
    }
}

TEST(Gallery, ProfileTilesSheet) {
    // The tiles of the format browser on its grey strip, as many as the build has.
    QStringList tiles;
    for (const char* root : {"functionFolder", "pf_join"}) {
        const QDir rootDir(QDir(bundle::settingsBundlePath()).filePath(QLatin1String(root)));
        for (const QString& category : rootDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QString& png : QDir(rootDir.filePath(category)).entryList({QStringLiteral("*.png")}))
                tiles << QStringLiteral("%1/%2/%3").arg(QLatin1String(root), category, png);
    }
    ASSERT_FALSE(tiles.isEmpty());
    const int cols = 10;
    const int rows = int((tiles.size() + cols - 1) / cols);
    QImage sheet(cols * 100 + 20, rows * 120 + 20, QImage::Format_RGB32);
    sheet.fill(QColor(134, 140, 147));
    QPainter p(&sheet);
    QFont f = p.font();
    f.setPixelSize(9);
    p.setFont(f);
    const QImage marker = NSBundle::imageWithfileName("Resources/selItemBack.png");
    for (int i = 0; i < tiles.size(); ++i) {
        const QPoint at(10 + (i % cols) * 100, 10 + (i / cols) * 120);
        if (i == 1)
            p.drawImage(at, marker);
        p.drawImage(at, NSBundle::imageWithfileName(tiles[i]));
        p.setPen(Qt::white);
        p.drawText(QRect(at.x() - 5, at.y() + 96, 100, 20), Qt::AlignCenter,
                   QFileInfo(tiles[i]).completeBaseName());
    }
    p.end();
    ASSERT_TRUE(sheet.save(QDir(galleryDir()).filePath(QStringLiteral("profiles.png"))));
}

TEST(Gallery, ControlsSheet) {
    // Button families in their four looks, twice as large, on the panels they sit on.
    const QStringList families{
        "Join/btnPlay_%1.png",        "Join/btnStop_%1.png",           "Join/btnCapture_%1.png",
        "Join/btnCaptureSet_%1.png",  "Cut/btnSetStartTime_%1.png",    "Cut/btnSetEndTime_%1.png",
        "Cut/btnOpenVolume_%1.png",   "Cut/btnCloseVolume_%1.png",     "Cut/btnMoveUp_%1.png",
        "Cut/btnClear_%1.png",        "About/btnAddFile_Small_%1.bmp", "About/btnOK_%1.bmp",
        "Cut/btnCut_%1.bmp",          "SubFun/btnStart_%1.bmp",        "SubFun/btnCut_%1.bmp",
        "SubFun/btnWaterMark_%1.bmp", "SubFun/btnSubtitle_%1.bmp",     "SubFun/btnMusic_%1.bmp"};
    const char* looks[] = {"Normal", "On", "Down", "Disable"};
    const int cellW = 330;
    const int cellH = 100;
    QImage sheet(4 * cellW, int(families.size()) * cellH, QImage::Format_RGB32);
    sheet.fill(QColor(245, 245, 245));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int r = 0; r < families.size(); ++r)
        for (int c = 0; c < 4; ++c) {
            const QImage img = NSBundle::imageWithfileName(families[r].arg(QLatin1String(looks[c])));
            if (img.isNull())
                continue;
            const QImage big = img.scaled(img.size() * 2);
            p.drawImage(c * cellW + (cellW - big.width()) / 2, r * cellH + (cellH - big.height()) / 2, big);
        }
    p.end();
    ASSERT_TRUE(sheet.save(QDir(galleryDir()).filePath(QStringLiteral("controls.png"))));
}

TEST(Gallery, SinglePicturesSheet) {
    // Pictures with one look only, three times as large.
    const char* names[] = {"SubFun/旋转-左.png",          "SubFun/旋转-右.png",
                           "SubFun/左右翻转.png",         "SubFun/上下翻转.png",
                           "Split/btnHandSplit_1.bmp",    "Split/btnRemovePoint_1.bmp",
                           "Resources/setingParam.png",   "Resources/edit_trimknob_normal.png",
                           "Join/imgEmail.png",           "Main/btnAbout_Normal.png",
                           "Main/btnHomepage_Normal.png", "SubFun/btnBrowse_Down.png"};
    QImage sheet(6 * 160, 2 * 160, QImage::Format_RGB32);
    sheet.fill(QColor(245, 245, 245));
    QPainter p(&sheet);
    int i = 0;
    for (const char* name : names) {
        const QImage img = NSBundle::imageWithfileName(QString::fromUtf8(name));
        ASSERT_FALSE(img.isNull()) << name;
        const QImage big = img.scaled(img.size() * 3);
        p.drawImage((i % 6) * 160 + (160 - big.width()) / 2, (i / 6) * 160 + (160 - big.height()) / 2, big);
        ++i;
    }
    p.end();
    ASSERT_TRUE(sheet.save(QDir(galleryDir()).filePath(QStringLiteral("singles.png"))));
}
