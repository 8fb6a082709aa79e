#include "fuzz/Shrink.h"

#include <algorithm>

std::vector<std::string> ShrinkScript(std::vector<std::string> lines, const StillFails& stillFails,
                                      int maxTries) {
    int tries = 0;
    auto attempt = [&](const std::vector<std::string>& candidate) {
        if (tries >= maxTries) return false;
        ++tries;
        return stillFails(candidate);
    };

    size_t chunk = std::max<size_t>(lines.size() / 2, 1);
    for (;;) {
        bool removed = false;
        size_t start = 0;
        while (start < lines.size() && tries < maxTries) {
            const size_t end = std::min(start + chunk, lines.size());
            std::vector<std::string> candidate(lines.begin(),
                                               lines.begin() + static_cast<long>(start));
            candidate.insert(candidate.end(), lines.begin() + static_cast<long>(end), lines.end());
            if (!candidate.empty() && attempt(candidate)) {
                lines = std::move(candidate);
                removed = true;
            } else {
                start = end;
            }
        }
        if (tries >= maxTries) break;
        if (chunk == 1) {
            // Single lines: go round again only while something still goes.
            if (!removed) break;
        } else {
            chunk = std::max<size_t>(chunk / 2, 1);
        }
    }
    return lines;
}
