// SPDX-License-Identifier: GPL-2.0-or-later
// Naming, saving, loading and dumping the simulated world's state.
#include <fcntl.h>
#include <json/json.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>

#include "emulator/SimWorld.h"
#include "emulator/SimWorldImpl.h"

namespace {

std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

std::optional<std::vector<uint8_t>> FromHex(const std::string& text) {
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::vector<uint8_t> bytes(text.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        auto [end, ec] =
            std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, bytes[i], 16);
        if (ec != std::errc() || end != text.data() + 2 * i + 2)
            return std::nullopt;
    }
    return bytes;
}

// Decimal or 0x-prefixed hexadecimal, the whole text, at most `max`.
std::optional<unsigned long> ParseNumber(std::string text, unsigned long max) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start])))
        ++start;
    int base = 10;
    if (text.size() - start > 2 && text[start] == '0' && (text[start + 1] | 0x20) == 'x') {
        base = 16;
        start += 2;
    }
    unsigned long value = 0;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    auto [end, ec] = std::from_chars(first, last, value, base);
    if (first == last || ec != std::errc() || end != last || value > max)
        return std::nullopt;
    return value;
}

std::optional<bool> ParseSwitch(const std::string& text, std::initializer_list<const char*> on,
                                std::initializer_list<const char*> off) {
    for (const char* word : on)
        if (text == word)
            return true;
    for (const char* word : off)
        if (text == word)
            return false;
    return std::nullopt;
}

// A member of an object, or null when absent or when `object` is not an object: jsoncpp
// asserts on member lookups in other types.
const Json::Value* Member(const Json::Value& object, const char* key) {
    if (!object.isObject())
        return nullptr;
    return object.find(key, key + std::strlen(key));
}

template <typename T>
void ReadUnsigned(const Json::Value& object, const char* key, unsigned max, T& out) {
    const Json::Value* v = Member(object, key);
    if (v && v->isUInt() && v->asUInt() <= max)
        out = static_cast<T>(v->asUInt());
}

void ReadBool(const Json::Value& object, const char* key, bool& out) {
    const Json::Value* v = Member(object, key);
    if (v && v->isBool())
        out = v->asBool();
}

std::optional<std::vector<uint8_t>> ReadHex(const Json::Value& object, const char* key) {
    const Json::Value* v = Member(object, key);
    if (!v || !v->isString())
        return std::nullopt;
    return FromHex(v->asString());
}

Json::Value ConfigJson(const SimMouseConfig& config) {
    Json::Value json(Json::objectValue);
    json["sensorId"] = config.sensorId;
    json["keyTablePositions"] = config.keyTablePositions;
    json["dpiStep"] = config.dpiStep;
    json["sliderPositions"] = config.sliderPositions;
    json["lowestDpi"] = config.lowestDpi;
    json["macroMemorySize"] = config.macroMemorySize;
    json["shootMemorySize"] = config.shootMemorySize;
    json["firmwareVersion"] = config.firmwareVersion;
    json["batteryPercent"] = config.batteryPercent;
    json["charging"] = config.charging;
    Json::Value positions(Json::arrayValue);
    for (uint8_t p : config.buttonPositions)
        positions.append(p);
    json["buttonPositions"] = positions;
    return json;
}

SimMouseConfig ConfigFromJson(const Json::Value& json) {
    SimMouseConfig config;
    ReadUnsigned(json, "sensorId", 0xFFFF, config.sensorId);
    ReadUnsigned(json, "keyTablePositions", 0xFF, config.keyTablePositions);
    ReadUnsigned(json, "dpiStep", 0xFF, config.dpiStep);
    ReadUnsigned(json, "sliderPositions", 0xFFFF, config.sliderPositions);
    ReadUnsigned(json, "lowestDpi", 0xFFFF, config.lowestDpi);
    ReadUnsigned(json, "macroMemorySize", 0xFFFF, config.macroMemorySize);
    ReadUnsigned(json, "shootMemorySize", 0xFFFF, config.shootMemorySize);
    ReadUnsigned(json, "firmwareVersion", 0xFFFF, config.firmwareVersion);
    ReadUnsigned(json, "batteryPercent", 100, config.batteryPercent);
    ReadUnsigned(json, "charging", 1, config.charging);
    const Json::Value* positions = Member(json, "buttonPositions");
    if (positions && positions->isArray() && positions->size() == config.buttonPositions.size()) {
        std::vector<uint8_t> read;
        for (const Json::Value& p : *positions)
            if (p.isUInt() && p.asUInt() <= 0xFF)
                read.push_back(static_cast<uint8_t>(p.asUInt()));
        if (read.size() == config.buttonPositions.size())
            config.buttonPositions = read;
    }
    return config;
}

}  // namespace

Json::Value CSimWorld::Impl::StateJson() const {
    const Impl& w = *this;
    Json::Value json(Json::objectValue);
    json["config"] = ConfigJson(w.mouse.Config());
    json["cablePlugged"] = w.cablePlugged;
    json["receiverPlugged"] = w.receiverPlugged;
    json["linkUp"] = w.linkUp;
    Json::Value memory(Json::objectValue);
    memory["info"] = Hex(w.mouse.InfoBlock());
    memory["settings"] = Hex(w.mouse.Settings());
    memory["keyTable"] = Hex(w.mouse.KeyTable());
    memory["macro"] = Hex(w.mouse.Macro());
    memory["shoot"] = Hex(w.mouse.Shoot());
    memory["status"] = Hex(w.mouse.Status());
    json["memory"] = memory;
    Json::Value pending(Json::arrayValue);
    for (const SimFault& fault : w.faults) {
        Json::Value f(Json::objectValue);
        f["kind"] = SimFaultName(fault.kind);
        f["afterRequests"] = fault.afterRequests;
        f["delayMs"] = fault.delayMs;
        pending.append(f);
    }
    json["faults"] = pending;
    json["configuring"] = w.mouse.Configuring();
    json["requestsHandled"] = w.mouse.Requests();
    json["writesOutsideConfiguration"] = w.mouse.WritesOutsideConfiguration();
    json["protocolErrors"] = w.mouse.ProtocolErrors();
    json["lastProtocolError"] = w.mouse.LastProtocolError();
    return json;
}

namespace {

std::string ToText(const Json::Value& json) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "  ";
    return Json::writeString(builder, json) + "\n";
}

// Sixteen bytes a line; runs of all-zero lines after the first collapse into "*".
void HexDump(std::ostringstream& out, const std::vector<uint8_t>& bytes) {
    bool skipping = false;
    for (size_t line = 0; line < bytes.size(); line += 16) {
        size_t end = std::min(bytes.size(), line + 16);
        bool zero = std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(line),
                                bytes.begin() + static_cast<std::ptrdiff_t>(end),
                                [](uint8_t b) { return b == 0; });
        if (zero && line > 0 && end < bytes.size()) {
            if (!skipping)
                out << "  *\n";
            skipping = true;
            continue;
        }
        skipping = false;
        char text[80];
        int n = std::snprintf(text, sizeof text, "  %04zx ", line);
        for (size_t i = line; i < end; ++i)
            n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "%s%02x",
                               i == line + 8 ? "  " : " ", bytes[i]);
        out << text << "\n";
    }
}

// A block header and one macro of one event.
constexpr unsigned long kMinBlockMemory = 16 + 6 + 4;

bool Fail(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
    return false;
}

}  // namespace

bool CSimWorld::SetByName(const std::string& key, const std::string& value, std::string* message) {
    auto bad = [&](const std::string& expected) {
        if (message)
            *message = "bad value \"" + value + "\" for " + key + ": expected " + expected;
        return false;
    };
    // `min`: what no real mouse goes below (a DPI step or lowest DPI of 0, no macro memory).
    auto setConfigNumber = [&](auto SimMouseConfig::*field, unsigned long max,
                               unsigned long min = 0) {
        auto number = ParseNumber(value, max);
        if (!number || *number < min)
            return bad("a number from " + std::to_string(min) + " to " + std::to_string(max));
        SimMouseConfig config = Config();
        config.*field = static_cast<std::remove_reference_t<decltype(config.*field)>>(*number);
        SetConfig(config);
        return true;
    };
    auto setPlug = [&](void (CSimWorld::*setter)(bool)) {
        auto on = ParseSwitch(value, {"plugged", "1", "on", "yes", "true"},
                              {"unplugged", "0", "off", "no", "false"});
        if (!on)
            return bad("plugged or unplugged");
        (this->*setter)(*on);
        return true;
    };

    if (message)
        message->clear();
    if (key == "sensor")
        return setConfigNumber(&SimMouseConfig::sensorId, 0xFFFF);
    if (key == "firmware")
        return setConfigNumber(&SimMouseConfig::firmwareVersion, 0xFFFF);
    if (key == "battery")
        return setConfigNumber(&SimMouseConfig::batteryPercent, 100);
    if (key == "charging")
        return setConfigNumber(&SimMouseConfig::charging, 1);
    if (key == "dpi-step")
        return setConfigNumber(&SimMouseConfig::dpiStep, 0xFF, 1);
    if (key == "lowest-dpi")
        return setConfigNumber(&SimMouseConfig::lowestDpi, 0xFFFF, 1);
    if (key == "slider-positions")
        return setConfigNumber(&SimMouseConfig::sliderPositions, 0xFFFF, 2);
    if (key == "macro-size")
        return setConfigNumber(&SimMouseConfig::macroMemorySize, 0xFFFF, kMinBlockMemory);
    if (key == "shoot-size")
        return setConfigNumber(&SimMouseConfig::shootMemorySize, 0xFFFF, kMinBlockMemory);
    if (key == "key-table-positions")
        return setConfigNumber(&SimMouseConfig::keyTablePositions, 0xFF);
    if (key == "cable")
        return setPlug(&CSimWorld::SetCablePlugged);
    if (key == "receiver")
        return setPlug(&CSimWorld::SetReceiverPlugged);
    if (key == "link") {
        auto on = ParseSwitch(value, {"on", "up", "1", "yes", "true"},
                              {"off", "down", "0", "no", "false"});
        if (!on)
            return bad("on or off");
        SetLinkUp(*on);
        return true;
    }
    if (key == "interval-us") {
        auto number = ParseNumber(value, 1'000'000);
        if (!number)
            return bad("microseconds from 0 to 1000000");
        SetUsbIntervalUs(static_cast<unsigned>(*number));
        return true;
    }
    if (key == "key-positions") {
        std::vector<uint8_t> positions;
        std::stringstream list(value);
        std::string item;
        while (std::getline(list, item, ',')) {
            auto number = ParseNumber(item, 0xFF);
            if (!number)
                return bad("11 comma-separated positions (255 = absent)");
            positions.push_back(static_cast<uint8_t>(*number));
        }
        SimMouseConfig config = Config();
        if (positions.size() != config.buttonPositions.size())
            return bad("11 comma-separated positions (255 = absent)");
        config.buttonPositions = positions;
        SetConfig(config);
        return true;
    }
    if (message)
        *message = "unknown key \"" + key +
                   "\" (known: sensor, firmware, battery, charging, link, cable, receiver, "
                   "interval-us, key-positions, key-table-positions, macro-size, shoot-size, "
                   "dpi-step, lowest-dpi, slider-positions)";
    return false;
}

bool CSimWorld::SaveState(const std::filesystem::path& file, std::string* error) const {
    std::string text;
    {
        std::lock_guard lock(m->mutex);
        text = ToText(m->StateJson());
    }
    // Written beside the target and renamed over it, so a crash never leaves half a file.
    std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    std::string temp = (folder / ("." + file.filename().string() + ".XXXXXX")).string();
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return Fail(error, temp + ": " + std::strerror(errno));
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    int savedErrno = errno;
    bool ok = done == text.size() && fsync(fd) == 0;
    if (!ok && done == text.size())
        savedErrno = errno;
    close(fd);
    if (ok && std::rename(temp.c_str(), file.c_str()) == 0)
        return true;
    if (ok)
        savedErrno = errno;
    unlink(temp.c_str());
    return Fail(error, file.string() + ": " + std::strerror(savedErrno));
}

bool CSimWorld::LoadState(const std::filesystem::path& file, std::string* error, bool* unusable) {
    if (unusable)
        *unusable = true;
    // Non-blocking, and only a regular file of bounded size: a FIFO or a device in its place
    // must neither hang nor fill the memory.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return Fail(error, file.string() + ": " + std::strerror(errno));
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Fail(error, file.string() + ": not a regular file");
    }
    if (st.st_size < 0 || static_cast<uintmax_t>(st.st_size) > kMaxStateFileSize) {
        ::close(fd);
        return Fail(error, file.string() + ": too large for a state file (over " +
                               std::to_string(kMaxStateFileSize) + " bytes)");
    }
    std::string content(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::read(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    content.resize(done);
    if (unusable)
        *unusable = false;

    Json::Value root;
    std::string parseErrors;
    try {
        Json::CharReaderBuilder builder;
        std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        if (!reader->parse(content.data(), content.data() + content.size(), &root, &parseErrors))
            return Fail(error, file.string() + ": " + parseErrors);
    } catch (const Json::Exception& e) {
        return Fail(error, file.string() + ": " + e.what());
    }
    const Json::Value* configJson = Member(root, "config");
    if (!configJson || !configJson->isObject())
        return Fail(error, file.string() + ": not a simulated mouse state (no \"config\" object)");

    // Members of the wrong type read as absent: they keep the factory value.
    SimMouseConfig config = ConfigFromJson(*configJson);
    CSimMouse factory;
    factory.SetConfig(config);
    const Json::Value empty;
    const Json::Value* memoryJson = Member(root, "memory");
    const Json::Value& memory = memoryJson ? *memoryJson : empty;
    auto settings = ReadHex(memory, "settings").value_or(factory.Settings());
    auto keyTable = ReadHex(memory, "keyTable").value_or(factory.KeyTable());
    auto macro = ReadHex(memory, "macro").value_or(factory.Macro());
    auto shoot = ReadHex(memory, "shoot").value_or(factory.Shoot());
    bool cable = true, receiver = false, link = true;
    ReadBool(root, "cablePlugged", cable);
    ReadBool(root, "receiverPlugged", receiver);
    ReadBool(root, "linkUp", link);
    std::deque<SimFault> pending;
    if (const Json::Value* list = Member(root, "faults"); list && list->isArray()) {
        for (const Json::Value& f : *list) {
            const Json::Value* kind = Member(f, "kind");
            const auto known =
                kind && kind->isString() ? SimFaultKindByName(kind->asString()) : std::nullopt;
            if (!known)
                continue;
            SimFault fault{*known};
            const Json::Value* after = Member(f, "afterRequests");
            const Json::Value* delay = Member(f, "delayMs");
            fault.afterRequests = after && after->isInt() ? std::max(0, after->asInt()) : 0;
            fault.delayMs = delay && delay->isInt() ? std::max(0, delay->asInt()) : 0;
            pending.push_back(fault);
        }
    }

    std::lock_guard lock(m->mutex);
    m->faults = std::move(pending);
    m->mouse.SetConfig(config);
    m->mouse.RestoreMemories(std::move(settings), std::move(keyTable), std::move(macro),
                             std::move(shoot));
    m->linkUp = link;
    m->SetPlugged(SimDeviceKind::Cable, cable);
    m->SetPlugged(SimDeviceKind::Receiver, receiver);
    return true;
}

std::string CSimWorld::DumpJson() const {
    std::lock_guard lock(m->mutex);
    return ToText(m->StateJson());
}

std::string CSimWorld::DumpText() const {
    std::lock_guard lock(m->mutex);
    const CSimMouse& mouse = m->mouse;
    const SimMouseConfig& config = mouse.Config();
    std::ostringstream out;
    char line[200];
    std::snprintf(line, sizeof line,
                  "Information block (34 bytes): sensor 0x%04x, firmware 0x%04x, %u key "
                  "positions\n",
                  config.sensorId, config.firmwareVersion, config.keyTablePositions);
    out << line;
    HexDump(out, mouse.InfoBlock());
    out << "Settings memory, slot 0 (128 bytes)\n";
    HexDump(out, std::vector<uint8_t>(mouse.Settings().begin(), mouse.Settings().begin() + 128));
    out << "Key table (" << mouse.KeyTable().size() << " bytes)\n";
    HexDump(out, mouse.KeyTable());
    out << "Macro memory (" << mouse.Macro().size() << " bytes)\n";
    HexDump(out, mouse.Macro());
    out << "Shoot memory (" << mouse.Shoot().size() << " bytes)\n";
    HexDump(out, mouse.Shoot());
    std::snprintf(line, sizeof line, "Status: battery %u %%, charging %u\n", config.batteryPercent,
                  config.charging);
    out << line;
    HexDump(out, mouse.Status());
    out << "Link state: cable " << (m->cablePlugged ? "plugged" : "unplugged") << ", receiver "
        << (m->receiverPlugged ? "plugged" : "unplugged") << ", link "
        << (m->linkUp ? "up" : "down") << "\n";
    out << "Configuring: " << (mouse.Configuring() ? "yes" : "no")
        << ", requests handled: " << mouse.Requests()
        << ", writes outside configuration: " << mouse.WritesOutsideConfiguration() << "\n";
    out << "Protocol errors: " << mouse.ProtocolErrors();
    if (!mouse.LastProtocolError().empty())
        out << " (last: " << mouse.LastProtocolError() << ")";
    out << "\n";
    return out.str();
}
