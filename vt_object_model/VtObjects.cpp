#include "vt_object_model/VtObjects.h"

VtObject* createVtObject(uint32_t type, uint32_t oid)
{
    switch (type) {
    case VtObjectTypeWorkingSet: return new VtObjectWorkingSet(oid);
    case VtObjectTypeDataMask: return new VtObjectDataMask(oid);
    case VtObjectTypeAlarmMask: return new VtObjectAlarmMask(oid);
    case VtObjectTypeContainer: return new VtObjectContainer(oid);
    case VtObjectTypeSoftKeyMask: return new VtObjectSoftKeyMask(oid);
    case VtObjectTypeKey: return new VtObjectKey(oid);
    case VtObjectTypeButton: return new VtObjectButton(oid);
    case VtObjectTypeInputFieldBoolean: return new VtObjectInputFieldBoolean(oid);
    case VtObjectTypeInputFieldString: return new VtObjectInputFieldString(oid);
    case VtObjectTypeInputFieldNumber: return new VtObjectInputFieldNumber(oid);
    case VtObjectTypeInputFieldList: return new VtObjectInputFieldList(oid);
    case VtObjectTypeOutputFieldString: return new VtObjectOutputFieldString(oid);
    case VtObjectTypeOutputFieldNumber: return new VtObjectOutputFieldNumber(oid);
    case VtObjectTypeLine: return new VtObjectLine(oid);
    case VtObjectTypeRectangle: return new VtObjectRectangle(oid);
    case VtObjectTypeEllipse: return new VtObjectEllipse(oid);
    case VtObjectTypePolygon: return new VtObjectPolygon(oid);
    case VtObjectTypeMeter: return new VtObjectMeter(oid);
    case VtObjectTypeLinearBarGraph: return new VtObjectLinearBarGraph(oid);
    case VtObjectTypeArchedBarGraph: return new VtObjectArchedBarGraph(oid);
    case VtObjectTypePictureGraphic: return new VtObjectPictureGraphic(oid);
    case VtObjectTypeNumberVariable: return new VtObjectNumberVariable(oid);
    case VtObjectTypeStringVariable: return new VtObjectStringVariable(oid);
    case VtObjectTypeFontAttribute: return new VtObjectFontAttribute(oid);
    case VtObjectTypeLineAttribute: return new VtObjectLineAttribute(oid);
    case VtObjectTypeFillAttribute: return new VtObjectFillAttribute(oid);
    case VtObjectTypeInputAttribute: return new VtObjectInputAttribute(oid);
    case VtObjectTypePointer: return new VtObjectPointer(oid);
    case VtObjectTypeMacro: return new VtObjectMacro(oid);
    case VtObjectTypeAuxiliaryFunction: return new VtObjectAuxiliaryFunction(oid);
    case VtObjectTypeAuxiliaryInput: return new VtObjectAuxiliaryInput(oid);
    default: return nullptr;
    }
}

VtObjectRefList* vtChildRefsOf(VtObject* object)
{
    switch (object->getType()) {
    case VtObjectTypeWorkingSet: return &static_cast<VtObjectWorkingSet*>(object)->getChilds();
    case VtObjectTypeDataMask: return &static_cast<VtObjectDataMask*>(object)->getChilds();
    case VtObjectTypeAlarmMask: return &static_cast<VtObjectAlarmMask*>(object)->getChilds();
    case VtObjectTypeContainer: return &static_cast<VtObjectContainer*>(object)->getChilds();
    case VtObjectTypeKey: return &static_cast<VtObjectKey*>(object)->getChilds();
    case VtObjectTypeButton: return &static_cast<VtObjectButton*>(object)->getChilds();
    case VtObjectTypeAuxiliaryFunction: return &static_cast<VtObjectAuxiliaryFunction*>(object)->getChilds();
    case VtObjectTypeAuxiliaryInput: return &static_cast<VtObjectAuxiliaryInput*>(object)->getChilds();
    default: return nullptr;
    }
}

bool vtIsMask(const VtObject* object)
{
    return object != nullptr &&
           (object->getType() == VtObjectTypeDataMask || object->getType() == VtObjectTypeAlarmMask);
}

uint32_t vtSoftKeyMaskOf(const VtObject* object)
{
    if (object->getType() == VtObjectTypeDataMask)
        return static_cast<const VtObjectDataMask*>(object)->getSoftKeyMask();
    if (object->getType() == VtObjectTypeAlarmMask)
        return static_cast<const VtObjectAlarmMask*>(object)->getSoftKeyMask();
    return VT_NULL_ID;
}

bool vtHasEnabledState(const VtObject* object)
{
    return VtObject::isInputObject(object) || object->getType() == VtObjectTypeButton;
}

namespace {

// Calls visit with the object as the input field of its type; does nothing
// for other types.
template <class Visit>
void visitInputEnabled(VtObject* object, Visit visit)
{
    switch (object->getType()) {
    case VtObjectTypeInputFieldBoolean: visit(*static_cast<VtObjectInputFieldBoolean*>(object)); break;
    case VtObjectTypeInputFieldString: visit(*static_cast<VtObjectInputFieldString*>(object)); break;
    case VtObjectTypeInputFieldNumber: visit(*static_cast<VtObjectInputFieldNumber*>(object)); break;
    case VtObjectTypeInputFieldList: visit(*static_cast<VtObjectInputFieldList*>(object)); break;
    default: break;
    }
}

} // namespace

bool vtIsEnabled(const VtObject* object)
{
    if (object->getType() == VtObjectTypeButton)
        return (static_cast<const VtObjectButton*>(object)->getLatchable() & VT_BUTTON_DISABLED) == 0;
    bool enabled = true;
    visitInputEnabled(const_cast<VtObject*>(object),
                      [&](const auto& field) { enabled = (field.getEnabled() & VT_INPUT_ENABLED) != 0; });
    return enabled;
}

void vtSetEnabled(VtObject* object, bool enabled)
{
    if (object->getType() == VtObjectTypeButton) {
        auto* button = static_cast<VtObjectButton*>(object);
        const uint32_t others = button->getLatchable() & ~VT_BUTTON_DISABLED;
        button->setLatchable(enabled ? others : others | VT_BUTTON_DISABLED);
        return;
    }
    visitInputEnabled(object, [&](auto& field) {
        const uint32_t others = field.getEnabled() & ~VT_INPUT_ENABLED;
        field.setEnabled(enabled ? others | VT_INPUT_ENABLED : others);
    });
}
