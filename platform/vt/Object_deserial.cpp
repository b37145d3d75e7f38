#include "platform/vt/Object_deserial.h"

#include "platform/vt/Object_pool.h"

#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/VtObjects.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <set>
#include <vector>

namespace VT {

bool Object_deserial::init(Object_pool* pool)
{
    pool_ = pool;
    return pool != nullptr;
}

bool Object_deserial::fail(const char* format, ...)
{
    char line[200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    error_ = line;
    std::fprintf(stderr, "VT pool image refused: %s\n", line);
    return false;
}

bool Object_deserial::run(const uint8_t* image, uint32_t length)
{
    error_.clear();
    loaded_ = 0;
    if (!pool_)
        return fail("no pool");
    if (!image || length == 0)
        return fail("empty image");

    // The pool stays locked from the checks to the last object added, so
    // nothing can come between them.
    struct Pool_lock {
        Object_pool* p;
        explicit Pool_lock(Object_pool* pool) : p(pool) { p->lock(-1); }
        ~Pool_lock() { p->unlock(); }
    } held(pool_);

    VtMessageReader reader;
    reader.setData(image, length);
    std::vector<std::unique_ptr<VT_obj>> objects;
    std::set<unsigned> ids;
    int working_sets = pool_->get_working_set() ? 1 : 0;

    while (reader.getRemaining() > 0) {
        const uint32_t start = reader.getPosition();
        uint32_t id = 0, type = 0;
        if (!reader.readOid(id, nullptr) || !reader.readByte(type, nullptr))
            return fail("record at offset %u is cut short", start);
        if (id == Object_pool::NULL_ID)
            return fail("object at offset %u has the null id", start);
        if (type >= VT_OBJ_TYPE_COUNT)
            return fail("object %u at offset %u has unknown type %u", id, start, type);
        std::unique_ptr<VtObject> parsed(createVtObject(type, id));
        const uint32_t body = reader.getPosition();
        if (!parsed || parsed->read(reader) != 0)
            return fail("object %u (type %u) at offset %u is cut short or malformed", id, type, start);
        if (!ids.insert(id).second)
            return fail("object id %u comes twice", id);
        if (pool_->find<VT_obj>(uint16_t(id)))
            return fail("object id %u is already in the pool", id);
        if (type == WORKING_SET && ++working_sets > 1)
            return fail("a second working set (object %u)", id);
        std::unique_ptr<VT_obj> obj(VT_obj::create(uint16_t(id), int(type), nullptr));
        if (!obj || !obj->load_body(image + body, reader.getPosition() - body))
            return fail("object %u (type %u) at offset %u cannot be taken", id, type, start);
        objects.push_back(std::move(obj));
    }
    if (working_sets == 0)
        return fail("the image holds no working set");

    for (auto& obj : objects) {
        pool_->add_object(obj.get());  // cannot fail: checked under the same lock
        obj.release();
        ++loaded_;
    }
    return true;
}

} // namespace VT
