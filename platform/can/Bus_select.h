// Opens a CAN bus from a specification text:
//   tcp,addr=HOST,port=PORT   socketcand raw mode over TCP (the CAN hub, or
//                             socketcand on a board); defaults 127.0.0.1, 1500
//   loop[,name=X]             in-process bus shared by every node opened with
//                             the same name (default "default")
//   socketcan,if=NAME         a Linux SocketCAN interface
#pragma once

#include "platform/can/CAN_bus.h"

#include <string>
#include <utility>
#include <vector>

class Bus_select {
public:
    // The bus, owned by the caller; nullptr when the text is bad or the bus
    // cannot be opened, with the reason printed on standard error.
    static CAN_bus* start(const char* spec);
    // The same without printing: the reason goes into error.
    static CAN_bus* start(const char* spec, std::string& error);

    // A specification text taken apart: the kind and its key=value settings.
    struct Parsed {
        std::string kind;
        std::vector<std::pair<std::string, std::string>> settings;
        const std::string* get(const char* key) const;
    };
    // Splits and checks the text (kind known, keys known to the kind, no
    // repeats, no empty values). False with a message in error.
    static bool parse(const std::string& spec, Parsed& out, std::string& error);
};
