#include "MarkClips.h"

#include "TestSupport.h"

namespace testsupport {

QString makeRedThenBlueClip(const QString& path) {
    return makeWithFfmpeg(path, {"-f", "lavfi", "-i", "color=c=red:s=80x60:r=25:d=1", "-f", "lavfi", "-i",
                                 "color=c=blue:s=80x60:r=25:d=1", "-filter_complex", "[0][1]concat=n=2:v=1",
                                 "-c:v", "libx264", "-pix_fmt", "yuv420p", "-g", "5"});
}

VIDEO_WATERMARK_PARAM blueSecondMark(const QString& file) {
    VIDEO_WATERMARK_PARAM v{};
    mediarecords::writeText(v.path, file.toStdString());
    v.rect = RECT{100, 80, 180, 140};
    v.start_time = 1000000;
    v.end_time = 3000000;
    v.file_start_time = 1000000;
    v.file_end_time = 2000000;
    v.transparence = 50;
    return v;
}

IMAGE_WATERMARK_PARAM pictureMark(const QString& file, RECT rect, int64_t startUs, int64_t endUs,
                                  int transparence) {
    IMAGE_WATERMARK_PARAM p{};
    mediarecords::writeText(p.path, file.toStdString());
    p.rect = rect;
    p.start_time = startUs;
    p.end_time = endUs;
    p.transparence = transparence;
    return p;
}

} // namespace testsupport
