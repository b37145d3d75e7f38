#include "vt_object_model/terminal/VtSystemInterface.h"

VtSystemInterface::VtSystemInterface()
{
    addFontSize(0);
    addFontSize(1);
}

uint32_t VtSystemInterface::getTimeMs()
{
    return 0;
}

uint64_t VtSystemInterface::getAvailableMemory()
{
    return 268435456;
}

uint32_t VtSystemInterface::getVtVersion()
{
    return 2;
}

void VtSystemInterface::getSoftKeyData(uint32_t& physicalKeys, uint32_t& virtualKeys, VtSize& keySize)
{
    physicalKeys = physicalSoftKeys_;
    virtualKeys = virtualSoftKeys_;
    keySize = softKeySize_;
}

void VtSystemInterface::getHardware(uint32_t& graphicType, uint32_t& hardwareFlags, VtSize& dataMaskSize)
{
    graphicType = 2;
    hardwareFlags = 15;
    dataMaskSize = dataMaskSize_;
}

void VtSystemInterface::getTextFontData(uint32_t& smallFonts, uint32_t& largeFonts, uint32_t& fontTypeAttributes)
{
    smallFonts = smallFonts_;
    largeFonts = largeFonts_;
    fontTypeAttributes = 0xFB;
}

uint32_t VtSystemInterface::getVersionCount()
{
    return 0;
}

int VtSystemInterface::getVersionName(uint32_t, VtString&)
{
    return 1;
}

int VtSystemInterface::loadVersion(const VtString&, VtMessageReader&)
{
    return 1;
}

int VtSystemInterface::storeVersion(const VtString&, VtMessageWriter&)
{
    return 1;
}

int VtSystemInterface::deleteVersion(const VtString&)
{
    return 1;
}

int VtSystemInterface::controlAudioSignal(uint32_t, uint32_t, uint32_t, uint32_t)
{
    return 0;
}

int VtSystemInterface::setAudioVolume(uint32_t)
{
    return 0;
}

void VtSystemInterface::addFontSize(uint32_t code)
{
    if (code <= 7)
        smallFonts_ |= 1u << code;
    else if (code <= 14)
        largeFonts_ |= 1u << (code - 8);
}

void VtSystemInterface::getFontSizePixels(uint32_t code, uint32_t& width, uint32_t& height)
{
    static const uint8_t cells[15][2] = {
        {6, 8},   {8, 8},   {8, 12},  {12, 16}, {16, 16},  {16, 24},  {24, 32},   {32, 32},
        {32, 48}, {48, 64}, {64, 64}, {64, 96}, {96, 128}, {128, 128}, {128, 192},
    };
    if (code > 14) {
        width = height = 8;
        return;
    }
    width = cells[code][0];
    height = cells[code][1];
}
