#pragma once
// Wires the page-set editors into the palette.
void RegisterEditors();
