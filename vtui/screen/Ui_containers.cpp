#include "vtui/screen/Ui_containers.h"

int Stackable_ui_element::counter = 0;
