#include "vt_object_model/terminal/VtDisplayInterface.h"

#include "vt_object_model/VtLogger.h"
#include "vt_object_model/VtObjects.h"
#include "vt_object_model/terminal/VtCommandProcessor.h"
#include "vt_object_model/terminal/VtDisplayElement.h"
#include "vt_object_model/terminal/VtSystemInterface.h"

#include <algorithm>
#include <cstdarg>

VtObject* VtDisplayInterface::findObject(uint32_t oid) const
{
    return processor_ != nullptr ? processor_->getObject(oid) : nullptr;
}

VtSystemInterface* VtDisplayInterface::getSystemInterface() const
{
    return processor_ != nullptr ? processor_->getSystemInterface() : nullptr;
}

uint32_t VtDisplayInterface::getActiveAlarmMaskId() const
{
    VtObject* mask = findObject(activeMask_);
    return mask != nullptr && mask->getType() == VtObjectTypeAlarmMask ? activeMask_ : VT_NULL_ID;
}

void VtDisplayInterface::redrawChanged()
{
    changed_.redraw();
    changed_.clear();
}

void VtDisplayInterface::log(const char* format, ...)
{
    VtLogger* logger = processor_ != nullptr ? processor_->getLogger() : nullptr;
    if (logger == nullptr)
        return;
    va_list args;
    va_start(args, format);
    logger->vprint(format, args);
    va_end(args);
}

VtDisplayElement* VtDisplayInterface::createDisplayElements(VtObject* object, VtDisplayElement* parent, int32_t x,
                                                            int32_t y, uint32_t instance)
{
    bool created = false;
    return createElements(object, parent, x, y, instance, created);
}

VtDisplayElement* VtDisplayInterface::createElements(VtObject* object, VtDisplayElement* parent, int32_t x,
                                                     int32_t y, uint32_t instance, bool& created)
{
    created = false;
    if (object == nullptr)
        return nullptr;
    log("Create Display Object for type %s, oid=%d\n", VtObject::getTypeName(object->getType()),
        int(object->getOid()));
    if (processor_ != nullptr)
        processor_->sendStatusIfDue();
    if (parent == nullptr)
        parent = getRootElement();
    if (parent == nullptr) {
        if (processor_ != nullptr && processor_->getLogger() != nullptr)
            processor_->getLogger()->error("Parent Display Element missing\n");
        return nullptr;
    }
    if (std::find(building_.begin(), building_.end(), object) != building_.end())
        return nullptr; // the object contains itself: do not enter it again
    if (building_.empty())
        elementsBuilt_ = 0; // a new building pass
    if (building_.size() >= kMaxNesting) {
        if (processor_ != nullptr && processor_->getLogger() != nullptr)
            processor_->getLogger()->error("Display Elements nested too deep (oid=%d)\n", int(object->getOid()));
        return nullptr;
    }
    building_.push_back(object);

    VtDisplayElement* element = object->getType() == VtObjectTypeSoftKeyMask
                                    ? object->getDisplayElement()
                                    : object->getLinkList()->find(parent, instance);
    auto makeIfMissing = [&] {
        if (element != nullptr)
            return;
        if (elementsBuilt_ >= kMaxElementsPerBuild) {
            if (elementsBuilt_++ == kMaxElementsPerBuild && processor_ != nullptr &&
                processor_->getLogger() != nullptr)
                processor_->getLogger()->error("Display Elements beyond %d not built (oid=%d)\n",
                                               int(kMaxElementsPerBuild), int(object->getOid()));
            return;
        }
        element = createByType(object, parent, x, y);
        if (element != nullptr) {
            ++elementsBuilt_;
            created = true;
            element->setInstance(instance);
            object->linkDisplayElement(element);
            // An input or button disabled while it had no element shows disabled.
            if (!vtIsEnabled(object))
                element->disable();
        }
    };

    switch (object->getType()) {
    case VtObjectTypeWorkingSet: {
        auto* workingSet = static_cast<VtObjectWorkingSet*>(object);
        log("***WorkingSet: active_mask=%d\n", int(workingSet->getActiveMask()));
        createDisplayElements(findObject(workingSet->getActiveMask()), parent, x, y, 0);
        for (uint32_t oid = 0; oid < VT_NULL_ID; ++oid) {
            VtObject* candidate = findObject(oid);
            if (candidate != nullptr && (vtIsMask(candidate) || candidate->getType() == VtObjectTypeSoftKeyMask))
                createDisplayElements(candidate, parent, x, y, 0);
        }
        element = nullptr;
        break;
    }
    case VtObjectTypeDataMask:
    case VtObjectTypeAlarmMask:
        if (object->getType() == VtObjectTypeDataMask)
            log("***DataMask, oid=%d, sk_mask=%d\n", int(object->getOid()), int(vtSoftKeyMaskOf(object)));
        makeIfMissing();
        if (element != nullptr)
            createChildren(object, element, 0);
        createDisplayElements(findObject(vtSoftKeyMaskOf(object)), parent, x, y, 0);
        break;
    case VtObjectTypeContainer:
    case VtObjectTypeButton:
        makeIfMissing();
        if (element != nullptr)
            createChildren(object, element, 0);
        break;
    case VtObjectTypeKey:
        makeIfMissing();
        if (element != nullptr)
            createChildren(object, element, 1);
        break;
    case VtObjectTypeSoftKeyMask:
        makeIfMissing();
        if (element != nullptr)
            createSoftKeys(object, element);
        break;
    case VtObjectTypePointer:
        makeIfMissing();
        if (element != nullptr)
            createPointerTarget(object, element);
        break;
    default:
        if (object->getType() >= VtObjectTypeInputFieldBoolean && object->getType() <= VtObjectTypePictureGraphic)
            makeIfMissing();
        break;
    }
    building_.pop_back();
    return element;
}

VtDisplayElement* VtDisplayInterface::createByType(VtObject* object, VtDisplayElement* parent, int32_t x, int32_t y)
{
    switch (object->getType()) {
    case VtObjectTypeSoftKeyMask: return createSoftKeyMask(object, parent, x, y);
    case VtObjectTypeKey: return createKey(object, parent, x, y);
    case VtObjectTypeAlarmMask: return createAlarmMask(object, parent, x, y);
    case VtObjectTypeDataMask: return createDataMask(object, parent, x, y);
    case VtObjectTypeContainer: return createContainer(object, parent, x, y);
    case VtObjectTypeButton: return createButton(object, parent, x, y);
    case VtObjectTypeInputFieldBoolean: return createInputBoolean(object, parent, x, y);
    case VtObjectTypeInputFieldString: return createInputString(object, parent, x, y);
    case VtObjectTypeInputFieldNumber: return createInputNumber(object, parent, x, y);
    case VtObjectTypeInputFieldList: return createInputList(object, parent, x, y);
    case VtObjectTypeOutputFieldString: return createOutputString(object, parent, x, y);
    case VtObjectTypeOutputFieldNumber: return createOutputNumber(object, parent, x, y);
    case VtObjectTypeLine: return createLine(object, parent, x, y);
    case VtObjectTypeRectangle: return createRectangle(object, parent, x, y);
    case VtObjectTypeEllipse: return createEllipse(object, parent, x, y);
    case VtObjectTypePolygon: return createPolygon(object, parent, x, y);
    case VtObjectTypeMeter: return createMeter(object, parent, x, y);
    case VtObjectTypeLinearBarGraph: return createLinearBarGraph(object, parent, x, y);
    case VtObjectTypeArchedBarGraph: return createArchedBarGraph(object, parent, x, y);
    case VtObjectTypePictureGraphic: return createPictureGraphic(object, parent, x, y);
    case VtObjectTypePointer: return createObjectPointer(object, parent, x, y);
    default: return nullptr;
    }
}

void VtDisplayInterface::createChildren(VtObject* object, VtDisplayElement* element, int32_t offset)
{
    VtObjectRefList* childs = vtChildRefsOf(object);
    if (childs == nullptr)
        return;
    // By index: building a child never changes its parent's child list.
    for (uint32_t i = 0; i < childs->size(); ++i) {
        const VtObjectRef* ref = childs->at(i);
        VtObject* child = findObject(ref->oid);
        if (child == nullptr)
            continue;
        bool created = false;
        VtDisplayElement* childElement =
            createElements(child, element, ref->x + offset, ref->y + offset, ref->serial, created);
        if (created && childElement != nullptr)
            childElement->realize();
    }
}

void VtDisplayInterface::createSoftKeys(VtObject* softKeyMask, VtDisplayElement* element)
{
    VtObjectList& keys = static_cast<VtObjectSoftKeyMask*>(softKeyMask)->getChilds();
    VtSystemInterface* system = getSystemInterface();
    uint32_t physical = 0, virtualKeys = 0;
    VtSize keySize;
    if (system != nullptr)
        system->getSoftKeyData(physical, virtualKeys, keySize);
    int32_t y = 0;
    for (uint32_t i = 0; i < keys.size(); ++i) {
        const VtObjectListItem* item = keys.at(i);
        VtObject* key = findObject(item->oid);
        if (key == nullptr)
            continue;
        VtDisplayElement* keyElement = createDisplayElements(key, element, 0, y, item->serial);
        if (system != nullptr) {
            if (keyElement != nullptr)
                keyElement->setSize(keySize);
            y += int32_t(keySize.height);
        } else {
            y += 32;
        }
    }
}

void VtDisplayInterface::createPointerTarget(VtObject* pointer, VtDisplayElement* element)
{
    element->changeSize(0, 0);
    VtObject* target = findObject(static_cast<VtObjectPointer*>(pointer)->getValue());
    if (target == nullptr) {
        element->hide();
        return;
    }
    VtDisplayElement* targetElement = createDisplayElements(target, element, 0, 0, 0);
    if (targetElement == nullptr) {
        element->hide();
        return;
    }
    element->changeSize(targetElement->getWidth(), targetElement->getHeight());
    if (targetElement->isHidden() == 0)
        element->show();
    else
        element->hide();
}

void VtDisplayInterface::setActiveMask(uint32_t oid)
{
    activeMask_ = oid;
    VtObject* object = findObject(oid);
    if (object == nullptr) {
        showMask(nullptr);
        return;
    }
    createDisplayElements(object, nullptr, 0, 0, 0);
    if (vtIsMask(object)) {
        showMask(object->getDisplayElement());
        setSoftKeyMask(vtSoftKeyMaskOf(object));
    } else {
        showMask(nullptr);
    }
}

void VtDisplayInterface::setSoftKeyMask(uint32_t oid)
{
    softKeyMask_ = oid;
    VtObject* object = findObject(oid);
    if (object != nullptr && object->getType() == VtObjectTypeSoftKeyMask) {
        createDisplayElements(object, nullptr, 0, 0, 0);
        showSoftKeyMask(object->getDisplayElement());
    } else {
        showSoftKeyMask(nullptr);
    }
}
