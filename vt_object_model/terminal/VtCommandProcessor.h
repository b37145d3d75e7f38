// The virtual terminal's side of ISO 11783-6: takes the messages a working
// set sends to a VT, keeps the working set's object pool in a table indexed
// by object ID, applies every command to the objects and the display layer,
// and sends the VT's responses, its VT status and its VT-to-ECU messages
// through a VtTransportHandler. It knows nothing of CAN: whole messages come
// in as byte blocks. Used as an in-process VT in tests.
#pragma once

#include "vt_object_model/VtMessageWriter.h"
#include "vt_object_model/VtObject.h"
#include "vt_object_model/VtPoolList.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

class VtDisplayElementCommand;
class VtDisplayInterface;
class VtLogger;
class VtMessageReader;
class VtString;
class VtSystemInterface;
class VtTransportHandler;

// Where a received object pool went wrong, reported in the End of Object
// Pool response until the next End of Object Pool.
struct VtPoolError {
    bool failed = false;
    uint32_t oid = VT_NULL_ID;
    // Offset of the failing record within its Object Pool Transfer message.
    uint32_t offset = 0;
    // ISO 11783-6 object pool error code: 1 object type not supported,
    // 4 any other error (a record that its message cannot hold).
    uint32_t code = 0;
};

class VtCommandProcessor : public VtObjectTable {
public:
    static constexpr uint32_t kTableSize = 65536;
    static constexpr uint32_t kNullAddress = 254;
    static constexpr uint32_t kGlobalAddress = 255;

    VtCommandProcessor();
    ~VtCommandProcessor() override;
    VtCommandProcessor(const VtCommandProcessor&) = delete;
    VtCommandProcessor& operator=(const VtCommandProcessor&) = delete;

    void setDisplayInterface(VtDisplayInterface* display) { display_ = display; }
    VtDisplayInterface* getDisplayInterface() const { return display_; }
    void setSystemInterface(VtSystemInterface* system) { system_ = system; }
    VtSystemInterface* getSystemInterface() const { return system_; }
    void setTransportHandler(VtTransportHandler* transport) { transport_ = transport; }
    VtTransportHandler* getTransportHandler() const { return transport_; }
    void setLogger(VtLogger* logger) { logger_ = logger; }
    VtLogger* getLogger() const { return logger_; }
    void setWorkingSetMaster(uint32_t address) { workingSetMaster_ = address; }
    uint32_t getWorkingSetMaster() const { return workingSetMaster_; }
    void setTrace(bool on) { trace_ = on; }

    // The object stored under the ID, or null.
    VtObject* getObject(uint32_t oid) const override;
    VtObject* getWorkingSet() const { return workingSet_; }
    // Stores the object under its ID (replacing and deleting the one there)
    // and puts it on the list of objects received since the last end of pool.
    void addObject(VtObject* object);
    void deleteAllObjects();

    // Processes one ECU-to-VT message. Returns 0.
    int process(const uint8_t* data, uint32_t length);
    int processMessage(VtMessageReader& reader);

    // Reads pool records (object ID, type, attributes) until the reader is
    // empty; stops at the first record that cannot be read, which is not kept
    // and is remembered as the pool's error. Returns 0 when every record was
    // read, -1 otherwise.
    int readPool(VtMessageReader& reader);
    const VtPoolError& getPoolError() const { return poolError_; }

    bool isWorkingSetTimedOut();
    void sendStatus();
    // 0 when sent; 11 without transport, 12 without system interface, 13
    // when the last status is less than 900 ms old.
    int sendStatusIfDue();

    // VT-to-ECU messages.
    void sendSoftKeyActivation(uint32_t activationCode, uint32_t keyOid, uint32_t maskOid, uint32_t keyCode);
    void sendButtonActivation(uint32_t activationCode, uint32_t buttonOid, uint32_t maskOid, uint32_t keyCode);
    void sendPointingEvent(uint32_t x, uint32_t y);
    void sendSelectInputObject(uint32_t oid, bool selected);
    void sendEsc(uint32_t oid, uint32_t errorCode);
    // The value as 1 byte (width 1), u16 (width 2) or u32 (otherwise).
    void sendChangeNumericValue(uint32_t oid, uint32_t value, uint32_t width);
    void sendChangeActiveMask(uint32_t maskOid, uint32_t errorCode, uint32_t faultyOid, uint32_t faultyParentOid);
    void sendChangeSoftKeyMask(uint32_t maskOid, uint32_t softKeyMaskOid, uint32_t errorCode);
    void sendChangeStringValue(uint32_t oid, const VtString& value);

    // Writes the table as one pool stream; 0, or -1 when it did not fit.
    int writePool(VtMessageWriter& writer);

    // Debug dumps through the logger: one object with its references and
    // children (indented by depth), and the masks on screen (or every object
    // when none is).
    void dumpObject(VtObject* object, int depth);
    void dumpCurrentMasks();

private:
    void setBusy(uint32_t code);
    void sendMessage(VtMessageWriter& writer, uint32_t destination);
    void startResponse(uint32_t code);
    void finishResponse() { response_.padFF(); }
    // A whole response: the code, the object ID and the bytes, padded.
    void respond(uint32_t code, uint32_t oid, std::initializer_list<uint32_t> bytes);
    // VT-to-ECU messages are built in the status writer and sent to the
    // working set master, padded with 255 (or 0).
    void startEvent(uint32_t function);
    void finishEvent(uint8_t padding = 0xFF);
    void sendActivation(uint32_t function, uint32_t activationCode, uint32_t oid, uint32_t maskOid, uint32_t keyCode);
    uint32_t now();
    void log(const char* format, ...);

    void commandEndOfObjectPool(bool respond);
    void commandEsc();
    void commandHideShow(VtMessageReader& reader);
    void commandEnableDisable(VtMessageReader& reader);
    void commandSelectInputObject(VtMessageReader& reader);
    void commandControlAudioSignal(VtMessageReader& reader);
    void commandSetAudioVolume(VtMessageReader& reader);
    void commandChangeChildLocation(VtMessageReader& reader);
    void commandChangeSize(VtMessageReader& reader);
    void commandChangeBackgroundColour(VtMessageReader& reader);
    void commandChangeNumericValue(VtMessageReader& reader);
    void commandChangeEndPoint(VtMessageReader& reader);
    void commandChangeFontAttributes(VtMessageReader& reader);
    void commandChangeLineAttributes(VtMessageReader& reader);
    void commandChangeFillAttributes(VtMessageReader& reader);
    void commandChangeActiveMask(VtMessageReader& reader);
    void commandChangeSoftKeyMask(VtMessageReader& reader);
    void commandChangeAttribute(VtMessageReader& reader);
    void commandChangePriority(VtMessageReader& reader);
    void commandChangeListItem(VtMessageReader& reader);
    void commandDeleteObjectPool();
    void commandChangeStringValue(VtMessageReader& reader);
    void commandChangeChildPosition(VtMessageReader& reader);
    // Moves the child's entries in the parent's child list (by x, y when
    // relative, else to x, y), gives the child's display elements the command
    // and answers with the code.
    void moveChild(uint32_t code, uint32_t parentOid, uint32_t childOid, int32_t x, int32_t y, bool relative,
                   VtDisplayElementCommand& command);
    void commandGetMemory(VtMessageReader& reader);
    void commandGetNumberOfSoftKeys();
    void commandGetTextFontData();
    void commandGetHardware();
    void commandStoreVersion(VtMessageReader& reader);
    void commandLoadVersion(VtMessageReader& reader);
    void commandDeleteVersion(VtMessageReader& reader);
    void commandGetVersions();
    void readVersionName(VtMessageReader& reader, VtString& name);
    void versionResponse(uint32_t code, uint32_t status);
    void dumpReference(const char* name, uint32_t oid, int depth);
    void dumpObject(VtObject* object, int depth, std::vector<VtObject*>& path);

    VtDisplayInterface* display_ = nullptr;
    VtSystemInterface* system_ = nullptr;
    VtTransportHandler* transport_ = nullptr;
    VtLogger* logger_ = nullptr;
    uint32_t workingSetMaster_ = kNullAddress;
    uint32_t lastMaintenance_ = 0;
    uint32_t lastStatus_ = 0;
    std::vector<VtObject*> table_;
    VtObject* workingSet_ = nullptr;
    bool trace_ = true;
    VtMessageWriter response_;
    VtMessageWriter status_;
    VtPoolList pending_;
    uint32_t busyCode_ = 0;
    uint32_t vtFunction_ = 0;
    VtPoolError poolError_;
};
