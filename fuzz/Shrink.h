#pragma once

#include <functional>
#include <string>
#include <vector>

// Answers whether a candidate script still shows the fault being shrunk.
using StillFails = std::function<bool(const std::vector<std::string>& lines)>;

// Removes lines from a failing script while it keeps failing: first chunks of half
// the script, then ever smaller ones down to single lines, until no single line can
// go (or `maxTries` candidates have been run). Returns the smallest failing script
// found; `lines` itself must fail. Deterministic for a deterministic predicate.
std::vector<std::string> ShrinkScript(std::vector<std::string> lines, const StillFails& stillFails,
                                      int maxTries = 2000);
