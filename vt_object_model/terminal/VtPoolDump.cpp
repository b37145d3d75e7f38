// Debug dumps of the terminal's object table.
#include "vt_object_model/VtLogger.h"
#include "vt_object_model/VtObjects.h"
#include "vt_object_model/terminal/VtCommandProcessor.h"
#include "vt_object_model/terminal/VtDisplayInterface.h"

#include <algorithm>

namespace {

const char* textOf(const VtString& text)
{
    return text.c_str() != nullptr ? text.c_str() : "";
}

} // namespace

void VtCommandProcessor::dumpReference(const char* name, uint32_t oid, int depth)
{
    VtObject* target = getObject(oid);
    if (target != nullptr)
        logger_->trace(depth, "%s=%d, type=%2d (%s)\n", name, int(oid), int(target->getType()),
                       VtObject::getTypeName(target->getType()));
    else
        logger_->trace(depth, "%s=%d (UNRESOLVED)\n", name, int(oid));
}

void VtCommandProcessor::dumpObject(VtObject* object, int depth)
{
    std::vector<VtObject*> path;
    dumpObject(object, depth, path);
}

void VtCommandProcessor::dumpObject(VtObject* object, int depth, std::vector<VtObject*>& path)
{
    if (logger_ == nullptr || object == nullptr)
        return;
    logger_->trace(depth, "OID=%d, type=%2d (%s), macros=%d\n", int(object->getOid()), int(object->getType()),
                   VtObject::getTypeName(object->getType()), int(object->getNumberOfMacros()));
    auto dumpBarGraph = [&](auto* graph) {
        dumpReference("variableReference", graph->getVariableReference(), depth);
        dumpReference("targetValueVariableReference", graph->getTargetValueVariableReference(), depth);
    };
    switch (object->getType()) {
    case VtObjectTypeDataMask:
    case VtObjectTypeAlarmMask: logger_->trace(depth, "SKM/oid=%d\n", int(vtSoftKeyMaskOf(object))); break;
    case VtObjectTypeContainer: {
        auto* o = static_cast<VtObjectContainer*>(object);
        logger_->trace(depth, "width=%d, height=%d, hidden=%d\n", int(o->getWidth()), int(o->getHeight()),
                       int(o->getHidden()));
        break;
    }
    case VtObjectTypeInputFieldNumber: {
        auto* o = static_cast<VtObjectInputFieldNumber*>(object);
        logger_->trace(depth, "size=(%d / %d), enabled=%d, format=%d, options=%d\n", int(o->getWidth()),
                       int(o->getHeight()), int(o->getEnabled()), int(o->getFormat()), int(o->getOptions()));
        logger_->trace(depth, "value=%d, min=%u, max=%u, offset=%d, scale=%lf, nd=%d\n", int(o->getValue()),
                       o->getMinValue(), o->getMaxValue(), int(o->getOffset()), o->getScale(),
                       int(o->getNumberOfDecimals()));
        dumpReference("fontAttributes", o->getFontAttributes(), depth);
        dumpReference("variableReference", o->getVariableReference(), depth);
        break;
    }
    case VtObjectTypeOutputFieldNumber: {
        auto* o = static_cast<VtObjectOutputFieldNumber*>(object);
        logger_->trace(depth, "size=(%d / %d), options=%d\n", int(o->getWidth()), int(o->getHeight()),
                       int(o->getOptions()));
        logger_->trace(depth, "value=%u\n", o->getValue());
        logger_->trace(depth, "fa=%d, vref=%d\n", int(o->getFontAttributes()), int(o->getVariableReference()));
        logger_->trace(depth, "hjust=%d\n", int(o->getHorizontalJustification()));
        break;
    }
    case VtObjectTypeOutputFieldString: {
        auto* o = static_cast<VtObjectOutputFieldString*>(object);
        logger_->trace(depth, "size=(%d / %d), options=%d\n", int(o->getWidth()), int(o->getHeight()),
                       int(o->getOptions()));
        logger_->trace(depth, "text='%s'\n", textOf(o->getValue()));
        logger_->trace(depth, "fa=%d, vref=%d\n", int(o->getFontAttributes()), int(o->getVariableReference()));
        break;
    }
    case VtObjectTypeInputFieldString: {
        auto* o = static_cast<VtObjectInputFieldString*>(object);
        logger_->trace(depth, "text='%s'\n", textOf(o->getValue()));
        logger_->trace(depth, "fa=%d, vref=%d\n", int(o->getFontAttributes()), int(o->getVariableReference()));
        break;
    }
    case VtObjectTypeStringVariable:
        logger_->trace(depth, "text='%s'\n", textOf(static_cast<VtObjectStringVariable*>(object)->getValue()));
        break;
    case VtObjectTypeNumberVariable:
        logger_->trace(depth, "value=%u\n", static_cast<VtObjectNumberVariable*>(object)->getValue());
        break;
    case VtObjectTypeRectangle: {
        auto* o = static_cast<VtObjectRectangle*>(object);
        logger_->trace(depth, "width=%d, height=%d, lsup=%d, fa=%d\n", int(o->getWidth()), int(o->getHeight()),
                       int(o->getLineSuppression()), int(o->getFillAttributes()));
        dumpReference("lineAttributes", o->getLineAttributes(), depth);
        dumpReference("fillAttributes", o->getFillAttributes(), depth);
        break;
    }
    case VtObjectTypeLine:
        dumpReference("lineAttributes", static_cast<VtObjectLine*>(object)->getLineAttributes(), depth);
        break;
    case VtObjectTypeLinearBarGraph: dumpBarGraph(static_cast<VtObjectLinearBarGraph*>(object)); break;
    case VtObjectTypeArchedBarGraph: dumpBarGraph(static_cast<VtObjectArchedBarGraph*>(object)); break;
    case VtObjectTypePictureGraphic: {
        auto* o = static_cast<VtObjectPictureGraphic*>(object);
        logger_->trace(depth, "width=%d, act_width=%d, act_height=%d, format=%d, options=%d, tc=%d\n",
                       int(o->getPictureWidth()), int(o->getActualWidth()), int(o->getActualHeight()),
                       int(o->getFormat()), int(o->getOptions()), int(o->getTransparencyColour().getIndex()));
        break;
    }
    case VtObjectTypePointer:
        logger_->trace(depth, "->=%d\n", int(static_cast<VtObjectPointer*>(object)->getValue()));
        break;
    default: break;
    }

    if (object->getType() == VtObjectTypeSoftKeyMask) {
        VtObjectList& keys = static_cast<VtObjectSoftKeyMask*>(object)->getChilds();
        if (keys.size() > 0)
            logger_->trace(depth, "Childs:\n");
        for (uint32_t i = 0; i < keys.size(); ++i) {
            VtObject* key = getObject(keys.at(i)->oid);
            if (key == nullptr)
                logger_->trace(depth, "OID=%d (UNRESOLVED)\n", int(keys.at(i)->oid));
            else
                dumpObject(key, depth + 2, path);
        }
        return;
    }
    VtObjectRefList* childs = vtChildRefsOf(object);
    if (childs == nullptr || childs->size() == 0)
        return;
    // An object that contains itself is listed, not entered again.
    path.push_back(object);
    logger_->trace(depth, "Childs:\n");
    for (uint32_t i = 0; i < childs->size(); ++i) {
        const VtObjectRef* ref = childs->at(i);
        VtObject* child = getObject(ref->oid);
        if (child == nullptr) {
            logger_->trace(depth, "OID=%d (UNRESOLVED)\n", int(ref->oid));
            continue;
        }
        logger_->trace(depth, "@%d(%d,%d) - \n", int(ref->oid), int(ref->x), int(ref->y));
        if (std::find(path.begin(), path.end(), child) == path.end())
            dumpObject(child, depth + 2, path);
    }
    path.pop_back();
}

void VtCommandProcessor::dumpCurrentMasks()
{
    if (logger_ == nullptr)
        return;
    VtObject* mask = display_ != nullptr ? getObject(display_->getActiveMaskId()) : nullptr;
    VtObject* softKeys = display_ != nullptr ? getObject(display_->getSoftKeyMaskId()) : nullptr;
    if (mask == nullptr && softKeys == nullptr) {
        for (VtObject* object : table_)
            if (object != nullptr)
                dumpObject(object, 1);
        return;
    }
    logger_->print("\n");
    logger_->print("CURRENT MASK\n");
    dumpObject(mask, 1);
    logger_->print("CURRENT MASK -- END\n");
    logger_->print("\n");
    logger_->print("CURRENT SOFTKEYMASK\n");
    dumpObject(softKeys, 1);
    logger_->print("CURRENT SOFTKEYMASK -- END\n");
    logger_->print("\n");
}
