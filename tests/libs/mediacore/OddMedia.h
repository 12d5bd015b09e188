// Clips users bring that the fixture set has not: a camera's Motion-JPEG AVI, a still
// picture, 5.1 sound at 96 kHz, files with their end missing, recordings joined end to end,
// headers that claim far more than the file holds, and tiny damaged files declaring absurd
// picture sizes. Each is made once per test program by the ffmpeg command line (and a few
// patched bytes).
#pragma once

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstring>

#include "TestSupport.h"

namespace oddmedia {

inline QString dir() {
    static QTemporaryDir d;
    return d.path();
}

// Runs ffmpeg once for `name` (with `args` before the output path); returns its path.
inline QString made(const QString& name, const QStringList& args) {
    const QString path = dir() + "/" + name;
    if (!QFileInfo::exists(path))
        testsupport::makeWithFfmpeg(path, args);
    return path;
}

inline QStringList picture(double seconds, const QString& size = "320x240") {
    return {"-f", "lavfi", "-i", QString("testsrc2=size=%1:rate=25:duration=%2").arg(size).arg(seconds)};
}

inline QStringList sine(double seconds, int rate = 44100) {
    return {"-f", "lavfi", "-i",
            QString("sine=frequency=440:sample_rate=%1:duration=%2").arg(rate).arg(seconds)};
}

inline QString mjpegAvi() {
    return made("camera.avi",
                picture(4) + sine(4) +
                    QStringList{"-c:v", "mjpeg", "-q:v", "5", "-pix_fmt", "yuvj420p", "-c:a", "pcm_s16le"});
}

inline QString stillJpg() {
    return made("still.jpg", picture(1) + QStringList{"-frames:v", "1"});
}

// H.264 with 5.1 AAC at 96 kHz.
inline QString surround96k() {
    return made("surround96k.mp4",
                picture(4) + sine(4, 96000) +
                    QStringList{"-af", "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0", "-c:v", "libx264",
                                "-preset", "ultrafast", "-c:a", "aac", "-ar", "96000"});
}

// A 4 s H.264/AAC clip with its index at the front (as cameras and streaming write them), in
// `ext`'s container; the whole file, before any truncation.
inline QString indexedClip(const QString& ext) {
    return made("indexed." + ext, picture(4) + sine(4) +
                                      QStringList{"-c:v", "libx264", "-preset", "ultrafast", "-g", "50",
                                                  "-c:a", "aac", "-movflags", "+faststart"});
}

inline QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QString written(const QString& name, const QByteArray& data) {
    const QString path = dir() + "/" + name;
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(data);
    return path;
}

// `source` with only its first `fraction` of bytes: a copy or a recording interrupted.
inline QString truncated(const QString& source, double fraction) {
    const QByteArray all = bytes(source);
    return written("cut_" + QString::number(int(fraction * 100)) + "_" + QFileInfo(source).fileName(),
                   all.left(qsizetype(all.size() * fraction)));
}

// Two 4 s MPEG-TS recordings copied one after the other: the second starts its timestamps
// again, and the length its timestamps give is that of one recording.
inline QString recordingsEndToEnd() {
    QByteArray both;
    for (int i = 0; i < 2; ++i)
        both += bytes(
            made(QString("recording%1.ts").arg(i),
                 picture(4) + sine(4) +
                     QStringList{"-c:v", "libx264", "-preset", "ultrafast", "-g", "25", "-c:a", "aac"}));
    return written("recordings.ts", both);
}

// The 4 s fixture clip with its movie header claiming `seconds` (the streams keep their own).
inline QString overstatedMp4(quint32 seconds) {
    QByteArray d = bytes(testsupport::media("h264_aac.mp4"));
    const qsizetype i = d.indexOf("mvhd");
    if (i < 0)
        return {};
    const quint32 scale = qFromBigEndian<quint32>(d.constData() + i + 16);
    qToBigEndian<quint32>(seconds * scale, d.data() + i + 20);
    return written(QString("claims_%1s.mp4").arg(seconds), d);
}

// The 4 s Matroska fixture with its segment claiming 2^40 s.
inline QString overstatedMkv() {
    QByteArray d = bytes(testsupport::media("h264_aac.mkv"));
    const qsizetype i = d.indexOf(QByteArray("\x44\x89\x88", 3)); // Duration, an 8-byte float
    if (i < 0)
        return {};
    const double ms = 1099511627776.0 * 1000.0;
    quint64 raw = 0;
    std::memcpy(&raw, &ms, sizeof raw);
    qToBigEndian<quint64>(raw, d.data() + i + 3);
    return written("claims_2e40s.mkv", d);
}

// A ~6 kB AVI of two 16x16 frames whose headers declare `width` x `height` pictures.
inline QString absurdAvi(const QString& codec, int width, int height) {
    const QString small = made("small_" + codec + ".avi",
                               QStringList{"-f", "lavfi", "-i", "color=s=16x16:d=0.08:r=25", "-c:v", codec,
                                           "-pix_fmt", codec == "mjpeg" ? "yuvj420p" : "gray"});
    QByteArray d = bytes(small);
    const qsizetype h = d.indexOf("avih"), f = d.indexOf("strf");
    if (h < 0 || f < 0)
        return {};
    qToLittleEndian<quint32>(quint32(width), d.data() + h + 8 + 32);
    qToLittleEndian<quint32>(quint32(height), d.data() + h + 8 + 36);
    qToLittleEndian<qint32>(width, d.data() + f + 8 + 4);
    qToLittleEndian<qint32>(height, d.data() + f + 8 + 8);
    return written(QString("absurd_%1_%2x%3.avi").arg(codec).arg(width).arg(height), d);
}

} // namespace oddmedia
