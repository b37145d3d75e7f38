// What the virtual terminal behind a VtCommandProcessor can do: memory, VT
// version, soft keys, hardware and data mask size, fonts, audio, and the
// store of saved pool versions, plus its millisecond clock. The base class
// answers with fixed defaults; a terminal back end overrides what differs.
//
// getFontSizePixels, the character cell of an ISO 11783-6 font size code, is
// also used on the implement side to size output strings.
#pragma once

#include "vt_object_model/VtSize.h"

#include <cstdint>

class VtMessageReader;
class VtMessageWriter;
class VtString;

class VtSystemInterface {
public:
    // Audio answer meaning that the audio device is busy.
    static constexpr int kAudioBusy = 10;

    VtSystemInterface();
    virtual ~VtSystemInterface() = default;

    // Milliseconds of a monotonic clock (0 here).
    virtual uint32_t getTimeMs();
    virtual uint64_t getAvailableMemory();
    virtual uint32_t getVtVersion();
    virtual void getSoftKeyData(uint32_t& physicalKeys, uint32_t& virtualKeys, VtSize& keySize);
    // Soft keys that page through the soft key mask rather than act (none here).
    virtual uint32_t getNavigationSoftKeys() { return navigationSoftKeys_; }
    virtual void getHardware(uint32_t& graphicType, uint32_t& hardwareFlags, VtSize& dataMaskSize);
    virtual void getTextFontData(uint32_t& smallFonts, uint32_t& largeFonts, uint32_t& fontTypeAttributes);

    // Stored pool versions; a status of 0 means success.
    virtual uint32_t getVersionCount();
    virtual int getVersionName(uint32_t index, VtString& name);
    virtual int loadVersion(const VtString& name, VtMessageReader& pool);
    virtual int storeVersion(const VtString& name, VtMessageWriter& pool);
    virtual int deleteVersion(const VtString& name);

    // Audio; kAudioBusy when the device is busy, anything else counts as done.
    virtual int controlAudioSignal(uint32_t repetitions, uint32_t frequencyHz, uint32_t onTimeMs, uint32_t offTimeMs);
    virtual int setAudioVolume(uint32_t percent);

    void setDataMaskSize(const VtSize& size) { dataMaskSize_ = size; }
    const VtSize& getDataMaskSize() const { return dataMaskSize_; }
    void setSoftKeySize(const VtSize& size) { softKeySize_ = size; }
    const VtSize& getSoftKeySize() const { return softKeySize_; }
    void setPhysicalSoftKeys(uint32_t count) { physicalSoftKeys_ = count; }
    void setVirtualSoftKeys(uint32_t count) { virtualSoftKeys_ = count; }
    void setNavigationSoftKeys(uint32_t count) { navigationSoftKeys_ = count; }
    // Adds a font size code (0 to 14) to the fonts offered; others are ignored.
    void addFontSize(uint32_t code);

    // Character cell in pixels of a font size code; 8 x 8 above code 14.
    static void getFontSizePixels(uint32_t code, uint32_t& width, uint32_t& height);

private:
    VtSize dataMaskSize_{200, 200};
    VtSize softKeySize_{60, 32};
    uint32_t physicalSoftKeys_ = 8;
    uint32_t virtualSoftKeys_ = 8;
    uint32_t navigationSoftKeys_ = 0;
    uint32_t smallFonts_ = 0;
    uint32_t largeFonts_ = 0;
};
