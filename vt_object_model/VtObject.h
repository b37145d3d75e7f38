// Common base of the in-memory ISO 11783-6 objects: identity (type code and
// object ID), macro list, serial number, the observers by which attributes
// refer to other objects, the list of observers that refer to this object,
// and membership in one VtPoolList.
#pragma once

#include "vt_object_model/VtObjectObserver.h"
#include "vt_object_model/VtSize.h"

#include <cstdint>
#include <vector>

class VtDisplayElement;
class VtDisplayElementList;
class VtMacroRefList;
class VtMessageReader;
class VtMessageWriter;
class VtPoolList;

// Object ID meaning "no object" everywhere in the VT object library.
constexpr uint32_t VT_NULL_ID = 65535;

// ISO 11783-6 object type codes.
enum VtObjectType : uint32_t {
    VtObjectTypeWorkingSet = 0,
    VtObjectTypeDataMask = 1,
    VtObjectTypeAlarmMask = 2,
    VtObjectTypeContainer = 3,
    VtObjectTypeSoftKeyMask = 4,
    VtObjectTypeKey = 5,
    VtObjectTypeButton = 6,
    VtObjectTypeInputFieldBoolean = 7,
    VtObjectTypeInputFieldString = 8,
    VtObjectTypeInputFieldNumber = 9,
    VtObjectTypeInputFieldList = 10,
    VtObjectTypeOutputFieldString = 11,
    VtObjectTypeOutputFieldNumber = 12,
    VtObjectTypeLine = 13,
    VtObjectTypeRectangle = 14,
    VtObjectTypeEllipse = 15,
    VtObjectTypePolygon = 16,
    VtObjectTypeMeter = 17,
    VtObjectTypeLinearBarGraph = 18,
    VtObjectTypeArchedBarGraph = 19,
    VtObjectTypePictureGraphic = 20,
    VtObjectTypeNumberVariable = 21,
    VtObjectTypeStringVariable = 22,
    VtObjectTypeFontAttribute = 23,
    VtObjectTypeLineAttribute = 24,
    VtObjectTypeFillAttribute = 25,
    VtObjectTypeInputAttribute = 26,
    VtObjectTypePointer = 27,
    VtObjectTypeMacro = 28,
    VtObjectTypeAuxiliaryFunction = 29,
    VtObjectTypeAuxiliaryInput = 30,
    VtObjectTypeUnknown = 99,
};

// Number of object types (codes 0 to 30).
constexpr uint32_t VT_OBJECT_TYPE_COUNT = 31;

// Lookup of objects by ID, against which observers are resolved.
class VtObjectTable {
public:
    virtual ~VtObjectTable() = default;
    // The object stored under the ID, or null.
    virtual VtObject* getObject(uint32_t oid) const = 0;
};

class VtObject {
public:
    VtObject(uint32_t type, uint32_t oid);
    virtual ~VtObject();
    VtObject(const VtObject&) = delete;
    VtObject& operator=(const VtObject&) = delete;

    // Sets the attributes from a stream positioned after the ID and type
    // code. 0 when every field was read, 1 when the stream was short.
    virtual int read(VtMessageReader& reader) = 0;
    // Reads one attribute of a Change Attribute command and stores it: 0 when
    // the attribute is supported (even if its value was short), 2 when not.
    virtual int changeAttribute(int attribute, VtMessageReader& reader) = 0;
    // Appends the type's attributes in stream order (after the ID and type
    // code). 0 when every field fitted, 1 when one was refused.
    virtual int write(VtMessageWriter& writer) = 0;
    // Sets the object's size; types without a size ignore it.
    virtual void setSize(const VtSize& size) {}

    uint32_t getType() const { return type_; }
    uint32_t getOid() const { return oid_; }
    uint32_t getSerial() const { return serial_; }

    // The macro list, or null while the object has none.
    VtMacroRefList* getMacros() const { return macros_; }
    uint32_t getNumberOfMacros() const;
    // Replaces the macro list (the object takes ownership; null removes it).
    void setMacros(VtMacroRefList* macros);

    static const char* getTypeName(uint32_t type);
    static bool isInputObject(const VtObject* object);

    // Binds every observer of this object to the object its ID names in the
    // table; an ID naming no object leaves the observer unresolved.
    void resolveReferences(const VtObjectTable& table);

    // Makes this object the observer's target (moving it from a previous one).
    void attachObserver(VtObjectObserver* observer);
    // Unlinks the observer when this object is its target.
    void detachObserver(VtObjectObserver* observer);

    // First observer held by this object's attributes (most recent first).
    VtObjectObserver* getObserverChain() const { return observers_; }
    // Observers of other objects that point at this object.
    const VtObserverList& getReferrers() const { return referrers_; }
    VtObserverList& getReferrers() { return referrers_; }

    // Display elements of the object (the display layer of the terminal side).
    void linkDisplayElement(VtDisplayElement* element);
    VtDisplayElement* getDisplayElement() const;
    bool hasDisplayElements() const;
    VtDisplayElementList* getLinkList() const { return displayLinks_; }
    // Takes every display element of the object off the display; run before
    // the object is replaced or deleted.
    void detachAll();

    // Passes a change on: to the objects that refer to this one and, in turn,
    // to those that refer to them, then to the object's display elements for
    // redrawing (every object after those that refer to it). Each object is
    // reached once per change however many paths lead there, and reference
    // cycles in a received pool end.
    void notifyChanged();
    // The changes of several objects at once, in their order; an object that
    // an earlier one's change reached is not reached again.
    static void notifyChanged(const std::vector<VtObject*>& objects);

    // The pool list the object is in, or null.
    VtPoolList* getPoolList() const { return poolOwner_; }
    VtObject* getNextInPool() const { return poolNext_; }

private:
    friend class VtObjectObserver;
    friend class VtPoolList;

    uint32_t type_;
    uint32_t oid_;
    VtMacroRefList* macros_ = nullptr;
    uint32_t serial_;
    VtObjectObserver* observers_ = nullptr;
    VtObserverList referrers_;
    VtDisplayElementList* displayLinks_;
    bool notifying_ = false;
    VtObject* poolNext_ = nullptr;
    VtObject* poolPrev_ = nullptr;
    VtPoolList* poolOwner_ = nullptr;
};
