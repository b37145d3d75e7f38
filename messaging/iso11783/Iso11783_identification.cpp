#include "messaging/iso11783/Iso11783_identification.h"

namespace Iso11783 {

unsigned Msg_Functionalities::entry_start(unsigned i) const
{
    unsigned p = 2;
    for (unsigned j = 0; j < i; j++) {
        if (p + 3 > BUFFER_SIZE)
            return 0;
        p += 3u + data_[p + 2];
    }
    return p;
}

bool Msg_Functionalities::set_entry(unsigned i, unsigned char functionality,
                                    unsigned char generation, const unsigned char* option)
{
    return set_entry(i, functionality, generation, option, option ? 1u : 0u);
}

bool Msg_Functionalities::set_entry(unsigned i, unsigned char functionality,
                                    unsigned char generation, const unsigned char* options,
                                    unsigned count)
{
    data_[1] = 0xFF;
    unsigned p = entry_start(i);
    if (!options)
        count = 0;
    if (p == 0 || count > 255 || p + 3 + count > BUFFER_SIZE)
        return false;
    data_[p] = functionality;
    data_[p + 1] = generation;
    data_[p + 2] = static_cast<unsigned char>(count);
    for (unsigned k = 0; k < count; k++)
        data_[p + 3 + k] = options[k];
    return true;
}

bool Msg_Functionalities::finish(unsigned n)
{
    unsigned p = 2;
    unsigned counted = 0;
    while (counted < n && counted < 255 && p + 3 <= BUFFER_SIZE &&
           p + 3u + data_[p + 2] <= BUFFER_SIZE) {
        p += 3u + data_[p + 2];
        counted++;
    }
    data_[1] = static_cast<unsigned char>(counted);
    for (unsigned i = p; i < 8; i++)
        data_[i] = 0xFF;
    JIN_base_message::set_length(p < 8 ? 8 : p);
    return counted == n;
}

} // namespace Iso11783
