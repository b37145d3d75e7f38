// All ISO 11783-6 object types of the VT object library, and the factory that
// makes one by type code.
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
