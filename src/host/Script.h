#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

class CMainFrame;
struct CPoint;
class HeadlessHost;

// Replay scripts: one event a line, '#' starts a comment, coordinates are client
// pixels with y pointing down.
//
//   size W H | down X Y | up X Y | rdown X Y | rup X Y | move X Y | wheel DELTA
//   key K (an accelerator key) | menu NAME [PATH] | stroke X1 Y1 [X2 Y2 ...]
//   (NAME is a command's script name in the command table)
//   expect KEY VALUE | expect KEY > VALUE | expect KEY < VALUE

enum class ScriptOp {
    Size,
    LeftDown,
    LeftUp,
    RightDown,
    RightUp,
    Move,
    Wheel,
    Key,
    Menu,
    Stroke,
    Expect,
};

enum class ExpectCompare { Equal, Greater, Less };

struct ScriptEvent {
    int line = 0;  // 1-based line of the script it came from
    ScriptOp op = ScriptOp::Move;
    std::vector<int> args;  // size, mouse and stroke coordinates, wheel delta
    int command = 0;        // menu: the command id (ID_APP_EXIT ends the script)
    char key = 0;           // key: the accelerator key, upper case
    std::string name;       // menu name, or the expect key
    std::string path;       // menu with a file dialog: its answer (empty means cancelled)
    ExpectCompare compare = ExpectCompare::Equal;
    long long value = 0;  // expect: the value compared with (valid: 1 true, 0 false)
};

struct Script {
    std::vector<ScriptEvent> events;
};

// Parses a whole script. On a bad line returns false, leaves `script` empty and sets
// `error` to "line N: what is wrong"; nothing of a bad script is ever run.
bool ParseScript(std::istream& in, Script* script, std::string* error);

// The value of an expect key on the current frame and host. Returns false for a key
// the replay tool does not know.
bool ReadExpectKey(const CMainFrame& frame, const HeadlessHost& host, const std::string& key,
                   long long* value);

// Number of records in each list; a list longer than the cap (a cycle) stops there.
long long CountListVertices(const CMainFrame& frame);
long long CountListCurves(const CMainFrame& frame);
long long CountListTriangles(const CMainFrame& frame);

struct RunOptions {
    // Run the model checker after every event and stop at the first violation.
    bool check = false;
    // An event still running after this many seconds ends the process with a
    // message naming its line; 0 disables the watchdog.
    double eventTimeoutSeconds = 0.0;
};

// Hands a window event (a size, a button pressed or released, a move or the wheel) to
// the frame as the window does. A press, release or move sets `mouse` to its point; the
// wheel is turned where `mouse` is. Returns false, and does nothing, for any other event.
bool SendWindowEvent(CMainFrame& frame, const ScriptEvent& e, CPoint& mouse);

// Creates the frame and gives it its first size: that of a leading size line, as the
// window's first size, or else the program's initial client size. Returns the number
// of events that used up (1 or 0).
size_t StartFrame(CMainFrame& frame, const Script& script);

// Runs the events on a frame that has been created and sized. Returns true when the
// script ran to its end or to "menu exit"; false at the first failed expect, checker
// violation or command the frame refused, with `error` naming the script line.
bool RunScript(const Script& script, CMainFrame& frame, HeadlessHost& host,
               const RunOptions& options, std::string* error);

// The one-line JSON summary the replay tool prints at the end.
std::string ReplayJson(const CMainFrame& frame, const HeadlessHost& host);

// Renders the final frame into a PNG of the client size; returns false with `error`.
using PngWriter =
    std::function<bool(const CMainFrame&, const std::string& path, std::string* error)>;

// The whole command line tool: `[--check] [--obj FILE] [--png FILE] SCRIPT`.
// Exit codes: 0 success, 1 failed expect, checker violation or output error,
// 2 bad command line or bad script (nothing run). `png` is empty when the build has
// no renderer, and --png is then refused.
int ReplayToolMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const PngWriter& png);
