// Decodes CAN frames with Wireshark's ISObus dissectors (tshark), an
// independent reader of ISO 11783, for tests that check our frames against
// it. Tests skip themselves where tshark is missing.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace test_support {

inline bool tshark_available()
{
    return std::system("command -v tshark >/dev/null 2>&1") == 0;
}

// Runs tshark over the candump log lines (each ending in a newline) and
// gives, per frame, the values it found of the fields (full tshark field
// names), joined by '/'. Frames without the first field are left out.
inline std::vector<std::string> tshark_isobus_fields(const std::vector<std::string>& candump_lines,
                                                     const std::vector<std::string>& fields)
{
    char path[] = "/tmp/sowvane_tshark_XXXXXX.log";
    int fd = mkstemps(path, 4);
    if (fd < 0)
        return {};
    FILE* log = fdopen(fd, "w");
    for (const std::string& line : candump_lines)
        fputs(line.c_str(), log);
    fclose(log);
    std::string command = std::string("tshark -r ") + path + " -d can.subdissector=isobus -T fields -E separator=,";
    for (const std::string& field : fields)
        command += " -e " + field;
    command += " 2>/dev/null";
    std::vector<std::string> out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[512];
        while (fgets(buf, sizeof buf, p)) {
            std::string s(buf);
            while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
                s.pop_back();
            std::string joined;
            size_t start = 0;
            for (;;) {
                const size_t comma = s.find(',', start);
                const std::string field = s.substr(start, comma - start);
                if (!field.empty())
                    joined += (joined.empty() ? "" : "/") + field;
                if (comma == std::string::npos)
                    break;
                start = comma + 1;
            }
            if (!s.empty() && s[0] != ',')
                out.push_back(joined);
        }
        pclose(p);
    }
    unlink(path);
    return out;
}

} // namespace test_support
