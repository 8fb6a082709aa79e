#include "fuzz/Checker.h"

#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <utility>

#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "export/ObjExport.h"
#include "host/HeadlessHost.h"
#include "host/Script.h"

namespace {

// The alarm handler may only touch what a signal handler may: a plain int and write.
volatile sig_atomic_t g_nRunningLine = 0;
volatile sig_atomic_t g_nBudgetMs = 0;

void AppendNumber(char* buffer, size_t& n, long value) {
    char digits[24];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 && count < 24);
    while (count > 0) buffer[n++] = digits[--count];
}

void OnBudgetExceeded(int) {
    char buffer[128];
    size_t n = 0;
    for (const char* s = "line "; *s; ++s) buffer[n++] = *s;
    AppendNumber(buffer, n, g_nRunningLine);
    for (const char* s = ": event did not finish within "; *s; ++s) buffer[n++] = *s;
    AppendNumber(buffer, n, g_nBudgetMs);
    for (const char* s = " ms\n"; *s; ++s) buffer[n++] = *s;
    ssize_t ignored = ::write(2, buffer, n);
    (void)ignored;
    ::_exit(kHangExitCode);
}

void ArmBudget(int ms) {
    itimerval timer{};
    timer.it_value.tv_sec = ms / 1000;
    timer.it_value.tv_usec = (ms % 1000) * 1000;
    ::setitimer(ITIMER_REAL, &timer, nullptr);
}

void DisarmBudget() {
    itimerval timer{};
    ::setitimer(ITIMER_REAL, &timer, nullptr);
}

bool AllFinite(const CMainFrame& frame, std::string* what) {
    long n = 0;
    for (const Vertex* v = frame.m_pVertices; v != nullptr; v = v->next, ++n) {
        if (!IsFinite(v->position) || !IsFinite(v->normal)) {
            *what = "vertex #" + std::to_string(n) + " has a non-finite " +
                    (IsFinite(v->position) ? "normal" : "position");
            return false;
        }
    }
    return true;
}

long CountTriangles(const CMainFrame& frame) {
    long n = 0;
    for (const Triangle* t = frame.m_pTriangles; t != nullptr; t = t->next) ++n;
    return n;
}

long CountVertices(const CMainFrame& frame) {
    long n = 0;
    for (const Vertex* v = frame.m_pVertices; v != nullptr; v = v->next) ++n;
    return n;
}

class Checker {
public:
    Checker(const CheckOptions& options, CheckResult& result)
        : m_options(options), m_result(result), m_frame(&m_host) {}

    void Run(const Script& script) {
        const size_t first = StartFrame(m_frame, script);
        for (size_t i = first; i < script.events.size() && m_result.ok; ++i) {
            const ScriptEvent& e = script.events[i];
            if (e.op == ScriptOp::Menu && e.command == ID_APP_EXIT) break;
            if (e.op == ScriptOp::Expect) continue;               // the replay tool's business
            if (e.op == ScriptOp::Stroke) {
                const size_t last = e.args.size() - 2;
                Event(e, ScriptOp::LeftDown, [&] { m_frame.OnLButtonDown(0, At(e, 0)); });
                for (size_t k = 2; k <= last && m_result.ok; k += 2)
                    Event(e, ScriptOp::Move, [&] { m_frame.OnMouseMove(0, At(e, k)); });
                if (m_result.ok)
                    Event(e, ScriptOp::LeftUp, [&] { m_frame.OnLButtonUp(0, At(e, last)); });
            } else {
                Event(e, e.op, [&] { Dispatch(e); });
            }
        }
        if (!m_result.ok) return;
        const int lastLine = script.events.empty() ? 0 : script.events.back().line;
        std::string objProblem = CheckClosedObj(FormatObj(m_frame));
        if (!objProblem.empty()) return Fail("open-mesh", lastLine, "final OBJ: " + objProblem);
        UndoAllAndBack(lastLine);
    }

private:
    CPoint At(const ScriptEvent& e, size_t i) {
        m_mouse = CPoint{e.args[i], e.args[i + 1]};
        return m_mouse;
    }

    void Dispatch(const ScriptEvent& e) {
        if (SendWindowEvent(m_frame, e, m_mouse)) return;
        switch (e.op) {
        case ScriptOp::Key:
            if (const CommandDef* command = FindCommandByKey(e.key)) m_frame.OnCommand(command->id);
            break;
        case ScriptOp::Menu:
            m_host.AnswerDialogOf(e.command, e.path);
            m_frame.OnCommand(e.command);
            break;
        default:
            break;
        }
    }

    // Key and menu events may refuse in the middle of a gesture; a press may refuse
    // at rest. Those are the events whose "before" a refusal is compared with.
    static bool MayRefuseMidGesture(const ScriptEvent& e) {
        return e.op == ScriptOp::Key || e.op == ScriptOp::Menu;
    }

    // `op` is what the handler does: a stroke line is a press, moves and a release.
    template <typename F>
    void Event(const ScriptEvent& e, ScriptOp op, F&& handler) {
        const int dragBefore = m_frame.m_nDragState;
        if (dragBefore == kDragNone) {
            m_action.clear();
            m_actionRepeatable = true;
        }
        const int stateBefore = m_frame.m_nModelState;
        const long trianglesBefore = CountTriangles(m_frame);
        const int beepsBefore = m_host.beeps;
        std::string before;
        if (dragBefore == 0 || MayRefuseMidGesture(e)) before = ModelDump(m_frame);
        if (dragBefore == 0) {
            m_gestureStart = before;
            m_gestureStartStale = false;
        }

        if (m_options.progressLine != nullptr) *m_options.progressLine = e.line;
        g_nRunningLine = e.line;
        if (m_options.budgetMs > 0) ArmBudget(m_options.budgetMs);
        const auto start = std::chrono::steady_clock::now();
        handler();
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (m_options.budgetMs > 0) DisarmBudget();
        ++m_result.events;

        const long triangles = CountTriangles(m_frame);
        if (stateBefore == kModelBody && m_frame.m_nModelState == kModelCurveWaiting)
            ++m_result.closedCurves;
        if (stateBefore == kModelCurveWaiting && m_frame.m_nModelState == kModelBody &&
            triangles != trianglesBefore)
            ++m_result.edits;
        if (triangles > m_result.maxTriangles) m_result.maxTriangles = triangles;
        if (ms > m_result.slowestMs) {
            m_result.slowestMs = ms;
            m_result.slowestLine = e.line;
            m_result.slowestTriangles = triangles;
            m_result.slowestVertices = CountVertices(m_frame);
        }

        std::string violations = ValidateModel(m_frame);
        if (!violations.empty()) return Fail("invalid", e.line, "model invalid: " + violations);
        std::string what;
        if (!AllFinite(m_frame, &what)) return Fail("nonfinite", e.line, what);

        if (m_host.beeps != beepsBefore) {
            // A release that ends a gesture answers for the whole gesture.
            const bool endsGesture = dragBefore == kDragTool && m_frame.m_nDragState == kDragNone &&
                                     !MayRefuseMidGesture(e);
            const std::string& reference = endsGesture ? m_gestureStart : before;
            if (!(endsGesture && m_gestureStartStale) && ModelDump(m_frame) != reference)
                return Fail("refusal", e.line, "the event beeped but changed the model");
        } else if (dragBefore != 0 && MayRefuseMidGesture(e) && ModelDump(m_frame) != before) {
            // A command in the middle of a gesture changed the model on purpose (Auto
            // Center fairs and moves it): what the gesture began with is gone.
            m_gestureStartStale = true;
        }
        Record(e, op);
        CheckStep(e);
    }

    // What the action under way did, to be done again: mouse presses, moves and
    // releases with their points, or one command at rest.
    struct Act {
        ScriptOp op;
        CPoint point;
        int command;
    };

    void Record(const ScriptEvent& e, ScriptOp op) {
        if (op == ScriptOp::LeftDown || op == ScriptOp::Move || op == ScriptOp::LeftUp)
            m_action.push_back({op, m_mouse, 0});
        else if (op == ScriptOp::Menu && m_action.empty())
            m_action.push_back({op, {}, e.command});
        else
            m_actionRepeatable = false;
    }

    void Repeat(const Act& a) {
        switch (a.op) {
        case ScriptOp::LeftDown:
            return m_frame.OnLButtonDown(0, a.point);
        case ScriptOp::Move:
            return m_frame.OnMouseMove(0, a.point);
        case ScriptOp::LeftUp:
            return m_frame.OnLButtonUp(0, a.point);
        default:
            m_frame.OnCommand(a.command);
        }
    }

    // The step an action made goes back to the model the action began with (the one
    // the gesture began with, for a command that ended a gesture) and forward to the
    // one it left. Not while the right button turns the view: undo waits for that.
    void CheckStep(const ScriptEvent& e) {
        const UndoHistory& history = m_frame.m_history;
        if (!m_result.ok || history.Made() == m_stepsMade) return;
        m_stepsMade = history.Made();
        ++m_result.steps;
        if (m_frame.m_nDragState != kDragNone) return;
        const std::string after = ModelDump(m_frame);
        m_frame.OnCommand(ID_EDIT_UNDO);
        if (ModelDump(m_frame) != m_gestureStart)
            return Fail("undo", e.line, "undo did not give back the model the action began with");
        if (m_options.retakeSteps && m_actionRepeatable) {
            for (const Act& a : m_action) Repeat(a);
            m_stepsMade = history.Made();
            ++m_result.retaken;
            if (ModelDump(m_frame) != after)
                return Fail("retake", e.line,
                            "the action done again after its undo left another model");
        } else {
            m_frame.OnCommand(ID_EDIT_REDO);
            if (ModelDump(m_frame) != after)
                return Fail("redo", e.line, "redo did not give back the model the action left");
        }
    }

    // Every step undone, down to the empty scene, then every step redone; each redo
    // must give back the model the undo before it had left.
    void UndoAllAndBack(int line) {
        // Undo waits for a button the session never let go of.
        if (m_frame.m_nDragState != kDragNone) return;
        const UndoHistory& history = m_frame.m_history;
        std::vector<std::string> models{ModelDump(m_frame)};
        while (history.UndoCount() > 0) {
            const size_t count = history.UndoCount();
            m_frame.OnCommand(ID_EDIT_UNDO);
            if (history.UndoCount() >= count)
                return Fail("undo", line, "undo did nothing with a step to take back");
            const std::string violations = ValidateModel(m_frame);
            if (!violations.empty())
                return Fail("undo", line, "undo left an invalid model: " + violations);
            models.push_back(ModelDump(m_frame));
        }
        const bool empty = m_frame.m_pVertices == nullptr && m_frame.m_pCurves == nullptr &&
                           m_frame.m_pTriangles == nullptr && m_frame.m_nModelState == kModelEmpty;
        if (history.Dropped() == 0 && !empty)
            return Fail("undo", line, "undoing every step did not give back the empty scene");
        for (size_t i = models.size() - 1; i-- > 0 && history.RedoCount() > 0;) {
            m_frame.OnCommand(ID_EDIT_REDO);
            if (ModelDump(m_frame) != models[i])
                return Fail("redo", line,
                            "redo " + std::to_string(models.size() - 1 - i) +
                                " of the session's end did not give back the model undo had left");
        }
    }

    void Fail(const char* kind, int line, const std::string& what) {
        m_result.ok = false;
        m_result.kind = kind;
        m_result.failedLine = line;
        m_result.failure = "line " + std::to_string(line) + ": " + what;
    }

    const CheckOptions& m_options;
    CheckResult& m_result;
    HeadlessHost m_host;
    CMainFrame m_frame;
    CPoint m_mouse;
    std::string m_gestureStart;
    bool m_gestureStartStale = false;
    std::vector<Act> m_action;
    bool m_actionRepeatable = false;
    size_t m_stepsMade = 0;
};

}  // namespace

std::string ModelDump(CMainFrame& frame) {
    std::ostringstream dump;
    dump << FormatObj(frame) << "state " << frame.m_nModelState << "\n";
    for (const Curve* c = frame.m_pCurves; c != nullptr; c = c->next) {
        dump << "c " << c->kind << " " << c->clockwise << ":";
        for (const CurveLink* l = c->first; l != nullptr; l = l->next) {
            dump << " " << (l->vertex ? l->vertex->index : 0) << "/"
                 << (l->vertex ? l->vertex->kind : -1);
            if (l == c->last) break;
        }
        dump << "\n";
    }
    return dump.str();
}

std::string CheckClosedObj(const std::string& obj) {
    std::istringstream in(obj);
    std::string word;
    long vertices = 0;
    std::map<std::pair<long, long>, int> edges;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        fields >> word;
        if (word == "v") {
            ++vertices;
            for (int k = 0; k < 3; ++k) {
                std::string number;
                fields >> number;
                char* end = nullptr;
                const double value = std::strtod(number.c_str(), &end);
                if (number.empty() || !std::isfinite(value))
                    return "vertex " + std::to_string(vertices) + " has coordinate '" + number +
                           "'";
            }
        } else if (word == "f") {
            long c[3] = {0, 0, 0};
            fields >> c[0] >> c[1] >> c[2];
            for (int k = 0; k < 3; ++k) {
                if (c[k] < 1 || c[k] > vertices)
                    return "face refers to vertex " + std::to_string(c[k]);
                ++edges[{c[k], c[(k + 1) % 3]}];
            }
        }
    }
    for (const auto& [edge, count] : edges) {
        if (count != 1)
            return "edge " + std::to_string(edge.first) + "-" + std::to_string(edge.second) +
                   " runs the same way in " + std::to_string(count) + " faces";
        auto back = edges.find({edge.second, edge.first});
        if (back == edges.end())
            return "edge " + std::to_string(edge.first) + "-" + std::to_string(edge.second) +
                   " has no face on its other side";
    }
    return "";
}

CheckResult CheckScript(const std::vector<std::string>& lines, const CheckOptions& options) {
    CheckResult result;
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    std::istringstream in(text);
    Script script;
    std::string error;
    if (!ParseScript(in, &script, &error)) {
        result.ok = false;
        result.kind = "parse";
        result.failure = error;
        return result;
    }
    struct sigaction action {};
    struct sigaction previous {};
    if (options.budgetMs > 0) {
        g_nBudgetMs = options.budgetMs;
        action.sa_handler = OnBudgetExceeded;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGALRM, &action, &previous);
    }
    {
        Checker checker(options, result);
        checker.Run(script);
    }
    if (options.budgetMs > 0) ::sigaction(SIGALRM, &previous, nullptr);
    return result;
}
