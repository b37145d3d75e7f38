// Small commands that a VT command applies to every display element of an
// object (VtDisplayElementList::apply). A negative result stops the walk.
#pragma once

#include <cstdint>

class VtDisplayElement;
class VtDisplayInterface;

class VtDisplayElementCommand {
public:
    virtual ~VtDisplayElementCommand() = default;
    virtual int execute(VtDisplayElement* element) = 0;
};

class VtDisplayElementCommandHide : public VtDisplayElementCommand {
public:
    int execute(VtDisplayElement* element) override;
};

class VtDisplayElementCommandShow : public VtDisplayElementCommand {
public:
    int execute(VtDisplayElement* element) override;
};

class VtDisplayElementCommandEnable : public VtDisplayElementCommand {
public:
    int execute(VtDisplayElement* element) override;
};

class VtDisplayElementCommandDisable : public VtDisplayElementCommand {
public:
    int execute(VtDisplayElement* element) override;
};

class VtDisplayElementCommandChangeSize : public VtDisplayElementCommand {
public:
    VtDisplayElementCommandChangeSize(uint32_t width, uint32_t height) : width_(width), height_(height) {}
    int execute(VtDisplayElement* element) override;

private:
    uint32_t width_;
    uint32_t height_;
};

// Moves the element to (x, y) when its parent element displays the parent
// object.
class VtDisplayElementCommandSetPosition : public VtDisplayElementCommand {
public:
    VtDisplayElementCommandSetPosition(uint32_t parentOid, int32_t x, int32_t y) : parentOid_(parentOid), x_(x), y_(y) {}
    int execute(VtDisplayElement* element) override;

private:
    uint32_t parentOid_;
    int32_t x_;
    int32_t y_;
};

// Moves the element by (dx, dy) when its parent element displays the parent
// object.
class VtDisplayElementCommandChangeChildLocation : public VtDisplayElementCommand {
public:
    VtDisplayElementCommandChangeChildLocation(uint32_t parentOid, int32_t dx, int32_t dy)
        : parentOid_(parentOid), dx_(dx), dy_(dy)
    {
    }
    int execute(VtDisplayElement* element) override;

private:
    uint32_t parentOid_;
    int32_t dx_;
    int32_t dy_;
};

// Takes the element off the display when its parent element displays the
// object (the old target of an object pointer).
class VtDisplayElementCommandCloseChildsWithSelectedParent : public VtDisplayElementCommand {
public:
    explicit VtDisplayElementCommandCloseChildsWithSelectedParent(uint32_t oid) : oid_(oid) {}
    int execute(VtDisplayElement* element) override;

private:
    uint32_t oid_;
};

// Creates the missing elements of the object that the element's parent
// displays (an object pointer's new target).
class VtDisplayElementCommandCreateNewChilds : public VtDisplayElementCommand {
public:
    explicit VtDisplayElementCommandCreateNewChilds(VtDisplayInterface* display) : display_(display) {}
    int execute(VtDisplayElement* element) override;

private:
    VtDisplayInterface* display_;
};
