// All ISO 11783-6 object types of the VT object library, the factory that
// makes one by type code, and the look-ups that depend on the type.
#pragma once

#include "vt_object_model/VtMacroRefList.h"

#include "vt_object_model/objects/VtAttributeObjects.h"
#include "vt_object_model/objects/VtControlObjects.h"
#include "vt_object_model/objects/VtGraphicObjects.h"
#include "vt_object_model/objects/VtInputObjects.h"
#include "vt_object_model/objects/VtMaskObjects.h"
#include "vt_object_model/objects/VtOutputObjects.h"
#include "vt_object_model/objects/VtVariableObjects.h"

// A new object of the type (0 to 30) with its defaults, or null for any other
// type code. The caller owns it.
VtObject* createVtObject(uint32_t type, uint32_t oid);

// The child list (objects at positions) of the types that have one: working
// set, data and alarm masks, container, key, button and the auxiliary
// function and input; null for every other type.
VtObjectRefList* vtChildRefsOf(VtObject* object);

// True for a data mask or an alarm mask.
bool vtIsMask(const VtObject* object);

// The soft key mask ID of a data or alarm mask; VT_NULL_ID for anything else.
uint32_t vtSoftKeyMaskOf(const VtObject* object);

// Input fields and buttons keep an enabled state among their attributes: bit 0
// of an input field's enabled byte, bit 4 (disabled) of a button's options.
bool vtHasEnabledState(const VtObject* object);
// False only for an input field or button whose state is disabled.
bool vtIsEnabled(const VtObject* object);
// Stores the state, leaving the other option bits as they are; objects
// without such a state are left alone.
void vtSetEnabled(VtObject* object, bool enabled);
