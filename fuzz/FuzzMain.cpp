// pliform-fuzz: generates seeded user sessions, runs each with the fuzz checks after
// every event, and shrinks every failing session to a short replay script.
//
// Each session runs in a child process, so that a crash, a sanitizer report, a leak
// or an event over its time budget ends only that session and is reported with its
// seed; the parent then shrinks the script by running candidates the same way.

#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/Checker.h"
#include "fuzz/Generator.h"
#include "fuzz/Shrink.h"

namespace {

// LeakSanitizer's exit status when it found leaks (its default).
constexpr int kLeakExitCode = 23;

struct Options {
    unsigned long long seed = 1;
    long count = 100;
    int events = 200;
    int budgetMs = 5000;
    std::string outDir = "fuzz-out";
    bool fork = true;
    bool keep = false;  // write every session's script, not only the failing ones
    int maxShrinkTries = 400;
    double seconds = 0.0;  // 0: no limit
    std::string replay;    // check one script instead of generating
    std::string shrink;    // shrink one failing script
};

struct Outcome {
    CheckResult result;
    int lastLine = 0;  // script line running when the child died
};

const char* const kUsage =
    "usage: pliform-fuzz [--seed N] [--count N] [--events N] [--budget-ms MS] [--out-dir DIR]\n"
    "                    [--seconds S] [--max-shrink N] [--no-fork] [--keep]\n"
    "       pliform-fuzz --replay SCRIPT | --shrink SCRIPT [--out-dir DIR]";

std::string Serialize(const CheckResult& r) {
    std::ostringstream out;
    out << r.ok << " " << (r.kind.empty() ? "-" : r.kind) << " " << r.failedLine << " "
        << r.closedCurves << " " << r.edits << " " << r.events << " " << r.slowestMs << " "
        << r.slowestLine << " " << r.slowestTriangles << " " << r.slowestVertices << " "
        << r.maxTriangles << "\n"
        << r.failure;
    return out.str();
}

CheckResult Deserialize(const std::string& text) {
    CheckResult r;
    std::istringstream in(text);
    in >> r.ok >> r.kind >> r.failedLine >> r.closedCurves >> r.edits >> r.events >> r.slowestMs >>
        r.slowestLine >> r.slowestTriangles >> r.slowestVertices >> r.maxTriangles;
    if (r.kind == "-") r.kind.clear();
    in.get();
    std::getline(in, r.failure, '\0');
    return r;
}

// Runs the script in a child process; a child that dies is turned into a result.
Outcome RunIsolated(const std::vector<std::string>& lines, int budgetMs, bool quiet) {
    Outcome outcome;
    void* shared =
        ::mmap(nullptr, sizeof(int), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    volatile int* progress = shared == MAP_FAILED ? nullptr : static_cast<volatile int*>(shared);
    if (progress) *progress = 0;
    int fds[2];
    if (::pipe(fds) != 0) {
        outcome.result.ok = false;
        outcome.result.kind = "internal";
        outcome.result.failure = "no pipe";
        return outcome;
    }
    std::cout.flush();
    std::cerr.flush();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        if (quiet) {
            int devnull = ::open("/dev/null", O_WRONLY);
            if (devnull >= 0) ::dup2(devnull, 2);
        }
        CheckOptions options;
        options.budgetMs = budgetMs;
        options.progressLine = progress;
        std::string text = Serialize(CheckScript(lines, options));
        size_t written = 0;
        while (written < text.size()) {
            ssize_t n = ::write(fds[1], text.data() + written, text.size() - written);
            if (n <= 0) break;
            written += static_cast<size_t>(n);
        }
        ::close(fds[1]);
        // exit, not _exit: the leak check runs at exit.
        std::exit(0);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    outcome.lastLine = progress ? *progress : 0;
    if (shared != MAP_FAILED) ::munmap(shared, sizeof(int));

    if (!text.empty()) outcome.result = Deserialize(text);
    const bool clean = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (clean && !text.empty()) return outcome;
    // The child died or reported more than its result.
    CheckResult& r = outcome.result;
    r.ok = false;
    r.failedLine = outcome.lastLine;
    if (WIFEXITED(status) && WEXITSTATUS(status) == kHangExitCode) {
        r.kind = "hang";
        r.failure = "line " + std::to_string(outcome.lastLine) + ": event over its time budget";
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == kLeakExitCode && !text.empty()) {
        r.kind = "leak";
        r.failure = "records leaked (see the sanitizer report)";
    } else {
        r.kind = "crash";
        r.failure = "line " + std::to_string(outcome.lastLine) + ": the process died (" +
                    (WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                         : "status " + std::to_string(WEXITSTATUS(status))) +
                    ")";
    }
    return outcome;
}

Outcome Run(const std::vector<std::string>& lines, const Options& o, bool quiet) {
    if (o.fork) return RunIsolated(lines, o.budgetMs, quiet);
    CheckOptions options;
    options.budgetMs = o.budgetMs;
    Outcome outcome;
    outcome.result = CheckScript(lines, options);
    return outcome;
}

bool WriteLines(const std::string& path, const std::string& header,
                const std::vector<std::string>& lines) {
    std::ofstream out(path);
    // A failure can run over several lines; each must stay a comment.
    std::istringstream headerLines(header);
    std::string h;
    while (std::getline(headerLines, h))
        if (!h.empty()) out << (h[0] == '#' ? "" : "# ") << h << "\n";
    for (const std::string& l : lines) out << l << "\n";
    return static_cast<bool>(out);
}

bool ReadLines(const std::string& path, std::vector<std::string>* lines) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) lines->push_back(line);
    return true;
}

// Shrinks a failing script to the events that still give the same kind of failure.
std::vector<std::string> ShrinkFailure(std::vector<std::string> lines, const Outcome& failed,
                                       const Options& o) {
    // Nothing after the failing event can matter (a leak shows only at the end).
    const int cut = failed.result.kind == "leak" ? 0 : failed.result.failedLine;
    if (cut > 0 && cut < static_cast<int>(lines.size())) lines.resize(static_cast<size_t>(cut));
    const std::string kind = failed.result.kind;
    return ShrinkScript(
        lines,
        [&](const std::vector<std::string>& candidate) {
            return Run(candidate, o, true).result.kind == kind;
        },
        o.maxShrinkTries);
}

bool ParseArgs(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--no-fork" || a == "--keep") {
            (a == "--keep" ? o->keep : o->fork) = a == "--keep";
            continue;
        }
        if (i + 1 >= argc) return false;
        const std::string v = argv[++i];
        char* end = nullptr;
        if (a == "--seed")
            o->seed = std::strtoull(v.c_str(), &end, 10);
        else if (a == "--count")
            o->count = std::strtol(v.c_str(), &end, 10);
        else if (a == "--events")
            o->events = static_cast<int>(std::strtol(v.c_str(), &end, 10));
        else if (a == "--budget-ms")
            o->budgetMs = static_cast<int>(std::strtol(v.c_str(), &end, 10));
        else if (a == "--max-shrink")
            o->maxShrinkTries = static_cast<int>(std::strtol(v.c_str(), &end, 10));
        else if (a == "--seconds")
            o->seconds = std::strtod(v.c_str(), &end);
        else if (a == "--out-dir")
            o->outDir = v;
        else if (a == "--replay")
            o->replay = v;
        else if (a == "--shrink")
            o->shrink = v;
        else
            return false;
        if (end != nullptr && (*end != '\0' || v.empty())) return false;
    }
    return o->count >= 0 && o->events > 0 && o->budgetMs >= 0;
}

std::string Describe(const CheckResult& r) { return r.kind + ": " + r.failure; }

// What the generated sessions of one run add up to, for its closing line.
struct Totals {
    long sequences = 0, events = 0, failures = 0;
    long maxTriangles = 0, closedCurves = 0, edits = 0;
    CheckResult slowest;
    unsigned long long slowestSeed = 0;

    void Add(const CheckResult& r, unsigned long long seed) {
        ++sequences;
        events += r.events;
        closedCurves += r.closedCurves;
        edits += r.edits;
        if (r.maxTriangles > maxTriangles) maxTriangles = r.maxTriangles;
        if (r.slowestMs > slowest.slowestMs) {
            slowest = r;
            slowestSeed = seed;
        }
        if (!r.ok) ++failures;
    }
};

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseArgs(argc, argv, &o)) {
        std::cerr << kUsage << "\n";
        return 2;
    }
    ::mkdir(o.outDir.c_str(), 0777);

    if (!o.replay.empty() || !o.shrink.empty()) {
        const std::string path = o.replay.empty() ? o.shrink : o.replay;
        std::vector<std::string> lines;
        if (!ReadLines(path, &lines)) {
            std::cerr << path << ": cannot open\n";
            return 2;
        }
        Outcome outcome = Run(lines, o, false);
        if (outcome.result.ok) {
            std::cout << path << ": passes every check (" << outcome.result.events
                      << " events, slowest " << outcome.result.slowestMs << " ms)\n";
            return 0;
        }
        std::cout << path << ": " << Describe(outcome.result) << "\n";
        if (!o.shrink.empty()) {
            std::vector<std::string> small = ShrinkFailure(lines, outcome, o);
            const std::string out = o.outDir + "/shrunk.pfs";
            WriteLines(out, "# " + Describe(outcome.result), small);
            std::cout << "shrunk to " << small.size() << " lines: " << out << "\n";
        }
        return 1;
    }

    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    GeneratorOptions generator;
    generator.events = o.events;
    generator.savePath = o.outDir + "/fuzz-save.obj";

    Totals totals;
    for (long n = 0; n < o.count; ++n) {
        if (o.seconds > 0.0 && elapsed() > o.seconds) break;
        const unsigned long long seed = o.seed + static_cast<unsigned long long>(n);
        std::vector<std::string> lines = GenerateSequence(seed, generator);
        if (o.keep) WriteLines(o.outDir + "/session-" + std::to_string(seed) + ".pfs", "", lines);
        Outcome outcome = Run(lines, o, false);
        totals.Add(outcome.result, seed);
        if (outcome.result.ok) continue;

        const std::string name = o.outDir + "/seed-" + std::to_string(seed);
        const std::string header =
            "# seed " + std::to_string(seed) + ": " + Describe(outcome.result);
        WriteLines(name + ".pfs", header, lines);
        std::cout << "seed " << seed << ": " << Describe(outcome.result) << "\n";
        std::vector<std::string> small = ShrinkFailure(lines, outcome, o);
        WriteLines(name + "-min.pfs", header, small);
        std::cout << "  shrunk to " << small.size() << " lines: " << name << "-min.pfs\n";
    }

    const CheckResult& slowest = totals.slowest;
    std::printf(
        "{\"sequences\":%ld,\"events\":%ld,\"failures\":%ld,\"seconds\":%.1f,"
        "\"slowestMs\":%.1f,\"slowestSeed\":%llu,\"slowestLine\":%d,\"slowestTriangles\":%ld,"
        "\"slowestVertices\":%ld,\"maxTriangles\":%ld,\"closedCurves\":%ld,\"edits\":%ld}\n",
        totals.sequences, totals.events, totals.failures, elapsed(), slowest.slowestMs,
        totals.slowestSeed, slowest.slowestLine, slowest.slowestTriangles, slowest.slowestVertices,
        totals.maxTriangles, totals.closedCurves, totals.edits);
    return totals.failures == 0 ? 0 : 1;
}
