#include "Editors.h"

void RegisterEditors() {}
