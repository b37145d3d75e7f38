#include "platform/iso/Xerces_lifetime.h"

#include <xercesc/framework/MemoryManager.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unordered_set>

namespace Iso {

namespace {

class Tracking_memory_manager : public xercesc::MemoryManager {
public:
    xercesc::MemoryManager* getExceptionMemoryManager() override { return this; }
    void* allocate(XMLSize_t size) override
    {
        void* p = std::malloc(size ? size : 1);
        if (!p)
            throw xercesc::OutOfMemoryException();
        std::lock_guard<std::mutex> guard(mutex_);
        blocks_.insert(p);
        return p;
    }
    void deallocate(void* p) override
    {
        if (!p)
            return;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            blocks_.erase(p);
        }
        std::free(p);
    }
    void release_all()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        for (void* p : blocks_)
            std::free(p);
        // An emptied set keeps its buckets; the parser is not used again
        // for a long while (or ever), so they go too.
        std::unordered_set<void*>().swap(blocks_);
    }
    size_t held()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return blocks_.size();
    }

private:
    std::mutex mutex_;
    std::unordered_set<void*> blocks_;
};

Tracking_memory_manager& manager()
{
    static Tracking_memory_manager m;
    return m;
}

std::mutex start_mutex;
int starts = 0;

} // namespace

bool xerces_start()
{
    std::lock_guard<std::mutex> guard(start_mutex);
    try {
        xercesc::XMLPlatformUtils::Initialize(xercesc::XMLUni::fgXercescDefaultLocale, nullptr, nullptr,
                                              &manager());
    } catch (const xercesc::XMLException&) {
        std::fprintf(stderr, "The XML parser could not be started\n");
        return false;
    }
    ++starts;
    return true;
}

void xerces_end()
{
    std::lock_guard<std::mutex> guard(start_mutex);
    if (starts == 0)
        return;
    xercesc::XMLPlatformUtils::Terminate();
    // Only once the library has ended for every reader are the lost blocks
    // given back.
    if (--starts == 0 && xercesc::XMLPlatformUtils::fgMemoryManager == nullptr)
        manager().release_all();
}

size_t xerces_blocks_held() { return manager().held(); }

} // namespace Iso
