#include "vt_object_model/objects/VtMaskObjects.h"

#include "vt_object_model/VtObjectStreaming.h"

VtObjectWorkingSet::VtObjectWorkingSet(uint32_t oid) : VtObject(VtObjectTypeWorkingSet, oid)
{
    activeMaskObserver_.attachToHolder(this);
}

template <class Io>
void VtObjectWorkingSet::transfer(Io& io)
{
    uint32_t nObjects = childs_.size();
    uint32_t nMacros = getNumberOfMacros();
    uint32_t nLanguages = uint32_t(languages_.size());
    io.colour(backgroundColour_, "background_colour");
    io.flag(selectable_, "selectable");
    io.observed(activeMask_, activeMaskObserver_, "active_mask");
    io.count8(nObjects, "n_objects");
    io.count8(nMacros, "n_macros");
    io.count8(nLanguages, "n_languages");
    io.refList(childs_, nObjects, "childs");
    io.macros(*this, nMacros);
    io.languages(languages_, nLanguages);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectWorkingSet)

VtObjectDataMask::VtObjectDataMask(uint32_t oid) : VtObject(VtObjectTypeDataMask, oid)
{
    softKeyMaskObserver_.attachToHolder(this);
}

template <class Io>
void VtObjectDataMask::transfer(Io& io)
{
    uint32_t nObjects = childs_.size();
    uint32_t nMacros = getNumberOfMacros();
    io.colour(backgroundColour_, "background_colour");
    io.observed(softKeyMask_, softKeyMaskObserver_, "soft_key_mask");
    io.count8(nObjects, "n_objects");
    io.count8(nMacros, "n_macros");
    io.refList(childs_, nObjects, "childs");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectDataMask)

VtObjectAlarmMask::VtObjectAlarmMask(uint32_t oid) : VtObject(VtObjectTypeAlarmMask, oid)
{
    softKeyMaskObserver_.attachToHolder(this);
}

template <class Io>
void VtObjectAlarmMask::transfer(Io& io)
{
    uint32_t nObjects = childs_.size();
    uint32_t nMacros = getNumberOfMacros();
    io.colour(backgroundColour_, "background_colour");
    io.observed(softKeyMask_, softKeyMaskObserver_, "soft_key_mask");
    io.byte(priority_, "priority");
    io.byte(acousticSignal_, "acoustic_signal");
    io.count8(nObjects, "n_objects");
    io.count8(nMacros, "n_macros");
    io.refList(childs_, nObjects, "childs");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectAlarmMask)

template <class Io>
void VtObjectContainer::transfer(Io& io)
{
    uint32_t nObjects = childs_.size();
    uint32_t nMacros = getNumberOfMacros();
    io.size(size_, "size");
    io.flag(hidden_, "hidden");
    io.count8(nObjects, "n_objects");
    io.count8(nMacros, "n_macros");
    io.refList(childs_, nObjects, "childs");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectContainer)

template <class Io>
void VtObjectSoftKeyMask::transfer(Io& io)
{
    uint32_t nObjects = childs_.size();
    uint32_t nMacros = getNumberOfMacros();
    io.colour(backgroundColour_, "background_colour");
    io.count8(nObjects, "n_objects");
    io.count8(nMacros, "n_macros");
    io.objectList(childs_, nObjects, nullptr, "childs");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectSoftKeyMask)

template <class Io>
void VtObjectKey::transfer(Io& io)
{
    uint32_t nObjects = childs_.size();
    uint32_t nMacros = getNumberOfMacros();
    io.colour(backgroundColour_, "background_colour");
    io.byte(keyCode_, "key_code");
    io.count8(nObjects, "n_objects");
    io.count8(nMacros, "n_macros");
    io.refList(childs_, nObjects, "childs");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectKey)

template <class Io>
void VtObjectButton::transfer(Io& io)
{
    uint32_t nObjects = childs_.size();
    uint32_t nMacros = getNumberOfMacros();
    io.size(size_, "size");
    io.colour(backgroundColour_, "background_colour");
    io.colour(borderColour_, "border_colour");
    io.byte(keyCode_, "key_code");
    io.byte(latchable_, "latchable");
    io.count8(nObjects, "n_objects");
    io.count8(nMacros, "n_macros");
    io.refList(childs_, nObjects, "childs");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectButton)
