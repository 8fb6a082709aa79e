#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <ostream>
#include <thread>

#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "export/ObjExport.h"
#include "host/HeadlessHost.h"
#include "host/Script.h"

namespace {

// A handler that never returns would leave a test run hanging with no hint of
// where; the watchdog names the script line instead. It can only end the whole
// process: a stuck handler cannot be interrupted safely.
class EventWatchdog {
public:
    explicit EventWatchdog(double seconds) : m_limit(seconds) {
        if (m_limit > 0.0) m_thread = std::thread([this] { Watch(); });
    }

    ~EventWatchdog() {
        if (!m_thread.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    EventWatchdog(const EventWatchdog&) = delete;
    EventWatchdog& operator=(const EventWatchdog&) = delete;

    void Arm(int line) {
        if (!m_thread.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_line = line;
            m_armed = true;
            ++m_generation;
            m_deadline = std::chrono::steady_clock::now() +
                         std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                             std::chrono::duration<double>(m_limit));
        }
        m_wake.notify_all();
    }

    void Disarm() {
        if (!m_thread.joinable()) return;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_armed = false;
    }

private:
    void Watch() {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            if (!m_armed) {
                m_wake.wait(lock);
                continue;
            }
            unsigned long generation = m_generation;
            bool changed = m_wake.wait_until(
                lock, m_deadline, [&] { return m_stop || !m_armed || m_generation != generation; });
            if (!changed) {
                std::fprintf(stderr, "line %d: event did not finish within %g seconds\n", m_line,
                             m_limit);
                std::fflush(stderr);
                std::_Exit(1);
            }
        }
    }

    double m_limit;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    bool m_armed = false;
    unsigned long m_generation = 0;
    int m_line = 0;
    std::chrono::steady_clock::time_point m_deadline;
    std::thread m_thread;
};

class Runner {
public:
    Runner(CMainFrame& frame, HeadlessHost& host, const RunOptions& options, std::string* error)
        : m_frame(frame),
          m_host(host),
          m_options(options),
          m_error(error),
          m_watchdog(options.eventTimeoutSeconds) {}

    // Returns false on failure; sets m_stopped at "menu exit".
    bool Run(const ScriptEvent& e) {
        switch (e.op) {
        case ScriptOp::Size:
        case ScriptOp::LeftDown:
        case ScriptOp::LeftUp:
        case ScriptOp::RightDown:
        case ScriptOp::RightUp:
        case ScriptOp::Move:
        case ScriptOp::Wheel:
            return Do(e, [&] { SendWindowEvent(m_frame, e, m_mouse); });
        case ScriptOp::Key:
            return Key(e);
        case ScriptOp::Menu:
            return Menu(e);
        case ScriptOp::Stroke:
            return Stroke(e);
        case ScriptOp::Expect:
            return Expect(e);
        }
        return Fail(e, "unhandled event");
    }

    bool Check(int line) {
        if (!m_options.check) return true;
        std::string violations = ValidateModel(m_frame);
        if (violations.empty()) return true;
        *m_error = "line " + std::to_string(line) + ": model invalid: " + violations;
        return false;
    }

    bool stopped() const { return m_stopped; }

private:
    bool Fail(const ScriptEvent& e, const std::string& what) {
        *m_error = "line " + std::to_string(e.line) + ": " + what;
        return false;
    }

    CPoint At(const ScriptEvent& e, size_t i) {
        m_mouse = CPoint{e.args[i], e.args[i + 1]};
        return m_mouse;
    }

    template <typename F>
    bool Do(const ScriptEvent& e, F&& handler) {
        m_watchdog.Arm(e.line);
        handler();
        m_watchdog.Disarm();
        return Check(e.line);
    }

    bool Command(const ScriptEvent& e, int id) {
        bool handled = true;
        bool checked = Do(e, [&] { handled = m_frame.OnCommand(id); });
        if (!handled) return Fail(e, "the frame did not handle command " + std::to_string(id));
        return checked;
    }

    bool Key(const ScriptEvent& e) {
        // Keys go through the command table, as the window would route them.
        const CommandDef* command = FindCommandByKey(e.key);
        if (command != nullptr) return Command(e, command->id);
        return Fail(e, std::string("key ") + e.key + " is not in the command table");
    }

    bool Menu(const ScriptEvent& e) {
        if (e.command == ID_APP_EXIT) {
            m_stopped = true;
            return true;
        }
        m_host.AnswerDialogOf(e.command, e.path);
        return Command(e, e.command);
    }

    bool Stroke(const ScriptEvent& e) {
        size_t last = e.args.size() - 2;
        if (!Do(e, [&] { m_frame.OnLButtonDown(0, At(e, 0)); })) return false;
        for (size_t i = 2; i <= last; i += 2) {
            if (!Do(e, [&] { m_frame.OnMouseMove(0, At(e, i)); })) return false;
        }
        return Do(e, [&] { m_frame.OnLButtonUp(0, At(e, last)); });
    }

    bool Expect(const ScriptEvent& e) {
        long long actual = 0;
        if (!ReadExpectKey(m_frame, m_host, e.name, &actual)) {
            return Fail(e, "unknown expect key '" + e.name + "'");
        }
        bool ok = e.compare == ExpectCompare::Equal     ? actual == e.value
                  : e.compare == ExpectCompare::Greater ? actual > e.value
                                                        : actual < e.value;
        if (ok) return true;
        const char* op = e.compare == ExpectCompare::Equal     ? ""
                         : e.compare == ExpectCompare::Greater ? "> "
                                                               : "< ";
        if (e.name == "valid") {
            return Fail(e, "expect valid " + std::string(e.value ? "true" : "false") +
                               " failed: the checker found: " + ValidateModel(m_frame));
        }
        return Fail(e, "expect " + e.name + " " + op + std::to_string(e.value) +
                           " failed: " + e.name + " is " + std::to_string(actual));
    }

    CMainFrame& m_frame;
    HeadlessHost& m_host;
    const RunOptions& m_options;
    std::string* m_error;
    EventWatchdog m_watchdog;
    CPoint m_mouse;
    bool m_stopped = false;
};

const char* const kUsage =
    "usage: pliform-replay [--check] [--obj FILE] [--png FILE] [--timeout SECONDS] SCRIPT";

// Generous: a sanitizer build on a busy machine fairs large models slowly.
constexpr double kDefaultEventTimeout = 120.0;

}  // namespace

bool SendWindowEvent(CMainFrame& frame, const ScriptEvent& e, CPoint& mouse) {
    using PointHandler = void (CMainFrame::*)(unsigned, CPoint);
    static constexpr struct {
        ScriptOp op;
        PointHandler handler;
    } kPointEvents[] = {{ScriptOp::LeftDown, &CMainFrame::OnLButtonDown},
                        {ScriptOp::LeftUp, &CMainFrame::OnLButtonUp},
                        {ScriptOp::RightDown, &CMainFrame::OnRButtonDown},
                        {ScriptOp::RightUp, &CMainFrame::OnRButtonUp},
                        {ScriptOp::Move, &CMainFrame::OnMouseMove}};
    if (e.op == ScriptOp::Size) {
        frame.OnSize(e.args[0], e.args[1]);
        return true;
    }
    if (e.op == ScriptOp::Wheel) {
        frame.OnMouseWheel(0, static_cast<short>(e.args[0]), mouse);
        return true;
    }
    for (const auto& [op, handler] : kPointEvents) {
        if (op != e.op) continue;
        mouse = CPoint{e.args[0], e.args[1]};
        (frame.*handler)(0, mouse);
        return true;
    }
    return false;
}

size_t StartFrame(CMainFrame& frame, const Script& script) {
    frame.OnCreate();
    if (!script.events.empty() && script.events[0].op == ScriptOp::Size) {
        frame.OnSize(script.events[0].args[0], script.events[0].args[1]);
        return 1;
    }
    frame.OnSize(kInitialOuterWidth, kInitialOuterHeight);
    return 0;
}

bool RunScript(const Script& script, CMainFrame& frame, HeadlessHost& host,
               const RunOptions& options, std::string* error) {
    Runner runner(frame, host, options, error);
    for (const ScriptEvent& event : script.events) {
        if (!runner.Run(event)) return false;
        if (runner.stopped()) break;
    }
    return true;
}

int ReplayToolMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const PngWriter& png) {
    RunOptions options;
    options.eventTimeoutSeconds = kDefaultEventTimeout;
    std::string objPath;
    std::string pngPath;
    std::string scriptPath;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool takesValue = a == "--obj" || a == "--png" || a == "--timeout";
        if (takesValue && i + 1 >= args.size()) {
            err << a << " needs a value\n" << kUsage << "\n";
            return 2;
        }
        if (a == "--check") {
            options.check = true;
        } else if (a == "--obj") {
            objPath = args[++i];
        } else if (a == "--png") {
            pngPath = args[++i];
        } else if (a == "--timeout") {
            char* end = nullptr;
            const std::string& value = args[++i];
            options.eventTimeoutSeconds = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !(options.eventTimeoutSeconds >= 0.0)) {
                err << "--timeout takes a number of seconds (0 for none)\n";
                return 2;
            }
        } else if (!a.empty() && a[0] == '-') {
            err << "unknown option " << a << "\n" << kUsage << "\n";
            return 2;
        } else if (scriptPath.empty()) {
            scriptPath = a;
        } else {
            err << "only one script can be replayed\n" << kUsage << "\n";
            return 2;
        }
    }
    if (scriptPath.empty()) {
        err << kUsage << "\n";
        return 2;
    }
    if (!pngPath.empty() && !png) {
        err << "--png needs the renderer, and this build has none (PLIFORM_BUILD_RENDER=OFF)\n";
        return 2;
    }

    std::ifstream in(scriptPath);
    if (!in) {
        err << scriptPath << ": cannot open\n";
        return 2;
    }
    Script script;
    std::string error;
    if (!ParseScript(in, &script, &error)) {
        err << scriptPath << ": " << error << "\n";
        return 2;
    }

    HeadlessHost host;
    CMainFrame frame(&host);
    const size_t first = StartFrame(frame, script);
    Script rest;
    rest.events.assign(script.events.begin() + static_cast<std::ptrdiff_t>(first),
                       script.events.end());

    bool ok = true;
    if (options.check) {
        std::string violations = ValidateModel(frame);
        if (!violations.empty()) {
            error = "line " + std::to_string(first ? script.events[0].line : 0) +
                    ": model invalid after start-up: " + violations;
            ok = false;
        }
    }
    if (ok) ok = RunScript(rest, frame, host, options, &error);
    if (!ok) err << scriptPath << ": " << error << "\n";

    if (ok && !objPath.empty()) {
        std::string objError;
        if (!WriteObjFile(frame, objPath, &objError)) {
            err << objPath << ": " << objError << "\n";
            ok = false;
        }
    }
    if (ok && !pngPath.empty()) {
        std::string pngError;
        if (!png(frame, pngPath, &pngError)) {
            err << pngPath << ": " << pngError << "\n";
            ok = false;
        }
    }
    out << ReplayJson(frame, host) << "\n";
    return ok ? 0 : 1;
}
