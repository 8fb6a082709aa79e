#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A seeded generator of user sessions in the replay script format. The same seed and
// options always give the same lines, on every platform: the random numbers come from
// our own generator, never from a standard distribution whose output the library may
// choose.
//
// The sessions are biased toward what breaks geometry code: bodies drawn from loops
// and then cut, extruded, erased, dragged and sharpened; scribbles and loops that
// come back over themselves; strokes across the silhouette, off the body, along and
// past the window edge; single clicks; tool changes, File New, zooms and resizes in
// the middle of a stroke; releases the window never sees; rotations, preset views,
// display changes, Auto Center; Save As to a good path, a folder, a missing folder and
// a cancelled dialog; client sizes down to 0 by 0.

struct GeneratorOptions {
    // About this many event lines (a gesture is never cut in half, so a few more).
    int events = 200;
    // Answer for the Save As lines that should succeed; the bad ones are built in.
    std::string savePath = "fuzz-save.obj";
};

// Splitmix64: small, fast, and fully defined by its seed.
class FuzzRandom {
public:
    explicit FuzzRandom(uint64_t seed) : m_state(seed) {}
    uint64_t Next();
    // Uniform in [lo, hi]; lo <= hi.
    int Int(int lo, int hi);
    // Uniform in [0, 1).
    double Unit();
    // True with the given chance in percent.
    bool Chance(int percent) { return Int(0, 99) < percent; }

private:
    uint64_t m_state;
};

std::vector<std::string> GenerateSequence(uint64_t seed, const GeneratorOptions& options);
