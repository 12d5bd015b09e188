// How soon TERM and INT end the program at each stage where it reads or writes much: the quick
// open of a large transport stream, a file read whole at load, the index read behind the
// player, and an export job. Each run is a fresh process that builds the easy cutter's real
// window (offscreen) and installs the program's own signal handling; this process sends the
// signal once the stage is under way and prints the time from the signal to the end of that
// process's main loop and to its exit (its windows destroyed, its jobs stopped and joined).
// The target is 0.5 s for both. Not a test: run build/bin/bench/quit_bench by hand, pinned to
// the CPUs to measure on (`taskset -c 2,3 build/bin/bench/quit_bench [--runs N] [stage...]`).
// Its sources are made once and kept in build/bench-cache/.
//   quit_bench --stage NAME   one run of a stage (what the bench starts)
#include "mediacore/MediaCore.h"
#include "platform/TerminationSignals.h"
#include "tools/easycut/EasyCutterWindowcontroller.h"
#include "tools/shared/SectionRemoval.h"
#include "tools/shared/ToolWindow.h"

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr double kTarget = 0.5;

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The sources, made once: a 1080p H.264/AAC transport stream past the size that opens by its
// stored times (40 s, 10 Mbit/s, 2 s groups), and an MPEG-2 program stream, which is read whole
// at load (120 s of 576p at 12 Mbit/s).
std::string source(const char* name) {
    const fs::path dir = BENCH_CACHE_DIR;
    const fs::path path = dir / name;
    if (fs::exists(path))
        return path.string();
    fs::create_directories(dir);
    const std::string partial = path.string() + ".part";
    std::string args;
    if (std::strcmp(name, "quit_1080p.ts") == 0)
        args = "-f lavfi -i testsrc2=size=1920x1080:rate=25 -f lavfi -i sine=f=440:r=48000 -t 40 "
               "-c:v libx264 -preset veryfast -g 50 -b:v 10M -maxrate 10M -bufsize 10M -c:a aac -b:a 128k "
               "-f mpegts";
    else
        args = "-f lavfi -i testsrc2=size=720x576:rate=25 -f lavfi -i sine=f=440:r=48000 -t 120 "
               "-c:v mpeg2video -b:v 12M -maxrate 12M -bufsize 4M -g 12 -c:a mp2 -b:a 192k -f vob";
    const std::string command =
        std::string(FFMPEG_EXECUTABLE) + " -v error -y " + args + " '" + partial + "' < /dev/null";
    if (std::system(command.c_str()) != 0) // NOLINT(concurrency-mt-unsafe,cert-env33-c)
        return {};
    fs::rename(partial, path);
    return path.string();
}

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// One run: the window, the program's own signal handling, then the stage. "ready" tells the
// bench that the stage is under way; "loop N" the clock when the main loop ended.
int runStage(int argc, char** argv, const std::string& stage, const std::string& file) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Cutbench"));
    QApplication::setOrganizationName(QStringLiteral("Cutbench"));
    auto* window = new EasyCutterWindowcontroller();
    window->show();
    termination::quitOnSignals([] { MediaStopReading(1); });
    QTimer::singleShot(0, [&] {
        const QString path = QString::fromStdString(file);
        if (stage == "open" || stage == "whole") {
            say("ready");
            window->loadSourceFile(path);
            say("loaded " + std::to_string(nowNs()));
            return;
        }
        if (!window->loadSourceFile(path)) {
            QCoreApplication::exit(3);
            return;
        }
        if (stage == "export") {
            window->cutAction(); // the whole file
            window->startExportAction();
            if (!window->jobChain().isBusy()) {
                QCoreApplication::exit(3);
                return;
            }
        }
        say("ready");
    });
    QTimer hang; // a run that never ends fails rather than hang the bench
    QObject::connect(&hang, &QTimer::timeout, [] { QCoreApplication::exit(4); });
    hang.start(120000);
    const int result = QApplication::exec();
    say("loop " + std::to_string(nowNs()));
    delete window;
    ToolWindow::stopJobsAndWait();
    SectionRemoval::removeFoldersLeft();
    return result;
}

struct Timed {
    double loop = -1, exit = -1;
    bool duringStage = true; // the stage had not ended when the signal came
    bool ok = false;
};

// Starts a run of `stage`, sends `signal` `delay` seconds after it says it is under way, and
// times the rest.
Timed timeStage(const std::string& self, const std::string& stage, int signal, double delay,
                const fs::path& home) {
    Timed t;
    int out[2];
    if (::pipe(out) != 0)
        return t;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const std::string homeVar = "HOME=" + home.string();
    const std::string cacheVar = "XDG_CACHE_HOME=" + (home / "none" / "cache").string(); // nothing kept
    std::vector<std::string> env{homeVar, cacheVar};
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "HOME=", 5) != 0 && std::strncmp(*e, "XDG_CACHE_HOME=", 15) != 0)
            env.emplace_back(*e);
    std::vector<char*> envp;
    envp.reserve(env.size() + 1);
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string a0 = self, a1 = "--stage", a2 = stage;
    char* argv[] = {a0.data(), a1.data(), a2.data(), nullptr};
    pid_t pid = 0;
    const bool started = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (!started) {
        ::close(out[0]);
        return t;
    }
    std::string buffer;
    int64_t sentAt = 0;
    bool sent = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(180);
    for (;;) {
        pollfd p{out[0], POLLIN, 0};
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            break;
        }
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char chunk[256];
        const ssize_t n = ::read(out[0], chunk, sizeof chunk);
        if (n <= 0)
            break;
        buffer.append(chunk, size_t(n));
        size_t end = 0;
        while ((end = buffer.find('\n')) != std::string::npos) {
            const std::string line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            if (line == "ready" && !sent) {
                std::this_thread::sleep_for(std::chrono::duration<double>(delay));
                sentAt = nowNs();
                ::kill(pid, signal);
                sent = true;
            } else if (line.rfind("loaded ", 0) == 0 && sent) {
                t.duringStage = std::stoll(line.substr(7)) > sentAt;
            } else if (line.rfind("loop ", 0) == 0 && sent) {
                t.loop = double(std::stoll(line.substr(5)) - sentAt) / 1e9;
            }
        }
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (sent)
        t.exit = double(nowNs() - sentAt) / 1e9;
    t.ok = sent && t.loop >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return t;
}

} // namespace

int main(int argc, char** argv) {
    const std::string ts = "quit_1080p.ts", ps = "quit_576p.vob";
    if (argc == 3 && std::strcmp(argv[1], "--stage") == 0) {
        const std::string stage = argv[2];
        const std::string file = fs::path(BENCH_CACHE_DIR) / (stage == "whole" ? ps : ts);
        return runStage(argc, argv, stage, file);
    }
    int runs = 3;
    std::vector<std::string> wanted;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            wanted.emplace_back(argv[i]);
    }
    if (source(ts.c_str()).empty() || source(ps.c_str()).empty()) {
        std::cerr << "ffmpeg could not make the sources\n";
        return 1;
    }
    // The stage, and how long after it began the signal comes: at the first run, then that much
    // later at each further one.
    struct Stage {
        const char* name;
        double first, step;
    };
    const Stage stages[] = {
        {"open", 0.02, 0.12}, {"whole", 0.02, 0.04}, {"behind", 0.5, 0.5}, {"export", 1.0, 1.0}};
    const fs::path home = fs::temp_directory_path() / ("quit_bench_" + std::to_string(::getpid()));
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    bool ok = true;
    std::cout << "From the signal to the end of the main loop and to the exit, the worst of " << runs
              << " runs each:\n";
    for (const auto& [stage, first, step] : stages) {
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), stage) == wanted.end())
            continue;
        for (const auto& [signal, name] : {std::pair{SIGTERM, "TERM"}, std::pair{SIGINT, "INT"}}) {
            double loop = 0, exit = 0;
            int late = 0;
            bool ran = true;
            for (int r = 0; r < runs; ++r) {
                fs::remove_all(home);
                fs::create_directories(home);
                const Timed t = timeStage(self, stage, signal, first + step * r, home);
                ran = ran && t.ok;
                loop = std::max(loop, t.loop);
                exit = std::max(exit, t.exit);
                late += t.duringStage ? 0 : 1;
            }
            const bool met = ran && loop <= kTarget && exit <= kTarget;
            ok = ok && ran;
            std::printf("  %-7s %-4s loop %.3f s, exit %.3f s  (at most %.1f s, %s)%s\n", stage, name, loop,
                        exit, kTarget,
                        !ran  ? "FAILED"
                        : met ? "met"
                              : "NOT met",
                        late ? "  [the stage had ended before some signals]" : "");
        }
    }
    fs::remove_all(home);
    return ok ? 0 : 1;
}
