#include "vt_object_model/VtObjects.h"
#include "vt_object_model/VtPoolList.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

// Object table over a map, limited to IDs below a size.
class MapTable : public VtObjectTable {
public:
    explicit MapTable(uint32_t size = 65536) : size_(size) {}
    VtObject* getObject(uint32_t oid) const override
    {
        if (oid >= size_)
            return nullptr;
        auto it = objects.find(oid);
        return it == objects.end() ? nullptr : it->second;
    }
    void add(VtObject* object) { objects[object->getOid()] = object; }

    std::map<uint32_t, VtObject*> objects;

private:
    uint32_t size_;
};

} // namespace

TEST(VtObject, TypeNamesAndInputTypes)
{
    EXPECT_STREQ(VtObject::getTypeName(0), "VtObjectTypeWorkingSet");
    EXPECT_STREQ(VtObject::getTypeName(20), "VtObjectTypePictureGraphic");
    EXPECT_STREQ(VtObject::getTypeName(30), "VtObjectTypeAuxiliaryInput");
    EXPECT_STREQ(VtObject::getTypeName(31), "UNKNOWN");
    EXPECT_STREQ(VtObject::getTypeName(99), "VtObjectTypeUnknown");

    for (uint32_t type = 0; type < VT_OBJECT_TYPE_COUNT; ++type) {
        std::unique_ptr<VtObject> object(createVtObject(type, 1));
        ASSERT_NE(object, nullptr) << type;
        EXPECT_EQ(object->getType(), type);
        EXPECT_EQ(VtObject::isInputObject(object.get()), type >= 7 && type <= 10) << type;
    }
    EXPECT_EQ(createVtObject(31, 1), nullptr);
    EXPECT_FALSE(VtObject::isInputObject(nullptr));
}

TEST(VtObject, SerialsFollowConstructionOrder)
{
    VtObjectNumberVariable a(1);
    VtObjectNumberVariable b(2);
    EXPECT_EQ(b.getSerial(), a.getSerial() + 1);
    EXPECT_GE(a.getSerial(), 1u);
}

TEST(VtObject, ResolveBindsObserversToExistingObjectsOnly)
{
    MapTable table(20000);
    VtObjectSoftKeyMask softKeys(10050);
    VtObjectDataMask mask(10001);
    VtObjectOutputFieldNumber field(10002);
    table.add(&softKeys);
    mask.setSoftKeyMask(10050);
    field.setFontAttributes(10003);        // absent
    field.setVariableReference(30000);     // past the table
    mask.resolveReferences(table);
    field.resolveReferences(table);

    EXPECT_EQ(mask.getSoftKeyMaskObserver().getTarget(), &softKeys);
    EXPECT_EQ(softKeys.getReferrers().count(), 1);
    for (VtObjectObserver* o = field.getObserverChain(); o != nullptr; o = o->getNextInHolder())
        EXPECT_EQ(o->getTarget(), nullptr);
}

TEST(VtObject, AttachingTwiceKeepsOneReferrerEntry)
{
    VtObjectFontAttribute font(5);
    VtObjectOutputFieldString field(6);
    field.setFontAttributes(5);
    VtObjectObserver* observer = field.getObserverChain();
    while (observer->getOid() != 5)
        observer = observer->getNextInHolder();
    font.attachObserver(observer);
    font.attachObserver(observer);
    EXPECT_EQ(font.getReferrers().count(), 1);

    // Setting the same ID keeps the target, another ID drops it.
    field.setFontAttributes(5);
    EXPECT_EQ(observer->getTarget(), &font);
    field.setFontAttributes(7);
    EXPECT_EQ(observer->getTarget(), nullptr);
    EXPECT_EQ(font.getReferrers().count(), 0);
}

TEST(VtObject, ObserverMovesFromOldToNewTarget)
{
    VtObjectFontAttribute first(5);
    VtObjectFontAttribute second(6);
    VtObjectObserver observer;
    first.attachObserver(&observer);
    second.attachObserver(&observer);
    EXPECT_EQ(first.getReferrers().count(), 0);
    EXPECT_EQ(second.getReferrers().count(), 1);
    EXPECT_EQ(observer.getTarget(), &second);
}

TEST(VtObject, DeletedTargetLeavesReferrersUnresolvedWithTheirIds)
{
    MapTable table;
    auto* font = new VtObjectFontAttribute(5);
    VtObjectOutputFieldString a(6);
    VtObjectInputFieldNumber b(7);
    table.add(font);
    a.setFontAttributes(5);
    b.setFontAttributes(5);
    a.resolveReferences(table);
    b.resolveReferences(table);
    ASSERT_EQ(font->getReferrers().count(), 2);

    delete font;
    for (VtObject* holder : {static_cast<VtObject*>(&a), static_cast<VtObject*>(&b)})
        for (VtObjectObserver* o = holder->getObserverChain(); o != nullptr; o = o->getNextInHolder())
            EXPECT_EQ(o->getTarget(), nullptr);
    EXPECT_EQ(a.getFontAttributes(), 5u);
}

TEST(VtObject, DeletedHolderLeavesTheTargetsReferrerListEmpty)
{
    VtObjectFontAttribute font(5);
    {
        VtObjectOutputFieldString field(6);
        field.setFontAttributes(5);
        MapTable table;
        table.add(&font);
        field.resolveReferences(table);
        ASSERT_EQ(font.getReferrers().count(), 1);
    }
    EXPECT_EQ(font.getReferrers().count(), 0);
}

TEST(VtObject, RemovedListElementLeavesTheHoldersObserverChain)
{
    MapTable table;
    VtObjectStringVariable element(20);
    table.add(&element);
    VtObjectInputFieldList list(10);
    list.addElement(20);
    list.addElement(21);
    list.getElements().attachAll(&list);
    list.resolveReferences(table);
    EXPECT_EQ(element.getReferrers().count(), 1);

    list.getElements().clear();
    EXPECT_EQ(element.getReferrers().count(), 0);
    int chain = 0;
    for (VtObjectObserver* o = list.getObserverChain(); o != nullptr; o = o->getNextInHolder())
        ++chain;
    EXPECT_EQ(chain, 1); // the variable reference only
    list.resolveReferences(table);
}

TEST(VtPoolList, HoldsAnObjectAtMostOnceAndForgetsDeletedObjects)
{
    VtPoolList list;
    VtPoolList other;
    VtObjectNumberVariable a(1);
    auto* b = new VtObjectNumberVariable(2);
    VtObjectNumberVariable c(3);
    list.append(&a);
    list.append(b);
    list.append(&c);
    list.append(&a);
    other.append(&a);
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(other.count(), 0);

    delete b;
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.getHead()->getNextInPool(), &c);
    other.remove(&a);
    EXPECT_EQ(list.count(), 2);
    list.remove(&a);
    EXPECT_EQ(list.getHead(), &c);
    list.clear();
    EXPECT_EQ(c.getPoolList(), nullptr);
}
