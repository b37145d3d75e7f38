// A small working-set pool for the terminal-side tests, as the implement
// would upload it.
#pragma once

#include "vt_object_model/VtMessageWriter.h"
#include "vt_object_model/VtObjects.h"
#include "vt_object_model/VtPoolWriter.h"

#include <vector>

namespace vt_test_pool {

enum : uint32_t {
    WorkingSet = 1000,
    MainMask = 1001,
    SpeedField = 1002,
    RateInput = 1003,
    Frame = 1004,
    FrameBox = 1005,
    Pointer = 1006,
    Font = 1010,
    SpeedVariable = 1020,
    Divider = 1030,
    Fill = 1040,
    Pen = 1041,
    SoftKeys = 1050,
    KeyA = 1051,
    KeyB = 1052,
    KeyC = 1053,
    ProductList = 1060,
    ProductName = 1070,
    Title = 1071,
    LevelBar = 1080,
    StartButton = 1090,
    Alarm = 1100,
    OtherMask = 1200,
};

inline std::vector<uint8_t> build()
{
    std::vector<VtObject*> table(65536, nullptr);
    auto add = [&](VtObject* object) { table[object->getOid()] = object; };

    auto* ws = new VtObjectWorkingSet(WorkingSet);
    ws->setActiveMask(MainMask);
    ws->getChilds().append(new VtObjectRef(Title, 0, 0));
    add(ws);
    auto* mask = new VtObjectDataMask(MainMask);
    mask->setSoftKeyMask(SoftKeys);
    mask->getChilds().append(new VtObjectRef(SpeedField, 10, 20));
    mask->getChilds().append(new VtObjectRef(RateInput, 10, 40));
    mask->getChilds().append(new VtObjectRef(Frame, 0, 60));
    mask->getChilds().append(new VtObjectRef(Pointer, 100, 100));
    mask->getChilds().append(new VtObjectRef(Divider, 0, 90));
    mask->getChilds().append(new VtObjectRef(ProductList, 0, 120));
    mask->getChilds().append(new VtObjectRef(4444, 0, 0)); // names no object
    add(mask);
    auto* speed = new VtObjectOutputFieldNumber(SpeedField);
    speed->setSize(VtSize(60, 16));
    speed->setFontAttributes(Font);
    speed->setVariableReference(SpeedVariable);
    add(speed);
    auto* rate = new VtObjectInputFieldNumber(RateInput);
    rate->setSize(VtSize(60, 16));
    rate->setFontAttributes(Font);
    rate->setMaxValue(1000);
    // Enabled, with real-time editing.
    rate->setEnabled(0x03);
    add(rate);
    auto* frame = new VtObjectContainer(Frame);
    frame->setSize(VtSize(100, 30));
    frame->getChilds().append(new VtObjectRef(FrameBox, 1, 1));
    add(frame);
    auto* box = new VtObjectRectangle(FrameBox);
    box->setSize(VtSize(98, 28));
    box->setLineAttributes(Pen);
    box->setFillAttributes(Fill);
    add(box);
    auto* pointer = new VtObjectPointer(Pointer);
    pointer->setValue(Title);
    add(pointer);
    auto* font = new VtObjectFontAttribute(Font);
    font->setFontSize(2);
    add(font);
    auto* variable = new VtObjectNumberVariable(SpeedVariable);
    variable->setValue(12);
    add(variable);
    auto* line = new VtObjectLine(Divider);
    line->setSize(VtSize(200, 0));
    line->setLineAttributes(Pen);
    add(line);
    add(new VtObjectFillAttribute(Fill));
    add(new VtObjectLineAttribute(Pen));
    auto* keys = new VtObjectSoftKeyMask(SoftKeys);
    for (uint32_t key : {KeyA, KeyB, KeyC}) {
        keys->getChilds().append(new VtObjectListItem(key));
        auto* k = new VtObjectKey(key);
        k->setKeyCode(key - KeyA);
        add(k);
    }
    add(keys);
    auto* list = new VtObjectInputFieldList(ProductList);
    list->setSize(VtSize(80, 16));
    list->addElement(ProductName);
    list->addElement(Title);
    add(list);
    auto* name = new VtObjectStringVariable(ProductName);
    name->setValue(VtString("Wheat"));
    add(name);
    auto* title = new VtObjectOutputFieldString(Title);
    title->setSize(VtSize(120, 16));
    title->setValue(VtString("Seeder"));
    add(title);
    auto* alarm = new VtObjectAlarmMask(Alarm);
    alarm->setSoftKeyMask(SoftKeys);
    add(alarm);
    add(new VtObjectDataMask(OtherMask));
    auto* level = new VtObjectLinearBarGraph(LevelBar);
    level->setSize(VtSize(20, 80));
    add(level);
    // Not on any mask; latchable, with a border style bit.
    auto* button = new VtObjectButton(StartButton);
    button->setSize(VtSize(40, 20));
    button->setLatchable(0x21);
    add(button);

    VtMessageWriter writer(10000, nullptr);
    writeVtObjectPool(writer, table.data(), table.size());
    for (VtObject* object : table)
        delete object;
    return std::vector<uint8_t>(writer.getData(), writer.getData() + writer.getLength());
}

} // namespace vt_test_pool
