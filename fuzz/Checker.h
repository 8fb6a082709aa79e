#pragma once

#include <string>
#include <vector>

class CMainFrame;

// Runs one replay script against a fresh frame, as the replay tool would (a leading
// size line is the window's first size), and after every event checks what must
// always hold, whatever the user did:
//  - the model checker finds nothing;
//  - no vertex position or normal is NaN or infinite;
//  - an event that beeped left the model as it was: the OBJ text, the curve list
//    and ModelState equal those before the refused action (for the release that
//    ends a gesture, before the press that began it);
//  - an action that made an undo step is undone to exactly the model it began with
//    (OBJ text, curve list, ModelState) and redone to exactly the model it left, or,
//    with `retakeSteps`, done again after the undo to the very same model;
//  - at the end, the OBJ mesh is closed: every edge in exactly two faces, once each
//    way; undoing every step goes back to the empty scene (unless the history's
//    budget dropped some) through valid models, and redoing them all comes back the
//    same way to the same end.
// Nothing is written to disk except by the script's own Save As lines.

struct CheckOptions {
    // Wall-time budget of one event, in milliseconds; an event that runs longer ends
    // the process (it cannot be stopped safely) with kHangExitCode after naming its
    // line on stderr. 0: no budget.
    int budgetMs = 0;
    // Written with the script line of the event about to run, for a parent process
    // that must name the event that crashed or hung. May be null.
    volatile int* progressLine = nullptr;
    // Undo each step as it is made and carry out its action again (when the action was
    // one command, or mouse presses, moves and releases alone), instead of redoing it.
    bool retakeSteps = false;
};

constexpr int kHangExitCode = 86;

struct CheckResult {
    bool ok = true;
    std::string kind;     // short name of the failed check: parse, invalid, nonfinite, ...
    std::string failure;  // "line N: what"
    int failedLine = 0;   // script line of the event after which the check failed
    long events = 0;      // handler calls made (a stroke line counts each of its points)
    double slowestMs = 0.0;
    int slowestLine = 0;
    long slowestTriangles = 0;  // model size after the slowest event
    long slowestVertices = 0;
    long maxTriangles = 0;
    // How far the session got: closed curves left waiting (ModelState 2 -> 1), and
    // cuts or extrusions carried out (1 -> 2 with the mesh changed).
    long closedCurves = 0;
    long edits = 0;
    // Undo steps made, and of those the ones whose action was done again after its
    // undo (CheckOptions::retakeSteps).
    long steps = 0;
    long retaken = 0;
};

CheckResult CheckScript(const std::vector<std::string>& lines, const CheckOptions& options);

// The OBJ text, ModelState and every curve (kind, orientation, vertex numbers in OBJ
// order): what a refused action must leave exactly as it was.
std::string ModelDump(CMainFrame& frame);

// Empty when the OBJ text's faces form a closed, consistently oriented mesh (or
// there are none) and every coordinate is a finite number; else what is wrong.
std::string CheckClosedObj(const std::string& obj);
