// SPDX-License-Identifier: GPL-2.0-or-later

#include "macro/MacroCheck.h"

#include "macro/MacroEvent.h"

#include <string>
#include "profile/JsonFile.h"

namespace {

// The mouse keeps the type in seven bits (the eighth says "down"); the tool names five of them
// and plays the others as they are.
constexpr int64_t kMaxEventType = 0x7F;

bool DigitsOnly(const std::string& text) {
    if (text.empty() || text.size() > 5)
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return std::stol(text) <= kMaxMacroDelay;
}

// The events of a document; mending cuts what is past the limit and leaves out what no reader
// could play.
void CheckEvents(CFileChecker& check, Json::Value& document, size_t maxEvents) {
    if (!document.isObject() || !document.isMember("Events")) {
        check.Add("Events", "missing", "an array of events");
        if (check.Mending() && document.isObject())
            document["Events"] = Json::Value(Json::arrayValue);
        return;
    }
    if (!document["Events"].isArray()) {
        check.Add("Events", CFileChecker::Describe(document["Events"]), "an array of events");
        if (check.Mending())
            document["Events"] = Json::Value(Json::arrayValue);
        return;
    }
    if (!check.Array(document, "Events", maxEvents, ""))
        return;
    Json::Value& events = document["Events"];
    Json::Value kept(Json::arrayValue);
    for (Json::ArrayIndex i = 0; i < events.size(); ++i) {
        bool dropped = false;
        CheckMacroEvent(check, events[i], FieldPath("Events", i), &dropped);
        if (!dropped)
            kept.append(events[i]);
    }
    if (check.Mending())
        events = kept;
}

}  // namespace

void CheckMacroEvent(CFileChecker& check, Json::Value& event, const std::string& path,
                     bool* dropped) {
    *dropped = false;
    if (!event.isObject()) {
        check.Add(path, CFileChecker::Describe(event), "an event object");
        *dropped = true;
        return;
    }
    const Json::Value& action = JsonMember(event, "Action");
    if (!action.isString() || (action.asString() != "down" && action.asString() != "up")) {
        check.Add(FieldPath(path, "Action"), CFileChecker::Describe(action), "\"down\" or \"up\"");
        if (check.Mending())
            event["Action"] = "up";
    }
    const Json::Value& type = JsonMember(event, "Type");
    if (const std::optional<int64_t> number = WholeNumber(type);
        !number || *number < 0 || *number > kMaxEventType) {
        check.Add(FieldPath(path, "Type"), CFileChecker::Describe(type),
                  "an event type from 0 to 127 (1 mouse button, 4 and 5 moves, 9 modifier, 10 "
                  "key)");
        *dropped = true;
    }
    if (!event.isMember("Button")) {
        check.Add(FieldPath(path, "Button"), "missing", "a whole number from 0 to 255");
        if (check.Mending())
            event["Button"] = 0;
    }
    check.Integer(event, "Button", 0, 0xFF, path);
    const Json::Value& delay = JsonMember(event, "Delay");
    const std::optional<int64_t> delayNumber = WholeNumber(delay);
    const bool delayOk = delay.isString()
                             ? DigitsOnly(delay.asString())
                             : (delayNumber && *delayNumber >= 0 && *delayNumber <= kMaxMacroDelay);
    if (event.isMember("Delay") && !delayOk) {
        check.Add(FieldPath(path, "Delay"), CFileChecker::Describe(delay),
                  "milliseconds from 0 to 65535, as a decimal text or a number");
        if (check.Mending())
            event["Delay"] = std::to_string(ReadDelay(delay));
    }
}

std::vector<FileProblem> CheckMacroDocument(Json::Value& document, size_t maxEvents, bool mend) {
    CFileChecker check(mend);
    if (!document.isObject()) {
        check.Add("the file", CFileChecker::Describe(document), "a macro file (a JSON object)");
        return check.Problems();
    }
    check.Text(document, "MacroName", "");
    check.Text(document, "Guid", "");
    check.Integer(document, "Version", 0, 0xFFFF, "", 64);
    CheckEvents(check, document, maxEvents);
    check.Sizes(document, "");
    return check.Problems();
}

std::vector<FileProblem> CheckMacroListDocument(const Json::Value& document, size_t maxMacros) {
    CFileChecker check(false);
    if (!document.isObject())
        return {};
    const Json::Value& list = JsonMember(document, "MacroInfo");
    if (!list.isArray()) {
        check.Add("MacroInfo", CFileChecker::Describe(list), "an array of macro entries");
        return check.Problems();
    }
    if (list.size() > maxMacros)
        check.Add("MacroInfo", CFileChecker::Describe(list),
                  "an array of at most " + std::to_string(maxMacros) + " entries");
    for (Json::ArrayIndex i = 0; i < list.size() && i < 1000; ++i) {
        const std::string at = FieldPath("MacroInfo", i);
        const Json::Value& entry = list[i];
        if (!entry.isObject()) {
            check.Add(at, CFileChecker::Describe(entry), "an object");
            continue;
        }
        const Json::Value& name = JsonMember(entry, "MacroName");
        if (!name.isString() || name.asString().size() > CFileChecker::kMaxTextBytes)
            check.Add(
                FieldPath(at, "MacroName"), CFileChecker::Describe(name),
                "a text of at most " + std::to_string(CFileChecker::kMaxTextBytes) + " bytes");
        const Json::Value& id = JsonMember(entry, "Guid");
        if (!id.isString() || !IsPlainFileName(id.asString()))
            check.Add(FieldPath(at, "Guid"), CFileChecker::Describe(id),
                      "a file name without folders");
    }
    return check.Problems();
}

std::vector<FileProblem> CheckShootDocument(Json::Value& document, size_t maxEvents, bool mend) {
    CFileChecker check(mend);
    if (!document.isObject()) {
        check.Add("the file", CFileChecker::Describe(document), "a recoil file (a JSON object)");
        return check.Problems();
    }
    CheckEvents(check, document, maxEvents);
    check.Sizes(document, "");
    return check.Problems();
}
