#pragma once
// Fixtures shared by the card-tool tests.
#include "FailingFolder.h"
#include "ScriptedPlatform.h"

inline ScriptedPlatform* scripted() {
    return static_cast<ScriptedPlatform*>(&Platform::get());
}
