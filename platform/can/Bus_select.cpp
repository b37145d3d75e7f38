#include "platform/can/Bus_select.h"

#include "platform/can/Loop_bus.h"
#include "platform/can/Socketcan_bus.h"
#include "platform/can/Tcp_bus.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

struct Kind {
    const char* name;
    std::vector<const char*> keys;
};

const Kind KINDS[] = {{"tcp", {"addr", "port"}}, {"loop", {"name"}}, {"socketcan", {"if"}}};

std::vector<std::string> split(const std::string& text, char sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t at = text.find(sep, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

bool parse_port(const std::string& text, int& port)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    port = atoi(text.c_str());
    return port >= 1 && port <= 65535;
}

}  // namespace

const std::string* Bus_select::Parsed::get(const char* key) const
{
    for (const auto& s : settings)
        if (s.first == key) return &s.second;
    return nullptr;
}

bool Bus_select::parse(const std::string& spec, Parsed& out, std::string& error)
{
    const std::string quoted = "'" + spec + "'";
    out = Parsed();
    if (spec.empty()) {
        error = "empty bus specification (expected tcp,addr=HOST,port=PORT, loop[,name=X] or "
                "socketcan,if=NAME)";
        return false;
    }
    std::vector<std::string> items = split(spec, ',');
    const Kind* kind = nullptr;
    for (const Kind& k : KINDS)
        if (items[0] == k.name) kind = &k;
    if (!kind) {
        error = "unknown bus kind '" + items[0] + "' in " + quoted +
                " (expected tcp, loop or socketcan)";
        return false;
    }
    out.kind = kind->name;
    for (size_t i = 1; i < items.size(); ++i) {
        const std::string& item = items[i];
        size_t eq = item.find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 == item.size()) {
            error = "'" + item + "' in " + quoted + " is not key=value";
            return false;
        }
        std::string key = item.substr(0, eq), value = item.substr(eq + 1);
        bool known = false;
        for (const char* k : kind->keys) known = known || key == k;
        if (!known) {
            error = "unknown setting '" + key + "' for a " + kind->name + " bus in " + quoted;
            return false;
        }
        if (out.get(key.c_str())) {
            error = "setting '" + key + "' given twice in " + quoted;
            return false;
        }
        out.settings.emplace_back(key, value);
    }
    return true;
}

CAN_bus* Bus_select::start(const char* spec)
{
    std::string error;
    CAN_bus* bus = start(spec, error);
    if (!bus) fprintf(stderr, "Bus_select: %s\n", error.c_str());
    return bus;
}

CAN_bus* Bus_select::start(const char* spec, std::string& error)
{
    const std::string text = spec ? spec : "";
    Parsed p;
    if (!parse(text, p, error)) return nullptr;

    if (p.kind == "loop") {
        const std::string* name = p.get("name");
        return new Loop_bus(name ? *name : "default", text);
    }
    if (p.kind == "tcp") {
        const std::string* addr = p.get("addr");
        const std::string* port_text = p.get("port");
        int port = 1500;
        if (port_text && !parse_port(*port_text, port)) {
            error = "bad port '" + *port_text + "' in '" + text + "' (1 to 65535)";
            return nullptr;
        }
        auto bus = std::make_unique<Tcp_bus>(addr ? *addr : "127.0.0.1", port, text);
        if (!bus->connect_ok()) {
            error = "'" + text + "': " + bus->error();
            return nullptr;
        }
        return bus.release();
    }
    const std::string* interface = p.get("if");
    if (!interface) {
        error = "'" + text + "' names no interface (socketcan,if=NAME)";
        return nullptr;
    }
    auto bus = std::make_unique<Socketcan_bus>(*interface, text);
    if (!bus->open_ok()) {
        error = "'" + text + "': " + bus->error();
        return nullptr;
    }
    return bus.release();
}
