// The player's first picture of a file, as a window's preview shows it on loading: a fresh
// process opens the file in a player and exits once its first picture is up (the bench times
// the whole process). Exit 0 with a picture; 1 without.
//   player_open FILE
#include "mediaplayer/LxMoviePlayer.h"

#include <QApplication>
#include <QTimer>
#include <memory>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    auto player = std::make_unique<LxMoviePlayer>(QString::fromLocal8Bit(argv[1]), QRect(0, 0, 480, 270));
    int result = 1;
    player->SnapshotWhenReady(160, 90, [&](const QImage& picture) {
        result = picture.isNull() ? 1 : 0;
        QTimer::singleShot(0, &app, &QApplication::quit);
    });
    // A player that never gives its picture fails the run rather than hang the bench.
    QTimer::singleShot(60000, &app, &QApplication::quit);
    app.exec();
    player.reset();
    return result;
}
