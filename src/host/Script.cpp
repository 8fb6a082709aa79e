#include "host/Script.h"

#include <cctype>
#include <charconv>
#include <istream>
#include <sstream>
#include <string_view>

#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "host/HeadlessHost.h"

namespace {

// Mouse positions far outside any window are still legal (a drag may leave the
// window), but the handlers subtract pixels from angles in 32 bits: keep them small
// enough that no sum can overflow.
constexpr int kMaxCoordinate = 1000000;
constexpr int kMaxClientSize = 16384;

// A cycle in a damaged list must not hang the counters.
constexpr long long kListCap = 10000000;

// Symbolic values an expect may use instead of the command id.
struct NamedValue {
    const char* key;
    const char* name;
    long long value;
};

constexpr NamedValue kNamedValues[] = {
    {"tool", "pen", ID_TOOL_PEN},
    {"tool", "eraser", ID_TOOL_ERASER},
    {"tool", "drag", ID_TOOL_DRAG},
    {"tool", "change", ID_TOOL_CHANGE},
    {"displayMode", "surfaces", ID_DISPLAY_SURFACES},
    {"displayMode", "edges", ID_DISPLAY_EDGES},
};

struct ExpectKey {
    const char* name;
    long long (*read)(const CMainFrame&, const HeadlessHost&);
};

constexpr ExpectKey kExpectKeys[] = {
    {"modelState",
     [](const CMainFrame& f, const HeadlessHost&) -> long long { return f.m_nModelState; }},
    {"vertices", [](const CMainFrame& f, const HeadlessHost&) { return CountListVertices(f); }},
    {"curves", [](const CMainFrame& f, const HeadlessHost&) { return CountListCurves(f); }},
    {"triangles", [](const CMainFrame& f, const HeadlessHost&) { return CountListTriangles(f); }},
    {"beeps", [](const CMainFrame&, const HeadlessHost& h) -> long long { return h.beeps; }},
    {"repaints", [](const CMainFrame&, const HeadlessHost& h) -> long long { return h.repaints; }},
    {"valid",
     [](const CMainFrame& f, const HeadlessHost&) -> long long {
         return ValidateModel(f).empty();
     }},
    {"tool", [](const CMainFrame& f, const HeadlessHost&) -> long long { return f.m_nTool; }},
    {"displayMode",
     [](const CMainFrame& f, const HeadlessHost&) -> long long { return f.m_nDisplayMode; }},
    {"elevation",
     [](const CMainFrame& f, const HeadlessHost&) -> long long { return f.m_nElevation; }},
    {"azimuth", [](const CMainFrame& f, const HeadlessHost&) -> long long { return f.m_nAzimuth; }},
    {"zoom", [](const CMainFrame& f, const HeadlessHost&) -> long long { return f.m_nZoom; }},
    {"dragState",
     [](const CMainFrame& f, const HeadlessHost&) -> long long { return f.m_nDragState; }},
    {"showVertices",
     [](const CMainFrame& f, const HeadlessHost&) -> long long {
         return f.m_bShowControlVertices;
     }},
    {"autoCenter",
     [](const CMainFrame& f, const HeadlessHost&) -> long long { return f.m_bAutoCenter; }},
    {"fileErrors",
     [](const CMainFrame&, const HeadlessHost& h) -> long long { return h.fileErrors; }},
};

// The keys of the accelerator table as the error messages list them: "1 2 P".
std::string AcceleratorKeys() {
    std::string keys;
    for (const CommandDef& command : kCommands) {
        if (command.key == 0) continue;
        if (!keys.empty()) keys += ' ';
        keys += command.key;
    }
    return keys;
}

const ExpectKey* FindExpectKey(std::string_view name) {
    for (const ExpectKey& key : kExpectKeys) {
        if (name == key.name) return &key;
    }
    return nullptr;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> Split(std::string_view s) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
        size_t start = i;
        while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i]))) ++i;
        if (i > start) words.push_back(s.substr(start, i - start));
    }
    return words;
}

// Whole-word integer within [lo, hi]; a leading '+' is accepted.
bool ParseInteger(std::string_view word, long long lo, long long hi, long long* value) {
    if (!word.empty() && word.front() == '+') word.remove_prefix(1);
    if (word.empty()) return false;
    long long v = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
    if (ec != std::errc() || end != word.data() + word.size() || v < lo || v > hi) return false;
    *value = v;
    return true;
}

class LineParser {
public:
    LineParser(int line, std::string_view text, std::string* error)
        : m_line(line), m_text(text), m_error(error) {}

    bool Parse(ScriptEvent* event) {
        event->line = m_line;
        m_words = Split(m_text);
        std::string_view word = m_words[0];
        if (word == "size") return Ints(event, ScriptOp::Size, 2, 0, kMaxClientSize, "a size");
        if (word == "down") return Point(event, ScriptOp::LeftDown);
        if (word == "up") return Point(event, ScriptOp::LeftUp);
        if (word == "rdown") return Point(event, ScriptOp::RightDown);
        if (word == "rup") return Point(event, ScriptOp::RightUp);
        if (word == "move") return Point(event, ScriptOp::Move);
        if (word == "wheel") return Ints(event, ScriptOp::Wheel, 1, -32768, 32767, "a wheel delta");
        if (word == "key") return Key(event);
        if (word == "menu") return Menu(event);
        if (word == "stroke") return Stroke(event);
        if (word == "expect") return Expect(event);
        return Fail("unknown word '" + std::string(word) + "'");
    }

private:
    bool Fail(const std::string& what) {
        *m_error = "line " + std::to_string(m_line) + ": " + what;
        return false;
    }

    bool ArgumentCount(size_t wanted) {
        size_t given = m_words.size() - 1;
        if (given == wanted) return true;
        return Fail("'" + std::string(m_words[0]) + "' takes " + std::to_string(wanted) +
                    (wanted == 1 ? " argument" : " arguments") + ", got " + std::to_string(given));
    }

    bool Integer(std::string_view word, long long lo, long long hi, const char* what,
                 long long* value) {
        if (ParseInteger(word, lo, hi, value)) return true;
        return Fail("'" + std::string(word) + "' is not " + what + " (an integer from " +
                    std::to_string(lo) + " to " + std::to_string(hi) + ")");
    }

    bool Ints(ScriptEvent* event, ScriptOp op, size_t count, long long lo, long long hi,
              const char* what) {
        event->op = op;
        if (!ArgumentCount(count)) return false;
        for (size_t i = 1; i <= count; ++i) {
            long long v = 0;
            if (!Integer(m_words[i], lo, hi, what, &v)) return false;
            event->args.push_back(static_cast<int>(v));
        }
        return true;
    }

    bool Point(ScriptEvent* event, ScriptOp op) {
        return Ints(event, op, 2, -kMaxCoordinate, kMaxCoordinate, "a pixel coordinate");
    }

    bool Key(ScriptEvent* event) {
        event->op = ScriptOp::Key;
        if (!ArgumentCount(1)) return false;
        std::string_view k = m_words[1];
        char c = k.size() == 1 ? static_cast<char>(std::toupper(static_cast<unsigned char>(k[0])))
                               : '\0';
        if (FindCommandByKey(c) == nullptr) {
            return Fail("key '" + std::string(k) + "' is not one of " + AcceleratorKeys());
        }
        event->key = c;
        return true;
    }

    bool Menu(ScriptEvent* event) {
        event->op = ScriptOp::Menu;
        if (m_words.size() < 2) return Fail("'menu' needs a menu name");
        std::string_view name = m_words[1];
        const CommandDef* found = FindCommandByScriptName(name);
        if (!found) return Fail("unknown menu name '" + std::string(name) + "'");
        event->name = found->scriptName;
        event->command = found->id;
        if (DialogOf(found->id) != CommandDialog::None) {
            // The path is the rest of the line, so it may contain spaces.
            size_t at = m_text.find(name) + name.size();
            event->path = std::string(Trim(m_text.substr(at)));
            return true;
        }
        if (m_words.size() > 2) {
            return Fail("'menu " + std::string(name) + "' takes no further argument");
        }
        return true;
    }

    bool Stroke(ScriptEvent* event) {
        event->op = ScriptOp::Stroke;
        size_t given = m_words.size() - 1;
        if (given == 0 || given % 2 != 0) {
            return Fail("'stroke' takes X Y pairs (at least one point), got " +
                        std::to_string(given) + " numbers");
        }
        for (size_t i = 1; i < m_words.size(); ++i) {
            long long v = 0;
            if (!Integer(m_words[i], -kMaxCoordinate, kMaxCoordinate, "a pixel coordinate", &v)) {
                return false;
            }
            event->args.push_back(static_cast<int>(v));
        }
        return true;
    }

    bool Expect(ScriptEvent* event) {
        event->op = ScriptOp::Expect;
        if (m_words.size() != 3 && m_words.size() != 4) {
            return Fail("'expect' takes KEY VALUE or KEY > VALUE or KEY < VALUE");
        }
        std::string_view key = m_words[1];
        if (!FindExpectKey(key)) return Fail("unknown expect key '" + std::string(key) + "'");
        event->name = std::string(key);
        if (m_words.size() == 4) {
            if (m_words[2] == ">") {
                event->compare = ExpectCompare::Greater;
            } else if (m_words[2] == "<") {
                event->compare = ExpectCompare::Less;
            } else {
                return Fail("'" + std::string(m_words[2]) + "' is not a comparison (> or <)");
            }
        }
        std::string_view value = m_words.back();
        if (key == "valid") {
            if (event->compare != ExpectCompare::Equal) {
                return Fail("'valid' can only be compared with true or false");
            }
            if (value != "true" && value != "false") {
                return Fail("'valid' takes true or false, not '" + std::string(value) + "'");
            }
            event->value = value == "true" ? 1 : 0;
            return true;
        }
        for (const NamedValue& named : kNamedValues) {
            if (key == named.key && value == named.name) {
                event->value = named.value;
                return true;
            }
        }
        if (!ParseInteger(value, -(1LL << 62), 1LL << 62, &event->value)) {
            return Fail("'" + std::string(value) + "' is not a number");
        }
        return true;
    }

    int m_line;
    std::string_view m_text;
    std::string* m_error;
    std::vector<std::string_view> m_words;
};

long long CountChain(const auto* head) {
    long long n = 0;
    for (const auto* p = head; p && n < kListCap; p = p->next) ++n;
    return n;
}

}  // namespace

bool ParseScript(std::istream& in, Script* script, std::string* error) {
    Script parsed;
    std::string raw;
    int line = 0;
    while (std::getline(in, raw)) {
        ++line;
        std::string_view text = raw;
        size_t hash = text.find('#');
        if (hash != std::string_view::npos) text = text.substr(0, hash);
        text = Trim(text);
        if (text.empty()) continue;
        ScriptEvent event;
        LineParser parser(line, text, error);
        if (!parser.Parse(&event)) {
            script->events.clear();
            return false;
        }
        parsed.events.push_back(std::move(event));
    }
    *script = std::move(parsed);
    return true;
}

long long CountListVertices(const CMainFrame& frame) { return CountChain(frame.m_pVertices); }
long long CountListCurves(const CMainFrame& frame) { return CountChain(frame.m_pCurves); }
long long CountListTriangles(const CMainFrame& frame) { return CountChain(frame.m_pTriangles); }

bool ReadExpectKey(const CMainFrame& frame, const HeadlessHost& host, const std::string& key,
                   long long* value) {
    const ExpectKey* found = FindExpectKey(key);
    if (!found) return false;
    *value = found->read(frame, host);
    return true;
}

std::string ReplayJson(const CMainFrame& frame, const HeadlessHost& host) {
    std::ostringstream json;
    json << "{\"modelState\":" << frame.m_nModelState
         << ",\"vertices\":" << CountListVertices(frame) << ",\"curves\":" << CountListCurves(frame)
         << ",\"triangles\":" << CountListTriangles(frame) << ",\"beeps\":" << host.beeps
         << ",\"repaints\":" << host.repaints
         << ",\"valid\":" << (ValidateModel(frame).empty() ? "true" : "false") << "}";
    return json.str();
}
