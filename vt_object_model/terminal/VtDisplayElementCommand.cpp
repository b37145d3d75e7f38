#include "vt_object_model/terminal/VtDisplayElementCommand.h"

#include "vt_object_model/VtObject.h"
#include "vt_object_model/terminal/VtDisplayElement.h"
#include "vt_object_model/terminal/VtDisplayInterface.h"

int VtDisplayElementCommandHide::execute(VtDisplayElement* element)
{
    element->hide();
    return 0;
}

int VtDisplayElementCommandShow::execute(VtDisplayElement* element)
{
    element->show();
    return 0;
}

int VtDisplayElementCommandEnable::execute(VtDisplayElement* element)
{
    element->enable();
    return 0;
}

int VtDisplayElementCommandDisable::execute(VtDisplayElement* element)
{
    element->disable();
    return 0;
}

int VtDisplayElementCommandChangeSize::execute(VtDisplayElement* element)
{
    element->changeSize(width_, height_);
    return 0;
}

int VtDisplayElementCommandSetPosition::execute(VtDisplayElement* element)
{
    if (element->getParentOid() == parentOid_)
        element->setPosition(x_, y_);
    return 0;
}

int VtDisplayElementCommandChangeChildLocation::execute(VtDisplayElement* element)
{
    if (element->getParentOid() == parentOid_)
        element->changeChildLocation(dx_, dy_);
    return 0;
}

int VtDisplayElementCommandCloseChildsWithSelectedParent::execute(VtDisplayElement* element)
{
    if (element->getParent() != nullptr && element->getParentOid() == oid_)
        element->remove(element->getObject() != nullptr ? element->getObject()->getLinkList() : nullptr);
    return 0;
}

int VtDisplayElementCommandCreateNewChilds::execute(VtDisplayElement* element)
{
    VtDisplayElement* parent = element->getParent();
    if (parent == nullptr || parent->getObject() == nullptr || display_ == nullptr)
        return 0;
    display_->createDisplayElements(parent->getObject(), parent->getParent(), 0, 0, parent->getInstance());
    return 0;
}
