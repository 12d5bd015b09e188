// editor_bench [--small]: times the editor's export against the ffmpeg command line on the
// same 1080p H.264/AAC file (a keyframe every 2 s): a keep-format trim whose ends fall inside
// groups of pictures, and deleting a middle section. ffmpeg is timed twice for each: with
// re-encoding, which is frame-accurate like the editor, and with stream copy, which is not
// (its cut ends on keyframes) and marks how close to a plain copy the editor comes.
#include "editor/core/EditorExport.h"
#include "editor/core/EditorSession.h"
#include "foundation/records/SimpleData.h"
#include "tools/shared/JobChain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

namespace {

bool ffmpeg(const QStringList& args) {
    QProcess p;
    p.start(FFMPEG_EXECUTABLE, QStringList{"-v", "error", "-nostdin", "-y"} + args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

double timed(const std::function<bool()>& work) {
    QElapsedTimer t;
    t.start();
    const bool ok = work();
    return ok ? t.elapsed() / 1000.0 : -1;
}

// Runs the editor's export of path with a cut range (seconds) in keep or delete mode.
bool editorExport(const QString& path, double start, double stop, bool remove, const QString& folder) {
    EditorSession session;
    if (!session.openFile(path).data)
        return false;
    EditState& st = session.state();
    st.setTrimRange(start * 1e6, stop * 1e6);
    st.setRemoveSection(remove);
    st.writeInto(*session.file().fileData);
    EditorConvertJob::Settings s;
    s.record = session.file().fileData;
    EditorExport plan(s, folder);
    JobChain chain;
    QEventLoop loop;
    bool ok = false;
    chain.finished = [&](JobChain::Outcome o, int) {
        ok = o == JobChain::Outcome::Completed;
        loop.quit();
    };
    if (!chain.start(plan.jobCount(), [&](int i, int* e) { return plan.makeJob(i, e); }))
        return false;
    loop.exec();
    return ok;
}

void report(const char* job, double editor, double encode, double copy) {
    std::printf("%-34s editor %7.2f s  ffmpeg re-encode %7.2f s (ratio %.2f)  ffmpeg copy %7.2f s\n", job,
                editor, encode, encode > 0 ? editor / encode : 0.0, copy);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool small = argc > 1 && QString(argv[1]) == "--small";
    QTemporaryDir dir;
    const QString src = dir.filePath("source.mp4");
    const QString size = small ? "320x240" : "1920x1080";
    const int length = small ? 12 : 60;
    std::printf("Making a %ds %s H.264/AAC file ...\n", length, qPrintable(size));
    const QString d = QString::number(length);
    if (!ffmpeg({"-f",   "lavfi",   "-i",        "testsrc2=size=" + size + ":rate=30:duration=" + d,
                 "-f",   "lavfi",   "-i",        "sine=frequency=440:sample_rate=48000:duration=" + d,
                 "-c:v", "libx264", "-preset",   "veryfast",
                 "-g",   "60",      "-pix_fmt",  "yuv420p",
                 "-c:a", "aac",     "-shortest", src})) {
        std::fprintf(stderr, "ffmpeg could not make the input\n");
        return 1;
    }
    const double a = length * 0.175 + 0.5 / 30, b = length * 0.675 + 0.5 / 30; // inside groups
    const QString as = QString::number(a, 'f', 3), bs = QString::number(b, 'f', 3);
    const QStringList encode{"-c:v", "libx264", "-preset", "veryfast", "-c:a", "aac"};
    auto folder = [&](const QString& name) {
        QDir(dir.path()).mkpath(name);
        return dir.filePath(name);
    };

    const double trimEditor = timed([&] { return editorExport(src, a, b, false, folder("e1")); });
    const double trimEncode = timed([&] {
        return ffmpeg(QStringList{"-ss", as, "-to", bs, "-i", src} + encode +
                      QStringList{dir.filePath("f1.mp4")});
    });
    const double trimCopy = timed([&] {
        return ffmpeg({"-ss", as, "-to", bs, "-i", src, "-c", "copy", dir.filePath("c1.mp4")});
    });
    report("keep-format trim", trimEditor, trimEncode, trimCopy);

    const QString keep = QString("not(between(t,%1,%2))").arg(as, bs);
    const double cutEditor = timed([&] { return editorExport(src, a, b, true, folder("e2")); });
    const double cutEncode = timed([&] {
        return ffmpeg(QStringList{"-i", src, "-vf", "select='" + keep + "',setpts=N/FRAME_RATE/TB", "-af",
                                  "aselect='" + keep + "',asetpts=N/SR/TB"} +
                      encode + QStringList{dir.filePath("f2.mp4")});
    });
    // Stream copy: two parts on keyframes and a concat copy, as a user would type it.
    const double cutCopy = timed([&] {
        QFile list(dir.filePath("parts.txt"));
        if (!list.open(QIODevice::WriteOnly))
            return false;
        list.write(
            QString("file '%1'\nfile '%2'\n").arg(dir.filePath("p1.mp4"), dir.filePath("p2.mp4")).toUtf8());
        list.close();
        return ffmpeg({"-to", as, "-i", src, "-c", "copy", dir.filePath("p1.mp4")}) &&
               ffmpeg({"-ss", bs, "-i", src, "-c", "copy", dir.filePath("p2.mp4")}) &&
               ffmpeg({"-f", "concat", "-safe", "0", "-i", list.fileName(), "-c", "copy",
                       dir.filePath("c2.mp4")});
    });
    report("delete-section export", cutEditor, cutEncode, cutCopy);
    return trimEditor < 0 || cutEditor < 0 ? 1 : 0;
}
