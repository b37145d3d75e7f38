#include "tests/support/vt_object_model/InProcessVt.h"

#include "vt_object_model/VtObjects.h"
#include "vt_object_model/terminal/VtDisplayElementCommand.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A terminal whose objects the test adds directly.
class DisplayLayer : public testing::Test {
protected:
    template <class T>
    T* add(T* object)
    {
        vt.processor.addObject(object);
        return object;
    }

    VtDisplayElement* build(uint32_t oid)
    {
        return vt.display.createDisplayElements(vt.processor.getObject(oid), nullptr, 0, 0, 0);
    }

    InProcessVt vt;
};

} // namespace

TEST_F(DisplayLayer, ElementsAreCreatedOncePerParentAndInstance)
{
    auto* mask = add(new VtObjectDataMask(1));
    mask->getChilds().append(new VtObjectRef(2, 5, 6));
    mask->getChilds().append(new VtObjectRef(99, 0, 0)); // missing: skipped
    add(new VtObjectRectangle(2));

    VtDisplayElement* first = build(1);
    ASSERT_NE(first, nullptr);
    const size_t created = vt.display.take().size();
    EXPECT_EQ(build(1), first);
    for (const std::string& line : vt.display.take())
        EXPECT_EQ(line.find("create"), std::string::npos) << line;
    EXPECT_GT(created, 0u);
    EXPECT_EQ(vt.processor.getObject(2)->getLinkList()->count(), 1);
    EXPECT_EQ(vt.processor.getObject(2)->getDisplayElement()->getParent(), first);
    EXPECT_EQ(vt.processor.getObject(2)->getDisplayElement()->getInstance(), mask->getChilds().at(0)->serial);

    // The same object placed twice gets one element per placement.
    mask->getChilds().append(new VtObjectRef(2, 7, 8));
    build(1);
    EXPECT_EQ(vt.processor.getObject(2)->getLinkList()->count(), 2);
}

TEST_F(DisplayLayer, PointerToAMissingObjectIsHiddenAndEmpty)
{
    auto* pointer = add(new VtObjectPointer(1));
    pointer->setValue(50);
    auto* element = static_cast<RecordingVtElement*>(build(1));
    ASSERT_NE(element, nullptr);
    EXPECT_TRUE(element->hidden);
    EXPECT_EQ(element->width, 0u);
    EXPECT_EQ(element->height, 0u);
}

TEST_F(DisplayLayer, ActiveMaskWithoutObjectShowsNothingAndKeepsTheId)
{
    vt.display.setActiveMask(77);
    EXPECT_EQ(vt.display.getActiveMaskId(), 77u);
    EXPECT_EQ(vt.display.shownMask, 65535u);
    EXPECT_EQ(vt.display.getActiveAlarmMaskId(), 65535u);
}

TEST_F(DisplayLayer, SelfContainingObjectsEnd)
{
    // A container holding itself and a pointer at its container: a received
    // pool may say so; building their elements must still end.
    auto* container = add(new VtObjectContainer(1));
    container->getChilds().append(new VtObjectRef(1, 0, 0));
    container->getChilds().append(new VtObjectRef(2, 0, 0));
    auto* pointer = add(new VtObjectPointer(2));
    pointer->setValue(1);
    EXPECT_NE(build(1), nullptr);
    EXPECT_EQ(vt.processor.getObject(1)->getLinkList()->count(), 1);

    // Two objects referring to each other pass a change on once each.
    auto* a = add(new VtObjectPointer(10));
    auto* b = add(new VtObjectPointer(11));
    a->setValue(11);
    b->setValue(10);
    a->resolveReferences(vt.processor);
    b->resolveReferences(vt.processor);
    a->notifyChanged();
}

TEST_F(DisplayLayer, ChangesQueueElementsForOneRedraw)
{
    add(new VtObjectFontAttribute(5));
    auto* field = add(new VtObjectOutputFieldString(6));
    field->setFontAttributes(5);
    field->resolveReferences(vt.processor);
    build(6);
    vt.display.take();

    // A change of the font reaches the field that uses it.
    vt.processor.getObject(5)->notifyChanged();
    EXPECT_EQ(vt.display.getChangedElements().count(), 1);
    vt.processor.getObject(6)->notifyChanged();
    EXPECT_EQ(vt.display.getChangedElements().count(), 1);
    vt.display.redrawChanged();
    EXPECT_EQ(vt.display.take(), std::vector<std::string>{"redraw 6"});
    EXPECT_TRUE(vt.display.getChangedElements().isEmpty());
}

TEST_F(DisplayLayer, CommandsActOnlyUnderTheirParent)
{
    auto* mask = add(new VtObjectDataMask(5));
    mask->getChilds().append(new VtObjectRef(7, 0, 0));
    auto* other = add(new VtObjectContainer(6));
    other->getChilds().append(new VtObjectRef(7, 0, 0));
    add(new VtObjectRectangle(7));
    build(5);
    build(6);
    vt.display.take();

    VtDisplayElementCommandSetPosition move(5, 3, 4);
    EXPECT_EQ(vt.processor.getObject(7)->getLinkList()->apply(move), 0);
    EXPECT_EQ(vt.display.take(), std::vector<std::string>{"move 7 to 3,4"});

    VtDisplayElementList empty(VtDisplayElementList::kObjectLink);
    EXPECT_EQ(empty.apply(move), 0);

    // Without a parent, CreateNewChilds does nothing.
    VtDisplayElementCommandCreateNewChilds create(&vt.display);
    EXPECT_EQ(create.execute(vt.display.getRootElement()), 0);
    EXPECT_TRUE(vt.display.take().empty());
}

TEST_F(DisplayLayer, DeletedObjectTakesItsElementsOffTheDisplay)
{
    auto* mask = add(new VtObjectDataMask(5));
    mask->getChilds().append(new VtObjectRef(7, 0, 0));
    add(new VtObjectRectangle(7));
    VtDisplayElement* element = build(5);
    ASSERT_NE(element, nullptr);
    element->open();
    vt.display.take();

    vt.processor.addObject(new VtObjectDataMask(5)); // replaces the mask
    const std::vector<std::string> lines = vt.display.take();
    EXPECT_EQ(lines, (std::vector<std::string>{"remove 5", "remove 7"}));
    EXPECT_FALSE(vt.processor.getObject(7)->hasDisplayElements());
    EXPECT_EQ(vt.display.getSelectedElement(), nullptr);
}

TEST_F(DisplayLayer, KeyActivationsGoToTheWorkingSet)
{
    auto* keys = add(new VtObjectSoftKeyMask(50));
    keys->getChilds().append(new VtObjectListItem(51));
    auto* key = add(new VtObjectKey(51));
    key->setKeyCode(4);
    auto* mask = add(new VtObjectDataMask(1));
    mask->setSoftKeyMask(50);
    vt.display.setActiveMask(1);
    vt.transport.take();

    vt.processor.getObject(51)->getDisplayElement()->activate(1, 4);
    std::vector<VtSentMessage> sent = vt.transport.take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].destination, 28u);
    EXPECT_EQ(sent[0].bytes, (std::vector<uint8_t>{0, 1, 51, 0, 1, 0, 4, 255}));

    vt.processor.sendChangeNumericValue(9, 0x1234, 2);
    EXPECT_EQ(vt.transport.take()[0].bytes, (std::vector<uint8_t>{5, 9, 0, 255, 0x34, 0x12, 0, 0}));
}

TEST_F(DisplayLayer, RemovingChildrenOfOneParentLeavesTheOthers)
{
    auto* mask = add(new VtObjectDataMask(5));
    mask->getChilds().append(new VtObjectRef(7, 0, 0));
    auto* other = add(new VtObjectContainer(6));
    other->getChilds().append(new VtObjectRef(7, 0, 0));
    add(new VtObjectRectangle(7));
    VtDisplayElement* maskElement = build(5);
    build(6);
    VtDisplayElementList* links = vt.processor.getObject(7)->getLinkList();
    ASSERT_EQ(links->count(), 2);
    links->removeChildrenOf(maskElement);
    ASSERT_EQ(links->count(), 1);
    EXPECT_EQ(links->first()->getParentOid(), 6u);
}

namespace {

// A back end element whose remove() leaves it where it is.
class StubbornElement : public RecordingVtElement {
public:
    using RecordingVtElement::RecordingVtElement;
    void remove(VtDisplayElementList*) override { ++removeCalls; }
    int removeCalls = 0;
};

} // namespace

TEST_F(DisplayLayer, ReleasingLinksEndsEvenWhenTheBackEndKeepsTheElement)
{
    auto* object = new VtObjectRectangle(9);
    StubbornElement element(vt.display, object, vt.display.getRootElement(), 0, 0);
    object->linkDisplayElement(&element);
    delete object; // releases its display links first
    EXPECT_EQ(element.removeCalls, 1);
    EXPECT_EQ(element.link(VtDisplayElementList::kObjectLink).list, nullptr);
}

namespace {

// A recording element that counts the changes that reach it.
class CountingElement : public RecordingVtElement {
public:
    using RecordingVtElement::RecordingVtElement;
    void markChanged(VtObject* object) override
    {
        ++marks;
        RecordingVtElement::markChanged(object);
    }
    int marks = 0;
};

} // namespace

TEST_F(DisplayLayer, AChangeReachesAnObjectOnceWhateverPathsLeadThere)
{
    // A received pool may make every rectangle refer to the one before it
    // twice (as its line and as its fill attributes): the paths double with
    // each rung, and a change of the first must not be passed on per path.
    const uint32_t rungs = 20;
    add(new VtObjectFontAttribute(0));
    for (uint32_t oid = 1; oid <= rungs; ++oid) {
        auto* rectangle = add(new VtObjectRectangle(oid));
        rectangle->setLineAttributes(oid - 1);
        rectangle->setFillAttributes(oid - 1);
        rectangle->resolveReferences(vt.processor);
    }
    VtObject* top = vt.processor.getObject(rungs);
    auto* element = new CountingElement(vt.display, top, vt.display.getRootElement(), 0, 0);
    top->linkDisplayElement(element);

    vt.processor.getObject(0)->notifyChanged();
    EXPECT_EQ(element->marks, 1);
    EXPECT_EQ(vt.display.getChangedElements().count(), 1);
}

TEST_F(DisplayLayer, AChangePassesAlongTheLongestChainAPoolCanHold)
{
    // Every object ID a pointer that points at the next one: a change of the
    // last reaches the first through 65535 objects without running out of
    // stack.
    for (uint32_t oid = 0; oid < VtCommandProcessor::kTableSize; ++oid)
        add(new VtObjectPointer(oid))->setValue(oid + 1);
    for (uint32_t oid = 0; oid < VtCommandProcessor::kTableSize; ++oid)
        vt.processor.getObject(oid)->resolveReferences(vt.processor);
    VtObject* first = vt.processor.getObject(0);
    auto* element = new CountingElement(vt.display, first, vt.display.getRootElement(), 0, 0);
    first->linkDisplayElement(element);

    vt.processor.getObject(VtCommandProcessor::kTableSize - 1)->notifyChanged();
    EXPECT_EQ(element->marks, 1);
}

TEST_F(DisplayLayer, ChangesOfManyObjectsReachEachReferringObjectOnce)
{
    // A chain of pointers whose objects all changed at once (a pool just
    // received): the chain is walked once, not once per changed object.
    const uint32_t count = 2000;
    std::vector<VtObject*> changed;
    for (uint32_t oid = 0; oid < count; ++oid) {
        auto* pointer = add(new VtObjectPointer(oid));
        pointer->setValue(oid + 1);
        changed.push_back(pointer);
    }
    for (VtObject* object : changed)
        object->resolveReferences(vt.processor);
    VtObject* first = vt.processor.getObject(0);
    auto* element = new CountingElement(vt.display, first, vt.display.getRootElement(), 0, 0);
    first->linkDisplayElement(element);

    VtObject::notifyChanged(changed);
    EXPECT_EQ(element->marks, 1);
}

TEST_F(DisplayLayer, NestingDeeperThanTheLimitIsNotBuilt)
{
    // Containers each holding the next, as deep as a received pool can make
    // them: elements are built down to the nesting limit, and no deeper.
    const uint32_t depth = 30000;
    for (uint32_t oid = 1; oid <= depth; ++oid)
        add(new VtObjectContainer(oid))->getChilds().append(new VtObjectRef(oid + 1, 0, 0));
    ASSERT_NE(build(1), nullptr);
    const uint32_t deepest = VtDisplayInterface::kMaxNesting;
    EXPECT_TRUE(vt.processor.getObject(deepest)->hasDisplayElements());
    EXPECT_FALSE(vt.processor.getObject(deepest + 1)->hasDisplayElements());
}

TEST_F(DisplayLayer, OneBuildCreatesAtMostTheElementLimit)
{
    // Every container holds the one before it twice: the placements double
    // with each level, to far more than a terminal can show.
    add(new VtObjectRectangle(1));
    const uint32_t levels = 40;
    for (uint32_t oid = 2; oid <= levels; ++oid) {
        auto* container = add(new VtObjectContainer(oid));
        container->getChilds().append(new VtObjectRef(oid - 1, 0, 0));
        container->getChilds().append(new VtObjectRef(oid - 1, 10, 0));
    }
    ASSERT_NE(build(levels), nullptr);
    uint32_t elements = 0;
    for (uint32_t oid = 1; oid <= levels; ++oid)
        elements += uint32_t(vt.processor.getObject(oid)->getLinkList()->count());
    EXPECT_EQ(elements, VtDisplayInterface::kMaxElementsPerBuild);

    // The next pass may build again.
    add(new VtObjectRectangle(100));
    EXPECT_NE(build(100), nullptr);
}
