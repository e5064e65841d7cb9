#include "base/Version.h"

// Only this file is rebuilt when the version changes.
std::string_view ApplicationVersion() {
    return KESTRUNE_VERSION;
}
