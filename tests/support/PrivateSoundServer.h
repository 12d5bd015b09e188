// A sound server of the test's own: a user-mode PulseAudio daemon with two null sinks, at
// 48 kHz (the default) and 44.1 kHz (each consumes sound at the real rate and plays nothing), in a runtime
// folder of its own, so that the player's sound path runs on machines without sound hardware (CI) and never
// touches a user's real sound. Start it before the first player opens: a player connects to the server
// named in PULSE_SERVER at that moment.
#pragma once

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <cstring>
#include <memory>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace playertest {

class PrivateSoundServer {
public:
    static constexpr const char* kSink = "cutbench_null";       // 48 kHz, the default
    static constexpr const char* kSink44 = "cutbench_null_44k"; // 44.1 kHz

    PrivateSoundServer() = default;
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;
    ~PrivateSoundServer() { stop(); }

    // Starts the daemon and points this process (and the programs it runs) at it. False, with
    // error() saying why, when PulseAudio is missing or does not come up.
    bool start() {
        const QString daemon = QStandardPaths::findExecutable("pulseaudio");
        if (daemon.isEmpty()) {
            error_ = "pulseaudio is not installed (scripts/deps installs it)";
            return false;
        }
        if (!dir_.isValid()) {
            error_ = "no temporary folder";
            return false;
        }
        const QString runtime = dir_.filePath("run");
        const QString socket = runtime + "/pulse/native";
        QDir().mkpath(runtime + "/pulse");

        // Everything the daemon writes (cookie, state, pid file) stays in the private folder, and
        // it finds no session bus or display to announce itself on.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", dir_.path());
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
        env.insert("XDG_STATE_HOME", dir_.filePath("state"));
        env.insert("PULSE_RUNTIME_PATH", runtime + "/pulse");
        env.insert("PULSE_STATE_PATH", dir_.filePath("state"));
        for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY", "PULSE_SERVER"})
            env.remove(name);
        process_.setProcessEnvironment(env);
        diesWithUs(process_);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        // No default script (-n): only the null sinks and the local socket. The idle exit is a
        // safety net should the test process die before it stops the daemon.
        process_.start(daemon, {"--daemonize=no", "--system=false", "-n", "--use-pid-file=no",
                                "--exit-idle-time=30", "--log-target=stderr", "--log-level=error",
                                QString("--load=module-null-sink sink_name=%1 rate=48000").arg(kSink),
                                QString("--load=module-null-sink sink_name=%1 rate=44100").arg(kSink44),
                                "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket});
        if (!process_.waitForStarted(5000)) {
            error_ = "pulseaudio does not start: " + process_.errorString();
            return false;
        }
        QElapsedTimer t;
        t.start();
        while (!accepts(socket)) {
            if (process_.state() != QProcess::Running || t.elapsed() > 10000) {
                process_.kill();
                process_.waitForFinished(2000);
                error_ =
                    "pulseaudio did not come up: " + QString::fromLocal8Bit(process_.readAll()).trimmed();
                return false;
            }
            QThread::msleep(20);
        }
        qputenv("PULSE_SERVER", ("unix:" + socket).toLocal8Bit());
        // A client that cannot reach our server must fail, not start one of the user's.
        const QString clientConf = dir_.filePath("client.conf");
        QFile conf(clientConf);
        if (conf.open(QIODevice::WriteOnly))
            conf.write("autospawn = no\n");
        conf.close();
        qputenv("PULSE_CLIENTCONFIG", clientConf.toLocal8Bit());
        // A null sink with nothing playing renders ahead in two-second blocks, so a stream
        // that joins it is first heard up to two seconds later. A sound card takes a new
        // stream at once; a silent low-latency stream kept playing makes the null sink do so too.
        for (const char* sink : {kSink, kSink44}) {
            auto p = std::make_unique<QProcess>();
            diesWithUs(*p);
            p->start("pacat", {"--playback", "--raw", "--latency-msec=20", "--client-name=keepalive",
                               QString("--device=%1").arg(sink), "/dev/zero"});
            if (!p->waitForStarted(5000)) {
                error_ = "pacat does not start: " + p->errorString();
                stop();
                return false;
            }
            keepAlive_.push_back(std::move(p));
        }
        // Ready once the sinks have played out what they rendered ahead before the silent
        // streams came, and so take new sound at once.
        while (!settled()) {
            if (!running() && t.elapsed() > 500) {
                error_ =
                    "pulseaudio or pacat stopped: " + QString::fromLocal8Bit(process_.readAll()).trimmed();
                stop();
                return false;
            }
            if (t.elapsed() > 15000) {
                error_ = "the null sinks do not settle";
                stop();
                return false;
            }
            QThread::msleep(50);
        }
        if (!pactl({"set-default-sink", kSink})) {
            error_ = "the default sink cannot be chosen";
            stop();
            return false;
        }
        running_ = true;
        return true;
    }

    void stop() {
        running_ = false;
        std::vector<QProcess*> all;
        for (auto& p : keepAlive_)
            all.push_back(p.get());
        all.push_back(&process_);
        for (QProcess* p : all) {
            if (p->state() == QProcess::NotRunning)
                continue;
            p->terminate();
            if (!p->waitForFinished(3000)) {
                p->kill();
                p->waitForFinished(2000);
            }
        }
    }

    bool running() const {
        if (process_.state() != QProcess::Running)
            return false;
        for (const auto& p : keepAlive_)
            if (p->state() != QProcess::Running)
                return false;
        return true;
    }
    bool ready() const { return running_ && running(); }

    // Makes `sink` the default output: the next player plays on it.
    static bool useSink(const char* sink) {
        return pactl({"set-default-sink", sink}) && defaultSink() == sink;
    }
    // The server's default output; empty when there is none or no server.
    static QString defaultSink() {
        QString name;
        if (!pactl({"get-default-sink"}, &name))
            return {};
        name = name.trimmed();
        return name == "@DEFAULT_SINK@" ? QString() : name;
    }
    QString error() const { return error_; }

    // Runs `pactl` on our server; false when it fails.
    static bool pactl(const QStringList& args, QString* out = nullptr) {
        QByteArray bytes;
        const bool ok = testsupport::run("pactl", args, &bytes, nullptr, 10000) == 0;
        if (out)
            *out = QString::fromUtf8(bytes);
        return ok;
    }

private:
    // A test program that crashes takes the daemon and its silent streams with it (they would
    // otherwise keep each other running).
    static void diesWithUs(QProcess& p) {
        p.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    }

    // Whether both sinks run (their silent streams have come) with a latency under 100 ms.
    static bool settled() {
        QString sinks;
        if (!pactl({"list", "sinks"}, &sinks))
            return false;
        int count = 0;
        for (const QString& sink : sinks.split("Sink #").mid(1)) {
            const QRegularExpressionMatch m = QRegularExpression("Latency: (\\d+) usec").match(sink);
            if (!sink.contains("State: RUNNING") || !m.hasMatch() || m.captured(1).toLongLong() > 100000)
                return false;
            ++count;
        }
        return count == 2;
    }

    static bool accepts(const QString& socket) {
        const QByteArray path = socket.toLocal8Bit();
        sockaddr_un addr{};
        if (size_t(path.size()) >= sizeof(addr.sun_path))
            return false;
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0)
            return false;
        const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
        ::close(fd);
        return ok;
    }

    QTemporaryDir dir_;
    QProcess process_;
    std::vector<std::unique_ptr<QProcess>> keepAlive_; // one silent stream per sink
    QString error_;
    bool running_ = false;
};

// A suite whose tests play through one private sound server, started before its first test
// and stopped after its last. The project installs PulseAudio, so a server that does not come
// up fails the tests instead of skipping them.
class SoundServerSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server() = std::make_unique<PrivateSoundServer>();
        server()->start();
    }
    static void TearDownTestSuite() { server().reset(); }
    void SetUp() override {
        if (!server()->ready())
            FAIL() << "no private sound server: " << server()->error().toStdString();
    }
    static std::unique_ptr<PrivateSoundServer>& server() {
        static std::unique_ptr<PrivateSoundServer> s;
        return s;
    }
};

} // namespace playertest
