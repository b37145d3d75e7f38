#include "Uploaded_pool.h"

#include "tests/support/app_data_dir.h"

#include "apps/sowvane/data_model.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Seeder_pool.h"
#include "platform/vt/DOM_xerces_spec_man.h"
#include "platform/vt/Object_deserial.h"
#include "platform/vt/Object_pool.h"
#include "vt_object_model/VtMessageWriter.h"

#include <memory>

Uploaded_pool::Uploaded_pool(const VtSize& mask_size) :
    pool(std::make_unique<VT::Object_pool>(&sowvane_module_man)), table(std::make_unique<Screen_object_ids>())
{
    VT::DOM_xerces_spec_man spec(pool.get());
    const std::string path = test_support::vt_spec_dir() + "test_pool.xml";
    if (!spec.init() || !spec.load(path.c_str())) {
        error = "pool specification: " + spec.error();
        return;
    }
    VtMessageWriter writer(80000, nullptr);
    if (build_seeder_pool(*table, writer, mask_size) != 0) {
        error = "pool generation failed";
        return;
    }
    VT::Object_deserial image;
    if (!image.init(pool.get()) || !image.run(writer.getData(), writer.getLength())) {
        error = "pool image: " + image.error();
        return;
    }
    pool->serialise_pool(stream);
}

Uploaded_pool::~Uploaded_pool() = default;

uint32_t Uploaded_pool::id(const char* name) const
{
    VT::VT_obj* object = pool->find<VT::VT_obj>(name);
    return object != nullptr ? object->get_id() : 0xFFFF;
}
