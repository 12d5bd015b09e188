#include "TestSupport.h"

#include "FrameCounter.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <numeric>
#include <optional>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace testsupport {

QString media(const QString& name) {
    return QDir(QStringLiteral(CUTBENCH_TEST_MEDIA_DIR)).filePath(name);
}

namespace {

// What a run of one of the ffmpeg tools that only reads files printed, by the command and the
// identity of each file it reads.
struct Ran {
    int code = -1;
    QByteArray out, err;
};

// A test program reads the same unchanged files with the ffmpeg tools many times over (the
// source's frames for each cut made of it, a file's streams for each of several checks), and
// each start of a tool costs about a tenth of a second of CPU linking its two hundred
// libraries: most of what the engine's tests spend. A command that only reads whole files
// named in its arguments prints the same as long as each file is the same file (device,
// inode) at the same size and modification and change times. `key` is empty where the command
// is not such a command; `files` are the indexes of the arguments that name files, with their
// identities.
struct ReadOnlyCommand {
    QByteArray key;
    std::vector<std::pair<qsizetype, QByteArray>> files;
};

ReadOnlyCommand readOnlyCommand(const QString& program, const QStringList& args) {
    const bool probeTool =
        program == QLatin1String(FFPROBE_EXECUTABLE) && !args.contains(QLatin1String("-o"));
    // ffmpeg writing to its standard output and to no file.
    const bool decodeTool =
        program == QLatin1String(FFMPEG_EXECUTABLE) && !args.isEmpty() && args.last() == QLatin1String("-");
    if (!probeTool && !decodeTool)
        return {};
    ReadOnlyCommand command{program.toUtf8(), {}};
    for (qsizetype i = 0; i < args.size(); ++i) {
        command.key += '\x1f';
        command.key += args[i].toUtf8();
        struct stat st {};
        if (::stat(QFile::encodeName(args[i]).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
            // Not a file (an option, a filter, a stream): a path that names none may be made later.
            if (args[i].contains('/'))
                return {};
            continue;
        }
        // A file anywhere but as ffmpeg's input may be written.
        if (decodeTool && (i == 0 || args[i - 1] != QLatin1String("-i")))
            return {};
        const QByteArray identity =
            QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino)) + ':' +
            QByteArray::number(qint64(st.st_size)) + ':' + QByteArray::number(qint64(st.st_mtim.tv_sec)) +
            '.' + QByteArray::number(qint64(st.st_mtim.tv_nsec)) + ':' +
            QByteArray::number(qint64(st.st_ctim.tv_sec)) + '.' +
            QByteArray::number(qint64(st.st_ctim.tv_nsec));
        command.key += identity;
        command.files.emplace_back(i, identity);
    }
    return command;
}

QByteArray readOnlyKey(const QString& program, const QStringList& args) {
    return readOnlyCommand(program, args).key;
}

// Bounded, so that the decoded sound and pictures of a long program stay a few dozen MB.
class RanCache {
public:
    std::optional<Ran> find(const QByteArray& key) {
        const std::lock_guard lock(mutex_);
        const auto it = ran_.find(key);
        if (it == ran_.end())
            return std::nullopt;
        return it->second;
    }
    void keep(const QByteArray& key, const Ran& ran) {
        constexpr qsizetype kMaxBytes = 96 << 20;
        const qsizetype bytes = ran.out.size() + ran.err.size() + key.size();
        if (bytes > kMaxBytes / 4)
            return;
        const std::lock_guard lock(mutex_);
        if (!ran_.emplace(key, ran).second)
            return;
        order_.emplace_back(key, bytes);
        bytes_ += bytes;
        while (bytes_ > kMaxBytes) {
            ran_.erase(order_.front().first);
            bytes_ -= order_.front().second;
            order_.pop_front();
        }
    }

private:
    std::mutex mutex_;
    std::map<QByteArray, Ran> ran_;
    std::deque<std::pair<QByteArray, qsizetype>> order_; // oldest first, with its bytes
    qsizetype bytes_ = 0;
};

RanCache& ranCache() {
    static RanCache cache;
    return cache;
}

// The suite runs twice (the release build, the sanitizer build), and its programs read the
// same clips, and many of the same outputs, with the same commands. Where scripts/test names
// the run's clip folder, what a read-only command printed is kept there for every program of
// the run, by the command and the contents of the files it reads (with their names' suffixes,
// by which ffmpeg may guess a format). The paths it printed are put back to the reader's own.
class SharedRuns {
public:
    // Empty where nothing is shared: no clip folder, or not a read-only command.
    QString entry(const QString& program, const QStringList& args, const ReadOnlyCommand& command) {
        const QString folder = qEnvironmentVariable("CUTBENCH_CLIP_CACHE");
        if (folder.isEmpty() || command.key.isEmpty())
            return {};
        QCryptographicHash hash(QCryptographicHash::Sha1);
        hash.addData(program.toUtf8());
        auto file = command.files.begin();
        for (qsizetype i = 0; i < args.size(); ++i) {
            hash.addData(QByteArrayView("\x1f", 1));
            if (file == command.files.end() || file->first != i) {
                hash.addData(args[i].toUtf8());
                continue;
            }
            const QByteArray contents = contentHash(args[i], file->second);
            if (contents.isEmpty())
                return {};
            hash.addData(QFileInfo(args[i]).suffix().toUtf8() + ':' + contents);
            ++file;
        }
        return QDir(folder).filePath("ran-" + QString::fromLatin1(hash.result().toHex()));
    }

    static std::optional<Ran> find(const QString& entry, const QStringList& args,
                                   const ReadOnlyCommand& command) {
        QFile f(entry);
        if (!f.open(QIODevice::ReadOnly))
            return std::nullopt;
        QDataStream in(&f);
        Ran ran;
        QStringList paths;
        in >> ran.code >> paths >> ran.out >> ran.err;
        if (in.status() != QDataStream::Ok || paths.size() != qsizetype(command.files.size()))
            return std::nullopt;
        for (size_t i = 0; i < command.files.size(); ++i) {
            const QByteArray was = paths[qsizetype(i)].toUtf8(), is = args[command.files[i].first].toUtf8();
            if (was != is) {
                ran.out.replace(was, is);
                ran.err.replace(was, is);
            }
        }
        return ran;
    }

    static void keep(const QString& entry, const QStringList& args, const ReadOnlyCommand& command,
                     const Ran& ran) {
        if (ran.out.size() + ran.err.size() > (24 << 20))
            return;
        QStringList paths;
        for (const auto& file : command.files)
            paths << args[file.first];
        // Written under a name of this process's own and renamed whole, so that a reader never
        // takes half of it.
        const QString making = entry + QString(".making-%1").arg(QCoreApplication::applicationPid());
        QFile f(making);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        QDataStream outStream(&f);
        outStream << ran.code << paths << ran.out << ran.err;
        if (outStream.status() != QDataStream::Ok || !f.flush() ||
            std::rename(QFile::encodeName(making).constData(), QFile::encodeName(entry).constData()) != 0)
            QFile::remove(making);
    }

private:
    // A file's contents, hashed once while it stays the same file.
    QByteArray contentHash(const QString& path, const QByteArray& identity) {
        {
            const std::lock_guard lock(mutex_);
            const auto it = hashes_.find(identity);
            if (it != hashes_.end())
                return it->second;
        }
        QFile f(path);
        QCryptographicHash hash(QCryptographicHash::Sha1);
        if (!f.open(QIODevice::ReadOnly) || !hash.addData(&f))
            return {};
        const QByteArray result = hash.result().toHex();
        const std::lock_guard lock(mutex_);
        hashes_.emplace(identity, result);
        return result;
    }

    std::mutex mutex_;
    std::map<QByteArray, QByteArray> hashes_;
};

SharedRuns& sharedRuns() {
    static SharedRuns shared;
    return shared;
}

Ran runProcess(const QString& program, const QStringList& args, int timeoutMs) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted())
        return {};
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return Ran{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
               p.readAllStandardError()};
}

// Most of a check's time is the tool's start, and the usual checks of one file come in pairs:
// its errors and its pictures, or its pictures' times and its sound's. One run that prints what
// both commands would (`together`, its standard output cut in two by `split`) is kept for each
// of them, as if each had run. Where it fails (a file without pictures), each command runs
// alone when asked, and the joint run, kept like any other, is not started again.
void runTogether(const QString& program, const QStringList& first, const QStringList& second,
                 const QStringList& together,
                 const std::function<std::pair<QByteArray, QByteArray>(const QByteArray&)>& split) {
    const QByteArray firstKey = readOnlyKey(program, first), secondKey = readOnlyKey(program, second);
    if (firstKey.isEmpty() || secondKey.isEmpty() ||
        (ranCache().find(firstKey) && ranCache().find(secondKey)))
        return;
    QByteArray out, err;
    if (run(program, together, &out, &err) != 0)
        return;
    const auto [a, b] = split(out);
    ranCache().keep(firstKey, Ran{0, a, err});
    ranCache().keep(secondKey, Ran{0, b, err});
}

QStringList decodeArgs(const QString& path) {
    return {"-v", "error", "-nostdin", "-i", path, "-f", "null", "-"};
}

QStringList greyPicturesArgs(const QString& path) {
    const int w = kGreyWidth, h = kGreyHeight;
    return {"-v",        "error",       "-nostdin",
            "-i",        path,          "-map",
            "0:v:0",     "-vf",         QString("scale=%1:%2").arg(w).arg(h),
            "-fps_mode", "passthrough", "-f",
            "rawvideo",  "-pix_fmt",    "gray",
            "-"};
}

void decodeWithPictures(const QString& path) {
    const QStringList decode = decodeArgs(path), pictures = greyPicturesArgs(path);
    runTogether(FFMPEG_EXECUTABLE, decode, pictures, decode + pictures.mid(5), [](const QByteArray& out) {
        return std::pair{QByteArray(), out};
    });
}

QStringList framesArgs(const QString& path, const QString& kind) {
    return {"-v",        "error",         "-select_streams",
            kind + ":0", "-show_entries", "frame=best_effort_timestamp_time,pkt_duration_time",
            "-of",       "csv=p=0",       path};
}

// The times of the first picture stream's frames and of the first sound stream's, in one read.
void picturesAndSoundFrames(const QString& path) {
    runTogether(FFPROBE_EXECUTABLE, framesArgs(path, "v"), framesArgs(path, "a"),
                {"-v", "error", "-show_entries",
                 "stream=index,codec_type:frame=stream_index,best_effort_timestamp_time,pkt_duration_time",
                 "-of", "csv=p=1", path},
                [](const QByteArray& out) {
                    const QList<QByteArray> lines = out.split('\n');
                    QByteArray firstVideo, firstAudio;
                    for (const QByteArray& line : lines) {
                        const QList<QByteArray> f = line.trimmed().split(',');
                        if (f.size() >= 3 && f[0] == "stream") {
                            if (f[2] == "video" && firstVideo.isEmpty())
                                firstVideo = f[1];
                            if (f[2] == "audio" && firstAudio.isEmpty())
                                firstAudio = f[1];
                        }
                    }
                    std::pair<QByteArray, QByteArray> byKind;
                    for (const QByteArray& line : lines) {
                        const QList<QByteArray> f = line.trimmed().split(',');
                        if (f.size() < 4 || f[0] != "frame")
                            continue;
                        const QByteArray row = f[2] + ',' + f[3] + '\n';
                        if (f[1] == firstVideo)
                            byKind.first += row;
                        else if (f[1] == firstAudio)
                            byKind.second += row;
                    }
                    return byKind;
                });
}

} // namespace

int run(const QString& program, const QStringList& args, QByteArray* out, QByteArray* err, int timeoutMs) {
    const ReadOnlyCommand command = readOnlyCommand(program, args);
    std::optional<Ran> ran = command.key.isEmpty() ? std::nullopt : ranCache().find(command.key);
    if (!ran) {
        const QString shared = sharedRuns().entry(program, args, command);
        if (!shared.isEmpty())
            ran = SharedRuns::find(shared, args, command);
        if (!ran) {
            ran = runProcess(program, args, timeoutMs);
            if (!shared.isEmpty() && ran->code >= 0)
                SharedRuns::keep(shared, args, command, *ran);
        }
        if (!command.key.isEmpty() && ran->code >= 0)
            ranCache().keep(command.key, *ran);
    }
    if (out)
        *out = ran->out;
    if (err)
        *err = ran->err;
    return ran->code;
}

QByteArray greyPictures(const QString& path) {
    decodeWithPictures(path);
    QByteArray out;
    run(FFMPEG_EXECUTABLE, greyPicturesArgs(path), &out);
    return out;
}

namespace {

// The name a clip made from `args` into a file like `out` has in the run's clip folder: the
// same options and the same input files make the same clip.
QString clipKey(const QString& out, const QStringList& args) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QByteArrayLiteral(FFMPEG_EXECUTABLE));
    for (qsizetype i = 0; i < args.size(); ++i) {
        hash.addData(args[i].toUtf8());
        hash.addData(QByteArrayView("\x1f", 1));
        if (i > 0 && args[i - 1] == QLatin1String("-i") && QFileInfo(args[i]).isFile()) {
            QFile input(args[i]);
            if (!input.open(QIODevice::ReadOnly) || !hash.addData(&input))
                return {};
        }
    }
    const QString suffix = QFileInfo(out).completeSuffix();
    return QString::fromLatin1(hash.result().toHex()) + (suffix.isEmpty() ? QString() : "." + suffix);
}

QByteArray decodeErrorText(const QString& path) {
    decodeWithPictures(path);
    QByteArray err;
    run(FFMPEG_EXECUTABLE, decodeArgs(path), nullptr, &err);
    return err;
}

} // namespace

std::string decodeErrors(const QString& path) {
    return decodeErrorText(path).left(300).toStdString();
}

std::string decodeErrorsBesideGuesses(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != "vob" && suffix != "mpg" && suffix != "mpeg")
        return decodeErrors(path);
    QStringList lines = QString::fromUtf8(decodeErrorText(path)).split('\n', Qt::SkipEmptyParts);
    lines.removeIf([](const QString& line) { return line.contains("non monotonically increasing dts"); });
    return lines.join('\n').toStdString();
}

QString makeWithFfmpeg(const QString& out, const QStringList& args) {
    QStringList all{"-v", "error", "-nostdin", "-y"};
    // Encoders code on one thread, so that a clip is the same bytes on every machine (x264's
    // output depends on its thread count, which follows the CPUs; libx265 ignores it and is
    // given its pool in each clip's options). Matroska would give each file new random ids.
    const QStringList oneThread{"-threads", "1", "-fflags", "+bitexact"};
    // The suite runs twice (the release build, the sanitizer build) and its
    // programs make many of the same clips: scripts/test names a folder where a clip is made
    // once per run and copied from then on.
    const QString cache = qEnvironmentVariable("CUTBENCH_CLIP_CACHE");
    // A numbered series of pictures (a % in its name) is not one file to keep.
    const QString key = cache.isEmpty() || out.contains('%') ? QString() : clipKey(out, args);
    if (key.isEmpty()) {
        all << args << oneThread << out;
        return run(FFMPEG_EXECUTABLE, all) == 0 ? out : QString();
    }
    const QString kept = QDir(cache).filePath(key);
    if (!QFileInfo::exists(kept)) {
        // Made under a name of this process's own and renamed whole, so that a program
        // beside this one never copies half a clip.
        const QString making =
            QDir(cache).filePath(QString("making-%1-%2").arg(QCoreApplication::applicationPid()).arg(key));
        all << args << oneThread << making;
        if (run(FFMPEG_EXECUTABLE, all) != 0) {
            QFile::remove(making);
            return {};
        }
        if (std::rename(QFile::encodeName(making).constData(), QFile::encodeName(kept).constData()) != 0)
            return {};
    }
    QFile::remove(out);
    return QFile::copy(kept, out) ? out : QString();
}

LongGroupClips makeLongGroupClips(const QString& folder) {
    LongGroupClips clips;
    clips.mp4 = makeWithFfmpeg(folder + "/gop.mp4",
                               QString("-f lavfi -i testsrc2=size=320x240:rate=25:duration=12 "
                                       "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 250 -bf 0")
                                   .split(' '));
    if (!clips.mp4.isEmpty())
        clips.ts = makeWithFfmpeg(folder + "/gop.ts", {"-i", clips.mp4, "-c", "copy"});
    return clips;
}

QJsonObject probe(const QString& path) {
    QByteArray out;
    if (run(FFPROBE_EXECUTABLE,
            {"-v", "error", "-print_format", "json", "-show_format", "-show_streams", path}, &out) != 0)
        return {};
    return QJsonDocument::fromJson(out).object();
}

double probeDuration(const QString& path) {
    const QJsonObject o = probe(path);
    if (o.isEmpty())
        return -1;
    bool ok = false;
    const double d = o["format"].toObject()["duration"].toString().toDouble(&ok);
    return ok ? d : -1;
}

QJsonObject probeStream(const QString& path, const QString& kind) {
    for (const auto& s : probe(path)["streams"].toArray())
        if (s.toObject()["codec_type"].toString() == kind)
            return s.toObject();
    return {};
}

int probeStreamCount(const QString& path, const QString& kind) {
    int n = 0;
    for (const auto& s : probe(path)["streams"].toArray())
        if (s.toObject()["codec_type"].toString() == kind)
            ++n;
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
    if (run(FFPROBE_EXECUTABLE,
            {"-v", "error", "-select_streams", "v:0", "-count_frames", "-show_entries",
             "stream=nb_read_frames", "-of", "default=nokey=1:noprint_wrappers=1", path},
            &out) != 0)
        return -1;
    // A transport stream's program lists the stream again.
    return out.trimmed().split('\n').front().trimmed().toInt();
}

namespace {

double oneFrame(const QString& path, const char* kind) {
    if (QByteArrayView(kind) != "v")
        return 0;
    const QStringList rate = probeStream(path, "video").value("r_frame_rate").toString().split('/');
    const double num = rate.value(0).toDouble(), den = rate.value(1).toDouble();
    return num > 0 && den > 0 ? den / num : 0;
}

} // namespace

DecodedFrames decodedFrames(const QString& path, const char* kind) {
    if (QByteArrayView(kind) == "v" || QByteArrayView(kind) == "a")
        picturesAndSoundFrames(path);
    QByteArray out;
    run(FFPROBE_EXECUTABLE, framesArgs(path, kind), &out);
    // Frames in the order the decoder gives them, their times and lengths (NaN when unknown).
    std::vector<double> t, d;
    for (const QByteArray& line : out.split('\n')) {
        const QList<QByteArray> row = line.trimmed().split(',');
        if (row.size() < 2)
            continue;
        bool ok = false, known = false;
        const double time = row[0].toDouble(&ok), length = row[1].toDouble(&known);
        t.push_back(ok ? time : NAN);
        d.push_back(known && length > 0 ? length : NAN);
    }
    // A frame whose packet had no time follows the one before it by that one's length (or the
    // gap before it), as players show it; frames before the first with a time precede it.
    const auto step = [&](size_t i) { return !std::isnan(d[i]) ? d[i] : i > 0 ? t[i] - t[i - 1] : NAN; };
    for (size_t i = 1; i < t.size(); ++i)
        if (std::isnan(t[i]))
            t[i] = t[i - 1] + step(i - 1);
    for (size_t i = t.size(); i-- > 1;)
        if (std::isnan(t[i - 1]))
            t[i - 1] = t[i] - (!std::isnan(d[i - 1]) ? d[i - 1] : i + 1 < t.size() ? t[i + 1] - t[i] : NAN);
    DecodedFrames f;
    f.count = int(t.size());
    for (size_t i = 0; i < t.size(); ++i) {
        if (std::isnan(t[i]))
            continue;
        f.times.push_back(t[i]);
        // A lone picture without a stored length (a transport stream stores none) lasts one
        // frame of its stream's rate.
        const double length = !std::isnan(d[i]) ? d[i]
                              : i > 0           ? step(i)
                              : t.size() == 1   ? oneFrame(path, kind)
                                                : 0;
        f.end = std::max(f.end, t[i] + (std::isnan(length) ? 0 : length));
    }
    std::sort(f.times.begin(), f.times.end());
    return f;
}

QImage ffmpegFrameAt(const QString& path, double seconds) {
    QByteArray png;
    // -ss after -i decodes from the start and is exact to the frame.
    if (run(FFMPEG_EXECUTABLE,
            {"-v", "error", "-nostdin", "-i", path, "-ss", QString::number(seconds, 'f', 6), "-frames:v", "1",
             "-c:v", "png", "-f", "image2pipe", "-"},
            &png) != 0)
        return {};
    return QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
}

double meanAbsDiff(const QImage& a0, const QImage& b0) {
    if (a0.size() != b0.size() || a0.isNull())
        return 255.0;
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
            {"-hide_banner", "-loglevel", "error",     "-y",
             "-f",           "lavfi",     "-i",        "testsrc2=size=640x360:rate=25:duration=60",
             "-f",           "lavfi",     "-i",        "sine=frequency=440:sample_rate=44100:duration=60",
             "-c:v",         "libx264",   "-preset",   "ultrafast",
             "-g",           "1500",      "-pix_fmt",  "yuv420p",
             "-c:a",         "aac",       "-shortest", path});
    }
    return path;
}

QString fieldClip(const QString& name) {
    static const QDir shared(QStringLiteral(CUTBENCH_FIELD_MEDIA_DIR));
    if (shared.exists(".stamp"))
        return shared.filePath(name);
    static QTemporaryDir dir;
    static const bool made =
        run("bash", {QStringLiteral(CUTBENCH_SOURCE_DIR) + "/tests/media/make_field_clips.sh", dir.path()},
            nullptr, nullptr, 300000) == 0;
    return made ? dir.filePath(name) : QString();
}

namespace {
// The sound of `path` from `from` to `to` seconds (to < 0: to its end), of sound stream
// `stream` (< 0: the one ffmpeg picks), mixed to one channel at 8 kHz, as floats; false when
// ffmpeg fails.
bool monoSound(const QString& path, double from, double to, QByteArray* out, int stream = -1) {
    QStringList args{"-v", "error", "-nostdin", "-i", path, "-ss", QString::number(from, 'f', 3)};
    if (to >= 0)
        args << "-to" << QString::number(to, 'f', 3);
    if (stream >= 0)
        args << "-map" << QString("0:a:%1").arg(stream);
    args << "-vn"
         << "-ac"
         << "1"
         << "-ar"
         << "8000"
         << "-f"
         << "f32le"
         << "-";
    return run(FFMPEG_EXECUTABLE, args, out) == 0;
}
} // namespace

double audioRms(const QString& path, double from, double to, int soundStream) {
    QByteArray out;
    if (!monoSound(path, from, to, &out, soundStream))
        return -1;
    const auto* s = reinterpret_cast<const float*>(out.constData());
    const qsizetype n = out.size() / 4;
    if (n == 0)
        return 0;
    double acc = 0;
    for (qsizetype i = 0; i < n; ++i)
        acc += double(s[i]) * s[i];
    return std::sqrt(acc / n);
}

QString twoToneClip(const QString& folder) {
    return makeWithFfmpeg(QDir(folder).filePath("two_tones.mp4"),
                          {"-f",      "lavfi",     "-i",       "testsrc2=size=160x120:rate=25:duration=4",
                           "-f",      "lavfi",     "-i",       "aevalsrc=0.5*sin(2*PI*440*t):s=44100:d=4",
                           "-f",      "lavfi",     "-i",       "aevalsrc=0.5*sin(2*PI*1000*t):s=44100:d=4",
                           "-map",    "0:v",       "-map",     "1:a",
                           "-map",    "2:a",       "-c:v",     "libx264",
                           "-preset", "ultrafast", "-pix_fmt", "yuv420p",
                           "-c:a",    "aac"});
}

QString twoLanguageClip(const QString& folder, int keyframeEvery) {
    return makeWithFfmpeg(QDir(folder).filePath("eng_ger.mp4"),
                          QStringList{"-f",
                                      "lavfi",
                                      "-i",
                                      "testsrc2=s=160x96:r=25:d=4",
                                      "-f",
                                      "lavfi",
                                      "-i",
                                      "aevalsrc=0.5*sin(2*PI*440*t):s=44100:d=4",
                                      "-f",
                                      "lavfi",
                                      "-i",
                                      "aevalsrc=0.5*sin(2*PI*1000*t):s=44100:d=4",
                                      "-map",
                                      "0",
                                      "-map",
                                      "1",
                                      "-map",
                                      "2",
                                      "-c:v",
                                      "libx264",
                                      "-g",
                                      QString::number(keyframeEvery),
                                      "-c:a",
                                      "aac",
                                      "-metadata:s:a:0",
                                      "language=eng",
                                      "-metadata:s:a:1",
                                      "language=ger"});
}

double toneLevel(const float* s, qsizetype n, int rate, double hz) {
    if (n <= 0)
        return 0;
    // Goertzel's single-frequency transform.
    const double w = 2 * M_PI * hz / rate, c = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const double s0 = s[i] + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - c * s1 * s2;
    return 2 * std::sqrt(std::max(0.0, power)) / double(n);
}

double decodedSoundSeconds(const QString& path, int soundStream) {
    QByteArray out;
    return monoSound(path, 0, -1, &out, soundStream) ? double(out.size()) / 4 / 8000 : -1;
}

DecodedSound decodedSound(const QString& path) {
    const QJsonObject sound = probeStream(path, "audio");
    DecodedSound d;
    d.rate = sound.value("sample_rate").toString().toInt();
    QByteArray out;
    if (d.rate <= 0 ||
        run(FFMPEG_EXECUTABLE,
            {"-v", "error", "-nostdin", "-i", path, "-map", "0:a:0", "-ac", "1", "-f", "f32le", "-"},
            &out) != 0)
        return {};
    d.offset = sound.value("start_time").toString().toDouble() -
               probeStream(path, "video").value("start_time").toString().toDouble();
    const auto* s = reinterpret_cast<const float*>(out.constData());
    d.samples.assign(s, s + out.size() / 4);
    return d;
}

std::vector<double> clickTimes(const DecodedSound& sound, double quietSeconds, float level) {
    const auto n = qsizetype(sound.samples.size()), quiet = qsizetype(quietSeconds * sound.rate);
    std::vector<double> times;
    qsizetype lastLoud = -quiet - 1;
    for (qsizetype i = 0; i < n; ++i) {
        if (std::abs(sound.samples[size_t(i)]) < level)
            continue;
        if (i - lastLoud > quiet)
            times.push_back(double(i) / sound.rate + sound.offset);
        lastLoud = i;
    }
    return times;
}

std::vector<double> clickTimes(const QString& path, double quietSeconds) {
    return clickTimes(decodedSound(path), quietSeconds);
}

std::vector<double> silences(const DecodedSound& sound, float level, double from, double to) {
    std::vector<double> at;
    const auto n = qsizetype(sound.samples.size());
    qsizetype quiet = 0;
    for (qsizetype i = std::max<qsizetype>(0, qsizetype((from - sound.offset) * sound.rate));
         i < n && double(i) / sound.rate + sound.offset < to; ++i) {
        quiet = std::abs(sound.samples[size_t(i)]) < level ? quiet + 1 : 0;
        if (quiet == sound.rate / 500)
            at.push_back(double(i - quiet + 1) / sound.rate + sound.offset);
    }
    return at;
}

double toneLevel(const QString& path, double hz, double from, double to, int soundStream) {
    QByteArray out;
    if (!monoSound(path, from, to, &out, soundStream))
        return -1;
    return toneLevel(reinterpret_cast<const float*>(out.constData()), out.size() / 4, 8000, hz);
}

namespace {

int64_t readTime(const uchar* b) {
    return int64_t(b[0] >> 1 & 7) << 30 | int64_t(b[1]) << 22 | int64_t(b[2] >> 1) << 15 |
           int64_t(b[3]) << 7 | b[4] >> 1;
}

} // namespace

QString hourLate(const QString& ts, const QString& path, const std::vector<std::pair<int, int>>& stretches) {
    QString in = "0", bsf = "setts=pts='if(%1\\,PTS+324000000\\,PTS)':dts='if(%2\\,DTS+324000000\\,DTS)'";
    for (const auto& [first, last] : stretches)
        in += QString("+between(@-START@\\,%1\\,%2)").arg(first * 3600).arg(last * 3600);
    bsf = bsf.arg(QString(in).replace("@", "PTS"), QString(in).replace("@", "DTS"));
    return makeWithFfmpeg(path, {"-i", ts, "-c", "copy", "-bsf:v", bsf, "-f", "mpegts"});
}

QString retimed(const QString& ts, const QString& path, const std::function<int64_t(int64_t, bool)>& to,
                bool sound) {
    QFile in(ts), out(path);
    QByteArray d = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    int64_t first = -1;
    for (qsizetype at = 0; at + 24 <= d.size(); ++at) {
        auto* pes = reinterpret_cast<uchar*>(d.data() + at);
        const bool heard = sound && (pes[3] & 0xe0) == 0xc0;
        if (pes[0] || pes[1] || pes[2] != 1 || ((pes[3] & 0xf0) != 0xe0 && !heard) ||
            (pes[6] & 0xc0) != 0x80 || !(pes[7] & 0x80) || (pes[9] & 0xf1) != (pes[7] >> 2 & 0x30) + 1)
            continue;
        if (heard) {
            if (const int64_t pts = readTime(pes + 9); first >= 0 && pts >= first)
                for (uchar* b = pes + 9; b < pes + ((pes[7] >> 6) == 3 ? 19 : 14); b += 5)
                    if (const int64_t t = readTime(b) + to(pts - first, false) - (pts - first); t >= 0)
                        b[0] = uchar((b[0] & 0xf0) | (t >> 29 & 0x0e) | 1), b[1] = uchar(t >> 22),
                        b[2] = uchar(t >> 14 | 1), b[3] = uchar(t >> 7), b[4] = uchar(t << 1 | 1);
            continue;
        }
        // A video PES of unbounded length (0) is searched no further than the longest bounded one.
        const int length = (pes[4] << 8 | pes[5]) > 0 ? pes[4] << 8 | pes[5] : 0xffff;
        const QByteArray payload = d.mid(at + 9 + pes[8], length - 3 - pes[8]);
        const qsizetype sequence = payload.indexOf(QByteArray("\0\0\1\xb3", 4)),
                        picture = payload.indexOf(QByteArray("\0\0\1\0", 4));
        const bool key = (sequence >= 0 && (picture < 0 || sequence < picture)) ||
                         payload.left(32).contains(QByteArray("\0\0\1\x40\x01", 5));
        const int64_t pts = readTime(pes + 9), moved = to(pts - (first = first < 0 ? pts : first), key);
        for (uchar* b = pes + 9; b < pes + ((pes[7] >> 6) == 3 ? 19 : 14); b += 5)
            if (const int64_t t = readTime(b) + moved - (pts - first); moved >= 0)
                b[0] = uchar((b[0] & 0xf0) | (t >> 29 & 0x0e) | 1), b[1] = uchar(t >> 22),
                b[2] = uchar(t >> 14 | 1), b[3] = uchar(t >> 7), b[4] = uchar(t << 1 | 1);
            else
                std::fill_n(b, 5, uchar(0xff)), pes[7] &= 0x3f;
    }
    return out.open(QIODevice::WriteOnly) && out.write(d) == d.size() ? path : QString();
}

QString untimedBPictures(const QString& path, const QString& source, const QString& audio) {
    const QString timed = makeWithFfmpeg(path + ".timed.vob",
                                         {"-i", source, "-threads", "1", "-s", "640x360", "-c:v", "mpeg4",
                                          "-q:v", "3", "-bf", "2", "-g", "25", "-c:a", audio, "-f", "vob"});
    return retimed(timed, path, [latest = int64_t(-1)](int64_t t, bool) mutable {
        return t < latest ? -1 : (latest = t);
    });
}

QString x264Part(const QString& mp4, const QString& path, int from, const QString& vf,
                 const QStringList& args, const QString& params) {
    return makeWithFfmpeg(path,
                          QStringList{"-ss", QString::number(from), "-i", mp4, "-threads", "1", "-vf",
                                      "null" + vf, "-c:v", "libx264", "-preset", "ultrafast", "-x264-params",
                                      "threads=1:repeat-headers=1:log-level=error" + params, "-c:a", "mp2",
                                      "-avoid_negative_ts", "disabled"} +
                              args);
}

QString programmeChange(const QString& mp4, const QString& folder) {
    return endToEnd(folder + "/programmes.ts",
                    {x264Part(mp4, folder + "/p1.ts", 0, ",scale=352:288,setsar=12/11", {"-t", "4"}),
                     x264Part(mp4, folder + "/p2.ts", 4, ",scale=480:270,setsar=1",
                              {"-output_ts_offset", "20000", "-mpegts_flags", "+initial_discontinuity"})});
}

QString midStreamCapture(const QString& folder) {
    const QString ts = makeWithFfmpeg(
        folder + "/early.ts",
        {"-i", makeCounterClip(folder + "/early.mp4", 25, 10, 25, 3, "b-adapt=0:threads=1", 50), "-c",
         "copy"});
    QByteArray pos; // of the 36th picture packet, 61 bytes into its TS packet
    run(FFPROBE_EXECUTABLE,
        {"-v", "error", "-select_streams", "v:0", "-show_entries", "packet=pos", "-of", "csv=p=0", ts}, &pos);
    const QList<QByteArray> at = pos.replace(",", "").simplified().split(' ');
    const QString path = folder + "/midstream.ts", from = QString::number(at.value(35).toLongLong() + 62);
    return at.size() > 35 && run("sh", {"-c", "tail -c +" + from + " \"$0\" > \"$1\"", ts, path}) == 0
               ? path
               : QString();
}

QString hevcCapture(const QString& folder, int to) {
    const QString ts = makeWithFfmpeg(
        folder + "/hevc_whole.ts",
        {"-i", makeCounterClip(folder + "/hevc_whole.mp4", 25, 10, 25, 0, "threads=1"), "-vf",
         "scale=640:360", "-c:v", "libx265", "-preset", "veryfast", "-x265-params",
         "pools=1:frame-threads=1:bframes=4:keyint=50:log-level=error", "-c:a", "mp2", "-b:a", "192k"});
    const QString path = folder + QString("/hevc%1.ts").arg(to);
    return !ts.isEmpty() &&
                   run("sh", {"-c", QString("tail -c +67001 \"$0\" | head -c %1 > \"$1\"").arg(to - 67000),
                              ts, path}) == 0
               ? path
               : QString();
}

QString recordingCopiedPast16MiB(const QString& folder) {
    const QString one =
        makeWithFfmpeg(folder + "/one.vob", {"-f", "lavfi", "-i", "testsrc2=size=352x288:rate=25:duration=8",
                                             "-c:v", "mpeg2video", "-q:v", "1", "-threads", "1"});
    QFile part(one), big(folder + "/big.vob");
    if (one.isEmpty() || !part.open(QIODevice::ReadOnly) || !big.open(QIODevice::WriteOnly))
        return {};
    const QByteArray bytes = part.readAll();
    while (big.size() <= (qint64(16) << 20))
        if (big.write(bytes) != bytes.size())
            return {};
    return big.fileName();
}

QString endToEnd(const QString& path, const QStringList& files) {
    return run("sh", QStringList{"-c", "cat \"$@\" > \"$0\"", path} + files) == 0 ? path : QString();
}

std::vector<QString> pictureShapes(const QString& path) {
    QByteArray out;
    run(FFPROBE_EXECUTABLE,
        {"-v", "error", "-select_streams", "v:0", "-show_entries",
         "frame=width,height,sample_aspect_ratio,interlaced_frame", "-of", "csv=p=0", path},
        &out);
    std::vector<QString> shapes; // a picture that tells no pixel aspect has square pixels
    for (const QString& line :
         QString(out.replace(",\n", "\n").replace("N/A", "1:1").replace(",0:1,", ",1:1,"))
             .split('\n', Qt::SkipEmptyParts))
        shapes.push_back(line);
    return shapes;
}

} // namespace testsupport
