#include "CardTools.h"

void RegisterCardTools() {}
