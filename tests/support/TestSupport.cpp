#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <cmath>

namespace testsupport {

QString media(const QString& name) {
    return QDir(QStringLiteral(CUTBENCH_TEST_MEDIA_DIR)).filePath(name);
}

int run(const QString& program, const QStringList& args, QByteArray* out, QByteArray* err, int timeoutMs) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted()) return -1;
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (out) *out = p.readAllStandardOutput();
    if (err) *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QString makeWithFfmpeg(const QString& out, const QStringList& args) {
    QStringList all{"-v", "error", "-nostdin", "-y"};
    all << args << out;
    return run(FFMPEG_EXECUTABLE, all) == 0 ? out : QString();
}

QJsonObject probe(const QString& path) {
    QByteArray out;
    if (run(FFPROBE_EXECUTABLE, {"-v", "error", "-print_format", "json", "-show_format", "-show_streams", path},
            &out) != 0)
        return {};
    return QJsonDocument::fromJson(out).object();
}

double probeDuration(const QString& path) {
    const QJsonObject o = probe(path);
    if (o.isEmpty()) return -1;
    bool ok = false;
    const double d = o["format"].toObject()["duration"].toString().toDouble(&ok);
    return ok ? d : -1;
}

QJsonObject probeStream(const QString& path, const QString& kind) {
    for (const auto& s : probe(path)["streams"].toArray())
        if (s.toObject()["codec_type"].toString() == kind) return s.toObject();
    return {};
}

int probeStreamCount(const QString& path, const QString& kind) {
    int n = 0;
    for (const auto& s : probe(path)["streams"].toArray())
        if (s.toObject()["codec_type"].toString() == kind) ++n;
    return n;
}

QStringList soundLanguages(const QString& path) {
    QStringList found;
    for (const QJsonValue s : probe(path)["streams"].toArray()) {
        if (s["codec_type"].toString() != "audio")
            continue;
        QByteArray out;
        run(FFPROBE_EXECUTABLE,
            {"-v", "error", "-select_streams", QString::number(s["index"].toInt()), "-count_packets",
             "-show_entries", "stream=nb_read_packets", "-of", "csv=p=0", path},
            &out);
        found << s["tags"].toObject().value("language").toString() + (out.trimmed().toInt() > 50 ? "" : "?");
    }
    return found;
}

int probeFrameCount(const QString& path) {
    QByteArray out;
    if (run(FFPROBE_EXECUTABLE, {"-v", "error", "-select_streams", "v:0", "-count_frames", "-show_entries",
                                 "stream=nb_read_frames", "-of", "default=nokey=1:noprint_wrappers=1", path},
            &out) != 0)
        return -1;
    return out.trimmed().toInt();
}

QImage ffmpegFrameAt(const QString& path, double seconds) {
    QTemporaryDir dir;
    const QString png = dir.filePath("frame.png");
    // -ss after -i decodes from the start and is exact to the frame.
    if (run(FFMPEG_EXECUTABLE, {"-v", "error", "-nostdin", "-y", "-i", path, "-ss", QString::number(seconds, 'f', 6),
                                "-frames:v", "1", png}) != 0)
        return {};
    return QImage(png).convertToFormat(QImage::Format_RGB32);
}

double meanAbsDiff(const QImage& a0, const QImage& b0) {
    if (a0.size() != b0.size() || a0.isNull()) return 255.0;
    const QImage a = a0.convertToFormat(QImage::Format_RGB32), b = b0.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            sum += std::abs(qRed(pa[x]) - qRed(pb[x])) + std::abs(qGreen(pa[x]) - qGreen(pb[x])) +
                   std::abs(qBlue(pa[x]) - qBlue(pb[x]));
    }
    return sum / (3.0 * a.width() * a.height());
}

QString longClip() {
    static QTemporaryDir dir;
    const QString path = dir.path() + "/long_60s.mp4";
    if (!QFileInfo::exists(path)) {
        run(FFMPEG_EXECUTABLE,
            {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
             "testsrc2=size=640x360:rate=25:duration=60", "-f", "lavfi", "-i",
             "sine=frequency=440:sample_rate=44100:duration=60", "-c:v", "libx264", "-preset", "ultrafast", "-g",
             "1500", "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest", path});
    }
    return path;
}

QString fieldClip(const QString& name) {
    static QTemporaryDir dir;
    static const bool made =
        run("bash", {QStringLiteral(CUTBENCH_SOURCE_DIR) + "/tests/media/make_field_clips.sh", dir.path()}, nullptr,
            nullptr, 300000) == 0;
    return made ? dir.filePath(name) : QString();
}

double audioRms(const QString& path, double from, double to) {
    QByteArray out;
    if (run(FFMPEG_EXECUTABLE, {"-v", "error", "-nostdin", "-i", path, "-ss", QString::number(from, 'f', 3), "-to",
                                QString::number(to, 'f', 3), "-vn", "-ac", "1", "-ar", "8000", "-f", "f32le", "-"},
            &out) != 0)
        return -1;
    const auto* s = reinterpret_cast<const float*>(out.constData());
    const qsizetype n = out.size() / 4;
    if (n == 0) return 0;
    double acc = 0;
    for (qsizetype i = 0; i < n; ++i) acc += double(s[i]) * s[i];
    return std::sqrt(acc / n);
}

}  // namespace testsupport
