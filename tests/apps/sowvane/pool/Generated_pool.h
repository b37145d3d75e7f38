// A generated implement pool for the tests: the image, the table it filled,
// and the objects read back from the image for inspection.
#pragma once

#include "apps/sowvane/pool/Pool_builder.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Seeder_pool.h"

#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/VtMessageWriter.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

struct Generated_pool {
    static constexpr uint32_t writer_capacity = 80000;

    explicit Generated_pool(VtSize size = VtSize(240, 240))
    {
        VtMessageWriter writer(writer_capacity, nullptr);
        result = build_seeder_pool(*table, writer, size);
        image.assign(writer.getData(), writer.getData() + writer.getLength());
        VtMessageReader reader;
        reader.setData(image.data(), uint32_t(image.size()));
        objects.read_pool(reader);
    }

    template <class T>
    T& get(uint32_t oid) const
    {
        VtObject* object = objects.find_object(oid);
        EXPECT_NE(object, nullptr) << "object " << oid;
        auto* typed = dynamic_cast<T*>(object);
        EXPECT_NE(typed, nullptr) << "object " << oid << " has type " << (object ? object->getType() : 999);
        static T none(VT_NULL_ID);
        return typed != nullptr ? *typed : none;
    }

    // The position of child in parent, or (-9999, -9999) when it is not there.
    std::pair<int, int> position(uint32_t parent, uint32_t child) const
    {
        VtObject* object = objects.find_object(parent);
        VtObjectRefList* children = object != nullptr ? vtChildRefsOf(object) : nullptr;
        for (uint32_t i = 0; children != nullptr && i < children->size(); ++i)
            if (children->at(i)->oid == child)
                return {children->at(i)->x, children->at(i)->y};
        return {-9999, -9999};
    }

    // The texts of a key's or button's children, in order.
    std::vector<std::string> texts_in(uint32_t parent) const
    {
        std::vector<std::string> out;
        VtObject* object = objects.find_object(parent);
        VtObjectRefList* children = object != nullptr ? vtChildRefsOf(object) : nullptr;
        for (uint32_t i = 0; children != nullptr && i < children->size(); ++i)
            if (auto* text = dynamic_cast<VtObjectOutputFieldString*>(objects.find_object(children->at(i)->oid)))
                out.push_back(text->getValue().c_str() ? text->getValue().c_str() : "");
        return out;
    }

    // Every text shown under an object: its children, their children and
    // the objects its pointers name, depth first.
    std::vector<std::string> texts_under(uint32_t oid, int depth = 0) const
    {
        std::vector<std::string> out;
        VtObject* object = objects.find_object(oid);
        if (object == nullptr || depth > 12)
            return out;
        if (auto* text = dynamic_cast<VtObjectOutputFieldString*>(object))
            out.push_back(text->getValue().c_str() ? text->getValue().c_str() : "");
        if (auto* pointer = dynamic_cast<VtObjectPointer*>(object))
            return texts_under(pointer->getValue(), depth + 1);
        VtObjectRefList* children = vtChildRefsOf(object);
        for (uint32_t i = 0; children != nullptr && i < children->size(); ++i)
            for (const std::string& text : texts_under(children->at(i)->oid, depth + 1))
                out.push_back(text);
        return out;
    }

    // The texts of a list's elements.
    std::vector<std::string> items_of(uint32_t list) const
    {
        std::vector<std::string> out;
        VtObjectList& elements = get<VtObjectInputFieldList>(list).getElements();
        for (uint32_t i = 0; i < elements.size(); ++i) {
            auto& text = get<VtObjectOutputFieldString>(elements.at(i)->oid);
            out.push_back(text.getValue().c_str() ? text.getValue().c_str() : "");
        }
        return out;
    }

    // The IDs listed by a soft key mask.
    std::vector<uint32_t> keys_of(uint32_t soft_key_mask) const
    {
        std::vector<uint32_t> out;
        VtObjectList& list = get<VtObjectSoftKeyMask>(soft_key_mask).getChilds();
        for (uint32_t i = 0; i < list.size(); ++i)
            out.push_back(list.at(i)->oid);
        return out;
    }

    std::unique_ptr<Screen_object_ids> table = std::make_unique<Screen_object_ids>();
    std::vector<uint8_t> image;
    int result = -1;
    Pool_builder objects;
};
