// The program sowvane: the implement ECU of an ISOBUS air seeder and planter.
#include "apps/sowvane/command_line.h"
#include "apps/sowvane/seeder_app.h"

// The XML parser starts libcurl each time it is started, for documents it
// might fetch from the network, and libcurl starts the TLS and SSH libraries
// with it: some 1.6 MB of library pages that the program, which reads only
// local files, never uses. This definition takes the place of libcurl's for
// the parser; libcurl still starts itself on its first transfer, should a
// document ever name a network address.
extern "C" int curl_global_init(long)
{
    return 0;
}

int main(int argc, char** argv)
{
    const int code = read_command_line(argc, argv);
    if (code >= 0)
        return code;
    const int failed = seeder_app_thread();
    // A failed XML step ends the start with 0; only a bus that cannot be
    // opened has a code of its own.
    return failed == EXIT_NO_BUS ? failed : 0;
}
