// The --script language: steps separated by ";", each a word of the table
// below and what the word takes (a control, a number, a TEXT), blanks being
// spaces, tabs and line breaks. Nothing may follow a step that ends the dialog.
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "dialog/resource_ids.h"
#include "standin_host/host_core.h"

namespace {

enum Takes { NOTHING, CONTROL, CONTROL_AND_TEXT, NUMBER, TEXT };
const struct Word {
    const char *word;
    ScriptAction action;
    Takes takes;
    int id, value;  // ok's button, escape's key
} kWords[] = {
    {"up", ScriptAction::Up, CONTROL, 0, 0},
    {"down", ScriptAction::Down, CONTROL, 0, 0},
    {"type", ScriptAction::Type, CONTROL_AND_TEXT, 0, 0},
    {"set", ScriptAction::Set, CONTROL_AND_TEXT, 0, 0},
    {"click", ScriptAction::Click, CONTROL, 0, 0},
    {"check", ScriptAction::Click, CONTROL, 0, 0},
    {"mode", ScriptAction::Mode, NUMBER, 0, 0},
    {"ok", ScriptAction::Click, NOTHING, 1, 0},       // IDOK
    {"cancel", ScriptAction::Click, NOTHING, 2, 0},   // IDCANCEL
    {"escape", ScriptAction::Key, NOTHING, 0, 0x1B},  // VK_ESCAPE
    {"enter", ScriptAction::Key, NOTHING, 0, 0x0D},   // VK_RETURN
    {"close", ScriptAction::Close, NOTHING, 0, 0},
    {"pause", ScriptAction::Pause, NUMBER, 0, 0},
    {"snapshot", ScriptAction::Snapshot, TEXT, 0, 0},
};
enum { MODE_COUNT = 4, LONGEST_PAUSE_MS = 60000 };
const char kBlanks[] = " \t\r\n";

// "" when the action can act on control id, else why not, with the numbers
// it can: axis by axis, lower bound then upper, and OK and Cancel for a click.
std::string CheckControl(ScriptAction action, int id)
{
    const bool click = action == ScriptAction::Click;
    const bool edit = action == ScriptAction::Type || action == ScriptAction::Set;
    std::vector<int> known;
    for (int row : {0, 3, 1, 4, 2, 5})
        known.push_back(click  ? kBoundIds[row].check
                        : edit ? kBoundIds[row].edit
                               : kBoundIds[row].spin);
    if (click) known.insert(known.end(), {1, 2});
    if (std::count(known.begin(), known.end(), id)) return "";
    std::string valid;
    for (int k : known) valid += (valid.empty() ? "" : " ") + std::to_string(k);
    return std::to_string(id) + " is not " +
           (click  ? "a checkbox or button"
            : edit ? "an edit box"
                   : "a spin") +
           " of the dialog (those are " + valid + ")";
}

// The script cut at each ";" outside double quotes; inside them a backslash
// takes the next character along. A quote left open runs to the end.
std::vector<std::string> SplitSteps(const std::string &all)
{
    std::vector<std::string> parts(1);
    bool quoted = false;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == ';' && !quoted) {
            parts.emplace_back();
            continue;
        }
        parts.back() += all[i];
        if (all[i] == '"') quoted = !quoted;
        if (quoted && all[i] == '\\' && i + 1 < all.size()) parts.back() += all[++i];
    }
    return parts;
}

// A step's TEXT from rest: the rest of the step, the blanks around it trimmed;
// or in double quotes, keeping blanks and ";", with \" for a quote and \\ for
// a backslash (one before anything else stays: Windows paths need no
// doubling). "" or what is wrong with it.
std::string ReadText(const char *rest, std::string &text)
{
    rest += strspn(rest, kBlanks);
    if (*rest != '"') {
        text = rest;
        text.erase(text.find_last_not_of(kBlanks) + 1);
        return text.find('"') == std::string::npos
                   ? ""
                   : "a double quote belongs inside quoted text: write \"...\" around the whole "
                     "text and \\\" for the quote";
    }
    const char *p = rest + 1;
    for (; *p && *p != '"'; ++p) text += *p == '\\' && (p[1] == '"' || p[1] == '\\') ? *++p : *p;
    if (!*p) return "the quoted text has no closing double quote";
    p += 1 + strspn(p + 1, kBlanks);
    return *p ? "unexpected \"" + std::string(p) + "\" after the quoted text" : "";
}

// The step of word w with its arguments at rest: "" or what is wrong.
std::string ReadStep(const Word &w, const char *rest, ScriptStep &step)
{
    step.action = w.action, step.id = w.id, step.value = w.value;
    std::string after = "\"" + std::string(w.word) + "\"";
    if (w.takes == CONTROL || w.takes == CONTROL_AND_TEXT || w.takes == NUMBER) {
        char *end = nullptr;
        const long n = strtol(rest, &end, 10);
        if (end == rest) return "a number must follow " + after;
        rest = end, after = "the number";
        (w.takes == NUMBER ? step.value : step.id) =
            static_cast<int>(std::clamp<long>(n, INT_MIN, INT_MAX));
    }
    if (w.takes == CONTROL_AND_TEXT || w.takes == TEXT) {
        const std::string wrong = ReadText(rest, step.text);
        if (!wrong.empty()) return wrong;
        if (w.takes == TEXT && step.text.empty()) return "snapshot needs a file name";
    } else {
        rest += strspn(rest, kBlanks);
        if (*rest) return "unexpected \"" + std::string(rest) + "\" after " + after;
    }
    if (w.takes == CONTROL || w.takes == CONTROL_AND_TEXT) return CheckControl(w.action, step.id);
    if (w.action == ScriptAction::Mode && (step.value < 0 || step.value >= MODE_COUNT))
        return "the operation list has entries 0 to " + std::to_string(MODE_COUNT - 1);
    if (w.action == ScriptAction::Pause && (step.value < 0 || step.value > LONGEST_PAUSE_MS))
        return "a pause lasts 0 to " + std::to_string(LONGEST_PAUSE_MS) + " ms";
    return "";
}

}  // namespace

bool ParseScript(const std::string &script, std::vector<ScriptStep> &steps, std::string &error)
{
    steps.clear();
    std::string endedBy, words;  // the step that ends the dialog, once there is one
    for (const Word &w : kWords) words += std::string(" ") + w.word;
    for (const std::string &part : SplitSteps(script)) {
        const size_t first = part.find_first_not_of(kBlanks);
        if (first == std::string::npos) continue;  // an empty step, as after a last ";"
        const size_t wordEnd = std::min(part.find_first_of(kBlanks, first), part.size());
        const std::string word = part.substr(first, wordEnd - first);
        ScriptStep step;
        step.source = "script step " + std::to_string(steps.size() + 1) + " \"" +
                      part.substr(first, part.find_last_not_of(kBlanks) + 1 - first) + "\"";
        const Word *w = std::find_if(std::begin(kWords), std::end(kWords),
                                     [&](const Word &known) { return word == known.word; });
        std::string problem = w == std::end(kWords)
                                  ? "unknown word \"" + word + "\" (the words:" + words + ")"
                                  : ReadStep(*w, part.c_str() + wordEnd, step);
        if (problem.empty() && !endedBy.empty())
            problem = "it follows " + endedBy + ", which ends the dialog";
        if (!problem.empty()) {
            error = step.source + ": " + problem;
            return false;
        }
        if (step.action == ScriptAction::Close ||
            (step.action == ScriptAction::Click && (step.id == 1 || step.id == 2)))
            endedBy = step.source;
        steps.push_back(step);
    }
    return true;
}
