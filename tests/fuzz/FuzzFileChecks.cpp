// SPDX-License-Identifier: GPL-2.0-or-later
// libFuzzer target for the checks of every file kind and the macro text form: any input is
// checked without crashing, a document the check mends passes the check afterwards, what the
// check lets through reads without a mend, and macro text that parses reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "macro/MacroCheck.h"
#include "macro/MacroList.h"
#include "macro/MacroText.h"
#include "macro/ShootData.h"
#include "profile/FileCheck.h"
#include "profile/JsonFile.h"
#include "profile/ProfileList.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

template <typename Checker>
void MendsToClean(const Json::Value& document, Checker check) {
    // What is not an object at all is refused whole, not mended.
    if (!document.isObject())
        return;
    Json::Value looked = document;
    const bool clean = check(looked, false).empty();
    // Checking alone changes nothing.
    Check(looked == document);
    Json::Value mended = document;
    check(mended, true);
    const std::vector<FileProblem> left = check(mended, false);
    if (!left.empty())
        std::fprintf(stderr, "left after mending: %s\n", ProblemsText(left).c_str());
    Check(left.empty());
    // A clean document is read as it is.
    if (clean)
        Check(mended == document);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Json::Value document = CJsonFile::ParseDocument(bytes);
    if (!document.isNull()) {
        MendsToClean(document,
                     [](Json::Value& d, bool mend) { return CheckProfileDocument(d, mend); });
        MendsToClean(JsonElement(JsonMember(document, "Device"), 0), [](Json::Value& d, bool mend) {
            return CheckProfileSection(d, "Device[0]", mend);
        });
        MendsToClean(document, [](Json::Value& d, bool mend) {
            return CheckProfileListDocument(d, CProfileList::kMaxProfiles, mend);
        });
        MendsToClean(document, [](Json::Value& d, bool mend) {
            return CheckMacroDocument(d, CMacroList::kMaxEvents, mend);
        });
        MendsToClean(document, [](Json::Value& d, bool mend) {
            return CheckShootDocument(d, kMaxShootEvents, mend);
        });
        const Json::Value list = document;
        CheckMacroListDocument(list, CMacroList::kMaxMacros);
        Check(list == document);
    }

    // The text form: what parses formats back to text that parses to the same events.
    if (const auto events = ParseMacroText(bytes)) {
        const auto again = ParseMacroText(FormatMacroText(*events));
        Check(again.has_value() && *again == *events);
    }
    return 0;
}
