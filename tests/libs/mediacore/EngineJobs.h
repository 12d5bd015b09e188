// Handles of engine jobs that close themselves at the end of a test.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "mediacore/MediaCore.h"

inline QByteArray utf8(const QString& s) {
    return s.toUtf8();
}

struct Job {
    void* h = apiMediaConvertCreate();
    ~Job() { apiMediaConvertClose(h); }
};

// Sets the input, the range in microseconds (none when `to` is 0), the size cap (none when 0)
// and the output; false at the first setting the job refuses.
inline bool prepare(Job& job, const QString& src, const QString& out, int64_t from = 0, int64_t to = 0,
                    qint64 cap = 0) {
    return apiMediaConvertSetInputMedia(job.h, utf8(src)) >= 1 &&
           (cap == 0 || apiMediaConvertSetLimitFileSize(job.h, cap) >= 1) &&
           (to == 0 || apiMediaConvertSetCutTime(job.h, from, to) >= 1) &&
           apiMediaConvertSetOutputPath(job.h, utf8(out)) >= 1;
}

// Sets the output of a job already set up and runs it to its end.
inline bool finish(Job& job, const QString& out) {
    return apiMediaConvertSetOutputPath(job.h, utf8(out)) >= 1 && apiMediaConvertStart(job.h) >= 1;
}

// A whole convert job: prepared as above, then run to its end.
inline bool convert(Job& job, const QString& src, const QString& out, int64_t from = 0, int64_t to = 0,
                    qint64 cap = 0) {
    return prepare(job, src, out, from, to, cap) && apiMediaConvertStart(job.h) >= 1;
}

struct Join {
    void* h = apiMediaJoinCreate();
    ~Join() { apiMediaJoinClose(h); }
};

// What a one-call convert job changes: codecs (null keeps the source's) and a range.
struct Cut {
    const char* vcodec = nullptr;
    const char* acodec = nullptr;
    int64_t from = 0;
    int64_t to = 0; // 0 = no cut set
};

// Sets up a convert job of `in` into `out` (1), or says what it refused: -1000 the input or the
// output, -1001 the range. convert() runs such a job to its end and gives its result.
inline int setUp(Job& job, const QString& in, const QString& out, const Cut& cut) {
    if (apiMediaConvertSetInputMedia(job.h, utf8(in)) < 1 ||
        apiMediaConvertSetOutputPath(job.h, utf8(out)) < 1)
        return -1000;
    if (cut.vcodec)
        apiMediaConvertSetVcodec(job.h, cut.vcodec);
    if (cut.acodec)
        apiMediaConvertSetAcodec(job.h, cut.acodec);
    return cut.to > 0 && apiMediaConvertSetCutTime(job.h, cut.from, cut.to) < 1 ? -1001 : 1;
}

inline int convert(const QString& in, const QString& out, const Cut& cut = {}) {
    Job job;
    const int r = setUp(job, in, out, cut);
    return r < 1 ? r : apiMediaConvertStart(job.h);
}

// Sets up a join of whole clips into `out` (1), or says what it refused: -1000 the output,
// -1001 a clip. join() runs such a job to its end and gives its result.
inline int setUp(Join& job, const QStringList& clips, const QString& out, const char* vcodec = nullptr) {
    if (apiMediaJoinSetOutputPath(job.h, utf8(out)) < 1)
        return -1000;
    for (const QString& c : clips)
        if (apiMediaJoinAddMediaClip(job.h, utf8(c), 0, 0) == 0)
            return -1001;
    if (vcodec)
        apiMediaJoinSetVideoCodec(job.h, vcodec);
    return 1;
}

inline int join(const QStringList& clips, const QString& out, const char* vcodec = nullptr) {
    Join job;
    const int r = setUp(job, clips, out, vcodec);
    return r < 1 ? r : apiMediaJoinStart(job.h);
}
