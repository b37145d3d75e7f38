#include "vt_object_model/terminal/VtCommandProcessor.h"

#include "vt_object_model/VtLogger.h"
#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/VtObjects.h"
#include "vt_object_model/VtPoolWriter.h"
#include "vt_object_model/terminal/VtDisplayElement.h"
#include "vt_object_model/terminal/VtDisplayElementCommand.h"
#include "vt_object_model/terminal/VtDisplayInterface.h"
#include "vt_object_model/terminal/VtSystemInterface.h"
#include "vt_object_model/terminal/VtTransportHandler.h"

#include <cstdarg>

namespace {

constexpr uint32_t kMessageCapacity = 1785;
constexpr uint32_t kVersionNameLength = 7;
constexpr uint32_t kStoreCapacity = 1000000;
constexpr int32_t kStatusIntervalMs = 900;
constexpr int32_t kWorkingSetTimeoutMs = 5000;

// ISO 11783-6 error bits of the version and pool answers.
constexpr uint32_t kPoolErrorUnsupported = 1;
constexpr uint32_t kPoolErrorOther = 4;
constexpr uint32_t kStoreInsufficientMemory = 4;
constexpr uint32_t kVersionOtherError = 8;
constexpr uint32_t kLoadPoolCorrupt = 1;
constexpr uint32_t kLoadUnknownVersion = 2;

// ISO 11783-6 error bits of the runtime commands' answers.
constexpr uint32_t kHideShowInvalidObject = 2;
constexpr uint32_t kHideShowInvalidCommand = 4;
constexpr uint32_t kEnableInvalidObject = 2;
constexpr uint32_t kEnableInvalidCommand = 4;
constexpr uint32_t kSelectDisabled = 1;
constexpr uint32_t kSelectInvalidObject = 2;
constexpr uint32_t kSelectNotOnActiveMask = 4;
constexpr uint32_t kNumericInvalidObject = 1;
constexpr uint32_t kActiveMaskInvalidWorkingSet = 1;
constexpr uint32_t kActiveMaskInvalidMask = 2;
constexpr uint32_t kStringInvalidObject = 2;
constexpr uint32_t kMoveInvalidParent = 1;
constexpr uint32_t kMoveInvalidChild = 2;
constexpr uint32_t kSizeInvalidObject = 1;
constexpr uint32_t kColourInvalidObject = 1;
constexpr uint32_t kSoftKeyInvalidMask = 1;
constexpr uint32_t kSoftKeyInvalidSoftKeyMask = 2;
constexpr uint32_t kListInvalidList = 1;
constexpr uint32_t kListInvalidIndex = 2;
constexpr uint32_t kListInvalidNewObject = 4;

// The child lists that Change Child Location and Change Child Position move
// entries in: those of the working set, the masks, the container and the
// button.
VtObjectRefList* placedChildsOf(VtObject* object)
{
    switch (object->getType()) {
    case VtObjectTypeWorkingSet:
    case VtObjectTypeDataMask:
    case VtObjectTypeAlarmMask:
    case VtObjectTypeContainer:
    case VtObjectTypeButton: return vtChildRefsOf(object);
    default: return nullptr;
    }
}

// True when the parent's child list places the child.
bool placesChild(VtObject* parent, uint32_t childOid)
{
    VtObjectRefList* childs = vtChildRefsOf(parent);
    for (uint32_t i = 0; childs != nullptr && i < childs->size(); ++i)
        if (childs->at(i)->oid == childOid)
            return true;
    return false;
}

// The types whose size Change Size sets: the container and the types from
// the button to the picture graphic.
bool hasChangeableSize(const VtObject* object)
{
    const uint32_t type = object->getType();
    return type == VtObjectTypeContainer || (type >= VtObjectTypeButton && type <= VtObjectTypePictureGraphic);
}

// The object type that a Change Soft Key Mask mask type names: 1 a data
// mask, 2 an alarm mask; no type for any other value.
uint32_t maskTypeObject(uint32_t maskType)
{
    switch (maskType) {
    case 1: return VtObjectTypeDataMask;
    case 2: return VtObjectTypeAlarmMask;
    default: return VT_OBJECT_TYPE_COUNT;
    }
}

int applyToElements(VtObject* object, VtDisplayElementCommand& command)
{
    return object->getLinkList()->apply(command);
}

// Applies the display command On to the object's elements when on is true,
// else the command Off.
template <class On, class Off>
void applyOnOrOff(VtObject* object, bool on)
{
    On onCommand;
    Off offCommand;
    applyToElements(object, on ? static_cast<VtDisplayElementCommand&>(onCommand) : offCommand);
}

// A numeric value in its width: 1 byte, u16 for 2, u32 for 4; nothing for
// any other width.
void writeNumber(VtMessageWriter& writer, uint32_t value, uint32_t width)
{
    if (width == 1)
        writer.writeByte(value, "value");
    else if (width == 2)
        writer.writeUShort(value, "value");
    else if (width == 4)
        writer.writeUInt(value, "value");
}

// Reads a Change Numeric Value value of width bytes (1, 2 or 4) and stores
// it in the object of type T; returns the width.
template <class T>
uint32_t setNumericValue(VtObject* object, VtMessageReader& reader, uint32_t width, uint32_t& value)
{
    if (width == 1)
        reader.readByte(value, "value");
    else if (width == 2)
        reader.readUShort(value, "value");
    else
        reader.readUInt(value, "value");
    static_cast<T*>(object)->setValue(value);
    return width;
}

} // namespace

VtCommandProcessor::VtCommandProcessor()
    : table_(kTableSize, nullptr), response_(kMessageCapacity, nullptr), status_(kMessageCapacity, nullptr)
{
}

VtCommandProcessor::~VtCommandProcessor()
{
    deleteAllObjects();
}

VtObject* VtCommandProcessor::getObject(uint32_t oid) const
{
    return oid < kTableSize ? table_[oid] : nullptr;
}

void VtCommandProcessor::addObject(VtObject* object)
{
    if (object == nullptr || object->getOid() >= kTableSize) {
        delete object;
        return;
    }
    VtObject*& slot = table_[object->getOid()];
    if (slot != nullptr) {
        if (slot == workingSet_)
            workingSet_ = nullptr;
        slot->detachAll();
        delete slot;
    }
    slot = object;
    pending_.append(object);
    if (object->getType() == VtObjectTypeWorkingSet)
        workingSet_ = object;
}

void VtCommandProcessor::deleteAllObjects()
{
    for (VtObject*& object : table_) {
        if (object == nullptr)
            continue;
        object->detachAll();
        delete object;
        object = nullptr;
    }
    workingSet_ = nullptr;
}

uint32_t VtCommandProcessor::now()
{
    return system_ != nullptr ? system_->getTimeMs() : 0;
}

void VtCommandProcessor::log(const char* format, ...)
{
    if (logger_ == nullptr)
        return;
    va_list args;
    va_start(args, format);
    logger_->vprint(format, args);
    va_end(args);
}

void VtCommandProcessor::sendMessage(VtMessageWriter& writer, uint32_t destination)
{
    if (transport_ != nullptr && writer.getLength() > 0)
        transport_->send(destination, writer.getData(), writer.getLength());
}

int VtCommandProcessor::process(const uint8_t* data, uint32_t length)
{
    VtMessageReader reader(logger_);
    reader.setData(data, length);
    return processMessage(reader);
}

void VtCommandProcessor::setBusy(uint32_t code)
{
    uint32_t busy = 0;
    switch (code) {
    case 18: busy = 1; break;
    case 208: busy = 2; break;
    case 17:
    case 209: busy = 4; break;
    default: break;
    }
    uint32_t function = busy != 0 ? code : 0;
    if (busy == busyCode_ && function == vtFunction_)
        return;
    busyCode_ = busy;
    vtFunction_ = function;
    sendStatus();
}

int VtCommandProcessor::processMessage(VtMessageReader& reader)
{
    uint32_t code = 0;
    reader.readByte(code, "command");
    response_.reset();
    setBusy(code);
    switch (code) {
    case 17: readPool(reader); break;
    case 18: commandEndOfObjectPool(true); break;
    case 146: commandEsc(); break;
    case 160: commandHideShow(reader); break;
    case 161: commandEnableDisable(reader); break;
    case 162: commandSelectInputObject(reader); break;
    case 163: commandControlAudioSignal(reader); break;
    case 164: commandSetAudioVolume(reader); break;
    case 165: commandChangeChildLocation(reader); break;
    case 166: commandChangeSize(reader); break;
    case 167: commandChangeBackgroundColour(reader); break;
    case 168: commandChangeNumericValue(reader); break;
    case 169: commandChangeEndPoint(reader); break;
    case 170: commandChangeFontAttributes(reader); break;
    case 171: commandChangeLineAttributes(reader); break;
    case 172: commandChangeFillAttributes(reader); break;
    case 173: commandChangeActiveMask(reader); break;
    case 174: commandChangeSoftKeyMask(reader); break;
    case 175: commandChangeAttribute(reader); break;
    case 176: commandChangePriority(reader); break;
    case 177: commandChangeListItem(reader); break;
    case 178: commandDeleteObjectPool(); break;
    case 179: commandChangeStringValue(reader); break;
    case 180: commandChangeChildPosition(reader); break;
    case 192: commandGetMemory(reader); break;
    case 194: commandGetNumberOfSoftKeys(); break;
    case 195: commandGetTextFontData(); break;
    case 199: commandGetHardware(); break;
    case 208: commandStoreVersion(reader); break;
    case 209: commandLoadVersion(reader); break;
    case 210: commandDeleteVersion(reader); break;
    case 223: commandGetVersions(); break;
    case 255:
        if (system_ != nullptr)
            lastMaintenance_ = now();
        break;
    default: break;
    }
    sendMessage(response_, workingSetMaster_);
    setBusy(0);
    return 0;
}

// ---------------------------------------------------------------------------
// Object pool

int VtCommandProcessor::readPool(VtMessageReader& reader)
{
    const bool tracing = logger_ != nullptr && trace_;
    if (tracing)
        log("Reading Object Pool ...\n");
    int records = 0;
    while (reader.getRemaining() > 0) {
        if (++records >= 100) {
            sendStatusIfDue();
            records = 0;
        }
        const uint32_t offset = reader.getPosition();
        uint32_t oid = VT_NULL_ID;
        uint32_t type = 0;
        if (!reader.readOid(oid, "oid") || !reader.readByte(type, "type")) {
            log("Object pool record cut short (oid=%d, offset=%u)\n", int(oid), offset);
            poolError_ = VtPoolError{true, oid, offset, kPoolErrorOther};
            return -1;
        }
        if (tracing)
            log("Got oid=%d, type=%d (%s)\n", int(oid), int(type), VtObject::getTypeName(type));
        VtObject* object = createVtObject(type, oid);
        if (object == nullptr) {
            log("Creation of VtObject failed - invalid data (oid=%d, t=%d)\n", int(oid), int(type));
            poolError_ = VtPoolError{true, oid, offset, kPoolErrorUnsupported};
            return -1;
        }
        int result = object->read(reader);
        if (result != 0) {
            // A record that its message cannot hold is dropped whole.
            log("Setup of VtObject failed - invalid data (res=%d, oid=%d, offset=%u)\n", result, int(oid), offset);
            delete object;
            poolError_ = VtPoolError{true, oid, offset, kPoolErrorOther};
            return -1;
        }
        if (object->getNumberOfMacros() > 0)
            log("Oid %d: Macros=%d\n", int(oid), int(object->getNumberOfMacros()));
        addObject(object);
        if (tracing) {
            auto listChilds = [this](auto& childs) {
                log("  Childs=%d\n", int(childs.size()));
                for (uint32_t i = 0; i < childs.size(); ++i)
                    log("  %2u: OID=%d\n", i, int(childs.at(i)->oid));
            };
            if (VtObjectRefList* childs = type == VtObjectTypeWorkingSet ? nullptr : placedChildsOf(object))
                listChilds(*childs);
            else if (type == VtObjectTypeSoftKeyMask)
                listChilds(static_cast<VtObjectSoftKeyMask*>(object)->getChilds());
        }
    }
    return 0;
}

void VtCommandProcessor::commandEndOfObjectPool(bool respond)
{
    log("commandEndOfObjectPool (di=%p, ws=%p)\n", static_cast<void*>(display_), static_cast<void*>(workingSet_));
    if (display_ != nullptr && workingSet_ != nullptr) {
        const uint32_t remembered = display_->getActiveMaskId();
        log("resolveObservers\n");
        for (VtObject* object : table_)
            if (object != nullptr)
                object->resolveReferences(*this);
        log("createDisplayElements\n");
        std::vector<VtObject*> added;
        while (VtObject* object = pending_.getHead()) {
            pending_.remove(object);
            added.push_back(object);
        }
        VtObject::notifyChanged(added);
        display_->setActiveMask(remembered);
        if (display_->getActiveMaskId() == VT_NULL_ID && workingSet_ != nullptr) {
            uint32_t activeMask = static_cast<VtObjectWorkingSet*>(workingSet_)->getActiveMask();
            log("CHANGE activeMask, %d\n", int(activeMask));
            display_->setActiveMask(activeMask);
        }
    }
    if (respond) {
        startResponse(18);
        response_.writeByte(poolError_.failed ? 1 : 0, "error_codes");
        response_.writeOid(VT_NULL_ID, "parent_oid");
        response_.writeOid(poolError_.failed ? poolError_.oid : VT_NULL_ID, "faulty_oid");
        response_.writeByte(poolError_.failed ? poolError_.code : 0, "pool_error_codes");
        finishResponse();
    }
    poolError_ = VtPoolError{};
}

int VtCommandProcessor::writePool(VtMessageWriter& writer)
{
    return writeVtObjectPool(writer, table_.data(), table_.size());
}

// ---------------------------------------------------------------------------
// Status and VT-to-ECU messages

bool VtCommandProcessor::isWorkingSetTimedOut()
{
    return int32_t(now() - lastMaintenance_) > kWorkingSetTimeoutMs;
}

void VtCommandProcessor::sendStatus()
{
    status_.reset();
    status_.writeByte(254, "function");
    status_.writeByte(workingSetMaster_, "ws_master");
    status_.writeOid(display_ != nullptr ? display_->getActiveMaskId() : VT_NULL_ID, "active_mask");
    status_.writeOid(display_ != nullptr ? display_->getSoftKeyMaskId() : VT_NULL_ID, "soft_key_mask");
    status_.writeByte(busyCode_, "busy_code");
    status_.writeByte(vtFunction_, "vt_function");
    status_.padFF();
    sendMessage(status_, kGlobalAddress);
}

int VtCommandProcessor::sendStatusIfDue()
{
    if (transport_ == nullptr)
        return 11;
    if (system_ == nullptr)
        return 12;
    uint32_t time = now();
    if (int32_t(time - lastStatus_) < kStatusIntervalMs)
        return 13;
    lastStatus_ = time;
    sendStatus();
    return 0;
}

void VtCommandProcessor::sendSoftKeyActivation(uint32_t activationCode, uint32_t keyOid, uint32_t maskOid,
                                               uint32_t keyCode)
{
    sendActivation(0, activationCode, keyOid, maskOid, keyCode);
}

void VtCommandProcessor::sendButtonActivation(uint32_t activationCode, uint32_t buttonOid, uint32_t maskOid,
                                              uint32_t keyCode)
{
    sendActivation(1, activationCode, buttonOid, maskOid, keyCode);
}

void VtCommandProcessor::sendActivation(uint32_t function, uint32_t activationCode, uint32_t oid, uint32_t maskOid,
                                        uint32_t keyCode)
{
    startEvent(function);
    status_.writeByte(activationCode, "activation_code");
    status_.writeOid(oid, "oid");
    status_.writeOid(maskOid, "parent_oid");
    status_.writeByte(keyCode, "key code");
    finishEvent();
}

void VtCommandProcessor::startEvent(uint32_t function)
{
    status_.reset();
    status_.writeByte(function, "function");
}

void VtCommandProcessor::finishEvent(uint8_t padding)
{
    if (padding == 0)
        status_.padZero();
    else
        status_.padFF();
    sendMessage(status_, workingSetMaster_);
}

void VtCommandProcessor::sendPointingEvent(uint32_t x, uint32_t y)
{
    startEvent(2);
    status_.writeUShort(x, "x");
    status_.writeUShort(y, "y");
    finishEvent();
}

void VtCommandProcessor::sendSelectInputObject(uint32_t oid, bool selected)
{
    startEvent(3);
    status_.writeOid(oid, "oid");
    status_.writeByte(selected ? 1 : 0, "selected");
    finishEvent();
}

void VtCommandProcessor::sendEsc(uint32_t oid, uint32_t errorCode)
{
    startEvent(4);
    status_.writeOid(oid, "oid");
    status_.writeByte(errorCode, "error_code");
    finishEvent();
}

void VtCommandProcessor::sendChangeNumericValue(uint32_t oid, uint32_t value, uint32_t width)
{
    startEvent(5);
    status_.writeOid(oid, "oid");
    status_.writeByte(255, "reserved");
    writeNumber(status_, value, width == 1 || width == 2 ? width : 4);
    finishEvent(0);
}

void VtCommandProcessor::sendChangeActiveMask(uint32_t maskOid, uint32_t errorCode, uint32_t faultyOid,
                                              uint32_t faultyParentOid)
{
    startEvent(6);
    status_.writeOid(maskOid, "oid");
    status_.writeByte(errorCode, "error_code");
    status_.writeOid(faultyOid, "faulty_oid");
    status_.writeOid(faultyParentOid, "faulty_parent_oid");
    finishEvent();
}

void VtCommandProcessor::sendChangeSoftKeyMask(uint32_t maskOid, uint32_t softKeyMaskOid, uint32_t errorCode)
{
    startEvent(7);
    status_.writeOid(maskOid, "oid");
    status_.writeOid(softKeyMaskOid, "soft_key_mask");
    status_.writeByte(errorCode, "error_code");
    finishEvent();
}

void VtCommandProcessor::sendChangeStringValue(uint32_t oid, const VtString& value)
{
    VtString text(value);
    text.truncate(255);
    startEvent(8);
    status_.writeOid(oid, "oid");
    status_.writeStringL1(text, "value");
    finishEvent();
}

// ---------------------------------------------------------------------------
// Commands

void VtCommandProcessor::startResponse(uint32_t code)
{
    response_.reset();
    response_.writeByte(code, "function");
}

void VtCommandProcessor::respond(uint32_t code, uint32_t oid, std::initializer_list<uint32_t> bytes)
{
    startResponse(code);
    response_.writeOid(oid, "oid");
    for (uint32_t byte : bytes)
        response_.writeByte(byte, "value");
    finishResponse();
}

void VtCommandProcessor::commandEsc()
{
    uint32_t oid = VT_NULL_ID;
    uint32_t error = 1;
    VtDisplayElement* selected = display_ != nullptr ? display_->getSelectedElement() : nullptr;
    if (selected != nullptr && VtObject::isInputObject(selected->getObject())) {
        oid = selected->getOid();
        selected->close();
        error = 0;
    }
    respond(146, oid, {error});
}

void VtCommandProcessor::commandHideShow(VtMessageReader& reader)
{
    uint32_t oid = VT_NULL_ID;
    uint32_t state = 0;
    reader.readOid(oid, "oid");
    reader.readByte(state, "state");
    VtObject* object = getObject(oid);
    uint32_t error = 0;
    if (object == nullptr)
        error = kHideShowInvalidObject;
    else if (state > 1)
        error = kHideShowInvalidCommand;
    if (error == 0) {
        if (object->getType() == VtObjectTypeContainer)
            static_cast<VtObjectContainer*>(object)->setHidden(state == 0);
        applyOnOrOff<VtDisplayElementCommandShow, VtDisplayElementCommandHide>(object, state == 1);
        object->notifyChanged();
    }
    respond(160, oid, {state, error});
}

void VtCommandProcessor::commandEnableDisable(VtMessageReader& reader)
{
    uint32_t oid = VT_NULL_ID;
    uint32_t state = 0;
    reader.readOid(oid, "oid");
    reader.readByte(state, "state");
    VtObject* object = getObject(oid);
    uint32_t error = 0;
    if (object == nullptr || !(vtHasEnabledState(object) || object->hasDisplayElements()))
        error = kEnableInvalidObject;
    else if (state > 1)
        error = kEnableInvalidCommand;
    if (error == 0) {
        vtSetEnabled(object, state == 1);
        applyOnOrOff<VtDisplayElementCommandEnable, VtDisplayElementCommandDisable>(object, state == 1);
    }
    respond(161, oid, {state, error});
}

void VtCommandProcessor::commandSelectInputObject(VtMessageReader& reader)
{
    uint32_t oid = VT_NULL_ID;
    reader.readOid(oid, "oid");
    VtObject* object = getObject(oid);
    uint32_t error = 0;
    if (!VtObject::isInputObject(object)) {
        error = kSelectInvalidObject;
    } else if (!object->hasDisplayElements()) {
        error = kSelectNotOnActiveMask;
    } else {
        VtDisplayElement* element = object->getDisplayElement();
        if (!element->isEnabled())
            error = kSelectDisabled;
        else if (!element->isOnActiveMask())
            error = kSelectNotOnActiveMask;
        else
            element->select();
    }
    // The response byte: 1 when the object is now selected.
    respond(162, oid, {error == 0 ? 1u : 0u, error});
}

void VtCommandProcessor::commandControlAudioSignal(VtMessageReader& reader)
{
    uint32_t repetitions = 0, frequency = 0, onTime = 0, offTime = 0;
    reader.readByte(repetitions, "number_repetitions");
    reader.readUShort(frequency, "frequency_hz");
    reader.readUShort(onTime, "on_time_ms");
    reader.readUShort(offTime, "off_time_ms");
    uint32_t error = 16;
    if (system_ != nullptr)
        error = system_->controlAudioSignal(repetitions, frequency, onTime, offTime) == VtSystemInterface::kAudioBusy
                    ? 1
                    : 0;
    startResponse(163);
    response_.writeByte(error, "error");
    finishResponse();
}

void VtCommandProcessor::commandSetAudioVolume(VtMessageReader& reader)
{
    uint32_t volume = 0;
    reader.readByte(volume, "volume");
    uint32_t error = 16;
    if (system_ != nullptr)
        error = system_->setAudioVolume(volume) == VtSystemInterface::kAudioBusy ? 1 : 0;
    startResponse(164);
    response_.writeByte(error, "error");
    finishResponse();
}

void VtCommandProcessor::commandChangeChildLocation(VtMessageReader& reader)
{
    uint32_t parentOid = VT_NULL_ID, childOid = VT_NULL_ID, dx = 0, dy = 0;
    reader.readOid(parentOid, "parent_oid");
    reader.readOid(childOid, "oid");
    reader.readByte(dx, "dx");
    reader.readByte(dy, "dy");
    const int32_t moveX = int32_t(dx) - 127;
    const int32_t moveY = int32_t(dy) - 127;
    VtDisplayElementCommandChangeChildLocation move(parentOid, moveX, moveY);
    moveChild(165, parentOid, childOid, moveX, moveY, true, move);
}

void VtCommandProcessor::commandChangeChildPosition(VtMessageReader& reader)
{
    uint32_t parentOid = VT_NULL_ID, childOid = VT_NULL_ID;
    int32_t x = 0, y = 0;
    reader.readOid(parentOid, "parent_oid");
    reader.readOid(childOid, "oid");
    reader.readSShort(x, "x");
    reader.readSShort(y, "y");
    VtDisplayElementCommandSetPosition position(parentOid, x, y);
    moveChild(180, parentOid, childOid, x, y, false, position);
}

void VtCommandProcessor::moveChild(uint32_t code, uint32_t parentOid, uint32_t childOid, int32_t x, int32_t y,
                                   bool relative, VtDisplayElementCommand& command)
{
    VtObject* parent = getObject(parentOid);
    VtObject* child = getObject(childOid);
    uint32_t error = (parent == nullptr ? kMoveInvalidParent : 0) | (child == nullptr ? kMoveInvalidChild : 0);
    // A parent that does not hold the child is not its parent.
    if (error == 0 && !placesChild(parent, childOid))
        error = kMoveInvalidParent;
    if (error == 0) {
        if (VtObjectRefList* childs = placedChildsOf(parent))
            childs->moveObject(childOid, x, y, relative);
        applyToElements(child, command);
        parent->notifyChanged();
    }
    startResponse(code);
    response_.writeOid(parentOid, "parent_oid");
    response_.writeOid(childOid, "oid");
    response_.writeByte(error, "error");
    finishResponse();
}

void VtCommandProcessor::commandChangeSize(VtMessageReader& reader)
{
    uint32_t oid = VT_NULL_ID;
    reader.readOid(oid, "oid");
    reader.mark();
    int32_t width = 0, height = 0;
    reader.readSShort(width, "width");
    reader.readSShort(height, "height");
    reader.restore();
    VtObject* object = getObject(oid);
    const uint32_t error = object != nullptr && hasChangeableSize(object) ? 0 : kSizeInvalidObject;
    if (error == 0) {
        object->changeAttribute(101, reader);
        if (object->hasDisplayElements()) {
            // The sizes travel as 16-bit values; read back as the object does.
            const VtSize size{uint16_t(width), uint16_t(height)};
            object->setSize(size);
            VtDisplayElementCommandChangeSize resize(size.width, size.height);
            applyToElements(object, resize);
        }
        object->notifyChanged();
    }
    respond(166, oid, {error});
}

void VtCommandProcessor::commandChangeBackgroundColour(VtMessageReader& reader)
{
    uint32_t oid = VT_NULL_ID;
    uint32_t colour = 0;
    reader.readOid(oid, "oid");
    reader.mark();
    reader.readByte(colour, "colour");
    reader.restore();
    VtObject* object = getObject(oid);
    // A type without a background colour is not a valid object for the command.
    const bool changed = object != nullptr && object->changeAttribute(100, reader) != 2;
    if (changed)
        object->notifyChanged();
    respond(167, oid, {colour, changed ? 0u : kColourInvalidObject});
}

void VtCommandProcessor::commandChangeNumericValue(VtMessageReader& reader)
{
    uint32_t oid = VT_NULL_ID;
    uint32_t reserved = 0;
    reader.readOid(oid, "oid");
    reader.readByte(reserved, "reserved");
    VtObject* object = getObject(oid);
    uint32_t value = 0;
    uint32_t width = 0; // bytes of the value in the response
    uint32_t error = object != nullptr ? 0 : kNumericInvalidObject;
    if (object != nullptr) {
        switch (object->getType()) {
        case VtObjectTypeInputFieldBoolean: {
            bool flag = false;
            reader.readBool(flag, "value");
            value = flag ? 1 : 0;
            static_cast<VtObjectInputFieldBoolean*>(object)->setValue(value);
            width = 1;
            break;
        }
        case VtObjectTypeInputFieldList:
            width = setNumericValue<VtObjectInputFieldList>(object, reader, 1, value);
            break;
        case VtObjectTypeInputFieldNumber:
            width = setNumericValue<VtObjectInputFieldNumber>(object, reader, 4, value);
            break;
        case VtObjectTypeOutputFieldNumber:
            width = setNumericValue<VtObjectOutputFieldNumber>(object, reader, 4, value);
            break;
        case VtObjectTypeNumberVariable:
            width = setNumericValue<VtObjectNumberVariable>(object, reader, 4, value);
            break;
        case VtObjectTypeMeter: width = setNumericValue<VtObjectMeter>(object, reader, 2, value); break;
        case VtObjectTypeLinearBarGraph:
            width = setNumericValue<VtObjectLinearBarGraph>(object, reader, 2, value);
            break;
        case VtObjectTypeArchedBarGraph:
            width = setNumericValue<VtObjectArchedBarGraph>(object, reader, 2, value);
            break;
        case VtObjectTypePointer: {
            auto* pointer = static_cast<VtObjectPointer*>(object);
            value = VT_NULL_ID;
            reader.readOid(value, "value");
            width = 2;
            if (value != pointer->getValue()) {
                VtObject* oldTarget = getObject(pointer->getValue());
                if (oldTarget != nullptr && oldTarget->hasDisplayElements() && pointer->hasDisplayElements()) {
                    VtDisplayElementCommandCloseChildsWithSelectedParent close(oid);
                    applyToElements(oldTarget, close);
                }
                pointer->setValue(value);
                pointer->resolveReferences(*this);
                VtDisplayElementCommandCreateNewChilds create(display_);
                applyToElements(pointer, create);
            }
            break;
        }
        default: error = kNumericInvalidObject; break; // the type has no numeric value
        }
        if (error == 0)
            object->notifyChanged();
    }
    startResponse(168);
    response_.writeOid(oid, "oid");
    response_.writeByte(error, "error");
    writeNumber(response_, value, width);
    response_.padZero();
}

void VtCommandProcessor::commandChangeEndPoint(VtMessageReader& reader)
{
    uint32_t oid = VT_NULL_ID, width = 0, height = 0, direction = 0;
    reader.readOid(oid, "oid");
    reader.readUShort(width, "width");
    reader.readUShort(height, "height");
    reader.readByte(direction, "line_direction");
    VtObject* object = getObject(oid);
    const bool isLine = object != nullptr && object->getType() == VtObjectTypeLine;
    uint32_t error = (direction >= 2 ? 2 : 0) | (isLine ? 0 : 1);
    if (error == 0) {
        auto* line = static_cast<VtObjectLine*>(object);
        line->setSize(VtSize(width, height));
        line->setLineDirection(direction);
        VtDisplayElementCommandChangeSize resize(width, height);
        applyToElements(object, resize);
        object->notifyChanged();
    }
    respond(169, oid, {error});
}

void VtCommandProcessor::commandChangeFontAttributes(VtMessageReader& reader)
{
    uint32_t oid = VT_NULL_ID, size = 0, type = 0, style = 0;
    VtColour colour;
    reader.readOid(oid, "oid");
    reader.readColour(colour, "font_colour");
    reader.readByte(size, "font_size");
    reader.readByte(type, "font_type");
    reader.readByte(style, "font_style");
    VtObject* object = getObject(oid);
    uint32_t error = 0;
    if (size >= 15)
        error |= 4;
    if (type != 0 && type != 1 && type != 255)
        error |= 8;
    if (style >= 128)
        error |= 16;
    if (object == nullptr || object->getType() != VtObjectTypeFontAttribute)
        error |= 1;
    if (error == 0) {
        auto* font = static_cast<VtObjectFontAttribute*>(object);
        font->setFontColour(colour);
        font->setFontSize(size);
        font->setFontType(type);
        font->setFontStyle(style);
        object->notifyChanged();
    }
    respond(170, oid, {error});
}

void VtCommandProcessor::commandChangeLineAttributes(VtMessageReader& reader)
{
    uint32_t oid = VT_NULL_ID, width = 0, art = 0;
    VtColour colour;
    reader.readOid(oid, "oid");
    reader.readColour(colour, "line_colour");
    reader.readByte(width, "line_width");
    reader.readUShort(art, "line_art");
    VtObject* object = getObject(oid);
    const bool found = object != nullptr && object->getType() == VtObjectTypeLineAttribute;
    if (found) {
        auto* line = static_cast<VtObjectLineAttribute*>(object);
        line->setLineColour(colour);
        line->setLineWidth(width);
        line->setLineArt(art);
        object->notifyChanged();
    }
    respond(171, oid, {found ? 0u : 1u});
}

void VtCommandProcessor::commandChangeFillAttributes(VtMessageReader& reader)
{
    uint32_t oid = VT_NULL_ID, type = 0, pattern = VT_NULL_ID;
    VtColour colour;
    reader.readOid(oid, "oid");
    reader.readByte(type, "fill_type");
    reader.readColour(colour, "fill_colour");
    reader.readOid(pattern, "fill_pattern");
    VtObject* object = getObject(oid);
    const bool found = object != nullptr && object->getType() == VtObjectTypeFillAttribute;
    uint32_t error = (type >= 4 ? 2 : 0) | (found ? 0 : 1);
    if (error == 0) {
        auto* fill = static_cast<VtObjectFillAttribute*>(object);
        fill->setFillColour(colour);
        fill->setFillPattern(pattern);
        fill->setFillType(type);
        object->notifyChanged();
    }
    respond(172, oid, {error});
}

void VtCommandProcessor::commandChangeActiveMask(VtMessageReader& reader)
{
    uint32_t workingSet = VT_NULL_ID, maskOid = VT_NULL_ID;
    reader.readOid(workingSet, "ws_oid");
    reader.readOid(maskOid, "mask_oid");
    uint32_t error = 0;
    if (workingSet_ == nullptr || workingSet != workingSet_->getOid())
        error |= kActiveMaskInvalidWorkingSet;
    if (!vtIsMask(getObject(maskOid)))
        error |= kActiveMaskInvalidMask;
    if (error == 0 && display_ != nullptr)
        display_->setActiveMask(maskOid);
    respond(173, maskOid, {error});
}

void VtCommandProcessor::commandChangeSoftKeyMask(VtMessageReader& reader)
{
    uint32_t maskType = 0, maskOid = VT_NULL_ID, softKeyMaskOid = VT_NULL_ID;
    reader.readByte(maskType, "mask_type");
    reader.readOid(maskOid, "mask_oid");
    reader.readOid(softKeyMaskOid, "soft_key_mask_oid");
    VtObject* mask = getObject(maskOid);
    VtObject* softKeyMask = getObject(softKeyMaskOid);
    uint32_t error = 0;
    if (mask == nullptr || mask->getType() != maskTypeObject(maskType))
        error |= kSoftKeyInvalidMask;
    // The null ID takes the soft key mask away.
    if (softKeyMaskOid != VT_NULL_ID && (softKeyMask == nullptr || softKeyMask->getType() != VtObjectTypeSoftKeyMask))
        error |= kSoftKeyInvalidSoftKeyMask;
    if (error == 0) {
        if (mask->getType() == VtObjectTypeDataMask)
            static_cast<VtObjectDataMask*>(mask)->setSoftKeyMask(softKeyMaskOid);
        else
            static_cast<VtObjectAlarmMask*>(mask)->setSoftKeyMask(softKeyMaskOid);
        if (display_ != nullptr && display_->getActiveMaskId() == maskOid)
            display_->setSoftKeyMask(softKeyMaskOid);
    }
    startResponse(174);
    response_.writeOid(maskOid, "mask_oid");
    response_.writeOid(softKeyMaskOid, "soft_key_mask_oid");
    response_.writeByte(error, "error");
    finishResponse();
}

void VtCommandProcessor::commandChangeAttribute(VtMessageReader& reader)
{
    uint32_t oid = VT_NULL_ID, attribute = 0;
    reader.readOid(oid, "oid");
    reader.readByte(attribute, "attribute_id");
    VtObject* object = getObject(oid);
    uint32_t error = 1;
    if (object != nullptr) {
        const bool wasEnabled = vtIsEnabled(object);
        error = object->changeAttribute(int(attribute), reader) == 2 ? 2 : 0;
        if (error == 0) {
            // An input's enabled byte changed by attribute shows as Enable/Disable Object does.
            if (vtIsEnabled(object) != wasEnabled)
                applyOnOrOff<VtDisplayElementCommandEnable, VtDisplayElementCommandDisable>(object, !wasEnabled);
            object->notifyChanged();
            if (attribute == 2 && vtIsMask(object) && display_ != nullptr && display_->getActiveMaskId() == oid)
                display_->setSoftKeyMask(vtSoftKeyMaskOf(object));
        }
    }
    respond(175, oid, {attribute, error});
}

void VtCommandProcessor::commandChangePriority(VtMessageReader& reader)
{
    uint32_t oid = VT_NULL_ID, priority = 0;
    reader.readOid(oid, "oid");
    reader.readByte(priority, "priority");
    VtObject* object = getObject(oid);
    const bool found = object != nullptr && object->getType() == VtObjectTypeAlarmMask;
    uint32_t error = (priority >= 3 ? 2 : 0) | (found ? 0 : 1);
    if (error == 0) {
        static_cast<VtObjectAlarmMask*>(object)->setPriority(priority);
        object->notifyChanged();
    }
    respond(176, oid, {priority, error});
}

void VtCommandProcessor::commandChangeListItem(VtMessageReader& reader)
{
    uint32_t oid = VT_NULL_ID, index = 0, newOid = VT_NULL_ID;
    reader.readOid(oid, "oid");
    reader.readByte(index, "list_index");
    reader.readOid(newOid, "new_oid");
    VtObject* object = getObject(oid);
    uint32_t error = 0;
    if (object == nullptr || object->getType() != VtObjectTypeInputFieldList)
        error |= kListInvalidList;
    else if (index >= static_cast<VtObjectInputFieldList*>(object)->getElements().size())
        error |= kListInvalidIndex;
    // The null ID leaves the entry empty.
    if (newOid != VT_NULL_ID && getObject(newOid) == nullptr)
        error |= kListInvalidNewObject;
    if (error == 0) {
        static_cast<VtObjectInputFieldList*>(object)->replaceElement(index, newOid);
        object->resolveReferences(*this);
        object->notifyChanged();
    }
    startResponse(177);
    response_.writeOid(oid, "oid");
    response_.writeByte(index, "list_index");
    response_.writeOid(newOid, "new_oid");
    response_.writeByte(error, "error");
    finishResponse();
}

void VtCommandProcessor::commandDeleteObjectPool()
{
    if (display_ != nullptr)
        display_->clearDisplay();
    deleteAllObjects();
    startResponse(178);
    response_.writeByte(0, "error");
    finishResponse();
}

void VtCommandProcessor::commandChangeStringValue(VtMessageReader& reader)
{
    uint32_t oid = VT_NULL_ID;
    VtString value;
    reader.readOid(oid, "oid");
    reader.readString(value, "value");
    VtObject* object = getObject(oid);
    uint32_t error = 0;
    switch (object != nullptr ? object->getType() : VT_OBJECT_TYPE_COUNT) {
    case VtObjectTypeInputFieldString:
        // An input string is written with a one-byte length.
        value.truncate(255);
        static_cast<VtObjectInputFieldString*>(object)->setValue(value);
        break;
    case VtObjectTypeStringVariable: static_cast<VtObjectStringVariable*>(object)->setValue(value); break;
    case VtObjectTypeOutputFieldString: static_cast<VtObjectOutputFieldString*>(object)->setValue(value); break;
    default: error = kStringInvalidObject; break; // missing, or a type without a string value
    }
    if (error == 0)
        object->notifyChanged();
    // Two reserved bytes lead the answer.
    startResponse(179);
    response_.writeUShort(0xFFFF, "reserved");
    response_.writeOid(oid, "oid");
    response_.writeByte(error, "error");
    finishResponse();
}

void VtCommandProcessor::commandGetMemory(VtMessageReader& reader)
{
    uint32_t reserved = 0, required = 0;
    reader.readByte(reserved, "reserved");
    const bool given = reader.readUInt(required, "required_memory") != 0;
    uint32_t version = system_ != nullptr ? system_->getVtVersion() : 0;
    uint32_t status = 1;
    if (system_ != nullptr && given && required <= system_->getAvailableMemory())
        status = 0;
    startResponse(192);
    response_.writeByte(version, "version");
    response_.writeByte(status, "status");
    finishResponse();
}

void VtCommandProcessor::commandGetNumberOfSoftKeys()
{
    uint32_t physical = 0, virtualKeys = 0, navigation = 0;
    VtSize keySize(0, 0);
    if (system_ != nullptr) {
        system_->getSoftKeyData(physical, virtualKeys, keySize);
        navigation = system_->getNavigationSoftKeys();
    }
    startResponse(194);
    response_.writeByte(navigation, "navigation_soft_keys");
    for (int i = 0; i < 2; ++i)
        response_.writeByte(255, "reserved");
    response_.writeByte(keySize.width, "x_dots");
    response_.writeByte(keySize.height, "y_dots");
    response_.writeByte(virtualKeys, "virtual_soft_keys");
    response_.writeByte(physical, "physical_soft_keys");
    finishResponse();
}

void VtCommandProcessor::commandGetTextFontData()
{
    uint32_t small = 0, large = 0, attributes = 0;
    if (system_ != nullptr)
        system_->getTextFontData(small, large, attributes);
    startResponse(195);
    for (int i = 0; i < 4; ++i)
        response_.writeByte(255, "reserved");
    response_.writeByte(small, "small_fonts");
    response_.writeByte(large, "large_fonts");
    response_.writeByte(attributes, "font_type_attributes");
    finishResponse();
}

void VtCommandProcessor::commandGetHardware()
{
    uint32_t graphicType = 0, flags = 0;
    VtSize size(0, 0);
    if (system_ != nullptr)
        system_->getHardware(graphicType, flags, size);
    startResponse(199);
    response_.writeByte(255, "reserved");
    response_.writeByte(graphicType, "graphic_type");
    response_.writeByte(flags, "hardware");
    response_.writeUShort(size.width, "x_pixels");
    response_.writeUShort(size.height, "y_pixels");
    finishResponse();
}

void VtCommandProcessor::readVersionName(VtMessageReader& reader, VtString& name)
{
    char text[kVersionNameLength + 1] = {};
    if (reader.readString(text, kVersionNameLength, "version_name"))
        name.assign(text, kVersionNameLength);
    else
        name.assign(nullptr, 0);
}

void VtCommandProcessor::versionResponse(uint32_t code, uint32_t status)
{
    startResponse(code);
    for (int i = 0; i < 4; ++i)
        response_.writeByte(255, "reserved");
    response_.writeByte(status, "status");
    finishResponse();
}

void VtCommandProcessor::commandStoreVersion(VtMessageReader& reader)
{
    VtString name;
    readVersionName(reader, name);
    uint32_t status = 0;
    if (system_ != nullptr) {
        VtMessageWriter image(kStoreCapacity, logger_);
        // A pool that does not fit is not stored cut short.
        if (writePool(image) != 0)
            status = kStoreInsufficientMemory;
        else if (system_->storeVersion(name, image) != 0)
            status = kVersionOtherError;
    }
    versionResponse(208, status);
}

void VtCommandProcessor::commandLoadVersion(VtMessageReader& reader)
{
    VtString name;
    readVersionName(reader, name);
    uint32_t status = kLoadUnknownVersion;
    if (system_ != nullptr) {
        VtMessageReader image(logger_);
        if (system_->loadVersion(name, image) == 0) {
            // A stored pool that no longer reads is corrupt, not unknown.
            status = readPool(image) == 0 ? 0 : kLoadPoolCorrupt;
            commandEndOfObjectPool(false);
        }
    }
    versionResponse(209, status);
}

void VtCommandProcessor::commandDeleteVersion(VtMessageReader& reader)
{
    VtString name;
    readVersionName(reader, name);
    uint32_t status = 0;
    if (system_ != nullptr && system_->deleteVersion(name) != 0)
        status = kVersionOtherError;
    versionResponse(210, status);
}

void VtCommandProcessor::commandGetVersions()
{
    uint32_t count = system_ != nullptr ? system_->getVersionCount() : 0;
    // As many names as one response holds (the count is one byte).
    const uint32_t fits = (kMessageCapacity - 2) / kVersionNameLength;
    if (count > fits)
        count = fits;
    startResponse(224);
    response_.writeByte(count, "count");
    for (uint32_t i = 0; i < count; ++i) {
        VtString name;
        if (system_->getVersionName(i, name) != 0)
            name.assign(nullptr, 0);
        char padded[kVersionNameLength];
        const char* text = name.c_str() != nullptr ? name.c_str() : "";
        uint32_t length = name.length() < kVersionNameLength ? name.length() : kVersionNameLength;
        for (uint32_t c = 0; c < kVersionNameLength; ++c)
            padded[c] = c < length ? text[c] : ' ';
        response_.writeData(reinterpret_cast<const uint8_t*>(padded), kVersionNameLength, "version_name");
    }
    finishResponse();
}
