// libFuzzer entry: the input bytes are decoded into replay events, which run with the
// same checks as pliform-fuzz; a failed check aborts with the failure and the script.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CommandTable.h"
#include "fuzz/Checker.h"

namespace {

// Every input decodes to some script, so the fuzzer never wastes a run on a parse
// error; strokes are built from few bytes, since a whole body needs a loop.
class Decoder {
public:
    Decoder(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    std::vector<std::string> Decode() {
        std::vector<std::string> lines;
        while (m_pos < m_size && lines.size() < kMaxLines) {
            const int op = Byte() % kEventKinds;
            if (op < kPointEvents) {
                lines.push_back(kPointWords[op] + Point());
                continue;
            }
            switch (op) {
            case 6:
                lines.push_back("wheel " + std::to_string(static_cast<int16_t>(Word())));
                break;
            case 7:
                lines.push_back(std::string("key ") + m_keys[Byte() % m_keys.size()]);
                break;
            case 8:
                lines.push_back(Menu());
                break;
            case 9: {
                static constexpr int kSizes[] = {0, 1, 2, 60, 300, 599, 600, 601, 1200};
                lines.push_back("size " + std::to_string(kSizes[Byte() % 9]) + " " +
                                std::to_string(kSizes[Byte() % 9]));
                break;
            }
            default:
                Loop(lines);
                break;
            }
        }
        return lines;
    }

private:
    static constexpr size_t kMaxLines = 400;
    // Ten kinds of single event, and a drawn loop for the other four values: a body
    // needs a whole loop, which a run of single moves seldom makes.
    static constexpr int kEventKinds = 14;
    // The first six kinds are a point event each; a move has two values, as a gesture
    // is mostly moves.
    static constexpr int kPointEvents = 6;
    static constexpr const char* kPointWords[kPointEvents] = {"down ", "up ",    "move ",
                                                              "move ", "rdown ", "rup "};

    uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    unsigned Word() { return Byte() | (static_cast<unsigned>(Byte()) << 8); }
    int Coordinate() { return static_cast<int>(Word() % 800) - 100; }
    std::string Point() {
        const int x = Coordinate();
        return std::to_string(x) + " " + std::to_string(Coordinate());
    }

    std::string Menu() { return "menu " + m_menuItems[Byte() % m_menuItems.size()]; }

    // Every command a script can name but Exit, which would end the run early, and a
    // Save As to a folder, which must fail.
    static std::vector<std::string> MenuItems() {
        std::vector<std::string> items;
        for (const CommandDef& command : kCommands)
            if (command.scriptName != nullptr && command.id != ID_APP_EXIT)
                items.push_back(command.scriptName);
        items.push_back("saveas .");
        return items;
    }

    static std::vector<char> Keys() {
        std::vector<char> keys;
        for (const CommandDef& command : kCommands)
            if (command.key != 0) keys.push_back(command.key);
        return keys;
    }

    // A pen gesture of an ellipse: centre, radii, start, sweep and spacing from bytes.
    void Loop(std::vector<std::string>& lines) {
        const double cx = 100 + Byte() * 400 / 255.0;
        const double cy = 100 + Byte() * 400 / 255.0;
        const double rx = 2 + Byte();
        const double ry = 2 + Byte();
        const double a0 = Byte() / 40.0;
        const double sweep = (static_cast<int>(Byte()) - 128) / 15.0;
        const int n = 2 + Byte() % 120;
        for (int i = 0; i <= n; ++i) {
            const double a = a0 + sweep * i / n;
            const char* word = i == 0 ? "down " : (i == n ? "up " : "move ");
            lines.push_back(word + std::to_string(static_cast<int>(cx + rx * std::cos(a))) + " " +
                            std::to_string(static_cast<int>(cy + ry * std::sin(a))));
        }
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    const std::vector<std::string> m_menuItems = MenuItems();
    const std::vector<char> m_keys = Keys();
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> lines = Decoder(data, size).Decode();
    CheckResult result = CheckScript(lines, CheckOptions{});
    if (!result.ok) {
        std::fprintf(stderr, "%s: %s\n--- script ---\n", result.kind.c_str(),
                     result.failure.c_str());
        for (const std::string& l : lines) std::fprintf(stderr, "%s\n", l.c_str());
        std::abort();
    }
    return 0;
}
