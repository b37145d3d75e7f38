#include "apps/sowvane/pool_loading.h"

#include "apps/sowvane/app_paths.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Seeder_pool.h"
#include "platform/tc/TC_object_pool.h"
#include "platform/vt/DOM_xerces_spec_man.h"
#include "platform/vt/Object_deserial.h"
#include "platform/vt/Object_pool.h"
#include "tc_client/TC_DOM_xerces_spec_man.h"
#include "vt_object_model/VtLogger.h"
#include "vt_object_model/VtMessageWriter.h"
#include "vt_object_model/VtSize.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr uint32_t POOL_IMAGE_CAPACITY = 80000;
constexpr int POOL_MASK_SIZE = 240;

}  // namespace

bool load_vt_pool_spec(VT::Object_pool& pool)
{
    VT::DOM_xerces_spec_man spec(&pool);
    if (!spec.init(0, 0, 0)) {
        std::fputs("Error during Initialization.\n", stderr);
        std::fputs("\n", stderr);
        return false;
    }
    if (!spec.load(app_paths::VT_POOL_SPEC)) {
        std::fputs("Error during load.\n", stderr);
        std::fputs("\n", stderr);
        return false;
    }
    return true;
}

bool load_generated_pool(VT::Object_pool& pool)
{
    VtLogger logger;
    VtMessageWriter writer(POOL_IMAGE_CAPACITY, &logger);
    const VtSize mask_size(POOL_MASK_SIZE, POOL_MASK_SIZE);
    if (build_seeder_pool(screen_object_ids, writer, mask_size) != 0) {
        std::printf("The generated VT pool does not fit into %u bytes; no pool for the VT\n",
                    POOL_IMAGE_CAPACITY);
        return false;
    }
    VT::Object_deserial image;
    if (!image.init(&pool) || !image.run(writer.getData(), writer.getLength())) {
        std::printf("The generated VT pool was refused: %s; no pool for the VT\n",
                    image.error().c_str());
        return false;
    }
    pool.serialise_to_file(app_paths::VT_POOL_FILE);
    return true;
}

bool load_tc_description(TC::Object_pool& pool)
{
    TC::DOM_xerces_spec_man spec(&pool);
    if (!spec.init(nullptr)) {
        std::fputs("Error during Initialization.\n", stderr);
        return false;
    }
    if (!spec.load(app_paths::TC_POOL_SPEC)) {
        std::fputs("Error during load.\n", stderr);
        return false;
    }
    return true;
}
