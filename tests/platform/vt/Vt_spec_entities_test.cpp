// A pool specification whose DOCTYPE names a URL is refused without any
// attempt to fetch it: the reader only opens local files.
#include "platform/vt/DOM_xerces_spec_man.h"
#include "platform/vt/Object_pool.h"

#include "tests/support/temp_path.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

TEST(Spec_loader, NeverFetchesADtdNamedByAUrl)
{
    // A listener on the loopback that counts whoever connects.
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    socklen_t len = sizeof addr;
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    fcntl(listener, F_SETFL, O_NONBLOCK);

    std::string path = test_support::temp_path("url_doctype.xml");
    std::ofstream(path) << "<?xml version=\"1.0\"?>\n<!DOCTYPE vt_pool SYSTEM \"http://127.0.0.1:"
                        << ntohs(addr.sin_port) << "/test_pool.dtd\">\n"
                        << "<vt_pool><number_variable id=\"1\"/></vt_pool>\n";

    VT::Object_pool pool(nullptr);
    VT::DOM_xerces_spec_man loader(&pool);
    ASSERT_TRUE(loader.init());
    EXPECT_FALSE(loader.load(path.c_str()));
    EXPECT_EQ(pool.object_count(), 0);

    int peer = accept(listener, nullptr, nullptr);
    EXPECT_LT(peer, 0) << "the reader connected to the URL of its DOCTYPE";
    if (peer >= 0)
        close(peer);
    close(listener);
    std::remove(path.c_str());
}
