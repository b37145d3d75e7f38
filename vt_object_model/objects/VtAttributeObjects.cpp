#include "vt_object_model/objects/VtAttributeObjects.h"

#include "vt_object_model/VtObjectStreaming.h"

template <class Io>
void VtObjectFontAttribute::transfer(Io& io)
{
    uint32_t nMacros = getNumberOfMacros();
    io.colour(fontColour_, "font_colour");
    io.byte(fontSize_, "font_size");
    io.byte(fontType_, "font_type");
    io.byte(fontStyle_, "font_style");
    io.count8(nMacros, "n_macros");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectFontAttribute)

template <class Io>
void VtObjectLineAttribute::transfer(Io& io)
{
    uint32_t nMacros = getNumberOfMacros();
    io.colour(lineColour_, "line_colour");
    io.byte(lineWidth_, "line_width");
    io.ushort(lineArt_, "line_art");
    io.count8(nMacros, "n_macros");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectLineAttribute)

VtObjectFillAttribute::VtObjectFillAttribute(uint32_t oid) : VtObject(VtObjectTypeFillAttribute, oid)
{
    fillPatternObserver_.attachToHolder(this);
}

template <class Io>
void VtObjectFillAttribute::transfer(Io& io)
{
    uint32_t nMacros = getNumberOfMacros();
    io.byte(fillType_, "fill_type");
    io.colour(fillColour_, "fill_colour");
    io.observed(fillPattern_, fillPatternObserver_, "fill_pattern");
    io.count8(nMacros, "n_macros");
    io.macros(*this, nMacros);
    if (!Io::reading)
        fillPatternObserver_.setOid(fillPattern_);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectFillAttribute)

template <class Io>
void VtObjectInputAttribute::transfer(Io& io)
{
    uint32_t nMacros = getNumberOfMacros();
    io.byte(validationType_, "validation_type");
    io.stringL1(validationString_, "validation_string");
    io.count8(nMacros, "n_macros");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectInputAttribute)
