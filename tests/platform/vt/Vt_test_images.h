// Pool images for the VT client tests, written with the VT object library as
// the pool generator writes them: a working set at 10000 showing a data mask,
// and as many output strings as asked for (in containers of 200), to reach
// a given image size.
#pragma once

#include "platform/vt/DOM_xerces_spec_man.h"
#include "platform/vt/Object_deserial.h"
#include "platform/vt/Object_pool.h"
#include "tests/support/app_data_dir.h"
#include "vt_object_model/VtMessageWriter.h"
#include "vt_object_model/VtObjects.h"
#include "vt_object_model/VtPoolWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vt_test {

constexpr uint16_t WORKING_SET_ID = 10000;
constexpr uint16_t RUN_MASK_ID = 10001;

// The image of a working set, its run mask, and `strings` output strings of
// 100 characters each placed on the run mask.
inline std::vector<uint8_t> make_image(int strings = 1)
{
    std::vector<std::unique_ptr<VtObject>> owned;
    std::vector<VtObject*> table(10010 + size_t(strings), nullptr);
    auto* ws = new VtObjectWorkingSet(WORKING_SET_ID);
    ws->setActiveMask(RUN_MASK_ID);
    auto* mask = new VtObjectDataMask(RUN_MASK_ID);
    auto* title = new VtObjectOutputFieldString(10002);
    title->setSize(VtSize{80, 20});
    title->setValue(VtString("SEEDER"));
    ws->getChilds().append(new VtObjectRef(10002, 5, 5));
    table[WORKING_SET_ID] = ws;
    table[RUN_MASK_ID] = mask;
    table[10002] = title;
    // The strings sit in containers of 200 on the mask (a list holds 255).
    VtObjectContainer* box = nullptr;
    for (int i = 0; i < strings; ++i) {
        if (i % 200 == 0) {
            uint32_t box_id = uint32_t(10003 + i / 200);
            box = new VtObjectContainer(box_id);
            box->setSize(VtSize{240, 240});
            mask->getChilds().append(new VtObjectRef(box_id, 0, 0));
            table[box_id] = box;
        }
        auto* s = new VtObjectOutputFieldString(uint32_t(10010 + i));
        s->setSize(VtSize{200, 16});
        s->setValue(VtString(std::string(100, char('a' + i % 26)).c_str()));
        box->getChilds().append(new VtObjectRef(uint32_t(10010 + i), 0, int32_t(i % 200)));
        table[size_t(10010 + i)] = s;
    }
    for (VtObject* o : table)
        if (o)
            owned.emplace_back(o);
    VtMessageWriter writer(4000000, nullptr);
    writeVtObjectPool(writer, table.data(), table.size());
    return std::vector<uint8_t>(writer.getData(), writer.getData() + writer.getLength());
}

inline std::string spec_path()
{
    return test_support::vt_spec_dir() + "test_pool.xml";
}

// Fills the pool as the program does: the implement's specification, then
// the image of make_image(strings).
inline void load_pool(VT::Object_pool& pool, int strings)
{
    VT::DOM_xerces_spec_man loader(&pool);
    ASSERT_TRUE(loader.init());
    ASSERT_TRUE(loader.load(spec_path().c_str()));
    const std::vector<uint8_t> image = make_image(strings);
    VT::Object_deserial d;
    d.init(&pool);
    ASSERT_TRUE(d.run(image.data(), uint32_t(image.size())));
}

// The working set shows the intro mask with the soft keys of number editing
// (key_tick and key_cross among them): the keys an operator can press. The
// intro mask's id.
inline unsigned short show_edit_keys(VT::Object_pool& pool)
{
    auto* intro = pool.find<VT::Data_mask_obj>("mask_intro");
    auto* keys = pool.find<VT::Soft_key_mask_obj>("key_mask_edit_number");
    if (!intro || !keys || !pool.activate_data_mask(intro) || !intro->set_soft_key_mask(keys->get_id()))
        ADD_FAILURE() << "the intro mask and its soft keys";
    return intro ? intro->get_id() : 0xFFFF;
}

} // namespace vt_test
