// The receiver's error-reply texts and their numeric codes.
#pragma once

#include <atomic>

// The text of error code 1 to 41 (every text begins with ','); null for any
// other code.
const char* errcode2str(int code);

class Quor_error_decoder {
public:
    static constexpr int NUM_ERRORS = 41;

    struct Item {
        const char* text = nullptr;  // constant text, not owned
        int code = -1;

        bool operator<(const Item& other) const;
        bool operator>(const Item& other) const;
    };

    // Fills the lookup (sorted by text) from errcode2str, once; any thread
    // may call it, and get and extract call it on first use.
    static void init();
    // The code of an error text given without its leading ','; -1 when the
    // text is null or unknown.
    static int get(const char* text);
    // The code of the error text after the last ',' of a reply (a '}' ends
    // it); -1 when there is none.
    static int extract(const char* reply);

private:
    static void insert(const Item& item);

    struct Lookup {
        Item items[NUM_ERRORS];
        int count = 0;
    };
    static Lookup lookup;
    static std::atomic<bool> init_done;
};
